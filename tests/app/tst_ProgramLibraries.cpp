// The real program pays for its heavy libraries only when it uses them:
// started and settled, none of them is mapped; the first alarm loads the
// sound module from beside the executable (with what Qt Multimedia needs),
// and no other module; the first sync pass loads the sync module, which
// takes in a to-do another client put on a real server.

#include "core/DateTime.h"
#include "store/Connection.h"
#include "store/Query.h"
#include "support/CalDavServer.h"
#include "sync/RemoteCollection.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {
// The libraries of each heavy part, as their file names start.
const QStringList SoundLibraries = {u"libQt6Multimedia.so"_s, u"libpulse.so"_s, u"libsndfile.so"_s,
                                    u"libnw_sound.so"_s};
// Qt Multimedia needs the network library itself, so the sound brings it.
const QStringList NetworkLibraries = {u"libQt6Network.so"_s, u"libkrb5.so"_s, u"libgssapi_krb5.so"_s,
                                      u"libproxy.so"_s, u"libnw_network.so"_s};
const QStringList OtherHeavyLibraries = {
    u"libQt6PrintSupport.so"_s, u"libcups.so"_s, u"libnw_print.so"_s, // printing
    u"libmdb.so"_s, u"libnw_jet.so"_s,                                 // Jet import
    u"libical.so"_s, u"libnw_ical.so"_s,                              // iCalendar
    u"libnw_sync.so"_s};                                              // sync

// The file names of the shared objects mapped into a process.
QStringList mappedLibraries(qint64 pid)
{
    QFile maps(u"/proc/%1/maps"_s.arg(pid));
    if (!maps.open(QIODevice::ReadOnly))
        return {};
    QStringList names;
    for (const QByteArray &line : maps.readAll().split('\n')) {
        const qsizetype slash = line.lastIndexOf('/');
        if (slash >= 0 && line.contains(".so"))
            names << QString::fromUtf8(line.mid(slash + 1));
    }
    names.removeDuplicates();
    return names;
}

QStringList present(const QStringList &mapped, const QStringList &wanted)
{
    QStringList found;
    for (const QString &library : wanted)
        for (const QString &name : mapped)
            if (name.startsWith(library))
                found << name;
    return found;
}
}

class TestProgramLibraries : public QObject
{
    Q_OBJECT

    QTemporaryDir m_session;
    QProcess m_program;
    QByteArray m_output;

    bool waitFor(const QByteArray &text)
    {
        QDeadlineTimer deadline(30000);
        while (!m_output.contains(text) && !deadline.hasExpired() && m_program.state() != QProcess::NotRunning) {
            m_program.waitForReadyRead(100);
            m_output += m_program.readAll();
        }
        return m_output.contains(text);
    }

    void start(const QString &folder)
    {
        m_output.clear();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        // Found beside the executable, as in any build tree.
        env.remove(u"NUDGEWICK_MODULE_DIR"_s);
        env.insert(u"NUDGEWICK_DIR"_s, folder);
        env.insert(u"XDG_RUNTIME_DIR"_s, m_session.path());
        env.insert(u"XDG_CONFIG_HOME"_s, m_session.filePath(u"config"_s));
        env.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
        env.insert(u"QT_LOGGING_RULES"_s, u"nudgewick.app.info=true\nnudgewick.sync*=true"_s);
        m_program.setProcessEnvironment(env);
        m_program.setProcessChannelMode(QProcess::MergedChannels);
        m_program.start(QStringLiteral(NW_EXECUTABLE), {});
        QVERIFY(m_program.waitForStarted());
        QVERIFY2(waitFor("window painted"), m_output.constData());
    }

    void stop()
    {
        m_program.terminate();
        QVERIFY(m_program.waitForFinished(20000));
    }

private slots:
    void cleanup()
    {
        if (m_program.state() != QProcess::NotRunning) {
            m_program.kill();
            m_program.waitForFinished();
        }
    }

    void startsWithoutHeavyLibraries()
    {
        QTemporaryDir data;
        start(data.path());
        // Settled: the first alarm scan and whatever follows the first paint have run.
        QTest::qWait(1500);
        const QStringList mapped = mappedLibraries(m_program.processId());
        QVERIFY2(mapped.size() > 10, qPrintable(mapped.join(u' ')));
        QCOMPARE(present(mapped, SoundLibraries + NetworkLibraries + OtherHeavyLibraries), QStringList());
        stop();
    }

    void firstAlarmLoadsTheSoundModule()
    {
        QTemporaryDir data;
        {
            Connection connection;
            connection.setDatabaseFile(QDir(data.path()).filePath(u"Nudgewick.mdb"_s));
            connection.open();
            Query insert(connection);
            insert.setSql({u"insert into Tasks (Task, Category, Occurrence, ValidHours, ValidDays, DueDateTime,"
                           " AlarmDateTime, Completed, SnoozeTime, AutoSnooze)"_s,
                           u"values ('Water the plants', 'Home', 'Scheduled', '00-23', '_______', :At, :At,"
                           " False, 10, False)"_s});
            insert.setParam(u"At"_s, DateTime::fromQDateTime(QDateTime::currentDateTime().addSecs(-30)));
            insert.execSql();
        }
        start(data.path());
        QStringList mapped;
        QDeadlineTimer deadline(20000);
        while (present(mapped, {u"libnw_sound.so"_s}).isEmpty() && !deadline.hasExpired()) {
            QTest::qWait(100);
            mapped = mappedLibraries(m_program.processId());
        }
        QCOMPARE(present(mapped, SoundLibraries).size(), SoundLibraries.size());
        QCOMPARE(present(mapped, OtherHeavyLibraries), QStringList());
        QVERIFY(present(mapped, {u"libnw_network.so"_s}).isEmpty());
        QVERIFY2(!m_output.contains("not available"), m_output.constData());
        stop();
    }

    void firstSyncPassLoadsTheSyncModule()
    {
        CalDavServer server(CalDavServer::Kind::Radicale);
        if (!server.start())
            QSKIP(qPrintable(server.why()));
        {
            const std::unique_ptr<tasksync::RemoteCollection> remote
                = tasksync::openCollection(server.account(server.collection()), server.password());
            remote->put(remote->hrefFor(u"peer-1"_s),
                        "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//peer//EN\r\nBEGIN:VTODO\r\nUID:peer-1\r\n"
                        "DTSTAMP:20261201T080000Z\r\nSUMMARY:Written elsewhere\r\nDUE:20261220T090000Z\r\n"
                        "END:VTODO\r\nEND:VCALENDAR\r\n",
                        QString());
        }
        QTemporaryDir data;
        QFile settings(QDir(data.path()).filePath(u"Nudgewick.ini"_s));
        QVERIFY(settings.open(QIODevice::WriteOnly));
        settings.write(u"[Sync]\nAddress=%1\nUser=%2\nInterval=15\n"_s.arg(server.root().toString(), server.user())
                           .toUtf8());
        settings.close();
        // No secret service in the tests: the password is in the owner-only file.
        QFile password(QDir(data.path()).filePath(u"SyncPassword"_s));
        QVERIFY(password.open(QIODevice::WriteOnly));
        password.write(server.password().toUtf8());
        password.close();
        QVERIFY(password.setPermissions(QFile::ReadOwner | QFile::WriteOwner));

        start(data.path());
        // The first pass follows a few seconds after start-up, discovers the
        // collection from the server's root and takes the to-do in.
        QStringList texts;
        QDeadlineTimer deadline(30000);
        while (texts.isEmpty() && !deadline.hasExpired()) {
            QTest::qWait(250);
            Connection connection;
            connection.setDatabaseFile(QDir(data.path()).filePath(u"Nudgewick.mdb"_s));
            connection.open();
            Query tasks(connection);
            tasks.setSql({u"select Task from Tasks"_s});
            tasks.open();
            for (tasks.first(); !tasks.eof(); tasks.next())
                texts << tasks.fieldByName(u"Task"_s).asString();
        }
        m_output += m_program.readAll();
        QVERIFY2(texts == QStringList{u"Written elsewhere"_s}, qPrintable(texts.join(u", "_s) + u'\n' + QString::fromUtf8(m_output)));
        const QStringList mapped = mappedLibraries(m_program.processId());
        QCOMPARE(present(mapped, {u"libnw_sync.so"_s}).size(), 1);
        m_output += m_program.readAll();
        QVERIFY2(!m_output.contains("not available") && !m_output.contains("does not belong"), m_output.constData());
        stop();
    }
};

QTEST_GUILESS_MAIN(TestProgramLibraries)
#include "tst_ProgramLibraries.moc"
