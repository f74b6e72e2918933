// The real program as two processes: one copy per user, the second one
// brings the first forward; a killed copy leaves no lock behind; the
// information options need no display at all.

#include "support/VirtualDisplay.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {
// One running copy of the program with its collected output.
struct Copy
{
    QProcess process;
    QByteArray output;

    void start(const QProcessEnvironment &env, const QStringList &arguments = {})
    {
        process.setProcessEnvironment(env);
        process.setProcessChannelMode(QProcess::MergedChannels);
        process.start(QStringLiteral(NW_EXECUTABLE), arguments);
    }
    bool waitFor(const QByteArray &text, int ms = 20000)
    {
        QDeadlineTimer deadline(ms);
        while (!output.contains(text) && !deadline.hasExpired()) {
            process.waitForReadyRead(100);
            output += process.readAll();
        }
        return output.contains(text);
    }
    bool waitForEnd(int ms = 20000)
    {
        const bool ended = process.state() == QProcess::NotRunning || process.waitForFinished(ms);
        output += process.readAll();
        return ended;
    }
    ~Copy()
    {
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished();
        }
    }
};
}

class TestSingleInstance : public QObject
{
    Q_OBJECT

    QTemporaryDir m_session; // the user's runtime and configuration folders

    QProcessEnvironment environment(const QString &dataFolder, const QString &platform = u"offscreen"_s) const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(u"NUDGEWICK_DIR"_s, dataFolder);
        env.insert(u"XDG_RUNTIME_DIR"_s, m_session.path());
        env.insert(u"XDG_CONFIG_HOME"_s, m_session.filePath(u"config"_s));
        env.insert(u"QT_QPA_PLATFORM"_s, platform);
        env.insert(u"QT_LOGGING_RULES"_s, u"nudgewick.app.info=true"_s);
        return env;
    }

private slots:
    void informationOptions_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("pattern");
        const QString version = u"^Nudgewick \\d+\\.\\d+\\.\\d+\\.\\d+\\n$"_s;
        const QString refused = u"^nudgewick: unknown option \"%1\"\\nUsage: nudgewick "_s;
        QTest::newRow("version") << QStringList{u"--version"_s} << 0 << version;
        QTest::newRow("help") << QStringList{u"--help"_s} << 0 << u"^Usage: nudgewick .*--version"_s;
        QTest::newRow("misspelt") << QStringList{u"--versoin"_s} << 2 << refused.arg(u"--versoin"_s);
        QTest::newRow("short unknown") << QStringList{u"-v"_s} << 2 << refused.arg(u"-v"_s);
        QTest::newRow("after a word") << QStringList{u"Startup"_s, u"--hidden"_s} << 2 << refused.arg(u"--hidden"_s);
        // Qt's options, with their values, are not refused.
        QTest::newRow("with Qt's options")
            << QStringList{u"-style"_s, u"-weird"_s, u"--reverse"_s, u"-platform=xcb"_s, u"--version"_s} << 0 << version;
    }
    // Printed without starting: no display is needed and no file is made.
    void informationOptions()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QFETCH(QString, pattern);
        QTemporaryDir dir;
        const QString data = dir.filePath(u"data"_s);
        QProcessEnvironment env = environment(data, u"xcb"_s);
        env.remove(u"DISPLAY"_s);
        Copy copy;
        copy.start(env, arguments);
        QVERIFY(copy.waitForEnd());
        QCOMPARE(copy.process.exitCode(), exitCode);
        const QRegularExpression expected(pattern, QRegularExpression::DotMatchesEverythingOption);
        QVERIFY2(expected.match(QString::fromUtf8(copy.output)).hasMatch(), copy.output.constData());
        QVERIFY(!QFileInfo::exists(data));
    }

    // The lock of a copy killed outright does not keep the next one out.
    void killedCopyLeavesNoLock()
    {
        QTemporaryDir data;
        Copy first;
        first.start(environment(data.path()));
        QVERIFY2(first.waitFor("started"), first.output.constData());
        first.process.kill(); // SIGKILL: nothing is cleaned up
        QVERIFY(first.waitForEnd());
        QVERIFY(!QDir(m_session.path()).entryList({u"*.lock"_s}).isEmpty());

        Copy next;
        next.start(environment(data.path()));
        QVERIFY2(next.waitFor("started"), next.output.constData());
    }

    // A second copy says so, brings the first forward and ends without
    // making or writing any file of its own; so too when the first took the
    // place of a copy killed outright, whose socket it replaced.
    void secondCopyRaisesTheFirst_data()
    {
        QTest::addColumn<bool>("afterKilledCopy");
        QTest::newRow("first copy") << false;
        QTest::newRow("after a killed copy") << true;
    }
    void secondCopyRaisesTheFirst()
    {
        QFETCH(bool, afterKilledCopy);
        VirtualDisplay display;
        if (!display.start())
            QSKIP(qPrintable(display.error()));
        if (QStandardPaths::findExecutable(u"xdotool"_s).isEmpty())
            QSKIP("xdotool is not installed");

        QTemporaryDir dir;
        const QString firstData = dir.filePath(u"first"_s);
        const QString secondData = dir.filePath(u"second"_s);
        QProcessEnvironment env = environment(firstData, u"xcb"_s);
        env.insert(u"DISPLAY"_s, display.display());
        if (afterKilledCopy) {
            Copy killed;
            killed.start(env);
            QVERIFY2(killed.waitFor("window shown"), killed.output.constData());
            killed.process.kill(); // SIGKILL: its socket stays behind
            QVERIFY(killed.waitForEnd());
        }
        Copy first;
        first.start(env);
        QVERIFY2(first.waitFor("window shown"), first.output.constData());

        env.insert(u"NUDGEWICK_DIR"_s, secondData);
        Copy second;
        second.start(env, {u"Startup"_s});
        QVERIFY2(second.waitFor("another copy is running"), second.output.constData());
        // The message box, titled with the program's name, is answered.
        QByteArray found;
        QCOMPARE(display.run(u"xdotool"_s, {u"search"_s, u"--sync"_s, u"--onlyvisible"_s, u"--name"_s,
                                            u"^Nudgewick$"_s},
                             &found),
                 0);
        QCOMPARE(display.run(u"xdotool"_s, {u"key"_s, u"Return"_s}), 0);
        QVERIFY2(second.waitForEnd(), second.output.constData());
        QCOMPARE(second.process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(second.process.exitCode(), 0);
        QVERIFY2(first.waitFor("window raised"), first.output.constData());

        QVERIFY(!QFileInfo::exists(secondData));
    }
};

QTEST_GUILESS_MAIN(TestSingleInstance)
#include "tst_SingleInstance.moc"
