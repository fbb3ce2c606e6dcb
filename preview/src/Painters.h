// Element painters shared by the memory surface (screen) and the printer: same pens,
// brushes and text flags, in the device's own dots.
#pragma once

#include <QFont>
#include <QImage>
#include <QPainter>
#include <QRect>

namespace Pagivex::Painters {

// Text in a rectangle: the alignment bits choose left, centre or right; the text is always
// word-wrapped, centred vertically and cut at the rectangle. ForeColor -1 draws black,
// BackColor -1 leaves the cell unfilled.
void RenderText(QPainter& p, const QString& text, const QRect& rect, qint32 foreColor, qint32 backColor,
                qint32 alignment, const QFont& font, qint16 rotation);
// Width 0 draws a dotted line one dot wide.
void RenderLine(QPainter& p, const QPoint& from, const QPoint& to, qint32 color, int width);
// ForeColor -1: no frame; BackColor -1: no fill.
void RenderBox(QPainter& p, const QRect& rect, int lineWidth, qint32 foreColor, qint32 backColor);
// Keeps the ratio and centres when asked; a null image raises 1070 "Invalid picture format.".
void RenderPicture(QPainter& p, const QImage& picture, const QRect& target, bool keepRatio, bool centreH,
                   bool centreV, const char* object);

}  // namespace Pagivex::Painters
