#pragma once

#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusMessage>
#include <QList>
#include <QObject>
#include <QStringList>
#include <QVariantMap>

// A notification service for tests, on a bus connection of its own: it
// records what it is asked, answers with ids from 100 up, and emits the
// service's signals when the test says so.
class FakeNotificationService : public QObject, protected QDBusContext
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    struct Call
    {
        QString appName;
        QString summary;
        QString body;
        QStringList actions;
        QStringList hints; // the hint names
        int timeout = 0;
        uint id = 0;
    };

    QStringList capabilities{QStringLiteral("actions"), QStringLiteral("body")};
    bool answerNotify = true; // false: Notify is never answered
    bool refuseNotify = false; // true: Notify answers 0, a refusal
    QList<Call> calls;
    QList<uint> closed; // ids asked to close

    explicit FakeNotificationService(const QString &address)
        : m_bus(QDBusConnection::connectToBus(address, QStringLiteral("fake-notification-service")))
    {
        m_bus.registerObject(Path, this, QDBusConnection::ExportAllSlots);
    }
    ~FakeNotificationService() override
    {
        m_bus.unregisterObject(Path);
        QDBusConnection::disconnectFromBus(m_bus.name());
    }

    // Takes the service's name (and gives it up), as a daemon starting and ending does.
    bool start()
    {
        return m_bus.registerService(QStringLiteral("org.freedesktop.Notifications"));
    }
    void stop() { m_bus.unregisterService(QStringLiteral("org.freedesktop.Notifications")); }

    uint lastId() const { return calls.isEmpty() ? 0 : calls.constLast().id; }

    void emitActionInvoked(uint id, const QString &action) { emitSignal(u"ActionInvoked", {id, action}); }
    void emitClosed(uint id, uint reason) { emitSignal(u"NotificationClosed", {id, reason}); }

public slots:
    QStringList GetCapabilities() { return capabilities; }

    uint Notify(const QString &appName, uint, const QString &, const QString &summary, const QString &body,
                const QStringList &actions, const QVariantMap &hints, int timeout)
    {
        calls.append({appName, summary, body, actions, hints.keys(), timeout, m_nextId});
        if (!answerNotify) {
            setDelayedReply(true);
            return 0;
        }
        return refuseNotify ? 0 : m_nextId++;
    }

    void CloseNotification(uint id)
    {
        closed.append(id);
        emitClosed(id, 3);
    }

private:
    static constexpr QLatin1String Path{"/org/freedesktop/Notifications"};

    void emitSignal(QStringView name, const QVariantList &arguments)
    {
        QDBusMessage signal = QDBusMessage::createSignal(Path, QStringLiteral("org.freedesktop.Notifications"),
                                                         name.toString());
        signal.setArguments(arguments);
        m_bus.send(signal);
    }

    QDBusConnection m_bus;
    uint m_nextId = 100;
};
