// The main window's side of sync, with a runner that passes when told: the
// status bar's words per outcome, a refused password said once, the pass
// timer, "Sync Now" without an account, and the task list read again after
// a pass changed tasks.

#include "support/MainWindowFixture.h"
#include "support/FileContent.h"

#include "app/AppTrayIcon.h"
#include "app/SyncControl.h"
#include "settings/ProfileFile.h"
#include "sync/SyncRunner.h"
#include "views/TaskGridModel.h"

#include <QAction>
#include <QMenu>
#include <QRegularExpression>
#include <QLabel>
#include <QTabWidget>
#include <QTest>

using namespace Qt::StringLiterals;
using tasksync::Outcome;

Q_DECLARE_METATYPE(tasksync::Outcome)

namespace {

class FakeRunner final : public tasksync::SyncRunner
{
public:
    using SyncRunner::SyncRunner;

    tasksync::Account account;
    QString password;
    int passes = 0;
    bool busy = false;

    void setAccount(const tasksync::Account &a, const QString &p) override
    {
        account = a;
        password = p;
    }
    bool running() const override { return busy; }
    void syncNow() override
    {
        if (busy)
            return;
        ++passes;
        busy = true;
        emit started();
    }
    void finish(Outcome outcome, const QString &error = {}, const QDateTime &at = {})
    {
        busy = false;
        tasksync::Report report;
        report.outcome = outcome;
        report.finished = at.isValid() ? at : QDateTime(QDate(2026, 12, 10), QTime(10, 42));
        report.sent = 3;
        report.received = 2;
        report.deleted = 1;
        report.conflicts = 1;
        report.error = error;
        emit finished(report);
    }
    // A whole pass, as a real runner makes it.
    void pass(Outcome outcome, const QString &error = {})
    {
        syncNow();
        finish(outcome, error);
    }
};

// A main window whose settings file holds an account (or none), with the
// fake runner in place before start-up.
struct SyncWindow : MainWindowFixture
{
    FakeRunner runner;

    explicit SyncWindow(const QByteArray &sync = "[Sync]\nAddress=https://dav.example.org/\nUser=ann\n")
    {
        writeFile(ini(), sync);
        qputenv("XDG_CONFIG_HOME", dir.filePath(u"config"_s).toLocal8Bit());
        window = std::make_unique<TfNudgewick>(dm, state, prompter, clock, dir.path());
        window->setSyncRunner(&runner);
        window->FormCreate();
    }
    ~SyncWindow()
    {
        // The window lets go of the runner before the runner goes.
        window.reset();
    }
    SyncControl *sync() const { return window->syncControl(); }
    QLabel *panel() const { return window->findChild<QLabel *>(u"sbSync"_s); }
    QStringList exclamations() const { return prompter.shown.filter(QRegularExpression(u"^exclamation: "_s)); }
    // A pass on request; the account is handed over, with the password read
    // from the store, before it starts.
    bool syncNow()
    {
        const int before = runner.passes;
        window->aSyncNow->trigger();
        return QTest::qWaitFor([&] { return runner.passes == before + 1 && runner.account.configured(); }, 20000);
    }
};

} // namespace

class TestSync : public QObject
{
    Q_OBJECT
private slots:
    void cleanup()
    {
        while (QWidget *modal = QApplication::activeModalWidget())
            modal->close();
    }

    void statusWords_data()
    {
        QTest::addColumn<Outcome>("outcome");
        QTest::addColumn<QString>("error");
        QTest::addColumn<QString>("text");
        QTest::newRow("synced") << Outcome::Synced << QString() << u"Synced at 10:42"_s;
        QTest::newRow("offline") << Outcome::Offline << u"dav.example.org could not be reached."_s
                                 << u"Offline — changes will be sent when the server can be reached"_s;
        QTest::newRow("failed") << Outcome::Failed << u"The server answered 507 Insufficient Storage."_s
                                << u"Sync failed: The server answered 507 Insufficient Storage."_s;
        QTest::newRow("password refused, no sentence")
            << Outcome::AuthFailed << QString() << u"Sync failed: The server refused the user name or the password."_s;
        QTest::newRow("certificate") << Outcome::CertificateFailed << u"The server's certificate has expired."_s
                                     << u"Sync failed: The server's certificate has expired."_s;
    }
    void statusWords()
    {
        QFETCH(Outcome, outcome);
        QFETCH(QString, error);
        QFETCH(QString, text);
        SyncWindow f;
        QVERIFY(!f.panel()->isVisibleTo(f.window.get()));
        QVERIFY(f.syncNow());
        QCOMPARE(f.runner.password, QString());
        QCOMPARE(f.panel()->text(), u"Syncing…"_s);
        QVERIFY(f.panel()->isVisibleTo(f.window.get()));
        f.runner.finish(outcome, error);
        QCOMPARE(f.panel()->text(), text);
        const QString tip = f.panel()->toolTip();
        QVERIFY2(tip.contains(u"Sent: 3 · Received: 2 · Deleted: 1 · Conflicts: 1"_s), qPrintable(tip));
        QVERIFY2(tip.contains(u"10:42"_s), qPrintable(tip));
        if (!error.isEmpty())
            QVERIFY2(tip.contains(error), qPrintable(tip));
    }

    // A refused password is said once, over any number of passes, until the
    // account changes or a pass succeeds; a certificate problem likewise.
    void refusalSaidOnce()
    {
        SyncWindow f;
        QVERIFY(f.syncNow());
        f.runner.finish(Outcome::AuthFailed, u"The server refused user ann."_s);
        QCOMPARE(f.exclamations().size(), 1);
        QVERIFY2(f.exclamations().at(0).contains(u"dav.example.org"_s)
                     && f.exclamations().at(0).contains(u"The server refused user ann."_s),
                 qPrintable(f.exclamations().at(0)));
        f.runner.pass(Outcome::AuthFailed, u"The server refused user ann."_s);
        f.runner.pass(Outcome::Offline);
        f.runner.pass(Outcome::CertificateFailed);
        QCOMPARE(f.exclamations().size(), 1);
        QCOMPARE(f.panel()->text(), u"Sync failed: The server's certificate is not trusted."_s);

        // Another password: said again, once.
        tasksync::Account account = f.sync()->account();
        f.sync()->setAccount(account, u"better"_s);
        QCOMPARE(f.runner.password, u"better"_s);
        f.runner.pass(Outcome::AuthFailed);
        f.runner.pass(Outcome::AuthFailed);
        QCOMPARE(f.exclamations().size(), 2);

        // Only the interval changes: the same account, nothing said.
        account.intervalMinutes = 30;
        f.sync()->setAccount(account, std::nullopt);
        f.runner.pass(Outcome::AuthFailed);
        QCOMPARE(f.exclamations().size(), 2);

        // A pass that succeeds ends the silence.
        f.runner.pass(Outcome::Synced);
        f.runner.pass(Outcome::AuthFailed);
        QCOMPARE(f.exclamations().size(), 3);
    }

    // The pass timer: a first pass shortly after start-up, then one each
    // interval after the end of the last; never armed while a pass runs,
    // at interval 0, or with sync off.
    void passTimer()
    {
        SyncWindow f("[Sync]\nAddress=https://dav.example.org/\nInterval=15\n");
        QTimer *timer = f.sync()->passTimer();
        QVERIFY(timer->isActive());
        QVERIFY(!f.sync()->hasSecrets());
        QVERIFY(timer->isSingleShot());
        QCOMPARE(timer->interval(), SyncControl::StartDelayMs);
        timer->setInterval(1); // restarts it: its time is up at once
        QTRY_COMPARE(f.runner.passes, 1);
        QVERIFY(!timer->isActive());
        f.runner.finish(Outcome::Offline);
        QVERIFY(timer->isActive());
        QCOMPARE(timer->interval(), 15 * 60000);
        timer->setInterval(1);
        QTRY_COMPARE(f.runner.passes, 2);
        f.runner.finish(Outcome::Synced);

        // OK in the settings with the account as it was: the next pass
        // keeps its time (a minute off here), it is not put off again.
        timer->start(60000);
        f.sync()->setAccount(f.sync()->account(), std::nullopt);
        QVERIFY(timer->isActive());
        QCOMPARE(timer->interval(), 60000);

        // Interval 0: passes only on request.
        tasksync::Account account = f.sync()->account();
        account.intervalMinutes = 0;
        f.sync()->setAccount(account, std::nullopt);
        QVERIFY(!timer->isActive());
        f.window->aSyncNow->trigger();
        f.runner.finish(Outcome::Synced);
        QCOMPARE(f.runner.passes, 3);
        QVERIFY(!timer->isActive());

        // Sync off: the runner is told, the timer stays still, nothing is shown.
        account.address.clear();
        f.sync()->setAccount(account, std::nullopt);
        QVERIFY(!f.runner.account.configured());
        QVERIFY(!timer->isActive());
        QVERIFY(!f.panel()->isVisibleTo(f.window.get()));
    }

    void intervalZeroAtStartUp()
    {
        SyncWindow f("[Sync]\nAddress=https://dav.example.org/\nInterval=0\n");
        QTest::qWait(20);
        QVERIFY(!f.sync()->passTimer()->isActive());
        QCOMPARE(f.runner.passes, 0);
        // Nothing asked the secret service either.
        QVERIFY(!f.sync()->hasSecrets());
        QVERIFY(f.syncNow());
    }

    // Without an account "Sync Now" opens the settings on the Sync page and
    // runs no pass; it is in the File menu and the tray menu.
    void syncNowWithoutAccount()
    {
        SyncWindow f("");
        QVERIFY(!f.sync()->passTimer()->isActive());
        QVERIFY(f.window->aSyncNow->isVisible());
        QVERIFY(f.window->trayIcon()->pmTrayIcon()->actions().contains(f.window->aSyncNow));
        QCOMPARE(f.window->aSyncNow->shortcut(), QKeySequence(Qt::Key_F9));
        QString page;
        QTimer::singleShot(0, qApp, [&page] {
            if (QWidget *dialog = QApplication::activeModalWidget()) {
                if (auto *pages = dialog->findChild<QTabWidget *>(u"PageControl1"_s))
                    page = pages->currentWidget()->objectName();
                dialog->close();
            }
        });
        f.window->aSyncNow->trigger();
        QCOMPARE(page, u"tsSync"_s);
        QCOMPARE(f.runner.passes, 0);
    }

    // A pass that changed tasks: the list is read again with the current
    // task kept, the value lists follow and the alarm scan is asked for.
    // A change being typed into the grid is not thrown away for it.
    void listReadAgain()
    {
        SyncWindow f;
        for (const QString &task : {u"Alpha"_s, u"Beta"_s, u"Gamma"_s}) {
            f.dm.tImport.open();
            f.dm.tImport.append();
            f.dm.tImport.setFieldValue(u"Task"_s, task);
            f.dm.tImport.post();
        }
        f.window->FormActivate();
        QCOMPARE(f.window->gridModel()->rowCount(), 3);
        QVERIFY(f.dm.qTasks.locate(u"Task"_s, u"Beta"_s));
        const QVariant beta = f.dm.qTasks.fieldByName(u"ID"_s).value();

        // The pass wrote a task (on its own connection, in a real runner).
        f.dm.tImport.append();
        f.dm.tImport.setFieldValue(u"Task"_s, u"Delta"_s);
        f.dm.tImport.post();
        QSignalSpy changed(f.window.get(), &TfNudgewick::tasksChanged);
        f.state.ScanPending = false;
        emit f.runner.tasksChanged();
        QCOMPARE(f.window->gridModel()->rowCount(), 4);
        QCOMPARE(f.dm.qTasks.fieldByName(u"ID"_s).value(), beta);
        QCOMPARE(changed.count(), 1);
        QVERIFY(f.state.ScanPending);

        // Typing into the grid: the list waits for the change to be written.
        f.dm.tImport.append();
        f.dm.tImport.setFieldValue(u"Task"_s, u"Epsilon"_s);
        f.dm.tImport.post();
        f.dm.qTasks.edit();
        f.dm.qTasks.setFieldValue(u"Task"_s, u"Beta, renamed"_s);
        emit f.runner.tasksChanged();
        QCOMPARE(f.dm.qTasks.state(), Query::State::Edit);
        QCOMPARE(f.window->gridModel()->rowCount(), 4);
        f.dm.qTasks.post();
        QTRY_COMPARE(f.window->gridModel()->rowCount(), 5);
        QVERIFY(f.dm.qTasks.locate(u"ID"_s, beta));
        QCOMPARE(f.dm.qTasks.fieldByName(u"Task"_s).asString(), u"Beta, renamed"_s);
    }
};

QTEST_MAIN(TestSync)
#include "tst_Sync.moc"
