#pragma once
// Drawing on the marks bitmap as the Windows pen draws: solid, round ends and joins, and no
// blended edge pixels (an edge pixel is either the pen's colour or left alone), so that every
// pixel of the bitmap is either a mark or the "no mark" colour. A pixel is drawn when its
// centre lies within half the pen's width of the line; a pen of even width is centred half a
// pixel up and left of the point, so that it is exactly that many pixels wide.

#include <QImage>
#include <QPoint>

namespace kel {

// A line from `from` to `to`; from a point to itself, a round dot of the pen's width. The
// image is in 32-bit format.
void DrawPenLine(QImage& image, QPoint from, QPoint to, int width, QRgb color);

// A circle of `radius` around `center`, its outline drawn with the pen, hollow inside.
void DrawPenCircle(QImage& image, QPoint center, int radius, int width, QRgb color);

}  // namespace kel
