#include "toolkit/ScriptedPrompter.h"
#include "update/UpdateChecker.h"
#include "update/Version.h"

#include <QDir>
#include <QGuiApplication>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {
// A web server on a loopback port of its own that answers every request
// with one prepared response, or never answers at all.
class TinyHttpServer : public QObject
{
public:
    QByteArray response; // the whole HTTP response; empty: keep the caller waiting
    QList<QTcpSocket *> clients;

    TinyHttpServer()
    {
        m_server.listen(QHostAddress::LocalHost, 0);
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *socket = m_server.nextPendingConnection()) {
                clients << socket;
                connect(socket, &QTcpSocket::readyRead, this, [this, socket] {
                    m_request += socket->readAll();
                    if (!m_request.contains("\r\n\r\n") || response.isEmpty())
                        return;
                    socket->write(response);
                    socket->disconnectFromHost();
                });
            }
        });
    }
    QUrl url() const { return QUrl(u"http://127.0.0.1:%1/padfile.xml"_s.arg(m_server.serverPort())); }

private:
    QTcpServer m_server;
    QByteArray m_request;
};

QByteArray reply(int status, const QByteArray &body, bool withLength = true)
{
    QByteArray head = "HTTP/1.1 " + QByteArray::number(status) + " Status\r\nContent-Type: text/xml\r\n"
                      "Connection: close\r\n";
    if (withLength)
        head += "Content-Length: " + QByteArray::number(body.size()) + "\r\n";
    return head + "\r\n" + body;
}

QByteArray padFile(const QByteArray &versionLine)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<XML_DIZ_INFO>\n<Program_Info>\n"
           "<Program_Name>Nudgewick</Program_Name>\n"
           + versionLine + "\n<Program_Release_Status>Major Update</Program_Release_Status>\n"
           "</Program_Info>\n</XML_DIZ_INFO>\n";
}

const QString NotConnected = u"You are not connected to the internet"_s;
const QString Unreadable = u"Nudgewick could not read the published version"_s;
}

class TestUpdateChecker : public QObject
{
    Q_OBJECT
private slots:
    void compareVersions_data()
    {
        QTest::addColumn<QString>("a");
        QTest::addColumn<QString>("b");
        QTest::addColumn<int>("order");
        QTest::newRow("equal") << u"3.1.0.7"_s << u"3.1.0.7"_s << 0;
        QTest::newRow("build") << u"3.1.0.7"_s << u"3.1.1.0"_s << -1;
        QTest::newRow("numbers, not text") << u"3.9.0.0"_s << u"3.10.0.0"_s << -1;
        QTest::newRow("missing parts are 0") << u"3.1"_s << u"3.1.0.0"_s << 0;
        QTest::newRow("longer is newer") << u"3.1.0.0"_s << u"3.1.0.0.1"_s << -1;
        QTest::newRow("empty is no version") << u""_s << u"0.0.0.0"_s << -1;
        QTest::newRow("text is no version") << u"3.1.0.7"_s << u"3.x"_s << 1;
    }
    void compareVersions()
    {
        QFETCH(QString, a);
        QFETCH(QString, b);
        QFETCH(int, order);
        QCOMPARE(std::clamp(::compareVersions(a, b), -1, 1), order);
        QCOMPARE(std::clamp(::compareVersions(b, a), -1, 1), -order);
    }

    void check_data()
    {
        QTest::addColumn<QString>("own");
        QTest::addColumn<QByteArray>("response"); // empty with `refused` false: the server never answers
        QTest::addColumn<bool>("refused");
        QTest::addColumn<QString>("announced");   // the newer version announced, if any
        QTest::addColumn<QString>("manualReport"); // what a manual check tells (start of the text)

        const auto ok = [](const QByteArray &line) { return reply(200, padFile(line)); };
        QTest::newRow("newer") << u"3.1.0.7"_s << ok("<Program_Version>3.1.1.0</Program_Version>") << false
                               << u"3.1.1.0"_s << QString();
        QTest::newRow("equal") << u"3.1.0.7"_s << ok("<Program_Version>3.1.0.7</Program_Version>") << false
                               << QString() << u"Nudgewick v3.1.0.7 is the latest version!"_s;
        QTest::newRow("older") << u"3.1.0.7"_s << ok("<Program_Version>3.0.9.9</Program_Version>") << false
                               << QString() << u"Nudgewick v3.1.0.7 is the latest version!"_s;
        QTest::newRow("3.10 after 3.9") << u"3.9.0.0"_s << ok("<Program_Version>3.10.0.0</Program_Version>")
                                        << false << u"3.10.0.0"_s << QString();
        QTest::newRow("3.9 before 3.10") << u"3.10.0.0"_s << ok("<Program_Version>3.9.0.0</Program_Version>")
                                         << false << QString() << u"Nudgewick v3.10.0.0 is the latest version!"_s;
        QTest::newRow("indented line") << u"3.1.0.7"_s << ok("\t  <Program_Version>3.2.0.0</Program_Version>  ")
                                       << false << u"3.2.0.0"_s << QString();
        QTest::newRow("no Program_Version") << u"3.1.0.7"_s << ok("<Program_Name>x</Program_Name>") << false
                                            << QString() << Unreadable;
        QTest::newRow("HTTP 404") << u"3.1.0.7"_s << reply(404, "<html>Not found</html>") << false << QString()
                                  << Unreadable;
        QTest::newRow("connection refused") << u"3.1.0.7"_s << QByteArray() << true << QString() << NotConnected;
        // A server that answers, but not with a description, is reached.
        QTest::newRow("redirect loop") << u"3.1.0.7"_s
                                       << QByteArray("HTTP/1.1 302 Found\r\nLocation: /padfile.xml\r\n"
                                                     "Content-Length: 0\r\nConnection: close\r\n\r\n")
                                       << false << QString() << Unreadable;
        QTest::newRow("not HTTP") << u"3.1.0.7"_s << QByteArray("SSH-2.0-OpenSSH\r\n\r\n") << false << QString()
                                  << Unreadable;
        // 800 KB of digits is no version, and no newer one.
        QTest::newRow("version too long") << u"3.1.0.7"_s
                                          << ok("<Program_Version>" + QByteArray(800 * 1024, '9') + "</Program_Version>")
                                          << false << QString() << Unreadable;
        QTest::newRow("time-out") << u"3.1.0.7"_s << QByteArray() << false << QString() << NotConnected;
        const QByteArray huge = padFile("<Program_Version>9.0.0.0</Program_Version>")
                                + QByteArray(UpdateChecker::SizeLimit, ' ');
        QTest::newRow("oversized") << u"3.1.0.7"_s << reply(200, huge) << false << QString() << Unreadable;
        QTest::newRow("oversized, no length") << u"3.1.0.7"_s << reply(200, huge, false) << false << QString()
                                              << Unreadable;
    }
    // Each case runs as a manual and as a silent check: both announce a
    // newer version; only the manual one reports anything else.
    void check()
    {
        QFETCH(QString, own);
        QFETCH(QByteArray, response);
        QFETCH(bool, refused);
        QFETCH(QString, announced);
        QFETCH(QString, manualReport);

        for (const bool silent : {false, true}) {
            TinyHttpServer server;
            server.response = response;
            QUrl url = server.url();
            if (refused) {
                auto closed = std::make_unique<TinyHttpServer>();
                url = closed->url(); // nobody listens there once it has gone
            }
            QTemporaryDir dir;
            ScriptedPrompter prompter;
            UpdateChecker checker(prompter, dir.path());
            checker.setUrl(url);
            checker.setOwnVersion(own);
            checker.setTimeout(500);
            QSignalSpy newer(&checker, &UpdateChecker::newerVersionFound);
            QSignalSpy finished(&checker, &UpdateChecker::finished);

            checker.UpdateCheck(silent);
            QVERIFY(checker.isRunning());
            QVERIFY2(finished.wait(10000), silent ? "silent" : "manual");
            QVERIFY(!checker.isRunning());

            QCOMPARE(newer.size(), announced.isEmpty() ? 0 : 1);
            if (!announced.isEmpty())
                QCOMPARE(newer.at(0), (QVariantList{announced, silent}));
            if (silent || manualReport.isEmpty()) {
                QCOMPARE(prompter.shown, QStringList());
            } else {
                QCOMPARE(prompter.shown.size(), 1);
                QVERIFY2(prompter.shown.at(0).startsWith(u"message: "_s + manualReport),
                         qPrintable(prompter.shown.at(0)));
            }
            // Nothing is left behind: no description file, no wait cursor.
            QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList());
            QCOMPARE(QGuiApplication::overrideCursor(), nullptr);
        }
    }

    // A manual check asked for while a silent one runs gets the answer.
    void manualJoinsRunningSilentCheck()
    {
        TinyHttpServer server;
        server.response = reply(200, padFile("<Program_Version>1.0.0.0</Program_Version>"));
        QTemporaryDir dir;
        ScriptedPrompter prompter;
        UpdateChecker checker(prompter, dir.path());
        checker.setUrl(server.url());
        checker.setOwnVersion(u"1.0.0.0"_s);
        QSignalSpy finished(&checker, &UpdateChecker::finished);
        checker.UpdateCheck(true);
        checker.UpdateCheck(false);
        QVERIFY(finished.wait(10000));
        QCOMPARE(prompter.shown, QStringList{u"message: Nudgewick v1.0.0.0 is the latest version!"_s});
        QCOMPARE(finished.size(), 1);
        QCOMPARE(QGuiApplication::overrideCursor(), nullptr);
    }

    // The version line rule: the last line holding the element wins.
    void readProgramVersion_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QString>("version");
        QTest::newRow("one line") << QByteArray("<Program_Version>3.1.0.7</Program_Version>\n") << u"3.1.0.7"_s;
        QTest::newRow("later line wins") << QByteArray("<Program_Version>1</Program_Version>\n"
                                                       "<Program_Version>2</Program_Version>\n")
                                         << u"2"_s;
        QTest::newRow("after another element") << QByteArray("<a>x</a><Program_Version>4.0</Program_Version>")
                                               << u"4.0"_s;
        QTest::newRow("no closing tag") << QByteArray("<Program_Version>4.0\n") << QString();
        QTest::newRow("64 characters") << "<Program_Version>" + QByteArray(64, '1') + "</Program_Version>\n"
                                       << QString(64, u'1');
        QTest::newRow("65 characters") << "<Program_Version>" + QByteArray(65, '1') + "</Program_Version>\n"
                                       << QString();
        QTest::newRow("none") << QByteArray("<Program_Name>x</Program_Name>\n") << QString();
    }
    void readProgramVersion()
    {
        QFETCH(QByteArray, text);
        QFETCH(QString, version);
        QTemporaryDir dir;
        const QString path = dir.filePath(u"padfile.xml"_s);
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(text);
        file.close();
        QCOMPARE(UpdateChecker::readProgramVersion(path), version);
        QVERIFY(!QFile::exists(path)); // deleted after reading
    }
};

QTEST_MAIN(TestUpdateChecker)
#include "tst_UpdateChecker.moc"
