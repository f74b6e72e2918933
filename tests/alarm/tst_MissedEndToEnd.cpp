// The real program on its own X server with its wall clock moved forward by
// libfaketime while it runs, as after a suspend: the tasks that came due in
// the gap are listed in one "While you were away" window, not popped up.

#include "support/VirtualDisplay.h"

#include "core/DateTime.h"
#include "store/Connection.h"
#include "store/Query.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>
#include <QSaveFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

using namespace Qt::StringLiterals;

namespace {

const QString FakeTimeLibrary = u"/usr/lib/x86_64-linux-gnu/faketime/libfaketime.so.1"_s;

QString run(const QString &program, const QStringList &arguments, const QProcessEnvironment &env)
{
    QProcess process;
    process.setProcessEnvironment(env);
    process.start(program, arguments);
    process.waitForFinished(10000);
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}

// The clock offset the program sees, replaced in one piece.
bool setOffset(const QString &file, const QByteArray &offset)
{
    QSaveFile out(file);
    return out.open(QIODevice::WriteOnly) && out.write(offset + '\n') > 0 && out.commit();
}

} // namespace

class TestMissedEndToEnd : public QObject
{
    Q_OBJECT

    VirtualDisplay m_xvfb; // a display of the test's own
    QProcess m_program;
    QProcessEnvironment m_env;

private slots:
    void initTestCase()
    {
        for (const char *tool : {"Xvfb", "xdotool"})
            if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty())
                QSKIP(qPrintable(u"%1 is not installed"_s.arg(QString::fromLatin1(tool))));
        if (!QFile::exists(FakeTimeLibrary))
            QSKIP("libfaketime (package faketime) is not installed");

        QVERIFY2(m_xvfb.start(), qPrintable(m_xvfb.error()));
        m_xvfb.makeDefault();
        m_env = QProcessEnvironment::systemEnvironment();
    }

    // After each case, so a case that failed halfway leaves no program
    // running into the next.
    void cleanup()
    {
        if (m_program.state() != QProcess::NotRunning) {
            m_program.terminate();
            if (!m_program.waitForFinished(10000))
                m_program.kill();
            m_program.waitForFinished(3000);
        }
    }

    void clockMovedForwardListsTheMissedTasks()
    {
        QTemporaryDir dir;
        // Three tasks come due within the two hours the clock will skip, one after.
        const QDateTime now = QDateTime::currentDateTime();
        {
            Connection connection;
            connection.setDatabaseFile(dir.filePath(u"Nudgewick.mdb"_s));
            connection.open();
            Query insert(connection);
            insert.setSql({u"insert into Tasks (Task, Category, Occurrence, ValidHours, ValidDays, DueDateTime,"
                           " AlarmDateTime, Completed, SnoozeTime, AutoSnooze)"_s,
                           u"values (:Task, 'Home', 'Scheduled', '00-23', '_______', :At, :At, False, 10, False)"_s});
            const QList<std::pair<QString, int>> tasks{
                {u"Water the plants"_s, 60}, {u"Call the dentist"_s, 65}, {u"Pay the rent"_s, 70}, {u"Later"_s, 240}};
            for (const auto &[task, minutes] : tasks) {
                insert.setParam(u"Task"_s, task);
                insert.setParam(u"At"_s, DateTime::fromQDateTime(now.addSecs(minutes * 60)));
                insert.execSql();
            }
        }
        QFile ini(dir.filePath(u"Nudgewick.ini"_s));
        QVERIFY(ini.open(QIODevice::WriteOnly));
        ini.write("[Notify]\nDigest Threshold=2\n");
        ini.close();
        const QString offsetFile = dir.filePath(u"faketime"_s);
        QVERIFY(setOffset(offsetFile, "+0"));

        QProcessEnvironment env = m_env;
        env.insert(u"NUDGEWICK_DIR"_s, dir.path());
        env.insert(u"QT_QPA_PLATFORM"_s, u"xcb"_s);
        env.insert(u"LD_PRELOAD"_s, FakeTimeLibrary);
        env.insert(u"FAKETIME_TIMESTAMP_FILE"_s, offsetFile);
        env.insert(u"FAKETIME_NO_CACHE"_s, u"1"_s);
        env.insert(u"FAKETIME_DONT_FAKE_MONOTONIC"_s, u"1"_s);
        env.insert(u"ASAN_OPTIONS"_s, u"detect_leaks=0:verify_asan_link_order=0"_s);
        m_program.setProcessEnvironment(env);
        m_program.setProcessChannelMode(QProcess::ForwardedChannels);
        m_program.start(QStringLiteral(NW_EXECUTABLE), {u"Startup"_s});
        QVERIFY(m_program.waitForStarted());

        // Running, with nothing due: no list, no notification.
        auto find = [&](const QString &title) {
            return run(u"xdotool"_s, {u"search"_s, u"--name"_s, title}, m_env);
        };
        const QString digestTitle = u"^While you were away$"_s;
        const QString notificationTitle = u"^Nudgewick \\["_s;
        QThread::msleep(2000);
        QVERIFY(m_program.state() == QProcess::Running);
        QVERIFY(find(digestTitle).isEmpty());

        // Two hours pass in a moment; the program notices within a quarter minute.
        QVERIFY(setOffset(offsetFile, "+7200"));
        QString digest;
        QDeadlineTimer noticed(40000);
        while (digest.isEmpty() && !noticed.hasExpired() && m_program.state() == QProcess::Running) {
            QThread::msleep(250);
            digest = find(digestTitle);
        }
        QVERIFY2(!digest.isEmpty(), "no \"While you were away\" window");
        QThread::msleep(1500);
        QVERIFY2(find(notificationTitle).isEmpty(), "the missed tasks popped up one by one as well");

        m_program.terminate();
        QVERIFY(m_program.waitForFinished(20000));
        QCOMPARE(m_program.exitCode(), 0);
    }
};

QTEST_GUILESS_MAIN(TestMissedEndToEnd)
#include "tst_MissedEndToEnd.moc"
