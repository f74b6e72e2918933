#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

#include <optional>

// Placement, cascading and sliding of notification windows, as plain
// arithmetic over rectangles so that every taskbar position can be tested
// without a screen.

// The screen edge that holds the taskbar. None: the desktop reports no taskbar.
enum class TaskbarEdge : int { None = -1, Left = 0, Top = 1, Right = 2, Bottom = 3 };

// A rectangle given by its edges; right and bottom lie just outside it, so a
// work area 994 pixels high starting at 0 has bottom 994.
struct EdgeRect
{
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    static EdgeRect fromQRect(const QRect &r) { return {r.x(), r.y(), r.x() + r.width(), r.y() + r.height()}; }
    friend bool operator==(const EdgeRect &, const EdgeRect &) = default;
};

namespace PopupGeometry {

// The strip of the screen that lies outside the work area, relative to the
// screen's own top-left corner; nothing when the two are the same. When panels
// sit on more than one side, the thickest strip counts as the taskbar (on a
// tie: bottom, top, right, left).
std::optional<EdgeRect> taskbarRect(const QRect &screen, const QRect &workArea);

// The edge a taskbar rectangle (relative to its screen) lies on: left when it
// starts at the corner and is taller than wide, top when it starts at the
// corner and is wider than tall, bottom when it starts further down than
// right, otherwise right.
TaskbarEdge edgeOfTaskbar(const EdgeRect &taskbar);

// Both steps together; None when no taskbar is reported.
TaskbarEdge taskbarEdge(const QRect &screen, const QRect &workArea);

// The edge the windows are placed and slid against. Without a reported
// taskbar they use the bottom-right corner, so they are still seen and
// still slide away.
TaskbarEdge placementEdge(TaskbarEdge edge);

// What a window's placement depends on besides the edge and the work area.
struct Placement
{
    int width = 0;
    int height = 0;
    int startX = 0; // horizontal distance from the work-area edge
    int startY = 0; // vertical distance from the work-area edge
};

// True when the next window, placed at stackOffset, would not fit on the
// screen it is placed on: its bottom below the work area's bottom or its top
// above the screen's top (screenTop, in the same coordinates as the work
// area), whichever edge holds the taskbar.
bool stackFull(TaskbarEdge edge, int screenTop, const EdgeRect &workArea, const Placement &placement,
               int stackOffset);

// Top-left corner of a fully shown window placed at stackOffset.
QPoint popupPosition(TaskbarEdge edge, const EdgeRect &workArea, const Placement &placement, int stackOffset);

// Where the window after this one goes: one window height and the gap
// further when cascading, back at the corner when not.
int nextStackOffset(bool cascade, int stackOffset, int height, int marge);

// The geometry a sliding window starts from: one pixel thick on the side
// that faces the taskbar.
QRect collapsedGeometry(TaskbarEdge edge, const QRect &full);

// The pixels a slide moves per step; a speed of 0 would never finish.
int slideStep(int scrollSpeed);

struct SlideStep
{
    QRect geometry;
    bool finished = false; // slide in: fully shown; slide out: to be closed
};

// One 25 ms step of sliding in toward the target size. A finished slide
// puts the window back exactly at its place in the stack.
SlideStep slideInStep(TaskbarEdge edge, const QRect &current, const QSize &target, int scrollSpeed,
                      const EdgeRect &workArea, const Placement &placement, int savedStackOffset);

// One 25 ms step of sliding out; finished when nothing would be left.
SlideStep slideOutStep(TaskbarEdge edge, const QRect &current, int scrollSpeed);

// value / 2, a half going to the even neighbour (7.5 -> 8, 6.5 -> 6).
int halfRoundedToEven(int value);

// numerator / denominator rounded to the nearest integer, halves away from
// zero. The denominator must be positive.
int divideRoundingHalfAway(int numerator, int denominator);

} // namespace PopupGeometry
