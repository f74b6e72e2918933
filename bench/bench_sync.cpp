// Sync benchmark: the first sync of a task database with a collection and a
// sync with nothing changed, whose requests are counted (it should take a
// single round trip).
//
// 1. The engine alone, against a collection in memory: 10,000 tasks.
// 2. A real Radicale on the loopback address, through the CalDAV client,
//    with every HTTP request counted on the way by a relay, the collection
//    kept open between passes as the runner keeps it. Radicale's own
//    time per write grows with the size of the collection (it reads the
//    whole collection for each), so its first sync is measured with fewer
//    tasks (BENCH_SYNC_SERVER_TASKS, 300 by default) and the time per write
//    at the start and the end is printed, to show where the time goes.

#include "BenchSupport.h"
#include "TaskFixture.h"
#include "core/Clock.h"
#include "store/Connection.h"
#include "support/CalDavServer.h"
#include "sync/FakeCollection.h"
#include "sync/RemoteCollection.h"
#include "sync/SyncPass.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QThread>

#include <atomic>
#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

constexpr int EngineTasks = 10000;
constexpr int RequestLimit = 1;

// Passes HTTP between the client and the server unchanged and counts the
// requests, on a thread of its own (the client blocks the caller's).
class CountingRelay : public QObject
{
public:
    explicit CountingRelay(quint16 target) : m_target(target) {}
    std::atomic<int> requests{0};

    quint16 listen()
    {
        m_server = new QTcpServer(this);
        m_server->listen(QHostAddress::LocalHost, 0);
        connect(m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *client = m_server->nextPendingConnection()) {
                auto *server = new QTcpSocket(client);
                server->connectToHost(QHostAddress::LocalHost, m_target);
                connect(client, &QTcpSocket::readyRead, server, [this, client, server] {
                    const QByteArray data = client->readAll();
                    static const QRegularExpression line(
                        u"(?:^|\r\n)(?:GET|PUT|DELETE|PROPFIND|REPORT|MKCALENDAR|OPTIONS|HEAD) \\S+ HTTP/1\\.[01]\r\n"_s);
                    auto it = line.globalMatch(QString::fromLatin1(data));
                    while (it.hasNext()) {
                        it.next();
                        ++requests;
                    }
                    server->write(data);
                });
                connect(server, &QTcpSocket::readyRead, client, [client, server] { client->write(server->readAll()); });
                connect(server, &QTcpSocket::disconnected, client, &QTcpSocket::disconnectFromHost);
                connect(client, &QTcpSocket::disconnected, client, &QObject::deleteLater);
            }
        });
        return m_server->serverPort();
    }

private:
    quint16 m_target;
    QTcpServer *m_server = nullptr;
};

// Times each write, to show how the server's time per write grows.
class TimedCollection final : public tasksync::RemoteCollection
{
public:
    explicit TimedCollection(tasksync::RemoteCollection &inner) : m_inner(inner) {}
    QList<double> putMs;

    QString url() const override { return m_inner.url(); }
    QString ctag() override { return m_inner.ctag(); }
    QList<tasksync::RemoteEntry> list() override { return m_inner.list(); }
    QList<tasksync::RemoteObject> fetch(const QStringList &hrefs) override { return m_inner.fetch(hrefs); }
    QString put(const QString &href, const QByteArray &ics, const QString &ifMatch) override
    {
        QElapsedTimer t;
        t.start();
        const QString etag = m_inner.put(href, ics, ifMatch);
        putMs << t.nsecsElapsed() / 1e6;
        return etag;
    }
    void remove(const QString &href, const QString &ifMatch) override { m_inner.remove(href, ifMatch); }
    QString hrefFor(const QString &uid) const override { return m_inner.hrefFor(uid); }

private:
    tasksync::RemoteCollection &m_inner;
};

double averageOf(const QList<double> &values, qsizetype from, qsizetype count)
{
    double sum = 0;
    int n = 0;
    for (qsizetype i = from; i < std::min(values.size(), from + count); ++i, ++n)
        sum += values[i];
    return n ? sum / n : 0;
}

QStringList over;

void judgeRequests(const char *what, int requests)
{
    std::printf("  %-52s %8d requests (limit %d)\n", what, requests, RequestLimit);
    if (requests > RequestLimit)
        over << u"%1: %2 requests (limit %3)"_s.arg(QString::fromLatin1(what)).arg(requests).arg(RequestLimit);
}

void engineAlone(const QString &folder, const Clock &clock)
{
    const QString file = makeTaskDatabase(folder, EngineTasks);
    Connection db;
    db.setDatabaseFile(file);
    db.open();
    FakeServer server;
    FakeCollection remote(server);
    std::printf("the engine alone, a collection in memory, %d tasks:\n", EngineTasks);
    QElapsedTimer t;
    t.start();
    tasksync::Report first = tasksync::SyncPass(db, remote, clock, QTimeZone::systemTimeZone()).run();
    std::printf("  %-52s %8.0f ms, %d sent, %d requests\n", "first sync (every task sent)", t.nsecsElapsed() / 1e6,
                first.sent, server.requests);
    if (first.outcome != tasksync::Outcome::Synced)
        over << u"the first sync in memory failed: "_s + first.error;

    const int before = server.requests;
    const double ms = medianMs(5, [&] { tasksync::SyncPass(db, remote, clock, QTimeZone::systemTimeZone()).run(); });
    std::printf("  %-52s %8.2f ms\n", "sync with nothing changed (median of 5)", ms);
    judgeRequests("sync with nothing changed, in memory", (server.requests - before) / 5);
}

void radicale(const QString &folder, const Clock &clock, int tasks)
{
    CalDavServer server(CalDavServer::Kind::Radicale);
    if (!server.start()) {
        std::printf("Radicale: not measured (%s)\n", qPrintable(server.why()));
        return;
    }
    QThread relayThread;
    CountingRelay relay(quint16(server.root().port()));
    relay.moveToThread(&relayThread);
    relayThread.start();
    quint16 port = 0;
    QMetaObject::invokeMethod(&relay, [&] { port = relay.listen(); }, Qt::BlockingQueuedConnection);
    QUrl address = server.collection();
    address.setPort(port);
    tasksync::Account account = server.account(address);

    QDir(folder).mkpath(u"radicale"_s);
    const QString file = makeTaskDatabase(folder + u"/radicale"_s, tasks);
    Connection db;
    db.setDatabaseFile(file);
    db.open();
    std::printf("Radicale on the loopback address, %d tasks:\n", tasks);

    const QTimeZone zone = QTimeZone::systemTimeZone();
    // As the runner does it: the collection stays open between passes.
    std::unique_ptr<tasksync::RemoteCollection> remote;
    const auto syncOnce = [&](Connection &database, QList<double> *putMs = nullptr) {
        if (!remote)
            remote = tasksync::openCollection(account, server.password());
        TimedCollection timed(*remote);
        const tasksync::Report report = tasksync::SyncPass(database, timed, clock, zone).run();
        if (putMs)
            *putMs = timed.putMs;
        if (report.outcome != tasksync::Outcome::Synced)
            over << u"a sync with Radicale failed: "_s + report.error;
        return report;
    };

    QList<double> putMs;
    int before = relay.requests;
    QElapsedTimer t;
    t.start();
    const tasksync::Report first = syncOnce(db, &putMs);
    std::printf("  %-52s %8.0f ms, %d sent, %d requests\n", "first sync (every task sent)", t.nsecsElapsed() / 1e6,
                first.sent, relay.requests - before);
    std::printf("  %-52s %8.1f ms first 50, %.1f ms last 50\n", "server's time per write", averageOf(putMs, 0, 50),
                averageOf(putMs, std::max<qsizetype>(0, putMs.size() - 50), 50));

    // A second database takes in the same tasks.
    Connection second;
    second.setDatabaseFile(folder + u"/radicale/second.mdb"_s);
    second.open();
    before = relay.requests;
    t.restart();
    remote.reset(); // the other copy of the program opens the collection itself
    const tasksync::Report taken = syncOnce(second);
    std::printf("  %-52s %8.0f ms, %d received, %d requests\n", "first sync of an empty database (tasks taken in)",
                t.nsecsElapsed() / 1e6, taken.received, relay.requests - before);

    remote.reset();
    syncOnce(db); // the collection opened again; the ctag after the other copy's pass
    before = relay.requests;
    const double ms = medianMs(5, [&] { syncOnce(db); });
    std::printf("  %-52s %8.2f ms\n", "sync with nothing changed (median of 5)", ms);
    judgeRequests("sync with nothing changed, Radicale", (relay.requests - before) / 5);
    relayThread.quit();
    relayThread.wait();
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const SystemClock clock;
    engineAlone(dir.path(), clock);
    const int serverTasks = qEnvironmentVariableIntValue("BENCH_SYNC_SERVER_TASKS");
    radicale(dir.path(), clock, serverTasks > 0 ? serverTasks : 300);
    for (const QString &line : std::as_const(over))
        std::printf("over limit: %s\n", qPrintable(line));
    return 0;
}
