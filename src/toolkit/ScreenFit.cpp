#include "toolkit/ScreenFit.h"

#include <QGuiApplication>
#include <QScreen>

#include <algorithm>

QRect fitOntoScreens(const QRect &window, const QList<QRect> &availableAreas)
{
    if (availableAreas.isEmpty())
        return window;
    QRect area = availableAreas.first();
    qint64 best = 0;
    for (const QRect &candidate : availableAreas) {
        const QRect overlap = candidate.intersected(window);
        const qint64 size = overlap.isEmpty() ? 0 : qint64(overlap.width()) * overlap.height();
        if (size > best) {
            best = size;
            area = candidate;
        }
    }
    QRect fitted(window.topLeft(), window.size().boundedTo(area.size()));
    fitted.moveLeft(std::clamp(fitted.left(), area.left(), area.right() + 1 - fitted.width()));
    fitted.moveTop(std::clamp(fitted.top(), area.top(), area.bottom() + 1 - fitted.height()));
    return fitted;
}

QList<QRect> availableScreenAreas()
{
    QList<QRect> areas;
    if (const QScreen *primary = QGuiApplication::primaryScreen())
        areas << primary->availableGeometry();
    for (const QScreen *screen : QGuiApplication::screens())
        if (screen != QGuiApplication::primaryScreen())
            areas << screen->availableGeometry();
    return areas;
}

QSize firstWindowSize(const QSize &available)
{
    // 1200 wide: at 1280 by 800 the grid's task, due and alarm columns are
    // in view beside the view panel and the notes.
    constexpr QSize Least(1200, 650);
    const QSize share(available.width() * 7 / 10, available.height() * 7 / 10);
    return share.expandedTo(Least).boundedTo(available);
}
