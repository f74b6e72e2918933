#include "toolkit/ResumeNotifier.h"

#include "core/Logging.h"

#include <QDBusError>

using namespace Qt::StringLiterals;

LogindResumeNotifier::LogindResumeNotifier(QObject *parent)
    : LogindResumeNotifier(QDBusConnection::systemBus(), parent)
{
}

LogindResumeNotifier::LogindResumeNotifier(const QDBusConnection &bus, QObject *parent)
    : ResumeNotifier(parent), m_bus(bus)
{
    if (!m_bus.isConnected()) {
        qCDebug(lcAlarm) << "no system bus; resume from suspend is noticed by the clock alone";
        return;
    }
    // The subscription holds whether or not the login manager runs yet.
    m_listening = m_bus.connect(u"org.freedesktop.login1"_s, u"/org/freedesktop/login1"_s,
                                u"org.freedesktop.login1.Manager"_s, u"PrepareForSleep"_s, this,
                                SLOT(PrepareForSleep(bool)));
    if (!m_listening)
        qCDebug(lcAlarm) << "login manager not reachable:" << m_bus.lastError().message();
}

void LogindResumeNotifier::PrepareForSleep(bool start)
{
    qCDebug(lcAlarm) << (start ? "going to sleep" : "woke from sleep");
    if (!start)
        emit resumed();
}
