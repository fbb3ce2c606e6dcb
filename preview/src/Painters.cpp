#include "Painters.h"

#include "modGlobals.h"

namespace Pagivex::Painters {

static QPen MakePen(qint32 color, int width) {
    if (width == 0) {
        QPen pen(modGlobals::TranslateColor(color), 1, Qt::DotLine);
        return pen;
    }
    return QPen(modGlobals::TranslateColor(color), width, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin);
}

void RenderText(QPainter& p, const QString& text, const QRect& rect, qint32 foreColor, qint32 backColor,
                qint32 alignment, const QFont& font, qint16 rotation) {
    if (backColor != -1) p.fillRect(rect, modGlobals::TranslateColor(backColor));
    int flags = Qt::TextWordWrap | Qt::AlignVCenter;
    if (alignment & 1) flags |= Qt::AlignHCenter;
    else if (alignment & 2) flags |= Qt::AlignRight;
    else flags |= Qt::AlignLeft;
    p.save();
    p.setFont(font);
    p.setPen(foreColor == -1 ? QColor(Qt::black) : modGlobals::TranslateColor(foreColor));
    if (rotation != 0) {
        p.translate(rect.topLeft());
        p.rotate(-rotation);
        p.drawText(QRect(QPoint(0, 0), rect.size()), flags, text);
    } else {
        p.setClipRect(rect, Qt::IntersectClip);
        p.drawText(rect, flags, text);
    }
    p.restore();
}

void RenderLine(QPainter& p, const QPoint& from, const QPoint& to, qint32 color, int width) {
    p.save();
    p.setPen(MakePen(color, width));
    p.drawLine(from, to);
    p.restore();
}

void RenderBox(QPainter& p, const QRect& rect, int lineWidth, qint32 foreColor, qint32 backColor) {
    if (backColor != -1) p.fillRect(rect, modGlobals::TranslateColor(backColor));
    if (foreColor == -1) return;
    p.save();
    p.setPen(MakePen(foreColor, lineWidth));
    const QPoint tl(rect.left(), rect.top()), tr(rect.left() + rect.width(), rect.top());
    const QPoint br(rect.left() + rect.width(), rect.top() + rect.height());
    const QPoint bl(rect.left(), rect.top() + rect.height());
    p.drawLine(tl, tr);
    p.drawLine(tr, br);
    p.drawLine(br, bl);
    p.drawLine(bl, tl);
    p.restore();
}

void RenderPicture(QPainter& p, const QImage& picture, const QRect& target, bool keepRatio, bool centreH,
                   bool centreV, const char* object) {
    if (picture.isNull()) modGlobals::RaiseLibError(1070, object, "DrawPicture", "Invalid picture format.");
    const int bw = picture.width(), bh = picture.height();
    if (target.width() == bw && target.height() == bh) {
        p.drawImage(target.topLeft(), picture);
        return;
    }
    int w = target.width(), h = target.height();
    int left = target.left(), top = target.top();
    if (keepRatio && target.width() != 0) {
        const double targetRatio = double(target.height()) / target.width();
        const double bitmapRatio = double(bh) / bw;
        const double scale = targetRatio > bitmapRatio ? double(target.width()) / bw : double(target.height()) / bh;
        w = modGlobals::RoundEven(scale * bw);
        h = modGlobals::RoundEven(scale * bh);
        if (centreH) left = modGlobals::RoundEven((target.width() - w) / 2.0 + target.left());
        if (centreV) top = modGlobals::RoundEven((target.height() - h) / 2.0 + target.top());
    }
    p.drawImage(QRect(left, top, w, h), picture);
}

}  // namespace Pagivex::Painters
