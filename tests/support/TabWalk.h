#pragma once

#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QButtonGroup>
#include <QCalendarWidget>
#include <QComboBox>
#include <QRadioButton>
#include <QScrollArea>
#include <QSet>
#include <QStringList>
#include <QTest>
#include <QWidget>

// Keyboard walks through a window: Tab alone, from the focus widget, until
// the focus comes back to where it started.
namespace TabWalk {

// The control a focus widget stands for: a widget whose focus goes to
// another one (a combo box to its line edit, a tab widget to its tab bar)
// counts as reached when that one is.
inline bool takesTabFocus(const QWidget *w)
{
    return (w->focusPolicy() & Qt::TabFocus) == Qt::TabFocus;
}

// The controls of the window the keyboard must reach: shown, enabled, taken
// by Tab, and not an inner part of another such control (the line edit of a
// spin box, the view of a calendar).
inline QList<QWidget *> controls(QWidget *window)
{
    QList<QWidget *> out;
    for (QWidget *w : window->findChildren<QWidget *>()) {
        if (!w->isVisible() || !w->isEnabled() || w->isWindow() || w->window() != window)
            continue;
        if (!takesTabFocus(w) && !(w->focusProxy() && takesTabFocus(w->focusProxy())))
            continue;
        bool inner = false;
        for (QWidget *p = w->parentWidget(); p && p != window && !inner; p = p->parentWidget())
            inner = qobject_cast<QAbstractSpinBox *>(p) || qobject_cast<QComboBox *>(p)
                    || qobject_cast<QCalendarWidget *>(p) || (qobject_cast<QAbstractScrollArea *>(p) && !qobject_cast<QScrollArea *>(p));
        if (!inner)
            out << w;
    }
    return out;
}

// The widgets that had the focus while Tab was pressed up to `limit` times.
inline QSet<QWidget *> walk(QWidget *window, int limit = 400)
{
    QSet<QWidget *> reached;
    QWidget *start = QApplication::focusWidget();
    if (!start)
        return reached;
    reached.insert(start);
    for (int i = 0; i < limit; ++i) {
        QWidget *now = QApplication::focusWidget();
        if (!now || now->window() != window)
            break;
        QTest::keyClick(now, Qt::Key_Tab);
        QWidget *next = QApplication::focusWidget();
        if (!next || next == start)
            break;
        reached.insert(next);
    }
    return reached;
}

// The controls Tab did not reach, by object name (or class when unnamed).
// A control counts as reached when the focus was on it, on its focus proxy,
// or inside it; an auto-exclusive radio button when one of its group was
// (arrow keys move within the group, as everywhere).
inline QStringList missed(QWidget *window, const QSet<QWidget *> &reached)
{
    const auto wasReached = [&](QWidget *w) {
        for (QWidget *r : reached) {
            if (r == w || w->isAncestorOf(r))
                return true;
            for (QWidget *p = w->focusProxy(); p; p = p->focusProxy())
                if (p == r)
                    return true;
        }
        return false;
    };
    QStringList out;
    for (QWidget *w : controls(window)) {
        if (wasReached(w))
            continue;
        if (auto *radio = qobject_cast<QRadioButton *>(w); radio && radio->autoExclusive()) {
            bool group = false;
            for (QWidget *r : reached)
                if (auto *other = qobject_cast<QRadioButton *>(r))
                    group = group
                            || (other->autoExclusive() && other->parentWidget() == radio->parentWidget()
                                && other->group() == radio->group());
            if (group)
                continue;
        }
        out << (w->objectName().isEmpty() ? QString::fromLatin1(w->metaObject()->className()) : w->objectName());
    }
    return out;
}

} // namespace TabWalk
