#pragma once

#include <QDeadlineTimer>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <QString>

// An X server of the test's own (Xvfb), on a display number the server
// chooses itself, so tests running in parallel never share one.
//
// The server runs with -noreset: by default an X server resets whenever its
// last client leaves, and a program connecting during that reset is turned
// away. Tests that poll with short-lived xdotool clients while the program
// under test starts would otherwise fail now and then.
class VirtualDisplay
{
public:
    VirtualDisplay() = default;
    VirtualDisplay(const VirtualDisplay &) = delete;
    VirtualDisplay &operator=(const VirtualDisplay &) = delete;
    ~VirtualDisplay()
    {
        if (m_server.state() == QProcess::NotRunning)
            return;
        m_server.terminate();
        if (!m_server.waitForFinished(5000)) {
            m_server.kill();
            m_server.waitForFinished(3000);
        }
    }

    // False (with the reason in error()) when no server could be started.
    bool start(const QString &screen = QStringLiteral("1024x768x24"))
    {
        const QString xvfb = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
        if (xvfb.isEmpty()) {
            m_error = QStringLiteral("Xvfb is not installed");
            return false;
        }
        // -displayfd 1: the server writes the display number it took to stdout.
        m_server.start(xvfb, {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
                              QStringLiteral("0"), screen, QStringLiteral("-nolisten"), QStringLiteral("tcp"),
                              QStringLiteral("-noreset")});
        QByteArray output;
        QDeadlineTimer deadline(10000);
        while (!output.contains('\n') && !deadline.hasExpired() && m_server.state() != QProcess::NotRunning) {
            m_server.waitForReadyRead(100);
            output += m_server.readAllStandardOutput();
        }
        if (!output.contains('\n')) {
            m_error = QStringLiteral("Xvfb did not start: ") + QString::fromLocal8Bit(m_server.readAllStandardError());
            return false;
        }
        m_display = u':' + QString::fromLatin1(output.trimmed());
        return true;
    }

    // Makes this display the one of this process and of the programs it
    // starts; call it before the QApplication is made.
    void makeDefault() const { qputenv("DISPLAY", m_display.toLatin1()); }

    QString display() const { return m_display; }
    QString error() const { return m_error; }

    // Runs a helper program (xdotool, trayer...) on this display.
    int run(const QString &program, const QStringList &arguments, QByteArray *output = nullptr) const
    {
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DISPLAY"), m_display);
        process.setProcessEnvironment(env);
        process.start(program, arguments);
        if (!process.waitForFinished(10000))
            return -1;
        if (output)
            *output = process.readAllStandardOutput();
        return process.exitCode();
    }

private:
    QProcess m_server;
    QString m_display;
    QString m_error;
};
