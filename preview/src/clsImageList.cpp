#include "clsImageList.h"

#include "modGlobals.h"

#include <QBitmap>
#include <QGuiApplication>
#include <QPainter>
#include <QPalette>

namespace Pagivex {

qint16 clsImageList::Create(qint32 imageSize) {
    m_images.clear();
    m_size = imageSize;
    return 0;
}

void clsImageList::DrawImage(qint32 index, QPainter& destination, qint16 X, qint16 Y, bool first,
                             bool disabled) const {
    if (index < 0 || index >= qint32(m_images.size())) return;
    destination.save();
    if (first || disabled) destination.setOpacity(0.5);
    destination.drawPixmap(X, Y, m_images[size_t(index)]);
    destination.restore();
}

void clsImageList::RemoveImage(qint16 index) {
    if (index >= 0 && index < qint16(m_images.size())) m_images.erase(m_images.begin() + index);
}

qint32 clsImageList::AddFromPixmap(const QPixmap& strip, qint32 left, qint32 top, qint32 maskColor) {
    const QImage source = strip.toImage();
    QColor mask = maskColor == -1 ? (source.isNull() ? QColor(0xC0, 0xC0, 0xC0) : source.pixelColor(0, 0))
                                  : modGlobals::TranslateColor(maskColor);
    QImage image(m_size, m_size, QImage::Format_ARGB32);
    image.fill(mask);
    const int w = std::min(16, source.width() - left), h = std::min(16, source.height() - top);
    if (w > 0 && h > 0) {
        QPainter p(&image);
        p.drawImage(QPoint(0, 0), source, QRect(left, top, w, h));
    }
    QPixmap pixmap = QPixmap::fromImage(image);
    pixmap.setMask(QBitmap::fromImage(image.createMaskFromColor(mask.rgb(), Qt::MaskInColor)));
    m_images.push_back(pixmap);
    return qint32(m_images.size() - 1);
}

}  // namespace Pagivex
