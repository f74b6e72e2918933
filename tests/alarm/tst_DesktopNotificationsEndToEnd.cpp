// The real program with a real notification daemon (dunst) on its own X
// server and its own session bus: two due tasks become two desktop
// notifications; "Done" picked from the daemon's menu completes one in the
// database, and the other's default action opens it in the task editor.

#include "core/DateTime.h"
#include "store/Connection.h"
#include "store/Query.h"
#include "support/PrivateBus.h"
#include "support/VirtualDisplay.h"

#include <QDateTime>
#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

using namespace Qt::StringLiterals;

namespace {

// Polls until the condition holds or ten seconds have passed.
template <typename Condition>
bool waitUntil(Condition condition, int ms = 10000)
{
    QDeadlineTimer deadline(ms);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        QThread::msleep(100);
    }
    return true;
}

} // namespace

class TestDesktopNotificationsEndToEnd : public QObject
{
    Q_OBJECT

    VirtualDisplay m_display;
    PrivateBus m_bus;
    QTemporaryDir m_dir;
    QProcessEnvironment m_env;
    QProcess m_dunst;
    QProcess m_program;

    QString run(const QString &program, const QStringList &arguments) const
    {
        QProcess process;
        process.setProcessEnvironment(m_env);
        process.start(program, arguments);
        process.waitForFinished(10000);
        return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
    }
    int displayed() const { return run(u"dunstctl"_s, {u"count"_s, u"displayed"_s}).toInt(); }

    static void stop(QProcess &process)
    {
        if (process.state() == QProcess::NotRunning)
            return;
        process.terminate();
        if (!process.waitForFinished(10000))
            process.kill();
        process.waitForFinished(3000);
    }

    qint64 addDueTask(Connection &connection, const QString &task, const QDateTime &alarm)
    {
        Query insert(connection);
        insert.setSql({u"insert into Tasks (Task, Category, Occurrence, ValidHours, ValidDays, DueDateTime,"
                       " AlarmDateTime, Completed, PercentageComplete, SnoozeTime, AutoSnooze)"_s,
                       u"values (:Task, 'Home', 'Scheduled', '00-23', '_______', :At, :At, False, 0, 10, False)"_s});
        insert.setParam(u"Task"_s, task);
        insert.setParam(u"At"_s, DateTime::fromQDateTime(alarm));
        insert.execSql();
        Query last(connection);
        last.setSql({u"select max(ID) as ID from Tasks"_s});
        last.open();
        return last.fieldByName(u"ID"_s).asInteger();
    }

    QVariantMap row(qint64 id) const
    {
        Connection connection;
        connection.setDatabaseFile(m_dir.filePath(u"Nudgewick.mdb"_s));
        connection.open();
        Query q(connection);
        q.setSql({u"select Completed, PercentageComplete, CompletedDate, AlarmDateTime from Tasks where ID = :ID"_s});
        q.setParam(u"ID"_s, id);
        q.open();
        QVariantMap values;
        for (const QString &name : {u"Completed"_s, u"PercentageComplete"_s, u"CompletedDate"_s, u"AlarmDateTime"_s})
            values.insert(name, q.fieldByName(name).value());
        return values;
    }

private slots:
    void initTestCase()
    {
        for (const char *tool : {"dunst", "dunstctl", "dbus-send", "xdotool"})
            if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty())
                QSKIP(qPrintable(u"%1 is not installed"_s.arg(QString::fromLatin1(tool))));
        if (!m_display.start())
            QSKIP(qPrintable(m_display.error()));
        if (!m_bus.start())
            QSKIP(qPrintable(m_bus.error()));
        QVERIFY(m_dir.isValid());
        m_env = QProcessEnvironment::systemEnvironment();
        m_env.insert(u"DISPLAY"_s, m_display.display());
        m_env.insert(u"DBUS_SESSION_BUS_ADDRESS"_s, m_bus.address());
        // The program's single-instance lock lives here, apart from any other copy's.
        m_env.insert(u"XDG_RUNTIME_DIR"_s, m_dir.path());
    }

    void cleanupTestCase()
    {
        stop(m_program);
        stop(m_dunst);
    }

    void doneAndOpenFromTheDaemon()
    {
        // The first task's alarm is an hour ago, the second's two hours ago;
        // the notifications' titles tell them apart by that time.
        const QDateTime now = QDateTime::currentDateTime();
        const QDateTime doneAlarm = now.addSecs(-3600);
        qint64 doneTask = 0, openTask = 0;
        {
            Connection connection;
            connection.setDatabaseFile(m_dir.filePath(u"Nudgewick.mdb"_s));
            connection.open();
            doneTask = addDueTask(connection, u"Water the plants"_s, doneAlarm);
            openTask = addDueTask(connection, u"Call the dentist"_s, now.addSecs(-7200));
        }
        QFile ini(m_dir.filePath(u"Nudgewick.ini"_s));
        QVERIFY(ini.open(QIODevice::WriteOnly));
        ini.write("[Notify]\nDesktopNotifications=1\n");
        ini.close();

        // The daemon's menu is a script that picks the first task's "Done".
        const QString pick = m_dir.filePath(u"pick.sh"_s);
        QFile script(pick);
        QVERIFY(script.open(QIODevice::WriteOnly));
        script.write("#!/bin/sh\ngrep -m1 -F 'Done (Nudgewick [" + doneAlarm.toString(u"HH:mm"_s).toLatin1()
                     + "])'\n");
        script.close();
        script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        const QString config = m_dir.filePath(u"dunstrc"_s);
        QFile dunstrc(config);
        QVERIFY(dunstrc.open(QIODevice::WriteOnly));
        dunstrc.write("[global]\n    dmenu = " + pick.toUtf8() + "\n");
        dunstrc.close();

        m_dunst.setProcessEnvironment(m_env);
        m_dunst.start(u"dunst"_s, {u"-config"_s, config});
        QVERIFY(m_dunst.waitForStarted());
        QVERIFY2(waitUntil([&] { return !run(u"dunstctl"_s, {u"is-paused"_s}).isEmpty(); }), "dunst did not start");

        QProcessEnvironment env = m_env;
        env.insert(u"NUDGEWICK_DIR"_s, m_dir.path());
        env.insert(u"QT_QPA_PLATFORM"_s, u"xcb"_s);
        m_program.setProcessEnvironment(env);
        m_program.setProcessChannelMode(QProcess::ForwardedChannels);
        m_program.start(QStringLiteral(NW_EXECUTABLE), {u"Startup"_s});
        QVERIFY(m_program.waitForStarted());
        QVERIFY2(waitUntil([&] { return displayed() == 2; }, 30000), "the two notifications did not appear");
        // The program's own popup stays away.
        QVERIFY(run(u"xdotool"_s, {u"search"_s, u"--name"_s, u"^Nudgewick \\["_s}).isEmpty());

        // "Done" from the daemon's menu: completed, 100 %, completed now.
        run(u"dunstctl"_s, {u"context"_s});
        QVERIFY2(waitUntil([&] { return row(doneTask).value(u"Completed"_s).toInt() == 1; }),
                 "the task was not completed");
        const QVariantMap done = row(doneTask);
        QCOMPARE(done.value(u"PercentageComplete"_s).toInt(), 100);
        const DateTime completed(done.value(u"CompletedDate"_s).toDouble());
        QVERIFY(completed >= DateTime::fromQDateTime(now.addSecs(-1)));
        QVERIFY(completed <= DateTime::fromQDateTime(QDateTime::currentDateTime().addSecs(1)));
        QVERIFY(waitUntil([&] { return displayed() == 1; }));

        // The default action opens the other task in the editor.
        run(u"dunstctl"_s, {u"action"_s, u"0"_s});
        QVERIFY2(waitUntil([&] {
                     return !run(u"xdotool"_s, {u"search"_s, u"--onlyvisible"_s, u"--name"_s, u"^Nudgewick$"_s})
                                 .isEmpty();
                 }),
                 "the task editor did not open");
        QVERIFY(waitUntil([&] { return displayed() == 0; }));
        const QVariantMap opened = row(openTask);
        QCOMPARE(opened.value(u"Completed"_s).toInt(), 0);
        QCOMPARE(DateTime(opened.value(u"AlarmDateTime"_s).toDouble()),
                 DateTime::fromQDateTime(now.addSecs(-7200)));

        m_program.terminate();
        QVERIFY(m_program.waitForFinished(20000));
        QCOMPARE(m_program.exitCode(), 0);
    }
};

QTEST_GUILESS_MAIN(TestDesktopNotificationsEndToEnd)
#include "tst_DesktopNotificationsEndToEnd.moc"
