#include "sync/FakeCollection.h"
#include "sync/SyncFixture.h"

#include "alarm/PromptAnswers.h"
#include "core/Clock.h"
#include "core/DateTime.h"
#include "ical/TodoCalendar.h"
#include "store/Connection.h"
#include "store/Statement.h"
#include "sync/CalDavSyncRunner.h"
#include "sync/Reconcile.h"
#include "sync/SyncPass.h"
#include "sync/SyncState.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <functional>

using namespace Qt::StringLiterals;
using tasksync::Outcome;
using tasksync::Report;

namespace {

using namespace syncfixture;

// This machine, the server, and the clock of both.
struct World : Machine
{
    FakeServer server;
    FixedClock clock{DateTime(at(2026, 12, 14, 9, 0))};

    // A pass as the runner makes it: a connection of its own on the file.
    Report sync()
    {
        Connection db;
        db.setDatabaseFile(file());
        db.open();
        FakeCollection remote(server);
        tasksync::SyncPass pass(db, remote, clock, Zone);
        return pass.run();
    }

    // The resource whose to-do has that text, and its to-do.
    QString hrefOf(const QString &task) const
    {
        for (const QString &h : server.hrefs())
            for (const ical::Todo &t : ical::readCalendar(server.read(h), Zone))
                if (!t.recurrenceId.isValid() && t.fields.value(u"Task"_s).toString() == task)
                    return h;
        return QString();
    }
    // Another client edits a to-do; its change is dated minutes from now.
    void editThere(const QString &task, const QString &column, const QVariant &value, int minutesFromNow = 0)
    {
        const QString href = hrefOf(task);
        QVERIFY(!href.isEmpty());
        QList<ical::Todo> todos = ical::readCalendar(server.read(href), Zone);
        todos[0].fields[column] = value;
        todos[0].lastModified = QDateTime::currentDateTimeUtc().addSecs(minutesFromNow * 60);
        server.write(href, ical::writeCalendar(todos, Zone));
    }
    void deleteThere(const QString &task)
    {
        const QString href = hrefOf(task);
        QVERIFY(!href.isEmpty());
        server.erase(href);
    }

    // Every to-do on the server; occurrences kept beside a series are not
    // to-dos of their own.
    QStringList serverTasks() const
    {
        QStringList all;
        for (const QString &h : server.hrefs())
            for (const ical::Todo &t : ical::readCalendar(server.read(h), Zone))
                if (!t.recurrenceId.isValid())
                    all << summary(t.fields);
        all.sort();
        return all;
    }
};

const QString Plumber = u"Call the plumber"_s;
const QString Plants = u"Water plants"_s;

QByteArray peerTodo(const QString &uid, const QString &summary, const QString &due)
{
    return u"BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Peer//EN\r\nBEGIN:VTODO\r\nUID:%1\r\n"
           "DTSTAMP:20261210T080000Z\r\nSUMMARY:%2\r\nDUE:%3\r\nEND:VTODO\r\nEND:VCALENDAR\r\n"_s
        .arg(uid, summary, due)
        .toUtf8();
}

// A client that keeps history marks one occurrence of a series done by a
// completed instance beside the series.
void completeOccurrenceThere(World &w, const QString &task, const QString &occurrence)
{
    const QString href = w.hrefOf(task);
    QByteArray ics = w.server.read(href);
    const QString uid = ical::readCalendar(ics, Zone).first().uid;
    const QByteArray instance = u"BEGIN:VTODO\r\nUID:%1\r\nRECURRENCE-ID;TZID=Europe/Berlin:%2\r\n"
                                "DTSTAMP:20261214T081000Z\r\nSUMMARY:%3\r\nSTATUS:COMPLETED\r\n"
                                "COMPLETED:20261214T081000Z\r\nPERCENT-COMPLETE:100\r\nEND:VTODO\r\n"_s
                                    .arg(uid, occurrence, task)
                                    .toUtf8();
    ics.insert(ics.lastIndexOf("END:VCALENDAR"), instance);
    w.server.write(href, ics);
}

using Change = std::function<void(World &)>;

} // namespace

Q_DECLARE_METATYPE(Change)

class TestSyncPass : public QObject
{
    Q_OBJECT

private slots:
    // A plumber's call (a to-do) and watering the plants (daily, due now)
    // are on both sides; then each case changes one side or both, and one
    // pass brings them to the same tasks. A second pass then finds nothing
    // to do in one request.
    void reconcile_data()
    {
        QTest::addColumn<Change>("change");
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<int>("conflicts");

        const QString plumber = u"Call the plumber||||0"_s;
        const QString plants = u"Water plants|||2026-12-14 09:00|0"_s;
        const QString plantsTomorrow = u"Water plants|||2026-12-15 09:00|0"_s;

        QTest::newRow("add here") << Change([](World &w) { w.add(u"Buy milk"_s); })
                                  << QStringList{u"Buy milk||||0"_s, plumber, plants} << 0;
        QTest::newRow("add there") << Change([](World &w) {
            w.server.write(u"/tasks/peer-1.ics"_s, peerTodo(u"peer-1"_s, u"Buy bread"_s, u"20261215T100000Z"_s));
        }) << QStringList{u"Buy bread|||2026-12-15 11:00|0"_s, plumber, plants} << 0;
        QTest::newRow("edit here") << Change([](World &w) { w.editHere(Plumber, u"Notes"_s, u"the boiler"_s); })
                                   << QStringList{u"Call the plumber||the boiler||0"_s, plants} << 0;
        QTest::newRow("edit there") << Change([](World &w) { w.editThere(Plumber, u"Category"_s, u"Home"_s); })
                                    << QStringList{u"Call the plumber|Home|||0"_s, plants} << 0;
        QTest::newRow("both, other fields") << Change([](World &w) {
            w.editHere(Plumber, u"Notes"_s, u"the boiler"_s);
            w.editThere(Plumber, u"Category"_s, u"Home"_s);
        }) << QStringList{u"Call the plumber|Home|the boiler||0"_s, plants} << 0;
        QTest::newRow("both, same field, there later") << Change([](World &w) {
            w.editHere(Plumber, u"Notes"_s, u"here"_s);
            w.editThere(Plumber, u"Notes"_s, u"there"_s, 60);
        }) << QStringList{u"Call the plumber (conflict)||here||0"_s, u"Call the plumber||there||0"_s, plants} << 1;
        QTest::newRow("both, same field, here later") << Change([](World &w) {
            w.editHere(Plumber, u"Notes"_s, u"here"_s);
            w.editThere(Plumber, u"Notes"_s, u"there"_s, -60);
        }) << QStringList{u"Call the plumber (conflict)||there||0"_s, u"Call the plumber||here||0"_s, plants} << 1;
        QTest::newRow("both, alike") << Change([](World &w) {
            w.editHere(Plumber, u"Notes"_s, u"same"_s);
            w.editThere(Plumber, u"Notes"_s, u"same"_s, 60);
        }) << QStringList{u"Call the plumber||same||0"_s, plants} << 0;
        QTest::newRow("delete here") << Change([](World &w) { w.deleteHere(Plumber); }) << QStringList{plants} << 0;
        QTest::newRow("delete there") << Change([](World &w) { w.deleteThere(Plumber); }) << QStringList{plants} << 0;
        QTest::newRow("delete on both") << Change([](World &w) {
            w.deleteHere(Plumber);
            w.deleteThere(Plumber);
        }) << QStringList{plants} << 0;
        QTest::newRow("delete here, edit there") << Change([](World &w) {
            w.deleteHere(Plumber);
            w.editThere(Plumber, u"Notes"_s, u"there"_s);
        }) << QStringList{u"Call the plumber||there||0"_s, plants} << 0;
        QTest::newRow("delete there, edit here") << Change([](World &w) {
            w.deleteThere(Plumber);
            w.editHere(Plumber, u"Notes"_s, u"here"_s);
        }) << QStringList{u"Call the plumber||here||0"_s, plants} << 0;
        QTest::newRow("repeating done there, due moved on") << Change([](World &w) {
            w.editThere(Plants, u"DueDateTime"_s, at(2026, 12, 15, 9, 0));
        }) << QStringList{plumber, plantsTomorrow} << 0;
        QTest::newRow("repeating done there, occurrence kept") << Change([](World &w) {
            completeOccurrenceThere(w, Plants, u"20261214T090000"_s);
        }) << QStringList{plumber, plantsTomorrow} << 0;
        QTest::newRow("repeating done there, an occurrence already left behind") << Change([](World &w) {
            completeOccurrenceThere(w, Plants, u"20261213T090000"_s);
        }) << QStringList{plumber, plants} << 0;
        QTest::newRow("repeating done here") << Change([](World &w) {
            TaskSchedule task;
            task.occurrence = u"Daily"_s;
            task.validDays = u"MTWTFSS"_s;
            task.due = task.alarm = DateTime(at(2026, 12, 14, 9, 0));
            const DueAndAlarm next = task.nextOccurrence(w.clock);
            w.editHere(Plants, u"DueDateTime"_s, next.due.toDouble());
            w.editHere(Plants, u"AlarmDateTime"_s, next.alarm.toDouble());
        }) << QStringList{plumber, plantsTomorrow} << 0;
        QTest::newRow("offline, then online") << Change([](World &w) {
            w.editHere(Plumber, u"Notes"_s, u"the boiler"_s);
            w.server.offline = true;
            const Report r = w.sync();
            QCOMPARE(r.outcome, Outcome::Offline);
            QVERIFY(!r.error.isEmpty());
            w.server.offline = false;
            QCOMPARE(w.serverTasks(), (QStringList{u"Call the plumber||||0"_s, u"Water plants|||2026-12-14 09:00|0"_s}));
        }) << QStringList{u"Call the plumber||the boiler||0"_s, plants} << 0;
        QTest::newRow("changed there while sending") << Change([](World &w) {
            w.editHere(Plumber, u"Notes"_s, u"the boiler"_s);
            w.server.beforePut = [&w](const QString &) { w.editThere(Plumber, u"Category"_s, u"Home"_s); };
        }) << QStringList{u"Call the plumber|Home|the boiler||0"_s, plants} << 0;
    }

    void reconcile()
    {
        QFETCH(Change, change);
        QFETCH(QStringList, expected);
        QFETCH(int, conflicts);

        World w;
        w.add(Plumber);
        w.add(Plants, u"Daily"_s, at(2026, 12, 14, 9, 0));
        QCOMPARE(w.sync().outcome, Outcome::Synced);
        const QStringList start{u"Call the plumber||||0"_s, u"Water plants|||2026-12-14 09:00|0"_s};
        QCOMPARE(w.serverTasks(), start);
        QCOMPARE(w.localTasks(), start);

        change(w);
        if (QTest::currentTestFailed())
            return;
        const Report r = w.sync();
        QCOMPARE(r.error, QString());
        QCOMPARE(r.outcome, Outcome::Synced);
        QCOMPARE(r.conflicts, conflicts);
        QCOMPARE(w.localTasks(), expected);
        QCOMPARE(w.serverTasks(), expected);

        const int before = w.server.requests;
        const Report again = w.sync();
        QCOMPARE(again.outcome, Outcome::Synced);
        QCOMPARE(w.server.requests - before, 1);
        QCOMPARE(w.localTasks(), expected);
        QCOMPARE(w.serverTasks(), expected);
    }

    // Fields that belong together are merged as one: a change to the due
    // time on one side and to the alarm on the other is a clash, as is a
    // completion here against a new percentage there; a change in one group
    // beside a change in another is merged.
    void fieldGroups_data()
    {
        QTest::addColumn<QJsonObject>("here");
        QTest::addColumn<QJsonObject>("there");
        QTest::addColumn<bool>("clash");
        QTest::addColumn<QJsonObject>("merged");

        const QJsonObject done{{u"Completed"_s, 1}, {u"PercentageComplete"_s, 100}, {u"CompletedDate"_s, 46000.5}};
        QTest::newRow("completion here, notes there")
            << done << QJsonObject{{u"Notes"_s, u"n"_s}} << false
            << QJsonObject{{u"Completed"_s, 1}, {u"PercentageComplete"_s, 100}, {u"CompletedDate"_s, 46000.5},
                           {u"Notes"_s, u"n"_s}};
        QTest::newRow("completion here, percentage there")
            << done << QJsonObject{{u"PercentageComplete"_s, 40}} << true << done;
        QTest::newRow("due here, alarm there")
            << QJsonObject{{u"DueDateTime"_s, 46001.0}} << QJsonObject{{u"AlarmDateTime"_s, 45999.0}} << true
            << QJsonObject{{u"DueDateTime"_s, 46001.0}};
        QTest::newRow("rule here, due there")
            << QJsonObject{{u"Occurrence"_s, u"Weekly"_s}} << QJsonObject{{u"DueDateTime"_s, 46001.0}} << false
            << QJsonObject{{u"Occurrence"_s, u"Weekly"_s}, {u"DueDateTime"_s, 46001.0}};
        QTest::newRow("notes cleared there, category here")
            << QJsonObject{{u"Notes"_s, u"old"_s}, {u"Category"_s, u"Home"_s}} << QJsonObject{} << false
            << QJsonObject{{u"Category"_s, u"Home"_s}};
    }
    void fieldGroups()
    {
        QFETCH(QJsonObject, here);
        QFETCH(QJsonObject, there);
        QFETCH(bool, clash);
        QFETCH(QJsonObject, merged);
        // Both sides start from the base and change their own fields.
        QJsonObject base{{u"Task"_s, u"t"_s}, {u"Notes"_s, u"old"_s}};
        QJsonObject h = base, t = base;
        for (auto it = here.begin(); it != here.end(); ++it)
            h.insert(it.key(), it.value());
        for (auto it = there.begin(); it != there.end(); ++it)
            t.insert(it.key(), it.value());
        if (there.isEmpty())
            t.remove(u"Notes"_s);
        // The later change (here) wins a clash.
        const tasksync::Merge m = tasksync::reconcile(base, h, 2000, t, 1000);
        QCOMPARE(m.clash, clash);
        QJsonObject expected = base;
        for (auto it = merged.begin(); it != merged.end(); ++it)
            expected.insert(it.key(), it.value());
        if (there.isEmpty())
            expected.remove(u"Notes"_s);
        QVERIFY2(tasksync::sameFields(m.result, expected),
                 QJsonDocument(m.result).toJson(QJsonDocument::Compact).constData());
        if (clash)
            QCOMPARE(m.winner, tasksync::Side::Here);
    }

    // A change made here while a pass is sending it (after it was read) is
    // not forgotten: the next pass sends it.
    void changeDuringThePassIsKept()
    {
        World w;
        w.add(Plumber);
        QCOMPARE(w.sync().outcome, Outcome::Synced);
        w.editHere(Plumber, u"Notes"_s, u"first"_s);
        w.server.beforePut = [&w](const QString &) { w.editHere(Plumber, u"Category"_s, u"Home"_s); };
        QCOMPARE(w.sync().outcome, Outcome::Synced);
        QCOMPARE(w.serverTasks(), QStringList{u"Call the plumber||first||0"_s});
        QCOMPARE(w.sync().outcome, Outcome::Synced);
        QCOMPARE(w.serverTasks(), QStringList{u"Call the plumber|Home|first||0"_s});
    }

    // A change made here while nothing changed there is sent without
    // fetching anything: the ctag, the write, and the check that the server
    // holds what was agreed (ctag and listing).
    void changeHereAloneFetchesNothing()
    {
        World w;
        w.add(Plumber);
        w.add(Plants, u"Daily"_s, at(2026, 12, 14, 9, 0));
        QCOMPARE(w.sync().outcome, Outcome::Synced);
        w.editHere(Plumber, u"Notes"_s, u"the boiler"_s);
        const int before = w.server.requests;
        QCOMPARE(w.sync().sent, 1);
        QCOMPARE(w.server.requests - before, 4);
        QCOMPARE(w.serverTasks(), (QStringList{u"Call the plumber||the boiler||0"_s, u"Water plants|||2026-12-14 09:00|0"_s}));
    }

    // A server that answers writes without their ETag: the listing tells
    // it, and later changes still go with If-Match.
    void writesWithoutEtag()
    {
        World w;
        w.server.etagOnPut = false;
        w.add(Plumber);
        QCOMPARE(w.sync().sent, 1);
        QCOMPARE(w.sync().outcome, Outcome::Synced);
        w.editHere(Plumber, u"Notes"_s, u"the boiler"_s);
        QCOMPARE(w.sync().sent, 1);
        QCOMPARE(w.serverTasks(), QStringList{u"Call the plumber||the boiler||0"_s});
        QCOMPARE(w.sync().outcome, Outcome::Synced);
        const int before = w.server.requests;
        QCOMPARE(w.sync().outcome, Outcome::Synced);
        QCOMPARE(w.server.requests - before, 1);
    }

    // The server stops answering half-way through a first sync: what it
    // took stays agreed, the rest goes next pass, and nothing is sent twice.
    void failureHalfWayKeepsWhatWasAgreed()
    {
        World w;
        for (int i = 0; i < 120; ++i)
            w.add(u"Task %1"_s.arg(i, 3, 10, QLatin1Char('0')));
        w.server.answersLeft = 2 + 70; // ctag, list, then 70 puts
        const Report cut = w.sync();
        QCOMPARE(cut.outcome, Outcome::Offline);
        QCOMPARE(cut.sent, 70);
        QCOMPARE(w.server.hrefs().size(), 70);

        w.server.offline = false;
        w.server.answersLeft = -1;
        const Report rest = w.sync();
        QCOMPARE(rest.outcome, Outcome::Synced);
        QCOMPARE(rest.sent, 50);
        QCOMPARE(w.serverTasks(), w.localTasks());
        QCOMPARE(w.serverTasks().size(), 120);
    }

    // A completed occurrence is applied once, and stays on the server with
    // the series for the client that keeps it: when the task is moved back
    // here and the resource is read again, it does not move the task on a
    // second time. It never shows as a task of its own.
    void completedOccurrenceAppliesOnce()
    {
        World w;
        w.add(Plants, u"Daily"_s, at(2026, 12, 14, 9, 0));
        QCOMPARE(w.sync().outcome, Outcome::Synced);
        completeOccurrenceThere(w, Plants, u"20261214T090000"_s);
        QCOMPARE(w.sync().received, 1);
        QCOMPARE(w.localTasks(), QStringList{u"Water plants|||2026-12-15 09:00|0"_s});
        QVERIFY(w.server.read(w.hrefOf(Plants)).contains("RECURRENCE-ID"));

        w.editHere(Plants, u"DueDateTime"_s, at(2026, 12, 14, 9, 0));
        QCOMPARE(w.sync().sent, 1);
        QVERIFY(w.server.read(w.hrefOf(Plants)).contains("RECURRENCE-ID"));
        // Another client rewrites the resource as it stands.
        w.server.write(w.hrefOf(Plants), w.server.read(w.hrefOf(Plants)));
        QCOMPARE(w.sync().outcome, Outcome::Synced);
        QCOMPARE(w.localTasks(), QStringList{u"Water plants|||2026-12-14 09:00|0"_s});
        QCOMPARE(w.serverTasks(), QStringList{u"Water plants|||2026-12-14 09:00|0"_s});
    }

    // The server's refusals become the outcomes the window tells apart,
    // each with a sentence.
    void failures_data()
    {
        QTest::addColumn<tasksync::RemoteError::Kind>("kind");
        QTest::addColumn<Outcome>("outcome");
        using K = tasksync::RemoteError::Kind;
        QTest::newRow("unreachable") << K::Unreachable << Outcome::Offline;
        QTest::newRow("unauthorized") << K::Unauthorized << Outcome::AuthFailed;
        QTest::newRow("certificate") << K::Certificate << Outcome::CertificateFailed;
        QTest::newRow("protocol") << K::Protocol << Outcome::Failed;
    }
    void failures()
    {
        QFETCH(tasksync::RemoteError::Kind, kind);
        QFETCH(Outcome, outcome);
        World w;
        w.add(Plumber);
        w.server.beforePut = [kind](const QString &) { throw tasksync::RemoteError(kind, u"No."_s); };
        const Report r = w.sync();
        QCOMPARE(r.outcome, outcome);
        QVERIFY(r.error.contains(u"No."_s));
        // Nothing agreed, nothing lost: the task goes with the next pass.
        QCOMPARE(w.sync().outcome, Outcome::Synced);
        QCOMPARE(w.serverTasks(), QStringList{u"Call the plumber||||0"_s});
    }

    // The runner runs the pass away from the caller's thread and reports
    // back in it; a pass that wrote tasks says so.
    void runnerReportsInTheCallersThread()
    {
        World w;
        w.server.write(u"/tasks/peer-1.ics"_s, peerTodo(u"peer-1"_s, u"Buy bread"_s, u"20261215T100000Z"_s));
        QThread *passThread = nullptr;
        tasksync::CalDavSyncRunner runner(w.file(), w.clock, [&](const tasksync::Account &, const QString &) {
            passThread = QThread::currentThread();
            return std::make_unique<FakeCollection>(w.server);
        }, nullptr, Zone);
        QSignalSpy finished(&runner, &tasksync::SyncRunner::finished);
        QSignalSpy changed(&runner, &tasksync::SyncRunner::tasksChanged);
        QThread *reportThread = nullptr;
        connect(&runner, &tasksync::SyncRunner::finished, this, [&] { reportThread = QThread::currentThread(); });

        runner.syncNow(); // no account yet: nothing runs
        QVERIFY(!runner.running());
        runner.setAccount({QUrl(u"http://127.0.0.1:1/"_s), u"me"_s, 0}, u"secret"_s);
        runner.syncNow();
        QVERIFY(runner.running());
        runner.syncNow(); // one at a time
        QVERIFY(finished.wait(10000));
        QCOMPARE(finished.size(), 1);
        QVERIFY(!runner.running());
        QVERIFY(passThread && passThread != QThread::currentThread());
        QCOMPARE(reportThread, QThread::currentThread());
        const auto report = finished.first().first().value<Report>();
        QCOMPARE(report.outcome, Outcome::Synced);
        QCOMPARE(report.received, 1);
        QCOMPARE(changed.size(), 1);
        QCOMPARE(w.localTasks(), QStringList{u"Buy bread|||2026-12-15 11:00|0"_s});

        // The opener's refusal is a report too.
        tasksync::CalDavSyncRunner refused(w.file(), w.clock, [](const tasksync::Account &, const QString &)
                                               -> std::unique_ptr<tasksync::RemoteCollection> {
            throw tasksync::RemoteError(tasksync::RemoteError::Kind::Unauthorized, u"401 Unauthorized"_s);
        });
        QSignalSpy refusedSpy(&refused, &tasksync::SyncRunner::finished);
        refused.setAccount({QUrl(u"http://127.0.0.1:1/"_s), u"me"_s, 0}, u"wrong"_s);
        refused.syncNow();
        QVERIFY(refusedSpy.wait(10000));
        QCOMPARE(refusedSpy.first().first().value<Report>().outcome, Outcome::AuthFailed);
    }
};

QTEST_GUILESS_MAIN(TestSyncPass)
#include "tst_SyncPass.moc"
