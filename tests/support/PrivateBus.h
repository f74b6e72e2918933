#pragma once

#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QTemporaryDir>

// A D-Bus message bus of the test's own (dbus-daemon), so tests never reach
// the user's desktop session and run side by side. It starts no services on
// demand: only what a test puts on it answers.
class PrivateBus
{
public:
    PrivateBus() = default;
    PrivateBus(const PrivateBus &) = delete;
    PrivateBus &operator=(const PrivateBus &) = delete;
    ~PrivateBus()
    {
        if (m_daemon.state() != QProcess::NotRunning) {
            m_daemon.terminate();
            if (!m_daemon.waitForFinished(3000))
                m_daemon.kill();
            m_daemon.waitForFinished(3000);
        }
    }

    // False (with the reason in error()) when no bus could be started.
    bool start()
    {
        const QString daemon = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
        if (daemon.isEmpty()) {
            m_error = QStringLiteral("dbus-daemon is not installed");
            return false;
        }
        if (!m_dir.isValid()) {
            m_error = QStringLiteral("no temporary folder for the bus");
            return false;
        }
        const QString config = m_dir.filePath(QStringLiteral("bus.conf"));
        QFile file(config);
        if (!file.open(QIODevice::WriteOnly)) {
            m_error = QStringLiteral("cannot write ") + config;
            return false;
        }
        file.write("<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
                   " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
                   "<busconfig>\n  <type>session</type>\n  <listen>unix:dir=");
        file.write(m_dir.path().toUtf8());
        file.write("</listen>\n  <auth>EXTERNAL</auth>\n  <policy context=\"default\">\n"
                   "    <allow send_destination=\"*\" eavesdrop=\"true\"/>\n    <allow eavesdrop=\"true\"/>\n"
                   "    <allow own=\"*\"/>\n  </policy>\n</busconfig>\n");
        file.close();

        // --print-address without a descriptor writes the address to stdout.
        m_daemon.start(daemon, {QStringLiteral("--config-file=") + config, QStringLiteral("--nofork"),
                                QStringLiteral("--print-address")});
        QByteArray output;
        QDeadlineTimer deadline(10000);
        while (!output.contains('\n') && !deadline.hasExpired() && m_daemon.state() != QProcess::NotRunning) {
            m_daemon.waitForReadyRead(100);
            output += m_daemon.readAllStandardOutput();
        }
        if (!output.contains('\n')) {
            m_error = QStringLiteral("dbus-daemon did not start: ")
                + QString::fromLocal8Bit(m_daemon.readAllStandardError());
            return false;
        }
        m_address = QString::fromUtf8(output.left(output.indexOf('\n')).trimmed());
        return true;
    }

    QString address() const { return m_address; }
    QString error() const { return m_error; }

private:
    QTemporaryDir m_dir;
    QProcess m_daemon;
    QString m_address;
    QString m_error;
};
