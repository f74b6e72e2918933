#pragma once

#include <QColor>
#include <QImage>
#include <QSize>

class QPainter;

// The pictures a notification window is drawn from: the gradient, a
// background image drawn one of three ways, and the strip of colour bands
// along the bottom.

// Direction of the background gradient: mbVertical runs from colour 1 at the
// top to colour 2 at the bottom, mbHorizontal from left to right.
enum class TOrientation { mbHorizontal, mbVertical };

// How a background image covers the window: at its own size in the top-left
// corner, repeated until the area is covered, or stretched over the area.
enum class TMSNImageDrawMethod { dmActualSize, dmTile, dmFit };

namespace PopupBackground {

// Colour of gradient line i of n: each channel c1 + i * (c2 - c1) / n, the
// division rounded to the nearest integer with halves away from zero. Line 0
// has colour 1, line n colour 2; n of 0 or less gives colour 1.
QColor gradientColorAt(int i, int n, const QColor &c1, const QColor &c2);

// The gradient painted line by line into an image of the given size.
QImage gradientImage(const QSize &size, const QColor &c1, const QColor &c2, TOrientation orientation);

// The image with the colour of its bottom-left pixel made transparent, as
// bitmaps without an alpha channel are shown; images that carry their own
// transparency are returned as they are.
QImage transparentImage(const QImage &image);

// Draws image over the area (0, 0, area) by the draw method.
void drawBackgroundImage(QPainter &painter, const QSize &area, const QImage &image, TMSNImageDrawMethod method);

// The 138 x 3 strip of yellow, blue and green bands shown along the bottom
// of a window with a gradient background.
QImage bandStripImage();

} // namespace PopupBackground
