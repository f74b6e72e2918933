#include "toolkit/TaskbarGeometry.h"

#include <QGuiApplication>
#include <QScreen>

QRect ScreenTaskbarGeometry::screenGeometry() const
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    return screen ? screen->geometry() : QRect();
}

QRect ScreenTaskbarGeometry::workArea() const
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect();
}
