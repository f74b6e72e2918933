#pragma once

#include <QRect>

// Where the desktop keeps its panels: the whole screen against the work area
// left over for ordinary windows. Whatever lies between the two is the
// taskbar; when they are equal the desktop reports no taskbar at all.
class TaskbarGeometry
{
public:
    virtual ~TaskbarGeometry() = default;
    virtual QRect screenGeometry() const = 0;
    virtual QRect workArea() const = 0;
};

// The primary screen as Qt sees it (geometry() against availableGeometry()).
class ScreenTaskbarGeometry final : public TaskbarGeometry
{
public:
    QRect screenGeometry() const override;
    QRect workArea() const override;
};

// Fixed rectangles, for tests and for callers that already know them.
class FixedTaskbarGeometry final : public TaskbarGeometry
{
public:
    FixedTaskbarGeometry(const QRect &screen, const QRect &workArea)
        : m_screen(screen), m_workArea(workArea)
    {
    }
    void set(const QRect &screen, const QRect &workArea)
    {
        m_screen = screen;
        m_workArea = workArea;
    }
    QRect screenGeometry() const override { return m_screen; }
    QRect workArea() const override { return m_workArea; }

private:
    QRect m_screen;
    QRect m_workArea;
};
