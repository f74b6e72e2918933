#pragma once

#include <QList>
#include <QRect>
#include <QSize>

// Places a window rectangle onto the screens' available areas: the screen
// it overlaps most is kept (the first one when it overlaps none, such as a
// screen since removed), the size shrinks to that area and the rectangle is
// moved inside it. Returns the rectangle unchanged when no area is known.
QRect fitOntoScreens(const QRect &window, const QList<QRect> &availableAreas);

// The available areas of the connected screens, the primary one first.
QList<QRect> availableScreenAreas();

// The main window's size on a first start: 70 % of the screen's available
// area, at least 1200 by 650 where the area allows, never larger than it.
QSize firstWindowSize(const QSize &available);
