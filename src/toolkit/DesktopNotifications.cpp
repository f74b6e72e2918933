#include "toolkit/DesktopNotifications.h"

#include "core/Logging.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>

using namespace Qt::StringLiterals;

namespace {

const QString Service = u"org.freedesktop.Notifications"_s;
const QString Path = u"/org/freedesktop/Notifications"_s;
const QString Interface = u"org.freedesktop.Notifications"_s;

// The picture of a notification as the service takes it in its
// "image-data" hint: raw RGBA rows.
struct ImageData
{
    QImage image;
};

QDBusArgument &operator<<(QDBusArgument &argument, const ImageData &data)
{
    const QImage image = data.image.convertToFormat(QImage::Format_RGBA8888);
    argument.beginStructure();
    argument << image.width() << image.height() << int(image.bytesPerLine()) << true << 8 << 4
             << QByteArray(reinterpret_cast<const char *>(image.constBits()), image.sizeInBytes());
    argument.endStructure();
    return argument;
}

// Only sent, never received; the type system wants both ways.
const QDBusArgument &operator>>(const QDBusArgument &argument, ImageData &)
{
    return argument;
}

// Markup servers read "<", ">" and "&" as markup; a task text is shown as typed.
QString escapedMarkup(const QString &text)
{
    QString escaped = text;
    escaped.replace(u'&', u"&amp;"_s).replace(u'<', u"&lt;"_s).replace(u'>', u"&gt;"_s);
    return escaped;
}

} // namespace

Q_DECLARE_METATYPE(ImageData)

DBusDesktopNotifications::DBusDesktopNotifications(QObject *parent)
    : DBusDesktopNotifications(QDBusConnection::sessionBus(), parent)
{
}

DBusDesktopNotifications::DBusDesktopNotifications(const QDBusConnection &bus, QObject *parent)
    : DesktopNotifications(parent), m_bus(bus)
{
    qDBusRegisterMetaType<ImageData>();
    if (!m_bus.isConnected()) {
        qCDebug(lcPopup) << "no session bus:" << m_bus.lastError().message();
        return;
    }
    // Signals are taken only from the current owner of the service's name.
    m_bus.connect(Service, Path, Interface, u"ActionInvoked"_s, this, SLOT(onActionInvoked(uint,QString)));
    m_bus.connect(Service, Path, Interface, u"NotificationClosed"_s, this, SLOT(onNotificationClosed(uint,uint)));
    m_watcher = new QDBusServiceWatcher(Service, m_bus, QDBusServiceWatcher::WatchForOwnerChange, this);
    connect(m_watcher, &QDBusServiceWatcher::serviceOwnerChanged, this,
            [this](const QString &, const QString &oldOwner, const QString &newOwner) {
                qCDebug(lcPopup) << "notification service owner" << oldOwner << "->" << newOwner;
                emit serviceReset();
                refresh();
            });
    refresh();
}

DBusDesktopNotifications::~DBusDesktopNotifications() = default;

void DBusDesktopNotifications::setStatus(Status status)
{
    if (status == m_status)
        return;
    m_status = status;
    emit statusChanged(status);
}

void DBusDesktopNotifications::refresh()
{
    if (!m_bus.isConnected()) {
        setStatus(Status::Absent);
        return;
    }
    // Only the latest question's answer counts.
    delete m_capabilitiesCall;
    const QDBusMessage call = QDBusMessage::createMethodCall(Service, Path, Interface, u"GetCapabilities"_s);
    m_capabilitiesCall = new QDBusPendingCallWatcher(m_bus.asyncCall(call, m_callTimeout), this);
    connect(m_capabilitiesCall, &QDBusPendingCallWatcher::finished, this,
            &DBusDesktopNotifications::capabilitiesAnswered);
    setStatus(Status::Querying);
}

void DBusDesktopNotifications::capabilitiesAnswered(QDBusPendingCallWatcher *watcher)
{
    m_capabilitiesCall = nullptr;
    watcher->deleteLater();
    const QDBusPendingReply<QStringList> reply = *watcher;
    if (reply.isError()) {
        qCDebug(lcPopup) << "no notification service:" << reply.error().message();
        setStatus(Status::Absent);
        return;
    }
    const QStringList capabilities = reply.value();
    qCDebug(lcPopup) << "notification service offers" << capabilities;
    m_bodyMarkup = capabilities.contains(u"body-markup"_s);
    setStatus(capabilities.contains(u"actions"_s) ? Status::Ready : Status::NoActions);
}

quint64 DBusDesktopNotifications::notify(const Notification &notification)
{
    const quint64 request = ++m_lastRequest;
    QStringList actions;
    for (const auto &[key, text] : notification.actions)
        actions << key << text;
    QVariantMap hints;
    hints.insert(u"desktop-entry"_s, u"nudgewick"_s);
    // The program plays its own alarm sound.
    hints.insert(u"suppress-sound"_s, true);
    if (!notification.icon.isNull())
        hints.insert(u"image-data"_s, QVariant::fromValue(ImageData{notification.icon}));

    QDBusMessage call = QDBusMessage::createMethodCall(Service, Path, Interface, u"Notify"_s);
    call << notification.appName << quint32(0) << QString() << notification.summary
         << (m_bodyMarkup ? escapedMarkup(notification.body) : notification.body) << actions << hints
         << qint32(notification.timeoutMs);
    auto *watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call, m_callTimeout), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, request](QDBusPendingCallWatcher *w) { notifyAnswered(request, w); });
    return request;
}

void DBusDesktopNotifications::notifyAnswered(quint64 request, QDBusPendingCallWatcher *watcher)
{
    watcher->deleteLater();
    const QDBusPendingReply<quint32> reply = *watcher;
    if (reply.isError() || reply.value() == 0) {
        // A service that fails a notification is not used again until it
        // is replaced, so the next prompts go where they are sure to show.
        qCWarning(lcPopup) << "notification refused:" << reply.error().message();
        setStatus(Status::Absent);
        emit notified(request, 0);
        return;
    }
    emit notified(request, reply.value());
}

void DBusDesktopNotifications::close(quint32 id)
{
    if (!m_bus.isConnected())
        return;
    QDBusMessage call = QDBusMessage::createMethodCall(Service, Path, Interface, u"CloseNotification"_s);
    call << id;
    // Nobody waits for the answer; a notification already gone is no error.
    m_bus.send(call);
}

void DBusDesktopNotifications::onActionInvoked(uint id, const QString &action)
{
    emit actionInvoked(id, action);
}

void DBusDesktopNotifications::onNotificationClosed(uint id, uint reason)
{
    emit notificationClosed(id, reason);
}
