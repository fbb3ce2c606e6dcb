// The toolbar's button images.
#pragma once

#include <QPixmap>
#include <vector>

class QPainter;

namespace Pagivex {

class clsImageList {
public:
    qint16 Create(qint32 imageSize);
    void Destroy() { m_images.clear(); }
    // A disabled image is drawn blended with the window colour.
    void DrawImage(qint32 index, QPainter& destination, qint16 X, qint16 Y, bool first = false,
                   bool disabled = false) const;
    qint16 IconSize() const { return qint16(m_size); }
    qint16 ImageCount() const { return qint16(m_images.size()); }
    void RemoveImage(qint16 index);
    void Clear() { m_images.clear(); }
    // Cuts one image out of a strip; a mask colour of -1 takes the strip's top-left pixel.
    qint32 AddFromPixmap(const QPixmap& strip, qint32 left, qint32 top, qint32 maskColor);

private:
    qint32 m_size = 16;
    std::vector<QPixmap> m_images;
};

}  // namespace Pagivex
