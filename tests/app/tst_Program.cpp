// Runs the real program as a separate process.

#include <QDeadlineTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

class TestProgram : public QObject
{
    Q_OBJECT

    QByteArray m_output;
    QTemporaryDir m_session; // the runtime and configuration folders of this test's programs

    // Waits until the program's output holds the text.
    bool waitFor(QProcess &process, const QByteArray &text)
    {
        QDeadlineTimer deadline(20000);
        while (!m_output.contains(text) && !deadline.hasExpired()) {
            process.waitForReadyRead(100);
            m_output += process.readAll();
        }
        return m_output.contains(text);
    }

    // Starts the program on its own data folder and waits until it is up.
    void start(QProcess &process, const QString &folder, const QStringList &arguments)
    {
        m_output.clear();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(u"NUDGEWICK_DIR"_s, folder);
        env.insert(u"XDG_RUNTIME_DIR"_s, m_session.path());
        env.insert(u"XDG_CONFIG_HOME"_s, m_session.filePath(u"config"_s));
        env.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
        env.insert(u"QT_LOGGING_RULES"_s, u"nudgewick.app.info=true"_s);
        process.setProcessEnvironment(env);
        process.setProcessChannelMode(QProcess::MergedChannels);
        process.start(QStringLiteral(NW_EXECUTABLE), arguments);
        QVERIFY(process.waitForStarted());
        QVERIFY2(waitFor(process, "started"), m_output.constData());
    }

private slots:
    void withoutADisplayItSaysSo()
    {
        QTemporaryDir dir;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const QString &name : {u"DISPLAY"_s, u"WAYLAND_DISPLAY"_s, u"QT_QPA_PLATFORM"_s})
            env.remove(name);
        env.insert(u"NUDGEWICK_DIR"_s, dir.path());
        QProcess process;
        process.setProcessEnvironment(env);
        process.setProcessChannelMode(QProcess::MergedChannels);
        process.start(QStringLiteral(NW_EXECUTABLE), {});
        QVERIFY(process.waitForFinished(20000));
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(process.exitCode(), 1);
        QCOMPARE(process.readAll(),
                 QByteArray("Nudgewick needs a graphical session: no display is set (DISPLAY or WAYLAND_DISPLAY).\n"));
    }

    void terminationSavesAndExitsCleanly_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QByteArray>("state");
        QTest::newRow("shown") << QStringList() << QByteArray("window shown");
        QTest::newRow("started from autostart") << QStringList{u"Startup"_s} << QByteArray("window hidden");
        // Arguments Qt takes for itself still count.
        QTest::newRow("-reverse") << QStringList{u"-reverse"_s} << QByteArray("window hidden");
        QTest::newRow("-style fusion") << QStringList{u"-style"_s, u"fusion"_s} << QByteArray("window hidden");
    }
    void terminationSavesAndExitsCleanly()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QByteArray, state);
        QTemporaryDir dir;
        QProcess process;
        start(process, dir.path(), arguments);
        QVERIFY2(waitFor(process, state), m_output.constData());

        process.terminate(); // SIGTERM
        QVERIFY(process.waitForFinished(20000));
        const QByteArray output = m_output + process.readAll();
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(process.exitCode(), 0);
        QVERIFY2(output.contains("shut down"), output.constData());
        QVERIFY(QFile::exists(dir.filePath(u"Nudgewick.mdb"_s)));
        QVERIFY(QFile::exists(dir.filePath(u"Nudgewick.ini"_s))); // the settings were saved
    }
};

QTEST_GUILESS_MAIN(TestProgram)
#include "tst_Program.moc"
