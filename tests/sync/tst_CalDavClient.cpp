#include "support/CalDavServer.h"
#include "sync/CalDavClient.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include <map>
#include <memory>
#include <optional>

using namespace Qt::StringLiterals;
using tasksync::CalDavClient;
using tasksync::RemoteEntry;
using tasksync::RemoteError;
using Kind = CalDavServer::Kind;

Q_DECLARE_METATYPE(CalDavServer::Kind)
Q_DECLARE_METATYPE(tasksync::RemoteError::Kind)

namespace {

QByteArray todo(const QString &uid, const QString &summary)
{
    return u"BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Nudgewick//tests//EN\r\n"
           "BEGIN:VTODO\r\nUID:%1\r\nDTSTAMP:20260101T000000Z\r\nSUMMARY:%2\r\nEND:VTODO\r\n"
           "END:VCALENDAR\r\n"_s.arg(uid, summary).toUtf8();
}

// The kind of error a call throws, or nothing when it succeeds.
template <typename Call>
std::optional<RemoteError::Kind> errorOf(Call &&call)
{
    try {
        call();
    } catch (const RemoteError &error) {
        return error.kind;
    }
    return std::nullopt;
}

QStringList hrefsOf(const QList<RemoteEntry> &entries)
{
    QStringList hrefs;
    for (const RemoteEntry &entry : entries)
        hrefs << entry.href;
    hrefs.sort();
    return hrefs;
}

quint16 closedPort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

// Answers every request on the loopback address with the same bytes.
class CannedHttpServer : public QTcpServer
{
public:
    explicit CannedHttpServer(QByteArray answer) : m_answer(std::move(answer))
    {
        connect(this, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *socket = nextPendingConnection()) {
                auto request = std::make_shared<QByteArray>();
                connect(socket, &QTcpSocket::readyRead, socket, [this, socket, request] {
                    *request += socket->readAll();
                    if (request->contains("\r\n\r\n")) {
                        socket->write(m_answer);
                        socket->disconnectFromHost();
                    }
                });
            }
        });
    }

private:
    QByteArray m_answer;
};

QByteArray httpAnswer(const QByteArray &statusLine, const QByteArray &headers = {}, const QByteArray &body = {})
{
    return "HTTP/1.1 " + statusLine + "\r\n" + headers + "Content-Length: " + QByteArray::number(body.size())
        + "\r\nConnection: close\r\n\r\n" + body;
}

} // namespace

class TestCalDavClient : public QObject
{
    Q_OBJECT

    std::map<Kind, std::unique_ptr<CalDavServer>> m_servers;
    // Servers with nothing but the calendars discovery must choose between.
    std::map<Kind, std::unique_ptr<CalDavServer>> m_discoveryServers;
    int m_calendars = 0;

    static void addKinds()
    {
        QTest::addColumn<Kind>("kind");
        QTest::newRow("Radicale") << Kind::Radicale;
        QTest::newRow("Xandikos") << Kind::Xandikos;
    }

    // One server of each kind serves the tests that work in a calendar of
    // their own; it starts on first use.
    CalDavServer *shared(Kind kind) { return started(m_servers[kind], kind); }

    static CalDavServer *started(std::unique_ptr<CalDavServer> &server, Kind kind)
    {
        if (!server) {
            server = std::make_unique<CalDavServer>(kind);
            if (!server->start()) {
                qWarning().noquote() << server->why();
                server.reset();
            }
        }
        return server.get();
    }

    // A client of a new, empty to-do calendar on the shared server.
    std::unique_ptr<CalDavClient> freshCalendar(CalDavServer &server)
    {
        const QUrl url = server.addCalendar(u"list%1"_s.arg(++m_calendars), {u"VTODO"_s});
        if (url.isEmpty())
            return nullptr;
        return CalDavClient::open(server.account(url), server.password());
    }

    // A client of a new calendar on the shared server of the row's kind.
    std::unique_ptr<CalDavClient> rowCalendar()
    {
        QFETCH(Kind, kind);
        CalDavServer *server = shared(kind);
        return server ? freshCalendar(*server) : nullptr;
    }

    static void runPeer(const QStringList &arguments, QByteArray *output = nullptr)
    {
        QProcess peer;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove(u"PYTHONPATH"_s);
        peer.setProcessEnvironment(environment);
        peer.start(u"/usr/bin/python3"_s, QStringList{QStringLiteral(NW_CALDAV_PEER)} + arguments);
        QVERIFY2(peer.waitForFinished(30000), qPrintable(peer.errorString()));
        QVERIFY2(peer.exitStatus() == QProcess::NormalExit && peer.exitCode() == 0,
                 peer.readAllStandardError().constData());
        if (output)
            *output = peer.readAllStandardOutput();
    }

private slots:
    void discovery_data()
    {
        QTest::addColumn<Kind>("kind");
        QTest::addColumn<QString>("start");
        for (const Kind kind : {Kind::Radicale, Kind::Xandikos}) {
            const QString name = CalDavServer::name(kind);
            for (const QString &start : {u"root"_s, u"well-known"_s, u"principal"_s, u"home"_s, u"collection"_s,
                                         u"collection without slash"_s})
                QTest::addRow("%s from the %s", qPrintable(name), qPrintable(start)) << kind << start;
        }
    }

    // Whatever address the user gives, the to-do collection is found.
    void discovery()
    {
        QFETCH(Kind, kind);
        QFETCH(QString, start);
        auto &slot = m_discoveryServers[kind];
        const bool fresh = !slot;
        CalDavServer *started = TestCalDavClient::started(slot, kind);
        QVERIFY(started);
        CalDavServer &server = *started;
        // Radicale keeps what a calendar may hold: one without to-dos is
        // passed over. (Xandikos lets every calendar hold everything.)
        if (fresh && kind == Kind::Radicale)
            QVERIFY2(!server.addCalendar(u"appointments"_s, {u"VEVENT"_s}).isEmpty(), qPrintable(server.why()));

        const QString principal = kind == Kind::Radicale ? u"/alice/"_s : u"/user/"_s;
        const QString home = kind == Kind::Radicale ? u"/alice/"_s : u"/user/calendars/"_s;
        QUrl address = server.root();
        if (start == u"well-known"_s)
            address.setPath(u"/.well-known/caldav"_s);
        else if (start == u"principal"_s)
            address.setPath(principal);
        else if (start == u"home"_s)
            address.setPath(home);
        else if (start == u"collection"_s)
            address = server.collection();
        else if (start == u"collection without slash"_s)
            address = server.collection().adjusted(QUrl::StripTrailingSlash);

        const auto client = CalDavClient::open(server.account(address), server.password());
        QCOMPARE(client->url(), server.collection().toString());
    }

    // Writing, listing, reading, replacing and deleting, with the ETags and
    // the collection's tag following each change. The second name needs
    // escaping on the wire and is handed back as written here.
    void roundTrip_data()
    {
        QTest::addColumn<Kind>("kind");
        QTest::addColumn<QString>("uid");
        QTest::addColumn<QString>("fileName"); // empty: the one hrefFor() gives
        for (const Kind kind : {Kind::Radicale, Kind::Xandikos}) {
            const QByteArray name = CalDavServer::name(kind).toUtf8();
            const QString plain = u"4f1c0c7e-2a4b-4d4e-9a7e-0c3f0e6d1a11@nudgewick"_s;
            QTest::addRow("%s, named after the UID", name.constData()) << kind << plain << QString();
            QTest::addRow("%s, UID unfit for a name", name.constData())
                << kind << u"../odd/uid with blanks ✓"_s << QString();
            QTest::addRow("%s, name needing escapes", name.constData()) << kind << plain << u"a b+ç;x.ics"_s;
        }
    }

    void roundTrip()
    {
        QFETCH(QString, uid);
        QFETCH(QString, fileName);
        const auto client = rowCalendar();
        QVERIFY(client);

        const QString href = fileName.isEmpty() ? client->hrefFor(uid) : client->path() + fileName;
        QVERIFY(href.startsWith(client->path()));
        if (fileName.isEmpty()) {
            // The name is a plain file name inside the collection, whatever the UID holds.
            static const QRegularExpression plainName(u"^[A-Za-z0-9_@-][A-Za-z0-9._@-]*\\.ics$"_s);
            QVERIFY2(plainName.match(href.mid(client->path().size())).hasMatch(), qPrintable(href));
        }

        const QString emptyTag = client->ctag();
        QVERIFY(client->list().isEmpty());

        const QString first = client->put(href, todo(uid, u"first"_s), {});
        QVERIFY(!first.isEmpty());
        const QString oneTag = client->ctag();
        QVERIFY(oneTag != emptyTag);
        QCOMPARE(client->list(), (QList<RemoteEntry>{{href, first}}));

        // A name the server does not know is left out of the answer.
        auto objects = client->fetch({href, client->path() + u"missing.ics"_s});
        QCOMPARE(objects.size(), 1);
        QCOMPARE(objects.first().href, href);
        QCOMPARE(objects.first().etag, first);
        QVERIFY(objects.first().ics.contains("SUMMARY:first"));
        QVERIFY(objects.first().ics.contains(uid.toUtf8()));
        // iCalendar lines end in CRLF, though XML carried them as LF.
        QCOMPARE(objects.first().ics.count('\n'), objects.first().ics.count("\r\n"));

        const QString second = client->put(href, todo(uid, u"second"_s), first);
        QVERIFY(!second.isEmpty() && second != first);
        QVERIFY(client->ctag() != oneTag);
        objects = client->fetch({href});
        QCOMPARE(objects.size(), 1);
        QVERIFY(objects.first().ics.contains("SUMMARY:second"));

        client->remove(href, second);
        QVERIFY(client->list().isEmpty());
        // Already gone counts as deleted.
        client->remove(href, second);
        QVERIFY(client->fetch({href}).isEmpty());
    }

    // More to-dos than one multiget asks for all come back, each once.
    void fetchInBatches_data() { addKinds(); }
    void fetchInBatches()
    {
        const auto client = rowCalendar();
        QVERIFY(client);
        client->setFetchBatch(3);
        QStringList hrefs;
        for (int i = 0; i < 7; ++i) {
            const QString uid = u"batch-%1"_s.arg(i);
            hrefs << client->hrefFor(uid);
            client->put(hrefs.last(), todo(uid, u"task %1"_s.arg(i)), {});
        }
        hrefs.sort();
        QCOMPARE(hrefsOf(client->list()), hrefs);
        QStringList fetched;
        for (const auto &object : client->fetch(hrefs))
            fetched << object.href;
        fetched.sort();
        QCOMPARE(fetched, hrefs);
    }

    // Writes against a version that is not the server's any more are refused.
    void preconditions_data() { addKinds(); }
    void preconditions()
    {
        const auto client = rowCalendar();
        QVERIFY(client);
        const QString uid = u"precondition@nudgewick"_s;
        const QString href = client->hrefFor(uid);
        const QString stale = client->put(href, todo(uid, u"one"_s), {});
        const QString current = client->put(href, todo(uid, u"two"_s), stale);

        using K = RemoteError::Kind;
        QCOMPARE(errorOf([&] { client->put(href, todo(uid, u"three"_s), stale); }), K::PreconditionFailed);
        QCOMPARE(errorOf([&] { client->put(href, todo(uid, u"again"_s), {}); }), K::PreconditionFailed);
        QCOMPARE(errorOf([&] { client->remove(href, stale); }), K::PreconditionFailed);
        QCOMPARE(client->list(), (QList<RemoteEntry>{{href, current}}));
        QVERIFY(client->fetch({href}).first().ics.contains("SUMMARY:two"));
    }

    // The sync-collection report names what changed and what went since a token.
    void changesSince_data() { addKinds(); }
    void changesSince()
    {
        const auto client = rowCalendar();
        QVERIFY(client);

        const auto start = client->changesSince({});
        QVERIFY(start);
        QVERIFY(start->changed.isEmpty());
        QVERIFY(!start->syncToken.isEmpty());

        const QString a = client->hrefFor(u"a"_s), b = client->hrefFor(u"b"_s);
        const QString etagA = client->put(a, todo(u"a"_s, u"A"_s), {});
        const QString etagB = client->put(b, todo(u"b"_s, u"B"_s), {});
        const auto added = client->changesSince(start->syncToken);
        QVERIFY(added);
        QCOMPARE(hrefsOf(added->changed), (QStringList{a, b}));
        QVERIFY(added->removed.isEmpty());

        client->remove(a, etagA);
        const QString newB = client->put(b, todo(u"b"_s, u"B2"_s), etagB);
        const auto changed = client->changesSince(added->syncToken);
        QVERIFY(changed);
        QCOMPARE(changed->changed, (QList<RemoteEntry>{{b, newB}}));
        QCOMPARE(changed->removed, QStringList{a});

        const auto nothing = client->changesSince(changed->syncToken);
        QVERIFY(nothing);
        QVERIFY(nothing->changed.isEmpty() && nothing->removed.isEmpty());

        // A token the server never gave means: read the whole list again.
        QCOMPARE(errorOf([&] { client->changesSince(client->url() + u"?not-a-token"_s); }),
                 RemoteError::Kind::PreconditionFailed);
    }

    void refusedPassword()
    {
        CalDavServer *server = shared(Kind::Radicale);
        QVERIFY(server);
        QCOMPARE(errorOf([&] { CalDavClient::open(server->account(), u"wrong"_s); }),
                 RemoteError::Kind::Unauthorized);
        QCOMPARE(errorOf([&] { CalDavClient::open(server->account(server->collection()), {}); }),
                 RemoteError::Kind::Unauthorized);
    }

    // A closed port, and a server that takes the connection but never
    // answers, are both "unreachable", and soon.
    void unreachable_data()
    {
        QTest::addColumn<bool>("listening");
        QTest::newRow("closed port") << false;
        QTest::newRow("silent server") << true;
    }
    void unreachable()
    {
        QFETCH(bool, listening);
        QTcpServer silent;
        quint16 port = closedPort();
        if (listening) {
            QVERIFY(silent.listen(QHostAddress::LocalHost, 0));
            port = silent.serverPort();
        }
        tasksync::Account account;
        account.address = QUrl(u"http://127.0.0.1:%1/"_s.arg(port));
        account.user = u"alice"_s;
        QElapsedTimer timer;
        timer.start();
        QCOMPARE(errorOf([&] { CalDavClient::open(account, u"secret"_s, std::chrono::milliseconds(300)); }),
                 RemoteError::Kind::Unreachable);
        QVERIFY(timer.elapsed() < 5000);
    }

    // Answers the client cannot use end in the error of their kind; a
    // redirect to another server or port is not followed, so the request
    // (and the password with it) never leaves the configured address.
    void unusableAnswers_data()
    {
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<RemoteError::Kind>("kind");
        using K = RemoteError::Kind;
        const QByteArray multistatus = "Content-Type: application/xml\r\n";
        QTest::newRow("redirect to another host")
            << httpAnswer("301 Moved Permanently", "Location: http://127.0.0.2:OTHERHOST/dav/\r\n") << K::Protocol;
        QTest::newRow("redirect to another port")
            << httpAnswer("307 Temporary Redirect", "Location: http://127.0.0.1:OTHERPORT/dav/\r\n") << K::Protocol;
        QTest::newRow("redirect to https")
            << httpAnswer("308 Permanent Redirect", "Location: https://127.0.0.1:OTHERPORT/dav/\r\n") << K::Protocol;
        QTest::newRow("redirect in circles") << httpAnswer("302 Found", "Location: /\r\n") << K::Protocol;
        QTest::newRow("broken XML")
            << httpAnswer("207 Multi-Status", multistatus, "<multistatus xmlns='DAV:'><response><href>/</hr")
            << K::Protocol;
        QTest::newRow("no multistatus") << httpAnswer("207 Multi-Status", multistatus, "<html/>") << K::Protocol;
        QTest::newRow("no calendar anywhere") << httpAnswer("404 Not Found") << K::Protocol;
        QTest::newRow("forbidden") << httpAnswer("403 Forbidden") << K::Unauthorized;
        QTest::newRow("server error") << httpAnswer("500 Internal Server Error") << K::Protocol;
        QTest::newRow("overloaded") << httpAnswer("503 Service Unavailable") << K::Unreachable;
    }
    void unusableAnswers()
    {
        QFETCH(QByteArray, answer);
        QFETCH(RemoteError::Kind, kind);
        QTcpServer otherHost, otherPort;
        QVERIFY(otherHost.listen(QHostAddress(u"127.0.0.2"_s), 0));
        QVERIFY(otherPort.listen(QHostAddress::LocalHost, 0));
        answer.replace("OTHERHOST", QByteArray::number(otherHost.serverPort()));
        answer.replace("OTHERPORT", QByteArray::number(otherPort.serverPort()));
        CannedHttpServer server(answer);
        QVERIFY(server.listen(QHostAddress::LocalHost, 0));
        tasksync::Account account;
        account.address = QUrl(u"http://127.0.0.1:%1/"_s.arg(server.serverPort()));
        account.user = u"alice"_s;
        QCOMPARE(errorOf([&] { CalDavClient::open(account, u"secret"_s, std::chrono::milliseconds(2000)); }), kind);
        QVERIFY(!otherHost.hasPendingConnections());
        QVERIFY(!otherPort.hasPendingConnections());
    }

    // An untrusted certificate is its own kind of failure, with the reason.
    void untrustedCertificate()
    {
        QTemporaryDir dir;
        const QString certificate = dir.filePath(u"cert.pem"_s), key = dir.filePath(u"key.pem"_s);
        QProcess openssl;
        openssl.start(u"openssl"_s, {u"req"_s, u"-x509"_s, u"-newkey"_s, u"ec"_s, u"-pkeyopt"_s,
                                     u"ec_paramgen_curve:prime256v1"_s, u"-nodes"_s, u"-days"_s, u"1"_s,
                                     u"-subj"_s, u"/CN=127.0.0.1"_s, u"-keyout"_s, key, u"-out"_s, certificate});
        if (!openssl.waitForStarted())
            QSKIP("openssl is not installed");
        QVERIFY(openssl.waitForFinished(30000) && openssl.exitCode() == 0);
        CalDavServer server(Kind::Radicale);
        server.useTls(certificate, key);
        QVERIFY2(server.start(), qPrintable(server.why()));
        QCOMPARE(server.root().scheme(), u"https"_s);
        try {
            CalDavClient::open(server.account(), server.password(), std::chrono::milliseconds(5000));
            QFAIL("a connection with an untrusted certificate was accepted");
        } catch (const RemoteError &error) {
            QCOMPARE(error.kind, RemoteError::Kind::Certificate);
            QVERIFY2(error.text.contains(u"certificate"_s, Qt::CaseInsensitive), qPrintable(error.text));
        }
    }

    // The sync pass uses the client on a thread without an event loop of its own.
    void workerThread()
    {
        CalDavServer *server = shared(Kind::Radicale);
        QVERIFY(server);
        const QUrl url = server->addCalendar(u"threaded"_s, {u"VTODO"_s});
        QVERIFY(!url.isEmpty());
        QList<RemoteEntry> entries;
        QString failure;
        std::unique_ptr<QThread> thread(QThread::create([&] {
            try {
                const auto client = CalDavClient::open(server->account(url), server->password());
                client->put(client->hrefFor(u"t"_s), todo(u"t"_s, u"from a thread"_s), {});
                entries = client->list();
            } catch (const RemoteError &error) {
                failure = error.text;
            }
        }));
        thread->start();
        QVERIFY(thread->wait(60000));
        QCOMPARE(failure, QString());
        QCOMPARE(entries.size(), 1);
    }

    // Another CalDAV client and ours read what the other wrote.
    void peerClient_data() { addKinds(); }
    void peerClient()
    {
        QFETCH(Kind, kind);
        CalDavServer *server = shared(kind);
        QVERIFY(server);
        const auto client = freshCalendar(*server);
        QVERIFY(client);
        const QStringList login{client->url(), server->user(), server->password()};

        runPeer(QStringList{u"put"_s} + login + QStringList{u"peer-1"_s, u"Written by the peer"_s});
        if (QTest::currentTestFailed())
            return;
        const QList<RemoteEntry> entries = client->list();
        QCOMPARE(entries.size(), 1);
        const auto objects = client->fetch({entries.first().href});
        QCOMPARE(objects.size(), 1);
        QVERIFY(objects.first().ics.contains("SUMMARY:Written by the peer"));
        QVERIFY(objects.first().ics.contains("UID:peer-1"));

        client->put(client->hrefFor(u"ours-1"_s), todo(u"ours-1"_s, u"Written here"_s), {});
        QByteArray output;
        runPeer(QStringList{u"get"_s} + login + QStringList{u"ours-1"_s}, &output);
        if (QTest::currentTestFailed())
            return;
        QCOMPARE(output.trimmed(), QByteArray("Written here"));
    }
};

QTEST_GUILESS_MAIN(TestCalDavClient)
#include "tst_CalDavClient.moc"
