#pragma once

#include "toolkit/HotKeyBackend.h"

#include <QAbstractNativeEventFilter>
#include <QHash>
#include <QList>

struct xcb_connection_t;
typedef struct _XCBKeySymbols xcb_key_symbols_t;

// Global hotkeys on X11: a passive key grab on every root window for each
// registration. Each combination is grabbed four times, also with NumLock
// and CapsLock held, so that the lock keys do not stop it. A grab that
// another client already holds makes the server answer with an error, which
// is turned into a refused registration. Key presses arrive through the
// application's native event filter.
class X11HotKeyBackend final : public HotKeyBackend, private QAbstractNativeEventFilter
{
    Q_OBJECT
public:
    // connection is the application's own connection to the X server.
    explicit X11HotKeyBackend(xcb_connection_t *connection, QObject *parent = nullptr);
    ~X11HotKeyBackend() override;

    bool registerHotKey(int id, quint8 modifiers, quint32 keysym) override;
    bool unregisterHotKey(int id) override;

private:
    struct Grab
    {
        quint32 root;
        quint8 keycode;
        quint16 modifiers; // without the lock modifiers
    };

    bool nativeEventFilter(const QByteArray &eventType, void *message, qintptr *result) override;
    void findModifierMasks();
    void ungrab(const QList<Grab> &grabs);
    QList<quint16> lockVariants(quint16 modifiers) const;

    xcb_connection_t *m_connection;
    xcb_key_symbols_t *m_keySymbols;
    QList<quint32> m_roots;
    QHash<int, QList<Grab>> m_grabs;
    quint16 m_altMask;
    quint16 m_superMask;
    quint16 m_numLockMask;
};
