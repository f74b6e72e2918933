// The real program on its own X server with its clock set by libfaketime:
// a task that is due pops up, a right click on its notification snoozes it,
// and the database holds the new alarm time; alarms between two quarter
// minutes pop up at their own time.

#include "support/VirtualDisplay.h"

#include "core/DateTime.h"
#include "store/Connection.h"
#include "store/Query.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

using namespace Qt::StringLiterals;

namespace {

const QString FakeTimeLibrary = u"/usr/lib/x86_64-linux-gnu/faketime/libfaketime.so.1"_s;

// Runs a program to its end and returns its standard output, trimmed.
QString run(const QString &program, const QStringList &arguments, const QProcessEnvironment &env)
{
    QProcess process;
    process.setProcessEnvironment(env);
    process.start(program, arguments);
    process.waitForFinished(10000);
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}

DateTime at(int hour, int minute, int second = 0, int ms = 0)
{
    return DateTime::fromDateAndTime(QDate(2026, 12, 10), QTime(hour, minute, second, ms));
}

} // namespace

class TestAlarmEndToEnd : public QObject
{
    Q_OBJECT

    VirtualDisplay m_xvfb; // a display of the test's own
    QProcess m_program;
    QTemporaryDir m_session; // the program's own runtime and config folders
    QProcessEnvironment m_env;

private slots:
    void initTestCase()
    {
        for (const char *tool : {"Xvfb", "xdotool"})
            if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty())
                QSKIP(qPrintable(u"%1 is not installed"_s.arg(QString::fromLatin1(tool))));
        if (!QFile::exists(FakeTimeLibrary))
            QSKIP("libfaketime (package faketime) is not installed");

        // The server picks a free display and writes its number to stdout.
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

    // A database with one task due at the alarm time (by default 08:00)
    // that snoozes for 10 minutes.
    static qint64 writeDueTask(const QString &database, DateTime alarm = at(8, 0))
    {
        qint64 id = 0;
        {
            Connection connection;
            connection.setDatabaseFile(database);
            connection.open();
            Query insert(connection);
            insert.setSql({u"insert into Tasks (Task, Category, Occurrence, ValidHours, ValidDays, DueDateTime,"
                           " AlarmDateTime, Completed, SnoozeTime, AutoSnooze)"_s,
                           u"values ('Call the dentist', 'Health', 'Scheduled', '00-23', '_______', :At, :At,"
                           " False, 10, False)"_s});
            insert.setParam(u"At"_s, alarm);
            insert.execSql();
            Query last(connection);
            last.setSql({u"select max(ID) as ID from Tasks"_s});
            last.open();
            id = last.fieldByName(u"ID"_s).asInteger();
        }
        return id;
    }

    // The program's environment on the data folder, in the session folder,
    // with the clock faketime is given (by default 09:00 at its start).
    QProcessEnvironment programEnvironment(const QString &folder, const QString &session,
                                           const QString &fakeTime = u"@2026-12-10 09:00:00"_s) const
    {
        QProcessEnvironment env = m_env;
        env.insert(u"NUDGEWICK_DIR"_s, folder);
        // Its own session: another copy running for this user elsewhere
        // would otherwise make this one end at once.
        env.insert(u"XDG_RUNTIME_DIR"_s, session);
        env.insert(u"XDG_CONFIG_HOME"_s, session + u"/config"_s);
        env.insert(u"QT_QPA_PLATFORM"_s, u"xcb"_s);
        env.insert(u"LD_PRELOAD"_s, FakeTimeLibrary);
        env.insert(u"FAKETIME"_s, fakeTime);
        env.insert(u"FAKETIME_DONT_FAKE_MONOTONIC"_s, u"1"_s);
        env.insert(u"FAKETIME_NO_CACHE"_s, u"1"_s);
        // A sanitizer build wants its runtime first; the preloaded clock comes first here.
        env.insert(u"ASAN_OPTIONS"_s, u"detect_leaks=0:verify_asan_link_order=0"_s);
        return env;
    }

    // Starts the program on the folder and returns the notification window once it rests.
    QString startAndFindNotification(const QString &folder)
    {
        m_program.setProcessEnvironment(programEnvironment(folder, m_session.path()));
        m_program.setProcessChannelMode(QProcess::ForwardedChannels);
        m_program.start(QStringLiteral(NW_EXECUTABLE), {u"Startup"_s});
        if (!m_program.waitForStarted())
            return {};

        // The notification, found by its title, slides in and comes to rest.
        QProcessEnvironment xdo = m_env;
        QString window;
        QDeadlineTimer appear(30000);
        while (window.isEmpty() && !appear.hasExpired() && m_program.state() == QProcess::Running) {
            window = run(u"xdotool"_s, {u"search"_s, u"--name"_s, u"^Nudgewick \\[08:00\\]$"_s}, xdo).section(u'\n', 0, 0);
            if (window.isEmpty())
                QThread::msleep(200);
        }
        if (window.isEmpty())
            return {};
        QString geometry, previous;
        QDeadlineTimer rest(10000);
        do {
            previous = geometry;
            QThread::msleep(300);
            geometry = run(u"xdotool"_s, {u"getwindowgeometry"_s, window}, xdo);
        } while ((geometry != previous || !geometry.contains(u"150x150"_s)) && !rest.hasExpired());
        return geometry.contains(u"150x150"_s) ? window : QString();
    }

    void dueTaskPopsUpAndIsSnoozedByAClick()
    {
        QTemporaryDir dir;
        const QString database = dir.filePath(u"Nudgewick.mdb"_s);
        const qint64 id = writeDueTask(database);
        const QString window = startAndFindNotification(dir.path());
        QVERIFY2(!window.isEmpty(), "no notification window came to rest");
        const QProcessEnvironment xdo = m_env;

        // A right click anywhere on it snoozes the task by its 10 minutes.
        run(u"xdotool"_s, {u"mousemove"_s, u"--window"_s, window, u"75"_s, u"75"_s, u"click"_s, u"3"_s}, xdo);
        DateTime alarm;
        QDeadlineTimer snoozed(10000);
        while (!snoozed.hasExpired()) {
            Connection connection;
            connection.setDatabaseFile(database);
            connection.open();
            Query row(connection);
            row.setSql({u"select AlarmDateTime from Tasks where ID = :ID"_s});
            row.setParam(u"ID"_s, id);
            row.open();
            alarm = row.fieldByName(u"AlarmDateTime"_s).asDateTime();
            if (alarm > at(8, 0))
                break;
            QThread::msleep(100);
        }
        QVERIFY2(alarm >= at(9, 10) && alarm < at(9, 11), qPrintable(alarm.toQDateTime().toString()));
        QVERIFY(QFile::exists(dir.filePath(u"Alarm.wav"_s)));

        m_program.terminate();
        QVERIFY(m_program.waitForFinished(20000));
        QCOMPARE(m_program.exitCode(), 0);
    }

    // Alarms that do not fall on a quarter minute (a snooze from a moment
    // with seconds, a task from elsewhere) pop up within a second of their
    // time, not at the next quarter. Each copy of the program has one task
    // and a clock a fixed number of seconds off the real one, so that it
    // reads 09:0<i>:00 when the test starts (each notification has a title
    // of its own); the copies run side by side, and the real moment each
    // notification appears is compared with its alarm moved by that offset.
    void alarmsComeOnTime()
    {
        const QList<DateTime> alarms{at(9, 0, 20, 500), at(9, 1, 27), at(9, 2, 38, 250)};
        QTemporaryDir dirs[3];
        QProcess programs[3];
        qint64 offsetMs[3];
        qint64 shownAtMs[3] = {-1, -1, -1}; // real milliseconds since the epoch
        const qint64 startMs = QDateTime::currentMSecsSinceEpoch();
        for (int i = 0; i < 3; ++i) {
            writeDueTask(dirs[i].filePath(u"Nudgewick.mdb"_s), alarms[i]);
            // A runtime folder others may read is not used, so it is the owner's only.
            QVERIFY(QDir().mkpath(dirs[i].filePath(u"session"_s)));
            QVERIFY(QFile::setPermissions(dirs[i].filePath(u"session"_s),
                                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
            const qint64 startFake = at(9, alarms[i].minute()).toQDateTime().toMSecsSinceEpoch();
            const qint64 offsetS = (startFake - startMs) / 1000;
            offsetMs[i] = offsetS * 1000;
            programs[i].setProcessEnvironment(programEnvironment(
                dirs[i].path(), dirs[i].filePath(u"session"_s),
                (offsetS < 0 ? u"-"_s : u"+"_s) + QString::number(qAbs(offsetS))));
            programs[i].setProcessChannelMode(QProcess::ForwardedChannels);
            programs[i].start(QStringLiteral(NW_EXECUTABLE), {u"Startup"_s});
            QVERIFY(programs[i].waitForStarted());
        }
        QDeadlineTimer deadline(60000);
        int shown = 0;
        while (shown < 3 && !deadline.hasExpired()) {
            for (int i = 0; i < 3; ++i) {
                if (shownAtMs[i] >= 0)
                    continue;
                const QString title = u"^Nudgewick \\[09:0%1\\]$"_s.arg(alarms[i].minute());
                const QString window = run(u"xdotool"_s, {u"search"_s, u"--name"_s, title}, m_env);
                if (!window.isEmpty()) {
                    shownAtMs[i] = QDateTime::currentMSecsSinceEpoch();
                    ++shown;
                }
            }
            QThread::msleep(50);
        }
        for (QProcess &program : programs) {
            program.terminate();
            program.waitForFinished(20000);
        }
        for (int i = 0; i < 3; ++i) {
            QVERIFY2(shownAtMs[i] >= 0, "no notification came");
            const qint64 dueAtMs = alarms[i].toQDateTime().toMSecsSinceEpoch() - offsetMs[i];
            const qint64 lateMs = shownAtMs[i] - dueAtMs;
            qInfo("alarm %d: shown %lld ms after its time", i, lateMs);
            // One second, and a little for finding the window (at the next
            // quarter it would be 3 to 9.5 s).
            QVERIFY2(lateMs >= -200 && lateMs <= 1300, qPrintable(QString::number(lateMs)));
        }
    }

    // One notification left unanswered (the default time-out keeps it until
    // it is clicked) holds back no later alarm: a second task due a minute
    // after the first pops up beside it within a second of its time, and
    // neither comes twice.
    void openNotificationDoesNotHoldBackTheNext()
    {
        QTemporaryDir dir;
        const QString database = dir.filePath(u"Nudgewick.mdb"_s);
        writeDueTask(database, at(9, 0));
        writeDueTask(database, at(9, 1));
        QVERIFY(QDir().mkpath(dir.filePath(u"session"_s)));
        QVERIFY(QFile::setPermissions(dir.filePath(u"session"_s),
                                      QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        // The program's clock runs a whole number of seconds off the real
        // one and reads 09:00:45 now, so the second alarm comes 15 seconds
        // into its run; the real moment it is due is known to the millisecond.
        const qint64 startMs = QDateTime::currentMSecsSinceEpoch();
        const qint64 offsetMs = (at(9, 0, 45).toQDateTime().toMSecsSinceEpoch() - startMs) / 1000 * 1000;
        const qint64 secondDueMs = at(9, 1).toQDateTime().toMSecsSinceEpoch() - offsetMs;
        m_program.setProcessEnvironment(programEnvironment(
            dir.path(), dir.filePath(u"session"_s),
            (offsetMs < 0 ? u"-"_s : u"+"_s) + QString::number(qAbs(offsetMs) / 1000)));
        m_program.setProcessChannelMode(QProcess::ForwardedChannels);
        m_program.start(QStringLiteral(NW_EXECUTABLE), {u"Startup"_s});
        QVERIFY(m_program.waitForStarted());

        const auto windows = [this](const QString &title) {
            const QString found = run(u"xdotool"_s, {u"search"_s, u"--name"_s, title}, m_env);
            return found.isEmpty() ? QStringList() : found.split(u'\n');
        };
        const QString first = u"^Nudgewick \\[09:00\\]$"_s;
        const QString second = u"^Nudgewick \\[09:01\\]$"_s;
        QDeadlineTimer appear(30000);
        while (windows(first).isEmpty() && !appear.hasExpired() && m_program.state() == QProcess::Running)
            QThread::msleep(100);
        QCOMPARE(windows(first).size(), 1);
        QVERIFY(windows(second).isEmpty());

        qint64 secondAtMs = -1;
        QDeadlineTimer later(30000);
        while (!later.hasExpired() && m_program.state() == QProcess::Running) {
            if (!windows(second).isEmpty()) {
                secondAtMs = QDateTime::currentMSecsSinceEpoch();
                break;
            }
            QThread::msleep(50);
        }
        QVERIFY2(secondAtMs >= 0, "the second notification did not come while the first was open");
        const qint64 lateMs = secondAtMs - secondDueMs;
        qInfo("second notification shown %lld ms after its time", lateMs);
        // One second, and a little for finding the window.
        QVERIFY2(lateMs >= -200 && lateMs <= 1300, qPrintable(QString::number(lateMs)));

        // A quarter minute later both are there, each once.
        QThread::msleep(16000);
        QCOMPARE(windows(first).size(), 1);
        QCOMPARE(windows(second).size(), 1);

        m_program.terminate();
        QVERIFY(m_program.waitForFinished(20000));
        QCOMPARE(m_program.exitCode(), 0);
    }

    // The end of the session while the snooze confirmation of a clicked
    // notification is open still ends the program.
    void terminationWithTheConfirmationOpen()
    {
        QTemporaryDir dir;
        writeDueTask(dir.filePath(u"Nudgewick.mdb"_s));
        QFile ini(dir.filePath(u"Nudgewick.ini"_s));
        QVERIFY(ini.open(QIODevice::WriteOnly));
        ini.write("[Settings]\nSnooze Confirm=1\n");
        ini.close();
        const QString window = startAndFindNotification(dir.path());
        QVERIFY2(!window.isEmpty(), "no notification window came to rest");

        run(u"xdotool"_s, {u"mousemove"_s, u"--window"_s, window, u"75"_s, u"75"_s, u"click"_s, u"3"_s}, m_env);
        QString dialog;
        QDeadlineTimer asked(10000);
        while (dialog.isEmpty() && !asked.hasExpired()) {
            QThread::msleep(200);
            dialog = run(u"xdotool"_s, {u"search"_s, u"--name"_s, u"^Confirm Snooze\\?$"_s}, m_env);
        }
        QVERIFY2(!dialog.isEmpty(), "the snooze confirmation did not open");

        m_program.terminate();
        QVERIFY(m_program.waitForFinished(20000));
        QCOMPARE(m_program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(m_program.exitCode(), 0);
    }
};

QTEST_GUILESS_MAIN(TestAlarmEndToEnd)
#include "tst_AlarmEndToEnd.moc"
