// Off-screen surface on which the preview paints the current page before copying it,
// stretched for the zoom, onto the window.
#pragma once

#include <QColor>
#include <QFont>
#include <QImage>

class QPainter;

namespace Pagivex {

class clsMemDC {
public:
    void DrawBox(qint32 lLeft, qint32 lTop, qint32 lWidth, qint32 lHeight, qint16 lineWidth, qint32 foreColor,
                 qint32 backColor);
    void DrawLine(qint32 X1, qint32 Y1, qint32 X2, qint32 Y2, qint32 color, qint32 width);
    void DrawText(const QString& sText, qint32 lLeft, qint32 lTop, qint32 lWidth, qint32 lHeight, qint32 foreColor,
                  qint32 backColor, qint32 flags);
    void BlitImage(QPainter& destination, qint32 lLeft, qint32 lTop, qint32 lWidth, qint32 lHeight, bool bNormal) const;
    void DrawPicture(const QImage& picture, qint32 lLeft, qint32 lTop, qint32 lWidth, qint32 lHeight, bool keepRatio,
                     bool centreV, bool centreH);
    void SetFont(const QFont& font, qint16 rotation = 0) {
        m_font = font;
        m_rotation = rotation;
    }
    const QFont& Font() const { return m_font; }

    qint32 Width() const { return m_image.width(); }
    qint32 Height() const { return m_image.height(); }
    // Makes the surface exactly that size (cleared) when its size differs.
    void Resize(qint32 width, qint32 height);
    void Clear();
    const QImage& Image() const { return m_image; }

private:
    QImage m_image;
    QColor m_background = Qt::white;
    QFont m_font;
    qint16 m_rotation = 0;
};

}  // namespace Pagivex
