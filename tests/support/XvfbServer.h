#pragma once

#include <QByteArray>
#include <QProcess>
#include <QStandardPaths>
#include <QString>

// A private X server for tests that need real X11. It picks a free display
// number itself (-displayfd), so tests can run side by side. start() sets
// DISPLAY for this process and the programs it starts; it must run before
// the QApplication is created.
class XvfbServer
{
public:
    ~XvfbServer()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.terminate();
            if (!m_process.waitForFinished(3000))
                m_process.kill();
            m_process.waitForFinished(3000);
        }
    }

    // False (with why()) when Xvfb is not installed or did not come up.
    bool start(const QString &screen = QStringLiteral("1024x768x24"))
    {
        if (QStandardPaths::findExecutable(QStringLiteral("Xvfb")).isEmpty()) {
            m_why = QStringLiteral("Xvfb is not installed");
            return false;
        }
        // The display number arrives on standard output, which is fd 1.
        m_process.start(QStringLiteral("Xvfb"), {QStringLiteral("-displayfd"), QStringLiteral("1"),
                                                 QStringLiteral("-screen"), QStringLiteral("0"), screen,
                                                 QStringLiteral("-nolisten"), QStringLiteral("tcp")});
        QByteArray number;
        while (!number.contains('\n') && m_process.waitForReadyRead(10000))
            number += m_process.readAllStandardOutput();
        if (!number.contains('\n')) {
            m_why = QStringLiteral("Xvfb did not start: ") + QString::fromLocal8Bit(m_process.readAllStandardError());
            return false;
        }
        m_display = ":" + number.trimmed();
        qputenv("DISPLAY", m_display);
        return true;
    }

    QByteArray display() const { return m_display; }
    QString why() const { return m_why; }

private:
    QProcess m_process;
    QByteArray m_display;
    QString m_why;
};
