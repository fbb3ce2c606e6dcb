#include "clsMemDC.h"

#include "Painters.h"

#include <QPainter>

namespace Pagivex {

void clsMemDC::Resize(qint32 width, qint32 height) {
    if (width == m_image.width() && height == m_image.height() && !m_image.isNull()) return;
    if (width <= 0 || height <= 0) {
        m_image = QImage();
        return;
    }
    m_image = QImage(width, height, QImage::Format_RGB32);
    Clear();
}

void clsMemDC::Clear() {
    if (!m_image.isNull()) m_image.fill(m_background);
}

void clsMemDC::DrawBox(qint32 lLeft, qint32 lTop, qint32 lWidth, qint32 lHeight, qint16 lineWidth, qint32 foreColor,
                       qint32 backColor) {
    if (m_image.isNull()) return;
    QPainter p(&m_image);
    Painters::RenderBox(p, QRect(lLeft, lTop, lWidth, lHeight), lineWidth, foreColor, backColor);
}

void clsMemDC::DrawLine(qint32 X1, qint32 Y1, qint32 X2, qint32 Y2, qint32 color, qint32 width) {
    if (m_image.isNull()) return;
    QPainter p(&m_image);
    Painters::RenderLine(p, QPoint(X1, Y1), QPoint(X2, Y2), color, width);
}

void clsMemDC::DrawText(const QString& sText, qint32 lLeft, qint32 lTop, qint32 lWidth, qint32 lHeight,
                        qint32 foreColor, qint32 backColor, qint32 flags) {
    if (m_image.isNull()) return;
    QPainter p(&m_image);
    p.setRenderHint(QPainter::TextAntialiasing);
    Painters::RenderText(p, sText, QRect(lLeft, lTop, lWidth, lHeight), foreColor, backColor, flags, m_font,
                         m_rotation);
}

void clsMemDC::DrawPicture(const QImage& picture, qint32 lLeft, qint32 lTop, qint32 lWidth, qint32 lHeight,
                           bool keepRatio, bool centreV, bool centreH) {
    if (m_image.isNull()) return;
    QPainter p(&m_image);
    Painters::RenderPicture(p, picture, QRect(lLeft, lTop, lWidth, lHeight), keepRatio, centreH, centreV, "clsMemDC");
}

void clsMemDC::BlitImage(QPainter& destination, qint32 lLeft, qint32 lTop, qint32 lWidth, qint32 lHeight,
                         bool bNormal) const {
    if (m_image.isNull()) return;
    const QRect target(lLeft, lTop, lWidth, lHeight);
    if (lWidth == m_image.width() && lHeight == m_image.height()) {
        destination.drawImage(target.topLeft(), m_image);
        return;
    }
    destination.save();
    destination.setRenderHint(QPainter::SmoothPixmapTransform);
    destination.drawImage(target, m_image);
    destination.restore();
    if (!bNormal) {
        // Pages outside the print range are dimmed: every other pixel black.
        destination.fillRect(target, QBrush(Qt::black, Qt::Dense4Pattern));
    }
}

}  // namespace Pagivex
