#include "Painters.h"

#include "modGlobals.h"

#include <QFontMetricsF>
#include <array>
#include <memory>

namespace Pagivex::Painters {

static QPen MakePen(qint32 color, int width) {
    if (width == 0) {
        QPen pen(modGlobals::TranslateColor(color), 1, Qt::DotLine);
        return pen;
    }
    return QPen(modGlobals::TranslateColor(color), width, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin);
}

namespace {

// Whether a one-line text surely stands inside its rectangle with room to spare, so that
// cutting it at the rectangle could not change a dot. Only plain Latin text is judged: its
// width is then the sum of its characters' advances, give or take a kerning pair, which the
// spare room covers. A text starts or ends flush with the rectangle when aligned to that
// side, so its first and last glyphs must stop short of their advance by a couple of dots,
// for the smoothing of their edges. Anything in doubt is cut, as always.
bool SurelyInside(const QPainter& p, const QString& text, const QRect& rect) {
    // A page uses a few fonts: the advances of the last one on the last device are kept,
    // each read once. Kept for the life of the thread and never torn down, so never after
    // Qt's own fonts.
    struct Advances {
        QFont font;
        int dpiX = 0, dpiY = 0;
        std::unique_ptr<QFontMetricsF> metrics;
        std::array<qreal, 0x250> width;
    };
    static thread_local Advances& last = *new Advances;
    const QFont& font = p.font();
    const int dpiX = p.device()->logicalDpiX(), dpiY = p.device()->logicalDpiY();
    if (!last.metrics || !(last.font == font) || last.dpiX != dpiX || last.dpiY != dpiY) {
        last.font = font;
        last.dpiX = dpiX;
        last.dpiY = dpiY;
        last.metrics = std::make_unique<QFontMetricsF>(font, p.device());
        last.width.fill(-1);
    }
    const QFontMetricsF& fm = *last.metrics;
    const qreal height = fm.height();
    if (text.size() > 200 || height * 1.3 + 4 > rect.height()) return false;
    if (text.isEmpty()) return true;
    qreal width = 0;
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u < 0x20 || (u >= 0x7F && u < 0xA0) || u == 0xAD || u >= 0x250) return false;
        if (last.width[u] < 0) last.width[u] = fm.horizontalAdvance(c);
        width += last.width[u];
    }
    return width + height * 0.5 + 4 < rect.width() && fm.leftBearing(text.front()) >= 2 &&
           fm.rightBearing(text.back()) >= 2;
}

}  // namespace

void RenderText(QPainter& p, const QString& text, const QRect& rect, qint32 foreColor, qint32 backColor,
                qint32 alignment, const QFont& font, qint16 rotation) {
    if (backColor != -1) p.fillRect(rect, modGlobals::TranslateColor(backColor));
    int flags = Qt::TextWordWrap | Qt::AlignVCenter;
    if (alignment & 1) flags |= Qt::AlignHCenter;
    else if (alignment & 2) flags |= Qt::AlignRight;
    else flags |= Qt::AlignLeft;
    const QColor pen = foreColor == -1 ? QColor(Qt::black) : modGlobals::TranslateColor(foreColor);
    if (rotation == 0 && !p.hasClipping()) {
        // Cutting at the rectangle costs the printer a saved and restored state and a clip
        // path for every cell: it is left out where it could not cut anything.
        p.setFont(font);
        if (SurelyInside(p, text, rect)) {
            p.setPen(pen);
            p.drawText(rect, flags, text);
            return;
        }
    }
    p.save();
    p.setFont(font);
    p.setPen(pen);
    // Text taller than its box starts at the top: centred, its first lines would be cut off.
    const auto fitted = [&p, &text, flags](const QRect& box) {
        return p.boundingRect(box, flags, text).height() > box.height()
                   ? (flags & ~Qt::AlignVCenter) | Qt::AlignTop
                   : flags;
    };
    if (rotation != 0) {
        p.translate(rect.topLeft());
        p.rotate(-rotation);
        const QRect box(QPoint(0, 0), rect.size());
        p.drawText(box, fitted(box), text);
    } else {
        p.setClipRect(rect, Qt::IntersectClip);
        p.drawText(rect, fitted(rect), text);
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
