// Every writer of a whole file on a full disk: the write is refused, the
// refusal is reported, and the file that was there stays as it was, with
// nothing left beside it.

#include "core/Error.h"
#include "reports/ReportPreview.h"
#include "reports/TaskReports.h"
#include "settings/ProfileFile.h"
#include "settings/ProfileStream.h"
#include "support/FileContent.h"
#include "support/FileSizeLimit.h"
#include "toolkit/AutostartEntry.h"
#include "toolkit/ScriptedPrompter.h"
#include "update/UpdateChecker.h"
#include "views/GridLayout.h"

#include <QApplication>
#include <QDir>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {
// Answers every request on a loopback port with one prepared response.
class OneAnswerServer : public QObject
{
public:
    explicit OneAnswerServer(QByteArray response) : m_response(std::move(response))
    {
        m_server.listen(QHostAddress::LocalHost, 0);
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *socket = m_server.nextPendingConnection()) {
                connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
                    m_request += socket->readAll();
                    if (!m_request.contains("\r\n\r\n"))
                        return;
                    socket->write(m_response);
                    socket->disconnectFromHost();
                });
            }
        });
    }
    QUrl url() const { return QUrl(u"http://127.0.0.1:%1/padfile.xml"_s.arg(m_server.serverPort())); }

private:
    QTcpServer m_server;
    QByteArray m_response;
    QByteArray m_request;
};

// The disk takes no more than this many bytes of any one file.
constexpr rlim_t DiskSpace = 64;
}

class TestFullDisk : public QObject
{
    Q_OBJECT
private slots:
    void refusedWriteIsReportedAndKeepsTheOldFile_data()
    {
        QTest::addColumn<QString>("writer");
        QTest::addColumn<QString>("fileName");
        QTest::newRow("settings file") << u"settings"_s << u"Nudgewick.ini"_s;
        QTest::newRow("transfer file") << u"transfer"_s << u"DataExport.ini"_s;
        QTest::newRow("grid layout") << u"layout"_s << u"All.ini"_s;
        QTest::newRow("autostart entry") << u"autostart"_s << u"nudgewick.desktop"_s;
        QTest::newRow("report PDF") << u"report"_s << u"report.pdf"_s;
        QTest::newRow("update description") << u"update"_s << u"padfile.xml"_s;
    }
    void refusedWriteIsReportedAndKeepsTheOldFile()
    {
        QFETCH(QString, writer);
        QFETCH(QString, fileName);
        QTemporaryDir dir;
        const QString path = dir.filePath(fileName);
        const QByteArray old("the file as it was\n");
        writeFile(path, old);

        QString reported; // what the writer said of the refusal
        {
            FileSizeLimit full(DiskSpace);
            try {
                if (writer == u"settings"_s) {
                    ProfileFile file(path);
                    file.setValue(u"Settings"_s, u"Exit Dialog"_s, u"1"_s);
                    file.setValue(u"Tasks"_s, u"LastView"_s, QString(200, u'v'));
                    file.save();
                } else if (writer == u"transfer"_s) {
                    ProfileWriter file(path);
                    for (int task = 1; task <= 20; ++task) {
                        file.beginSection(QString::number(task));
                        file.writeValue(u"Task"_s, u"Task number %1"_s.arg(task));
                    }
                    file.commit();
                } else if (writer == u"layout"_s) {
                    GridLayout layout;
                    layout.columns = {{u"Task"_s, 200, true, false}, {u"Priority"_s, 40, true, false}};
                    layout.orderFields = u"Priority,Task"_s;
                    layout.write(path);
                } else if (writer == u"autostart"_s) {
                    AutostartEntry entry(dir.path(), fileName);
                    entry.setCommand(u"/usr/bin/nudgewick"_s, {u"Startup"_s});
                    if (!entry.setEnabled(true))
                        reported = entry.errorString();
                } else if (writer == u"report"_s) {
                    ReportData data({u"Priority"_s, u"Category"_s, u"Task"_s, u"DueDateTime"_s,
                                     u"AlarmDateTime"_s, u"Notes"_s});
                    data.appendRow({u"1"_s, u"Work"_s, u"Write the report"_s, u"2026/12/10 09:00"_s,
                                    u"2026/12/10 08:45"_s, QString()});
                    saveReportAsPdf(ReportDocument(TQuickReport0(), data, u"2026/12/10 08:00"_s), path);
                } else if (writer == u"update"_s) {
                    OneAnswerServer server("HTTP/1.1 200 OK\r\nContent-Type: text/xml\r\nConnection: close\r\n\r\n"
                                           "<?xml version=\"1.0\"?>\n<XML_DIZ_INFO><Program_Info>\n"
                                           "<Program_Version>9.0.0.0</Program_Version>\n"
                                           "</Program_Info></XML_DIZ_INFO>\n");
                    ScriptedPrompter prompter;
                    UpdateChecker checker(prompter, dir.path());
                    checker.setUrl(server.url());
                    checker.setOwnVersion(u"1.0.0.0"_s);
                    QSignalSpy newer(&checker, &UpdateChecker::newerVersionFound);
                    QSignalSpy finished(&checker, &UpdateChecker::finished);
                    checker.UpdateCheck(false);
                    QVERIFY(finished.wait(10000));
                    QCOMPARE(newer.size(), 0);
                    QCOMPARE(prompter.shown.size(), 1);
                    if (prompter.shown.at(0).contains(u"could not write"_s))
                        reported = prompter.shown.at(0);
                }
            } catch (const Error &e) {
                reported = e.text();
            }
        }

        QVERIFY2(!reported.isEmpty(), "the refused write was not reported");
        QVERIFY2(!reported.contains(u"Unknown error"_s, Qt::CaseInsensitive), qPrintable(reported));
        QCOMPARE(readFile(path), old);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{fileName});
    }
};

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    TestFullDisk test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_FullDisk.moc"
