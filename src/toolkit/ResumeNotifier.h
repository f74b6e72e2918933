#pragma once

#include <QDBusConnection>
#include <QObject>

// Tells when the machine has woken from suspend or hibernation.
class ResumeNotifier : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

signals:
    void resumed();
};

// The login manager's word on sleep: its PrepareForSleep signal on the
// system bus, true before the machine sleeps and false once it is awake.
// Where there is no system bus or no login manager nothing is ever reported.
class LogindResumeNotifier final : public ResumeNotifier
{
    Q_OBJECT
public:
    explicit LogindResumeNotifier(QObject *parent = nullptr);
    // The same on another bus, for tests with a login manager of their own.
    explicit LogindResumeNotifier(const QDBusConnection &bus, QObject *parent = nullptr);

    // True when the bus took the subscription.
    bool isListening() const { return m_listening; }

private Q_SLOTS:
    void PrepareForSleep(bool start);

private:
    QDBusConnection m_bus;
    bool m_listening = false;
};

// A notifier that the test drives.
class FakeResumeNotifier final : public ResumeNotifier
{
    Q_OBJECT
public:
    using ResumeNotifier::ResumeNotifier;
    void resume() { emit resumed(); }
};
