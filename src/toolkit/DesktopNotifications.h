#pragma once

#include <QDBusConnection>
#include <QImage>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

#include <utility>

class QDBusPendingCallWatcher;
class QDBusServiceWatcher;

// The desktop's own notification service: notifications with buttons
// (actions) that the desktop shows in its own place and style. Every call
// returns at once; the answers arrive as signals. The service's ids are
// its own and other programs' notifications share them, so a user of this
// class keeps the ids it was given and ignores the rest.
class DesktopNotifications : public QObject
{
    Q_OBJECT
public:
    enum class Status {
        Querying, // asked what the service offers, no answer yet
        Absent,   // no service, or it failed to answer
        NoActions, // a service that cannot show buttons
        Ready,
    };

    struct Notification
    {
        QString appName;
        QString summary;
        QString body; // plain text; escaped here when the service reads markup
        QImage icon;
        // Action keys and their button texts; the key "default" is a click
        // on the notification itself.
        QList<std::pair<QString, QString>> actions;
        // Milliseconds shown; 0: until the user closes it.
        int timeoutMs = 0;
    };

    using QObject::QObject;

    virtual Status status() const = 0;
    // Asks the service again what it offers (after it changed, or to retry).
    virtual void refresh() = 0;
    // Sends one notification. Returns a request number that notified()
    // reports with the service's id.
    virtual quint64 notify(const Notification &notification) = 0;
    // Asks the service to take a notification away.
    virtual void close(quint32 id) = 0;

signals:
    void statusChanged(DesktopNotifications::Status status);
    // The answer to notify(): the service's id, or 0 when the service
    // refused the notification or did not answer in time.
    void notified(quint64 request, quint32 id);
    // A button (or the notification itself, key "default") was clicked.
    void actionInvoked(quint32 id, const QString &action);
    // A notification went away: expired (1), dismissed (2), closed by a
    // close() (3) or otherwise (4).
    void notificationClosed(quint32 id, quint32 reason);
    // The service ended or was replaced: every notification it showed is gone.
    void serviceReset();
};

// The service org.freedesktop.Notifications on a D-Bus connection (the
// session bus by default).
class DBusDesktopNotifications final : public DesktopNotifications
{
    Q_OBJECT
public:
    explicit DBusDesktopNotifications(QObject *parent = nullptr);
    DBusDesktopNotifications(const QDBusConnection &bus, QObject *parent = nullptr);
    ~DBusDesktopNotifications() override;

    Status status() const override { return m_status; }
    void refresh() override;
    quint64 notify(const Notification &notification) override;
    void close(quint32 id) override;

    // How long a call may wait for the service's answer.
    void setCallTimeout(int ms) { m_callTimeout = ms; }

private slots:
    void onActionInvoked(uint id, const QString &action);
    void onNotificationClosed(uint id, uint reason);

private:
    void setStatus(Status status);
    void capabilitiesAnswered(QDBusPendingCallWatcher *watcher);
    void notifyAnswered(quint64 request, QDBusPendingCallWatcher *watcher);

    QDBusConnection m_bus;
    QDBusServiceWatcher *m_watcher = nullptr;
    Status m_status = Status::Absent;
    bool m_bodyMarkup = false; // the service reads markup in the body
    int m_callTimeout = 5000;
    quint64 m_lastRequest = 0;
    QDBusPendingCallWatcher *m_capabilitiesCall = nullptr;
};
