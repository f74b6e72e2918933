#pragma once

#include <QList>
#include <QRect>

// Places a window rectangle onto the screens' available areas: the screen
// it overlaps most is kept (the first one when it overlaps none, such as a
// screen since removed), the size shrinks to that area and the rectangle is
// moved inside it. Returns the rectangle unchanged when no area is known.
QRect fitOntoScreens(const QRect &window, const QList<QRect> &availableAreas);

// The available areas of the connected screens, the primary one first.
QList<QRect> availableScreenAreas();
