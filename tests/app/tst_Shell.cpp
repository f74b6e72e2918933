// The shell around the main window: tray, start at login, update check,
// About box and help pages.

#include "app/AppTrayIcon.h"
#include "support/FileContent.h"
#include "support/MainWindowFixture.h"
#include "toolkit/AutostartEntry.h"
#include "toolkit/RecordingUrlOpener.h"
#include "update/UpdateChecker.h"
#include "update/Version.h"
#include "update/WebAddresses.h"
#include "views/TaskGrid.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QTableView>
#include <QTcpServer>
#include <QTest>
#include <QTimer>
#include <QToolButton>

using namespace Qt::StringLiterals;

class TestShell : public QObject
{
    Q_OBJECT

    struct Shell : MainWindowFixture
    {
        RecordingUrlOpener opener;
        bool trayThere = true;

        void start()
        {
            create();
            window->setUrlOpener(opener);
            window->trayIcon()->setAvailabilityProbe([this] { return trayThere; });
        }
    };

private slots:
    void cleanup()
    {
        // A failed test must not leave a modal dialog to block the next one.
        while (QWidget *modal = QApplication::activeModalWidget())
            modal->close();
    }

    void trayMenuItemsAndActions()
    {
        Shell f;
        f.start();
        QMenu *menu = f.window->trayIcon()->pmTrayIcon();
        QCOMPARE(menu->objectName(), u"pmTrayIcon"_s);
        QStringList captions;
        for (QAction *item : menu->actions())
            captions << (item->isSeparator() ? u"-"_s : item->text());
        QCOMPARE(captions, (QStringList{u"Add a Task"_s, u"Quick Add…"_s, u"Disable popups"_s, u"S&ync Now"_s, u"-"_s,
                                        u"Show"_s, u"Minimize"_s, u"Exit"_s}));
        const QList<QAction *> items = menu->actions();
        QCOMPARE(items.at(1), f.window->aQuickAdd);
        QCOMPARE(items.at(2), f.window->aDisablePopups);
        QCOMPARE(items.at(3), f.window->aSyncNow);
        QCOMPARE(items.at(5), f.window->aShowNudgewick);
        QCOMPARE(items.at(6), f.window->aMinimizeNudgewick);
        QCOMPARE(items.at(7), f.window->aExitNudgewick);

        QSignalSpy added(f.window->aTaskAdd, &QAction::triggered);
        QString editorCaption;
        closeNextModal(&editorCaption);
        items.at(0)->trigger();
        QCOMPARE(added.size(), 1);
        QVERIFY(!editorCaption.isEmpty());

        QCOMPARE(f.window->trayIcon()->icon()->toolTip(), u"Nudgewick"_s);
        QVERIFY(!f.window->trayIcon()->icon()->icon().isNull());
    }

    void minimiseToTray_data()
    {
        QTest::addColumn<bool>("minimizeToTray");
        QTest::addColumn<bool>("trayThere");
        QTest::addColumn<bool>("hidden");
        QTest::newRow("to the tray") << true << true << true;
        QTest::newRow("no tray host: minimised") << true << false << false;
        QTest::newRow("setting off") << false << true << false;
    }
    void minimiseToTray()
    {
        QFETCH(bool, minimizeToTray);
        QFETCH(bool, trayThere);
        QFETCH(bool, hidden);
        Shell f;
        f.start();
        f.trayThere = trayThere;
        f.window->setMinimizeToTray(minimizeToTray);
        QCOMPARE(f.state.MinimizeToTray, minimizeToTray);
        f.window->show();
        QVERIFY(QTest::qWaitForWindowExposed(f.window.get()));

        f.window->aMinimizeNudgewick->trigger();
        QTest::qWait(50);
        QCOMPARE(f.window->isHidden(), hidden);
        QVERIFY(f.window->isMinimized() || hidden);

        // A click on the tray icon brings the window back.
        emit f.window->trayIcon()->icon()->activated(QSystemTrayIcon::Trigger);
        QVERIFY(f.window->isVisible());
        QVERIFY(!f.window->isMinimized());
        QVERIFY(!f.window->trayIcon()->watching());
    }

    // A window hidden in the tray shows itself when the tray goes away.
    void lostTrayShowsHiddenWindow()
    {
        Shell f;
        f.start();
        f.window->setMinimizeToTray(true);
        f.window->show();
        QVERIFY(QTest::qWaitForWindowExposed(f.window.get()));
        f.window->aMinimizeNudgewick->trigger();
        QTRY_VERIFY(f.window->isHidden());
        f.trayThere = false;
        QTRY_VERIFY_WITH_TIMEOUT(f.window->isVisible(), AppTrayIcon::WatchIntervalMs * 3);
    }

    // "Exit" in the tray menu ends the program from the tray, even while a
    // close would only minimise.
    void trayExitEndsFromTheTray()
    {
        Shell f;
        f.start();
        f.state.MinimizeOnClose = true;
        f.window->setMinimizeToTray(true);
        f.window->show();
        QVERIFY(QTest::qWaitForWindowExposed(f.window.get()));
        f.window->aMinimizeNudgewick->trigger();
        QTRY_VERIFY(f.window->isHidden());
        f.window->aExitNudgewick->trigger();
        QCOMPARE(f.ended->size(), 1);
        QVERIFY(QFile::exists(f.ini()));
    }

    // With a new settings file the close box and Esc hide the window into the
    // tray (a note says once that the program keeps running), or minimise it
    // where there is no tray; a file holding the keys keeps its choice.
    void closeKeepsTheProgramRunning_data()
    {
        QTest::addColumn<QByteArray>("settings");
        QTest::addColumn<bool>("esc");
        QTest::addColumn<bool>("tray");
        QTest::addColumn<QString>("outcome");
        const QByteArray keepsClose = "[Settings]\nESC Minimize Nudgewick=0\nMinimize on Close=0\n";
        QTest::newRow("new file, close box") << QByteArray() << false << true << u"tray"_s;
        QTest::newRow("new file, Esc") << QByteArray() << true << true << u"tray"_s;
        QTest::newRow("new file, no tray") << QByteArray() << false << false << u"minimised"_s;
        QTest::newRow("file says close, close box") << keepsClose << false << true << u"ended"_s;
        QTest::newRow("file says close, Esc") << keepsClose << true << true << u"ended"_s;
    }
    void closeKeepsTheProgramRunning()
    {
        QFETCH(QByteArray, settings);
        QFETCH(bool, esc);
        QFETCH(bool, tray);
        QFETCH(QString, outcome);
        Shell f;
        if (!settings.isEmpty())
            writeFile(f.ini(), settings);
        f.trayThere = tray;
        f.start();
        QCOMPARE(f.window->aExitNudgewick->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Q));
        f.window->show();
        QVERIFY(QTest::qWaitForWindowExposed(f.window.get()));
        if (esc)
            f.window->FormKeyDown(Qt::Key_Escape);
        else
            f.window->close();
        if (outcome == u"ended"_s) {
            QCOMPARE(f.ended->size(), 1);
            return;
        }
        if (outcome == u"tray"_s) {
            QTRY_VERIFY(f.window->isHidden());
        } else {
            QTRY_VERIFY(f.window->isMinimized());
            QVERIFY(f.window->isVisible());
        }
        QCOMPARE(f.ended->size(), 0);
        QCOMPARE(f.state.TrayHintShown, outcome == u"tray"_s);
        // The real exit stays one step away, and the note is not shown again.
        f.window->aExitNudgewick->trigger();
        QCOMPARE(f.ended->size(), 1);
        QVERIFY(readFile(f.ini()).contains(outcome == u"tray"_s ? "Tray Hint Shown=1" : "Tray Hint Shown=0"));
    }

    void autostartAtStartUp_data()
    {
        QTest::addColumn<bool>("entryBefore");
        QTest::newRow("on") << true;
        QTest::newRow("off") << false;
    }
    // The entry decides the setting, and each start writes the current path.
    void autostartAtStartUp()
    {
        QFETCH(bool, entryBefore);
        Shell f;
        AutostartEntry before(f.dir.filePath(u"config/autostart"_s));
        before.setCommand(u"/old/place/nudgewick"_s, {u"Startup"_s});
        QVERIFY(before.setEnabled(entryBefore));

        f.start();
        QCOMPARE(f.state.WindowsStartup, entryBefore);
        AutostartEntry &entry = f.window->autostartEntry();
        QCOMPARE(entry.filePath(), before.filePath());
        QCOMPARE(QFile::exists(entry.filePath()), entryBefore);
        if (entryBefore) {
            QFile file(entry.filePath());
            QVERIFY(file.open(QIODevice::ReadOnly));
            QVERIFY(file.readAll().contains(QCoreApplication::applicationFilePath().toUtf8() + " Startup"));
        }

        // Switched at run time, as the settings dialog does.
        f.window->setWindowsStartup(!entryBefore);
        QCOMPARE(f.state.WindowsStartup, !entryBefore);
        QCOMPARE(QFile::exists(entry.filePath()), !entryBefore);
    }

    void pagesOpened_data()
    {
        QTest::addColumn<QString>("trigger");
        QTest::addColumn<QUrl>("page");
        QTest::newRow("F1") << u"F1"_s << helpPageAddress(QCoreApplication::applicationDirPath());
        QTest::newRow("Online Support") << u"OnlineSupport1"_s << WebAddresses::supportPage();
        QTest::newRow("web button") << u"sbDonate"_s << WebAddresses::productPage();
        // Only a balloon that offers a download opens a page; a click on any
        // other (the tray hint) opens nothing.
        QTest::newRow("balloon click") << u"balloon"_s << QUrl();
    }
    void pagesOpened()
    {
        QFETCH(QString, trigger);
        QFETCH(QUrl, page);
        Shell f;
        f.start();
        f.window->show();
        QVERIFY(QTest::qWaitForWindowActive(f.window.get()));
        // The pages of the program's web site show only when the build
        // names one; without, their command and button are hidden.
        if (trigger != u"F1"_s && trigger != u"balloon"_s && page.isEmpty()) {
            if (auto *button = f.window->findChild<QToolButton *>(trigger))
                QVERIFY(!button->isVisible());
            else
                QVERIFY(!f.window->findChild<QAction *>(trigger)->isVisible());
            return;
        }
        if (trigger == u"F1"_s)
            QTest::keyClick(f.window->grid(), Qt::Key_F1);
        else if (trigger == u"balloon"_s)
            emit f.window->trayIcon()->icon()->messageClicked();
        else if (auto *button = f.window->findChild<QToolButton *>(trigger))
            button->click();
        else
            f.window->findChild<QAction *>(trigger)->trigger();
        QCOMPARE(f.opener.opened, page.isEmpty() ? QList<QUrl>{} : QList<QUrl>{page});
    }

    void checkForUpdateAsksFirst()
    {
        Shell f;
        f.start();
        QTcpServer closed;
        QVERIFY(closed.listen(QHostAddress::LocalHost, 0));
        f.window->updateChecker()->setUrl(QUrl(u"http://127.0.0.1:%1/padfile.xml"_s.arg(closed.serverPort())));
        closed.close();
        auto *item = f.window->findChild<QAction *>(u"CheckforUpdate1"_s);

        f.prompter.answers = {false};
        item->trigger();
        QVERIFY(!f.window->updateChecker()->isRunning());
        QCOMPARE(f.prompter.shown, QStringList{u"confirm: Are you connected to the Internet?"_s});

        f.prompter.answers = {true};
        QSignalSpy finished(f.window->updateChecker(), &UpdateChecker::finished);
        item->trigger();
        QVERIFY(finished.wait(10000));
        QCOMPARE(f.prompter.shown.last(), u"message: You are not connected to the internet"_s);
    }

    // The alarm scan's check clears the pending flag and says nothing.
    void silentCheckClearsPending()
    {
        Shell f;
        f.start();
        f.window->updateChecker()->setUrl(QUrl(u"http://127.0.0.1:1/padfile.xml"_s));
        f.state.UpdateCheckPending = true;
        f.window->UpdateCheck(true);
        QVERIFY(!f.state.UpdateCheckPending);
        QSignalSpy finished(f.window->updateChecker(), &UpdateChecker::finished);
        QVERIFY(finished.wait(10000));
        QCOMPARE(f.prompter.shown, QStringList());
    }

    // Without a tray for the balloon, a check the user asked for still
    // tells him about the newer version.
    void newerVersionWithoutTray()
    {
        Shell f;
        f.start();
        f.trayThere = false;
        emit f.window->updateChecker()->newerVersionFound(u"9.0.0.0"_s, true);
        QCOMPARE(f.prompter.shown, QStringList());
        emit f.window->updateChecker()->newerVersionFound(u"9.0.0.0"_s, false);
        QCOMPARE(f.prompter.shown,
                 QStringList{u"message: A newer version of Nudgewick (9.0.0.0) has been released."_s});
    }

    void aboutBoxFromTheMenu()
    {
        Shell f;
        f.start();
        QString shown;
        QTimer::singleShot(0, this, [&] {
            if (auto *about = qobject_cast<QDialog *>(QApplication::activeModalWidget())) {
                shown = about->findChild<QLabel *>(u"lNudgewick"_s)->text();
                about->close();
            }
        });
        f.window->findChild<QAction *>(u"About1"_s)->trigger();
        QCOMPARE(shown, u"Nudgewick "_s + OwnVersion());
    }
};

QTEST_MAIN(TestShell)
#include "tst_Shell.moc"
