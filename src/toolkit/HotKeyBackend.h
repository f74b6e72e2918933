#pragma once

#include <QObject>
#include <QtGlobal>

#include <memory>

// System-wide key grabs: a combination registered here reaches the program
// while any window of any program has the keyboard focus. An id names each
// registration; the same id is reported when its combination is pressed.
class HotKeyBackend : public QObject
{
    Q_OBJECT
public:
    // Modifier flags of a registration.
    enum Modifier : quint8 { Shift = 1, Control = 2, Alt = 4, Super = 8 };

    using QObject::QObject;

    // Grabs the key that types keysym (an X11 keysym) with exactly these
    // modifiers. False when the platform refuses: no such key, another
    // program holds the combination, or no hotkeys on this platform.
    virtual bool registerHotKey(int id, quint8 modifiers, quint32 keysym) = 0;
    // Ends the registration of id; false when there was none.
    virtual bool unregisterHotKey(int id) = 0;

signals:
    // A registered combination was pressed.
    void activated(int id);
};

// The backend of a platform without global hotkeys: every registration is
// refused.
class NoHotKeyBackend final : public HotKeyBackend
{
    Q_OBJECT
public:
    using HotKeyBackend::HotKeyBackend;
    bool registerHotKey(int, quint8, quint32) override { return false; }
    bool unregisterHotKey(int) override { return false; }
};

// The X11 backend when the application runs on X11, otherwise one that
// refuses (offscreen, Wayland without XWayland).
std::unique_ptr<HotKeyBackend> createHotKeyBackend();
