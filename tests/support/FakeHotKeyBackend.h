#pragma once

#include "toolkit/HotKeyBackend.h"

#include <QMap>
#include <QSet>

// Hotkeys for tests: records what is registered, refuses combinations marked
// as held by another program, and presses a combination on request.
class FakeHotKeyBackend final : public HotKeyBackend
{
    Q_OBJECT
public:
    struct Combination
    {
        quint8 modifiers;
        quint32 keysym;
        friend bool operator==(const Combination &, const Combination &) = default;
    };

    QMap<int, Combination> registered;
    QList<Combination> heldElsewhere;

    bool registerHotKey(int id, quint8 modifiers, quint32 keysym) override
    {
        const Combination c{modifiers, keysym};
        if (heldElsewhere.contains(c) || registered.values().contains(c))
            return false;
        registered.insert(id, c);
        return true;
    }
    bool unregisterHotKey(int id) override { return registered.remove(id) > 0; }

    // Presses a combination: the registration holding it reports its id.
    bool press(quint8 modifiers, quint32 keysym)
    {
        for (auto it = registered.cbegin(); it != registered.cend(); ++it) {
            if (it.value() == Combination{modifiers, keysym}) {
                emit activated(it.key());
                return true;
            }
        }
        return false;
    }
};
