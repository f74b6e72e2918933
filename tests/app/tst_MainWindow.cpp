#include "support/MainWindowFixture.h"
#include "support/TabWalk.h"
#include "app/TfNudgewick.h"
#include "core/AppState.h"
#include "core/Clock.h"
#include "core/Error.h"
#include "store/DataModule.h"
#include "toolkit/ScreenFit.h"
#include "toolkit/ScriptedPrompter.h"
#include "views/TaskGrid.h"
#include "views/TaskGridModel.h"
#include "views/ViewPanel.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QScreen>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QStatusBar>
#include <QSqlQuery>
#include <QTableView>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QToolButton>
#include <QTest>

using namespace Qt::StringLiterals;

// A started main window, shown.
struct Frame : MainWindowFixture
{
    Frame()
    {
        create();
        window->show();
    }
};

class TestMainWindow : public QObject
{
    Q_OBJECT
private slots:
    void closeRules_data()
    {
        QTest::addColumn<bool>("minimizeOnClose");
        QTest::addColumn<bool>("exitRequested");
        QTest::addColumn<bool>("exitDialog");
        QTest::addColumn<bool>("answer");
        QTest::addColumn<QString>("outcome");
        QTest::addColumn<int>("questions");
        for (bool requested : {false, true}) {
            const QString r = requested ? u"exit"_s : u"close"_s;
            QTest::addRow("%s, no dialog", qPrintable(r)) << false << requested << false << false << u"ended"_s << 0;
            QTest::addRow("%s, dialog yes", qPrintable(r)) << false << requested << true << true << u"ended"_s << 1;
            QTest::addRow("%s, dialog no", qPrintable(r)) << false << requested << true << false << u"stays"_s << 1;
        }
        QTest::newRow("minimize on close") << true << false << false << false << u"minimized"_s << 0;
        QTest::newRow("minimize on close, dialog") << true << false << true << true << u"minimized"_s << 0;
        QTest::newRow("minimize on close, exit") << true << true << false << false << u"ended"_s << 0;
        QTest::newRow("minimize on close, exit, dialog yes") << true << true << true << true << u"ended"_s << 1;
        QTest::newRow("minimize on close, exit, dialog no") << true << true << true << false << u"stays"_s << 1;
    }
    void closeRules()
    {
        QFETCH(bool, minimizeOnClose);
        QFETCH(bool, exitRequested);
        QFETCH(bool, exitDialog);
        QFETCH(bool, answer);
        QFETCH(QString, outcome);
        QFETCH(int, questions);

        Frame f;
        f.state.MinimizeOnClose = minimizeOnClose;
        f.state.ExitDialog = exitDialog;
        f.prompter.answers = {answer};
        if (exitRequested)
            f.window->aExitNudgewickExecute();
        else
            f.window->close();

        QCOMPARE(f.prompter.shown, QStringList(questions, u"confirm: Exit Nudgewick?"_s));
        QCOMPARE(f.ended->size(), outcome == u"ended"_s ? 1 : 0);
        QCOMPARE(f.window->hasShutDown(), outcome == u"ended"_s);
        QCOMPARE(f.window->isMinimized(), outcome == u"minimized"_s);
        QCOMPARE(f.window->isVisible(), outcome != u"ended"_s);
        // A refused or cancelled close leaves later closes to the rules again.
        if (outcome == u"stays"_s)
            QVERIFY(!f.state.ExitRequested);
    }

    void escapeMinimizesOrCloses()
    {
        Frame f;
        f.state.EscMinimize = true;
        f.window->FormKeyDown(Qt::Key_Escape);
        QVERIFY(f.window->isMinimized());
        QCOMPARE(f.ended->size(), 0);

        // Esc that does not minimise closes the window as the close box
        // does; with closing set to end the program, it asks and ends.
        f.state.EscMinimize = false;
        f.state.MinimizeOnClose = false;
        f.state.ExitDialog = true;
        f.prompter.answers = {true};
        f.window->FormKeyDown(Qt::Key_Escape);
        QCOMPARE(f.prompter.shown, QStringList{u"confirm: Exit Nudgewick?"_s});
        QCOMPARE(f.ended->size(), 1);
    }

    void sessionEndNeverMinimizesOrAsks()
    {
        Frame f;
        f.state.MinimizeOnClose = true;
        f.state.ExitDialog = true;
        f.window->endSession();
        QVERIFY(f.prompter.shown.isEmpty());
        QCOMPARE(f.ended->size(), 1);
        QVERIFY(!f.window->isVisible());
    }

    // A settings file that cannot be written (here a folder in its place) is
    // logged, never asked about, when the program ends or saves unattended
    // (SIGTERM, end of the desktop session): the program ends all the same.
    void unattendedSaveErrorIsOnlyLogged_data()
    {
        QTest::addColumn<bool>("ending");
        QTest::newRow("session end") << true;
        QTest::newRow("session commit") << false;
    }
    void unattendedSaveErrorIsOnlyLogged()
    {
        QFETCH(bool, ending);
        Frame f;
        QVERIFY(QDir().mkpath(f.ini()));
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(u"saving the settings failed"_s));
        if (ending)
            f.window->endSession();
        else
            f.window->commitSession();
        QCOMPARE(f.prompter.shown, QStringList());
        QCOMPARE(f.ended->size(), ending ? 1 : 0);
        QCOMPARE(f.window->hasShutDown(), ending);
    }

    // Saving for a logout that may be cancelled: settings written, the
    // program still running and its close rules unchanged.
    void sessionCommitSavesAndRunsOn()
    {
        Frame f;
        f.state.MinimizeOnClose = true;
        f.dm.qTasks.append();
        f.dm.qTasks.setFieldValue(u"Task"_s, u"Renew the passport"_s);
        QVERIFY(!QFile::exists(f.ini()));
        f.window->commitSession();
        QVERIFY(QFile::exists(f.ini()));
        f.dm.RequeryTaskList();
        QCOMPARE(f.dm.qTasks.recordCount(), 1); // the pending new task was written
        QVERIFY(f.prompter.shown.isEmpty());
        QCOMPARE(f.ended->size(), 0);
        QVERIFY(!f.window->hasShutDown());
        QVERIFY(f.window->isVisible());
        f.window->close();
        QVERIFY(f.window->isMinimized());
        QCOMPARE(f.ended->size(), 0);
    }

    void showRestoresANormalWindow()
    {
        Frame f;
        f.window->showMaximized();
        f.window->aMinimizeNudgewickExecute();
        f.window->aShowNudgewickExecute();
        QVERIFY(f.window->isVisible());
        QCOMPARE(f.window->windowState() & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen),
                 Qt::WindowNoState);
    }

    void statusPanelsStayWhileAStatusTipShows()
    {
        Frame f;
        f.window->statusBar()->showMessage(f.window->aTaskAdd->statusTip());
        QVERIFY(f.window->statusPanel(0)->isVisible());
        QVERIFY(f.window->statusPanel(1)->isVisible());
    }

    void frameShowsTheTaskList()
    {
        Frame f;
        QCOMPARE(f.window->windowTitle(), u"%1 %2"_s.arg(QGuiApplication::applicationDisplayName(),
                                                         QCoreApplication::applicationVersion()));
        QCOMPARE(f.window->size(), firstWindowSize(QGuiApplication::primaryScreen()->availableGeometry().size()));
        QCOMPARE(f.window->minimumSize(), QSize(712, 501));
        QCOMPARE(f.window->statusPanel(1)->text(), u" 0 tasks"_s);
        QCOMPARE(f.window->gridModel()->columnCount(), 11);
        QCOMPARE(f.window->gridModel()->headerData(7, Qt::Horizontal, Qt::DisplayRole).toString(), u"Due Date Time"_s);
        QCOMPARE(f.window->aTaskDuplicate->toolTip(), u"Duplicate task"_s);

        // A task written elsewhere appears when the window is activated again.
        f.dm.tImport.open();
        f.dm.tImport.append();
        f.dm.tImport.setFieldValue(u"Task"_s, u"Water the plants"_s);
        f.dm.tImport.post();
        f.window->FormActivate();
        QCOMPARE(f.window->statusPanel(1)->text(), u" 1 task"_s);
        QCOMPARE(f.window->gridModel()->displayText(0, 4), u"Water the plants"_s);
    }

    void errorsOfAHandlerAreReportedAndTheProgramGoesOn()
    {
        Frame f;
        f.dm.qTasks.setSql({u"select *"_s, u"from NoSuchTable"_s});
        f.dm.tImport.open(); // a change, so the activation reads the list again
        f.dm.tImport.append();
        f.dm.tImport.post();
        QEvent activate(QEvent::WindowActivate);
        QApplication::sendEvent(f.window.get(), &activate);
        QCOMPARE(f.prompter.shown.size(), 1);
        QVERIFY2(f.prompter.shown.first().startsWith(u"error: "_s)
                     && f.prompter.shown.first().contains(u"NoSuchTable"_s),
                 qPrintable(f.prompter.shown.first()));
        QVERIFY(f.window->isVisible());
        QCOMPARE(f.ended->size(), 0);
    }

    // Space on the grid's check box runs the completion update; when the
    // engine refuses it the error is reported, the row keeps its values and
    // the program goes on.
    void failedCompletionFromTheGridIsReported()
    {
        Frame f;
        f.dm.tImport.open();
        f.dm.tImport.append();
        f.dm.tImport.setFieldValue(u"Task"_s, u"Pay the rent"_s);
        f.dm.tImport.post();
        QSqlQuery refuse(f.dm.ADOConnection.database());
        QVERIFY(refuse.exec(u"create trigger NoUpdates before update on Tasks "
                            "begin select raise(abort, 'database or disk is full'); end"_s));
        f.window->FormActivate();

        auto *grid = f.window->grid();
        const int completed = int(f.window->gridModel()->columnFields().indexOf(u"Completed"_s));
        const QModelIndex cell = f.window->gridModel()->index(0, completed);
        grid->setCurrentIndex(cell);
        grid->setFocus();
        QTest::keyClick(grid, Qt::Key_Space);

        QCOMPARE(f.prompter.shown.size(), 1);
        QVERIFY2(f.prompter.shown.first().startsWith(u"error: "_s)
                     && f.prompter.shown.first().contains(u"disk is full"_s),
                 qPrintable(f.prompter.shown.first()));
        QCOMPARE(f.window->gridModel()->rowCount(), 1);
        QCOMPARE(f.window->gridModel()->index(0, completed).data(Qt::CheckStateRole).toInt(), int(Qt::Unchecked));
        QCOMPARE(f.dm.qTasks.state(), Query::State::Browse);
        QVERIFY(f.window->isVisible());
        QCOMPARE(f.ended->size(), 0);

        // Once the engine accepts it again the same key completes the task.
        QVERIFY(refuse.exec(u"drop trigger NoUpdates"_s));
        grid->setCurrentIndex(f.window->gridModel()->index(0, completed));
        QTest::keyClick(grid, Qt::Key_Space);
        QCOMPARE(f.prompter.shown.size(), 1);
        QCOMPARE(f.window->gridModel()->index(0, completed).data(Qt::CheckStateRole).toInt(), int(Qt::Checked));
    }

    // Keys people know from other programs, beside the window's own, pressed
    // in the shown window with one task listed.
    void knownKeys_data()
    {
        QTest::addColumn<QKeySequence>("key");
        QTest::addColumn<bool>("inGrid");
        QTest::addColumn<QString>("outcome");
        QTest::newRow("Ctrl+Insert adds") << QKeySequence(Qt::CTRL | Qt::Key_Insert) << false << u"editor Task Add"_s;
        QTest::newRow("Ctrl+N adds") << QKeySequence(Qt::CTRL | Qt::Key_N) << false << u"editor Task Add"_s;
        QTest::newRow("F2 edits") << QKeySequence(Qt::Key_F2) << true << u"editor Task Edit"_s;
        QTest::newRow("Ctrl+S searches") << QKeySequence(Qt::CTRL | Qt::Key_S) << true << u"search"_s;
        QTest::newRow("Ctrl+F searches") << QKeySequence(Qt::CTRL | Qt::Key_F) << true << u"search"_s;
        QTest::newRow("slash in the grid searches") << QKeySequence(Qt::Key_Slash) << true << u"search"_s;
        QTest::newRow("Delete in the grid asks") << QKeySequence(Qt::Key_Delete) << true << u"delete"_s;
        QTest::newRow("Ctrl+Delete asks") << QKeySequence(Qt::CTRL | Qt::Key_Delete) << false << u"delete"_s;
        QTest::newRow("Space in the grid ticks") << QKeySequence(Qt::Key_Space) << true << u"ticked"_s;
        QTest::newRow("F5 reads the list again") << QKeySequence(Qt::Key_F5) << false << u"refreshed"_s;
        QTest::newRow("Ctrl+Q quits") << QKeySequence(Qt::CTRL | Qt::Key_Q) << false << u"ended"_s;
    }
    void knownKeys()
    {
        QFETCH(QKeySequence, key);
        QFETCH(bool, inGrid);
        QFETCH(QString, outcome);

        Frame f;
        f.state.ExitDialog = false;
        f.dm.tImport.open();
        f.dm.tImport.append();
        f.dm.tImport.setFieldValue(u"Task"_s, u"Pay the rent"_s);
        f.dm.tImport.post();
        f.window->FormActivate();
        f.window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(f.window.get()));
        auto *grid = f.window->grid();
        // The current cell is the task's text, not its check box.
        grid->setCurrentIndex(f.window->gridModel()->index(0, int(f.window->gridModel()->columnFields().indexOf(u"Task"_s))));
        QWidget *target = f.window.get();
        if (inGrid) {
            grid->setFocus();
            target = grid;
        } else {
            f.dm.tImport.append(); // written elsewhere: only a new reading shows it
            f.dm.tImport.setFieldValue(u"Task"_s, u"Water the plants"_s);
            f.dm.tImport.post();
        }

        QString caption;
        closeNextModal(&caption);
        QTest::keySequence(target, key);
        QCoreApplication::processEvents();

        const int completed = int(f.window->gridModel()->columnFields().indexOf(u"Completed"_s));
        if (outcome.startsWith(u"editor "_s))
            QCOMPARE(caption, outcome.mid(7));
        else if (outcome == u"search"_s)
            QCOMPARE(QApplication::focusWidget(), f.window->findChild<QLineEdit *>(u"eTaskSearch"_s));
        else if (outcome == u"delete"_s)
            QCOMPARE(f.prompter.shown, QStringList{u"confirm: Remove \"Pay the rent\"?"_s});
        else if (outcome == u"ticked"_s)
            QCOMPARE(f.window->gridModel()->index(0, completed).data(Qt::CheckStateRole).toInt(), int(Qt::Checked));
        else if (outcome == u"refreshed"_s)
            QCOMPARE(f.window->gridModel()->rowCount(), 2);
        else if (outcome == u"ended"_s)
            QCOMPARE(f.ended->size(), 1);
        if (outcome != u"delete"_s)
            QVERIFY2(f.prompter.shown.isEmpty(), qPrintable(f.prompter.shown.join(u'\n')));
    }

    // The status bar says what a search lists and offers to end it.
    void searchShowsInTheStatusBarAndClears()
    {
        Frame f;
        f.dm.tImport.open();
        for (const QString &task : {u"Pay the rent"_s, u"Water the plants"_s}) {
            f.dm.tImport.append();
            f.dm.tImport.setFieldValue(u"Task"_s, task);
            f.dm.tImport.post();
        }
        f.window->FormActivate();
        auto *box = f.window->findChild<QLineEdit *>(u"eTaskSearch"_s);
        auto *clear = f.window->findChild<QToolButton *>(u"sbClearSearch"_s);
        QVERIFY(box->isClearButtonEnabled());
        QVERIFY(!clear->isVisible());
        box->setText(u"rent"_s);
        f.window->findChild<QAction *>(u"Search1"_s)->trigger();
        QCOMPARE(f.window->gridModel()->rowCount(), 1);
        QCOMPARE(f.window->statusPanel(0)->text(), u"All Tasks · Search: rent"_s);
        QVERIFY(clear->isVisible());
        clear->click();
        QVERIFY(box->text().isEmpty());
        QCOMPARE(f.window->gridModel()->rowCount(), 2);
        QVERIFY(!clear->isVisible());
    }

    // An empty grid says what to do: add a task while there is none, tick a
    // value on a value list tab with nothing ticked.
    void emptyGridSaysWhatToDo()
    {
        Frame f;
        auto *grid = f.window->grid();
        QCOMPARE(f.window->gridModel()->rowCount(), 0);
        QCOMPARE(grid->emptyText(), u"No tasks yet — Ctrl+N adds one"_s);

        f.dm.tImport.open();
        f.dm.tImport.append();
        f.dm.tImport.setFieldValue(u"Task"_s, u"Pay the rent"_s);
        f.dm.tImport.setFieldValue(u"Priority"_s, 3);
        f.dm.tImport.post();
        f.window->FormActivate();
        QCOMPARE(f.window->gridModel()->rowCount(), 1);

        ViewPanel *panel = f.window->viewPanel();
        panel->refreshValueLists();
        panel->setCurrentIndex(ViewPanel::TabPriority);
        QCOMPARE(f.window->gridModel()->rowCount(), 0);
        QCOMPARE(grid->emptyText(), u"Tick a priority on the left to list its tasks"_s);
        panel->lvPriorities->topLevelItem(0)->setCheckState(0, Qt::Checked);
        QTRY_COMPARE(f.window->gridModel()->rowCount(), 1);
        QVERIFY(!grid->emptyText().startsWith(u"Tick"_s));

        panel->setCurrentIndex(ViewPanel::TabCategory);
        QCOMPARE(grid->emptyText(), u"Tick a category on the left to list its tasks"_s);

        // The text is painted only over an empty grid.
        panel->setCurrentIndex(ViewPanel::TabAll);
        auto *box = f.window->findChild<QLineEdit *>(u"eTaskSearch"_s);
        box->setText(u"nowhere"_s);
        f.window->findChild<QAction *>(u"Search1"_s)->trigger();
        QCOMPARE(f.window->gridModel()->rowCount(), 0);
        QVERIFY2(grid->emptyText().contains(u"nowhere"_s), qPrintable(grid->emptyText()));
    }

    // Tab alone reaches every control of the main window, on each tab of
    // the view panel.
    void tabReachesEveryControl()
    {
        Frame f;
        f.dm.tImport.open();
        f.dm.tImport.append();
        f.dm.tImport.setFieldValue(u"Task"_s, u"Pay the rent"_s);
        f.dm.tImport.post();
        f.window->FormActivate();
        f.window->viewPanel()->refreshValueLists();
        f.window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(f.window.get()));
        ViewPanel *panel = f.window->viewPanel();
        for (int tab = 0; tab < panel->count(); ++tab) {
            panel->setCurrentIndex(tab);
            f.window->grid()->setFocus();
            QCoreApplication::processEvents();
            const QSet<QWidget *> reached = TabWalk::walk(f.window.get());
            const QStringList missed = TabWalk::missed(f.window.get(), reached);
            // Not a walk over nothing.
            QVERIFY(TabWalk::controls(f.window.get()).size() >= 5);
            QVERIFY2(missed.isEmpty(), qPrintable(u"%1 tab: %2"_s.arg(panel->tabText(tab), missed.join(u", "_s))));
        }
        QVERIFY(f.prompter.shown.isEmpty());
    }

    void windowMenuListsOpenEditors()
    {
        Frame f;
        QVERIFY(!f.window->windowMenu()->menuAction()->isVisible());
        QWidget editor;
        QAction *item = f.window->addWindowItem(&editor, 42, u"Work"_s, u"Prepare the annual budget review"_s);
        QCOMPARE(item->text(), u"[Work] Prepare the annual"_s);
        QCOMPARE(item->objectName(), u"Item42"_s);
        QVERIFY(f.window->windowMenu()->menuAction()->isVisible());
        f.window->removeWindowItem(42);
        QVERIFY(!f.window->windowMenu()->menuAction()->isVisible());
    }

    void unusableDatabaseIsReportedAndKept()
    {
        QTemporaryDir dir;
        const QByteArray junk("not a database, but somebody's precious notes\n");
        QFile file(dir.filePath(u"Nudgewick.mdb"_s));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(junk.repeated(64));
        file.close();

        FixedClock clock;
        AppState state;
        ScriptedPrompter prompter;
        TDM dm(clock, state);
        TfNudgewick window(dm, state, prompter, clock, dir.path());
        try {
            window.FormCreate();
            QFAIL("start-up must refuse the file");
        } catch (const Error &e) {
            QVERIFY(e.text().contains(file.fileName()));
        }
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), junk.repeated(64));
    }
};

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationDisplayName(u"Nudgewick"_s);
    QApplication::setApplicationVersion(u"1.2.3.4"_s);
    TestMainWindow test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_MainWindow.moc"
