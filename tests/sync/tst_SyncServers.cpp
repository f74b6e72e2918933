#include "support/CalDavServer.h"
#include "sync/SyncFixture.h"

#include "alarm/PromptAnswers.h"
#include "core/Clock.h"
#include "sync/CalDavSyncRunner.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace syncfixture;
using tasksync::Outcome;
using tasksync::Report;

namespace {

// A copy of the program: its own database and a runner that syncs it.
struct Copy : Machine
{
    tasksync::CalDavSyncRunner runner;

    Copy(const Clock &clock, const CalDavServer &server)
        : runner(file(), clock, &tasksync::openCollection, nullptr, Zone)
    {
        runner.setAccount(server.account(server.collection()), server.password());
    }
    Report sync()
    {
        QSignalSpy finished(&runner, &tasksync::SyncRunner::finished);
        runner.syncNow();
        if (!finished.wait(120000))
            return Report{Outcome::Failed, {}, 0, 0, 0, 0, u"the pass did not end"_s};
        return finished.first().first().value<Report>();
    }
};

const QString Plumber = u"Call the plumber"_s;
const QString Plants = u"Water plants"_s;

void serverKinds()
{
    QTest::addColumn<CalDavServer::Kind>("kind");
    QTest::newRow("Radicale") << CalDavServer::Kind::Radicale;
    QTest::newRow("Xandikos") << CalDavServer::Kind::Xandikos;
}

// The second client, in Python: its output lines.
QStringList peer(const QStringList &arguments)
{
    QProcess python;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(u"PYTHONPATH"_s);
    environment.remove(u"PYTHONHOME"_s);
    python.setProcessEnvironment(environment);
    python.start(u"/usr/bin/python3"_s, QStringList{QStringLiteral(NW_SYNC_PEER)} + arguments);
    if (!python.waitForFinished(60000) || python.exitCode() != 0) {
        qWarning().noquote() << python.readAllStandardError();
        return {u"failed"_s};
    }
    return QString::fromUtf8(python.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
}

} // namespace

Q_DECLARE_METATYPE(CalDavServer::Kind)

class TestSyncServers : public QObject
{
    Q_OBJECT
    FixedClock m_clock{DateTime(at(2026, 12, 14, 9, 0))};

private slots:
    // Two copies of the program with two databases keep the same tasks
    // through one server: added, edited, completed, a repeating task done,
    // deleted, and a change to the same field on both (the later wins, the
    // other is kept as a copy).
    void twoCopiesConverge_data() { serverKinds(); }
    void twoCopiesConverge()
    {
        QFETCH(CalDavServer::Kind, kind);
        CalDavServer server(kind);
        if (!server.start())
            QSKIP(qPrintable(server.why()));
        Copy a(m_clock, server), b(m_clock, server);
        const auto both = [&](const QStringList &expected) {
            for (Copy *first : {&a, &b}) {
                const Report r = first->sync();
                QVERIFY2(r.outcome == Outcome::Synced, qPrintable(r.error));
            }
            QCOMPARE(a.localTasks(), expected);
            QCOMPARE(b.localTasks(), expected);
        };
        const auto bothFromB = [&](const QStringList &expected) {
            for (Copy *first : {&b, &a}) {
                const Report r = first->sync();
                QVERIFY2(r.outcome == Outcome::Synced, qPrintable(r.error));
            }
            QCOMPARE(a.localTasks(), expected);
            QCOMPARE(b.localTasks(), expected);
        };

        a.add(Plumber);
        a.add(Plants, u"Daily"_s, at(2026, 12, 14, 9, 0));
        both({u"Call the plumber||||0"_s, u"Water plants|||2026-12-14 09:00|0"_s});

        b.editHere(Plumber, u"Notes"_s, u"the boiler"_s);
        bothFromB({u"Call the plumber||the boiler||0"_s, u"Water plants|||2026-12-14 09:00|0"_s});

        a.editHere(Plumber, u"Completed"_s, 1);
        a.editHere(Plumber, u"PercentageComplete"_s, 100);
        a.editHere(Plumber, u"CompletedDate"_s, at(2026, 12, 14, 9, 30));
        both({u"Call the plumber||the boiler||1"_s, u"Water plants|||2026-12-14 09:00|0"_s});

        // Done on the repeating task in the second copy: it moves on, once.
        TaskSchedule plants;
        plants.occurrence = u"Daily"_s;
        plants.validDays = u"MTWTFSS"_s;
        plants.due = plants.alarm = DateTime(at(2026, 12, 14, 9, 0));
        const DueAndAlarm next = plants.nextOccurrence(m_clock);
        b.editHere(Plants, u"DueDateTime"_s, next.due.toDouble());
        b.editHere(Plants, u"AlarmDateTime"_s, next.alarm.toDouble());
        bothFromB({u"Call the plumber||the boiler||1"_s, u"Water plants|||2026-12-15 09:00|0"_s});

        a.deleteHere(Plumber);
        both({u"Water plants|||2026-12-15 09:00|0"_s});

        a.editHere(Plants, u"Notes"_s, u"from A"_s);
        QTest::qWait(1100); // the second change is the later one, to the second
        b.editHere(Plants, u"Notes"_s, u"from B"_s);
        QCOMPARE(a.sync().outcome, Outcome::Synced);
        const Report conflict = b.sync();
        QCOMPARE(conflict.conflicts, 1);
        both({u"Water plants (conflict)||from A|2026-12-15 09:00|0"_s, u"Water plants||from B|2026-12-15 09:00|0"_s});

        // Nothing left to do on either side.
        for (Copy *c : {&a, &b}) {
            const Report r = c->sync();
            QCOMPARE(r.sent + r.received + r.deleted + r.conflicts, 0);
        }
    }

    // A to-do written by another client (python3-caldav) appears here as it
    // was written, and one written here reads correctly there.
    void anotherClient_data() { serverKinds(); }
    void anotherClient()
    {
        QFETCH(CalDavServer::Kind, kind);
        CalDavServer server(kind);
        if (!server.start())
            QSKIP(qPrintable(server.why()));
        const QStringList access{server.collection().toString(), server.user(), server.password()};

        QCOMPARE(peer(QStringList{u"add"_s} + access
                      + QStringList{u"peer-parcel"_s, u"Pick up parcel"_s, u"20261215T100000Z"_s, u"Errands"_s}),
                 QStringList());
        Copy here(m_clock, server);
        const qint64 passport = here.add(u"Renew passport"_s, u"Scheduled"_s, at(2026, 12, 20, 10, 0));
        Statement notes(here.here.handle(), u"update Tasks set Notes = 'photo booth first' where ID = ?"_s);
        notes.bind(passport);
        notes.execute();
        QCOMPARE(here.sync().outcome, Outcome::Synced);
        QCOMPARE(here.localTasks(), (QStringList{u"Pick up parcel|Errands||2026-12-15 11:00|0"_s,
                                                 u"Renew passport||photo booth first|2026-12-20 10:00|0"_s}));

        here.editHere(u"Pick up parcel"_s, u"Completed"_s, 1);
        QCOMPARE(here.sync().outcome, Outcome::Synced);
        QMap<QString, QJsonObject> seen;
        for (const QString &line : peer(QStringList{u"list"_s} + access)) {
            const QJsonObject todo = QJsonDocument::fromJson(line.toUtf8()).object();
            seen.insert(todo.value(u"summary"_s).toString(), todo);
        }
        QCOMPARE(seen.keys(), (QStringList{u"Pick up parcel"_s, u"Renew passport"_s}));
        QCOMPARE(seen[u"Pick up parcel"_s].value(u"uid"_s).toString(), u"peer-parcel"_s);
        QCOMPARE(seen[u"Pick up parcel"_s].value(u"status"_s).toString(), u"COMPLETED"_s);
        QCOMPARE(seen[u"Pick up parcel"_s].value(u"categories"_s).toString(), u"Errands"_s);
        QCOMPARE(seen[u"Renew passport"_s].value(u"description"_s).toString(), u"photo booth first"_s);
        QCOMPARE(seen[u"Renew passport"_s].value(u"due"_s).toString(), u"20261220T090000Z"_s);
    }
};

QTEST_GUILESS_MAIN(TestSyncServers)
#include "tst_SyncServers.moc"
