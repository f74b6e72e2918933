// The real program on a virtual display with a real tray host (trayer):
// a hidden start stays hidden while the tray is there, and the window comes
// out once the tray host has gone, so the program is never out of reach.

#include "support/VirtualDisplay.h"

#include <QDeadlineTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

class TestTrayHost : public QObject
{
    Q_OBJECT

    QByteArray m_output;

    bool waitFor(QProcess &process, const QByteArray &text, int ms)
    {
        QDeadlineTimer deadline(ms);
        while (!m_output.contains(text) && !deadline.hasExpired()) {
            process.waitForReadyRead(100);
            m_output += process.readAll();
        }
        return m_output.contains(text);
    }

    static bool windowVisible(const VirtualDisplay &display)
    {
        return display.run(u"xdotool"_s, {u"search"_s, u"--onlyvisible"_s, u"--name"_s, u"^Nudgewick [0-9]"_s}) == 0;
    }

private slots:
    void hiddenWhileTheTrayIsThere()
    {
        VirtualDisplay display;
        if (!display.start())
            QSKIP(qPrintable(display.error()));
        for (const QString &tool : {u"xdotool"_s, u"trayer"_s})
            if (QStandardPaths::findExecutable(tool).isEmpty())
                QSKIP(qPrintable(tool + u" is not installed"_s));

        QProcess trayer;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(u"DISPLAY"_s, display.display());
        trayer.setProcessEnvironment(env);
        trayer.start(u"trayer"_s, {u"--edge"_s, u"bottom"_s, u"--align"_s, u"right"_s});
        QVERIFY(trayer.waitForStarted());
        QCOMPARE(display.run(u"xdotool"_s, {u"search"_s, u"--sync"_s, u"--class"_s, u"trayer"_s}), 0);

        QTemporaryDir dir;
        env.insert(u"NUDGEWICK_DIR"_s, dir.filePath(u"data"_s));
        env.insert(u"XDG_RUNTIME_DIR"_s, dir.path());
        env.insert(u"XDG_CONFIG_HOME"_s, dir.filePath(u"config"_s));
        env.insert(u"QT_QPA_PLATFORM"_s, u"xcb"_s);
        env.insert(u"QT_LOGGING_RULES"_s, u"nudgewick.app.info=true"_s);
        QProcess program;
        program.setProcessEnvironment(env);
        program.setProcessChannelMode(QProcess::MergedChannels);
        program.start(QStringLiteral(NW_EXECUTABLE), {u"Startup"_s});
        QVERIFY2(waitFor(program, "window hidden", 20000), m_output.constData());

        // Past the time a hidden start waits for a tray, it is still hidden.
        QVERIFY(!waitFor(program, "no notification area", 7000));
        QVERIFY(!windowVisible(display));

        trayer.terminate();
        QVERIFY(trayer.waitForFinished());
        QVERIFY2(waitFor(program, "no notification area", 12000), m_output.constData());
        QTRY_VERIFY_WITH_TIMEOUT(windowVisible(display), 5000);

        program.terminate();
        QVERIFY(program.waitForFinished());
    }
};

QTEST_GUILESS_MAIN(TestTrayHost)
#include "tst_TrayHost.moc"
