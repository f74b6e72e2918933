#include "popup/PopupGeometry.h"

#include <QtGlobal>

#include <array>
#include <cstdlib>

namespace PopupGeometry {

std::optional<EdgeRect> taskbarRect(const QRect &screen, const QRect &workArea)
{
    if (screen.isEmpty() || workArea.isEmpty())
        return std::nullopt;
    const EdgeRect s = EdgeRect::fromQRect(screen.translated(-screen.topLeft()));
    const EdgeRect w = EdgeRect::fromQRect(workArea.translated(-screen.topLeft()));

    struct Strip
    {
        int thickness;
        EdgeRect rect;
    };
    // In order of preference when two strips are equally thick.
    const std::array<Strip, 4> strips{{
        {s.bottom - w.bottom, {s.left, w.bottom, s.right, s.bottom}},
        {w.top - s.top, {s.left, s.top, s.right, w.top}},
        {s.right - w.right, {w.right, s.top, s.right, s.bottom}},
        {w.left - s.left, {s.left, s.top, w.left, s.bottom}},
    }};
    const Strip *best = nullptr;
    for (const Strip &strip : strips) {
        if (strip.thickness > 0 && (!best || strip.thickness > best->thickness))
            best = &strip;
    }
    if (!best)
        return std::nullopt;
    return best->rect;
}

TaskbarEdge edgeOfTaskbar(const EdgeRect &t)
{
    if (t.left == t.top && t.bottom > t.right)
        return TaskbarEdge::Left;
    if (t.left == t.top && t.bottom < t.right)
        return TaskbarEdge::Top;
    if (t.left < t.top)
        return TaskbarEdge::Bottom;
    return TaskbarEdge::Right;
}

TaskbarEdge taskbarEdge(const QRect &screen, const QRect &workArea)
{
    const std::optional<EdgeRect> taskbar = taskbarRect(screen, workArea);
    return taskbar ? edgeOfTaskbar(*taskbar) : TaskbarEdge::None;
}

TaskbarEdge placementEdge(TaskbarEdge edge)
{
    return edge == TaskbarEdge::None ? TaskbarEdge::Bottom : edge;
}

bool stackFull(TaskbarEdge edge, int screenTop, const EdgeRect &workArea, const Placement &placement,
               int stackOffset)
{
    const int top = popupPosition(edge, workArea, placement, stackOffset).y();
    return top < screenTop || top + placement.height > workArea.bottom;
}

QPoint popupPosition(TaskbarEdge edge, const EdgeRect &workArea, const Placement &placement, int stackOffset)
{
    const int fromBottom = workArea.bottom - placement.startY - placement.height - stackOffset;
    const int fromRight = workArea.right - placement.width - placement.startX;
    switch (placementEdge(edge)) {
    case TaskbarEdge::Left:
        return {workArea.left + placement.startX, fromBottom};
    case TaskbarEdge::Top:
        return {fromRight, workArea.top + placement.startY + stackOffset};
    default:
        return {fromRight, fromBottom};
    }
}

int nextStackOffset(bool cascade, int stackOffset, int height, int marge)
{
    return cascade ? stackOffset + height + marge : 0;
}

QRect collapsedGeometry(TaskbarEdge edge, const QRect &full)
{
    switch (placementEdge(edge)) {
    case TaskbarEdge::Left:
        return {full.x(), full.y(), 1, full.height()};
    case TaskbarEdge::Top:
        return {full.x(), full.y(), full.width(), 1};
    case TaskbarEdge::Right:
        return {full.x() + full.width(), full.y(), 1, full.height()};
    default:
        return {full.x(), full.y() + full.height(), full.width(), 1};
    }
}

int slideStep(int scrollSpeed)
{
    return qMax(1, scrollSpeed);
}

SlideStep slideInStep(TaskbarEdge edge, const QRect &current, const QSize &target, int scrollSpeed,
                      const EdgeRect &workArea, const Placement &placement, int savedStackOffset)
{
    const int s = slideStep(scrollSpeed);
    int x = current.x(), y = current.y(), w = current.width(), h = current.height();
    bool finished = false;
    switch (placementEdge(edge)) {
    case TaskbarEdge::Left:
        if (w + s < target.width()) {
            w += s;
        } else {
            w = target.width();
            finished = true;
        }
        break;
    case TaskbarEdge::Top:
        if (h + s < target.height()) {
            h += s;
        } else {
            h = target.height();
            finished = true;
        }
        break;
    case TaskbarEdge::Right:
        if (w + s < target.width()) {
            x -= s;
            w += s;
        } else {
            w = target.width();
            x = workArea.right - placement.startX - w;
            finished = true;
        }
        break;
    default:
        if (h + s < target.height()) {
            y -= s;
            h += s;
        } else {
            h = target.height();
            y = workArea.bottom - placement.startY - h - savedStackOffset;
            finished = true;
        }
        break;
    }
    return {QRect(x, y, w, h), finished};
}

SlideStep slideOutStep(TaskbarEdge edge, const QRect &current, int scrollSpeed)
{
    const int s = slideStep(scrollSpeed);
    int x = current.x(), y = current.y(), w = current.width(), h = current.height();
    switch (placementEdge(edge)) {
    case TaskbarEdge::Left:
        if (w - s <= 0)
            return {current, true};
        w -= s;
        break;
    case TaskbarEdge::Top:
        if (h - s <= 0)
            return {current, true};
        h -= s;
        break;
    case TaskbarEdge::Right:
        if (w - s <= 0)
            return {current, true};
        x += s;
        w -= s;
        break;
    default:
        if (h - s <= 0)
            return {current, true};
        y += s;
        h -= s;
        break;
    }
    return {QRect(x, y, w, h), false};
}

int halfRoundedToEven(int value)
{
    const int half = value / 2; // toward zero
    if (value % 2 == 0)
        return half;
    // Exactly between half and its neighbour away from zero: take the even one.
    const int other = value > 0 ? half + 1 : half - 1;
    return half % 2 == 0 ? half : other;
}

int divideRoundingHalfAway(int numerator, int denominator)
{
    const int magnitude = (2 * std::abs(numerator) + denominator) / (2 * denominator);
    return numerator < 0 ? -magnitude : magnitude;
}

} // namespace PopupGeometry
