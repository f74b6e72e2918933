#include "support/MainWindowFixture.h"
#include "alarm/AlarmEngine.h"
#include "alarm/PopupSnooze.h"
#include "alarm/PromptAnswers.h"
#include "editor/TfTaskEdit.h"
#include "store/Statement.h"
#include "views/TaskGrid.h"
#include "views/TaskGridModel.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QSqlQuery>
#include <QTest>

#include <functional>

using namespace Qt::StringLiterals;

namespace {

// Every row of Tasks, each value with its storage class and all its digits:
// two snapshots are equal only when the rows are identical byte for byte.
QStringList tasksImage(Connection &connection)
{
    Statement select(connection.handle(), u"select * from Tasks order by ID"_s);
    QStringList rows;
    while (select.step()) {
        QStringList row;
        for (int c = 0; c < select.columnCount(); ++c) {
            const QVariant v = select.value(c);
            row << (v.isNull() ? u"null"_s
                    : v.typeId() == QMetaType::Double ? u"real:"_s + QString::number(v.toDouble(), 'g', 17)
                                                      : QString::fromLatin1(v.typeName()) + u':' + v.toString());
        }
        rows << row.join(u'|');
    }
    return rows;
}

struct UndoFrame : MainWindowFixture
{
    UndoFrame()
    {
        create();
        window->show();
        for (const auto &[title, due] : {std::pair{u"Call the plumber"_s, 46366.25}, {u"Water the plants"_s, 46367.5},
                                         {u"Pay the rent"_s, 46368.75}}) {
            QSqlQuery add(dm.ADOConnection.database());
            add.prepare(u"insert into Tasks (Task, Category, Priority, Occurrence, DueDateTime, AlarmDateTime, "
                        "TaskCreated, Notes) values (?, 'Home', 2, 'Daily', ?, ?, 46300.125, 'first\r\nsecond')"_s);
            add.addBindValue(title);
            add.addBindValue(due);
            add.addBindValue(due - 0.01);
            add.exec();
        }
        window->FormActivate();
        selectTask(u"Call the plumber"_s);
    }

    void selectTask(const QString &title)
    {
        QVERIFY(dm.qTasks.locate(u"Task"_s, title));
        window->grid()->setCurrentIndex(window->gridModel()->index(dm.qTasks.recNo(), 0));
    }

    qint64 idOf(const QString &title)
    {
        Statement s(dm.ADOConnection.handle(), u"select ID from Tasks where Task = ?"_s);
        s.bind(title);
        return s.step() ? s.value(0).toLongLong() : 0;
    }

    // Runs an action that opens the (modal) task editor, changes the task's
    // text and saves.
    void throughEditor(QAction *action, const QString &text)
    {
        bool saved = false;
        QTimer::singleShot(0, qApp, [&] {
            auto *editor = qobject_cast<TfTaskEdit *>(QApplication::activeModalWidget());
            if (!editor)
                return;
            editor->findChild<QPlainTextEdit *>(u"mTask"_s)->setPlainText(text);
            saved = editor->sbSaveClick();
            editor->close();
        });
        action->trigger();
        QTRY_VERIFY2(saved, qPrintable(prompter.shown.join(u'\n')));
    }
};

using Action = std::function<void(UndoFrame &)>;

} // namespace

class TestUndo : public QObject
{
    Q_OBJECT
private slots:
    void cleanup()
    {
        while (QWidget *modal = QApplication::activeModalWidget())
            modal->close();
    }

    // Each action through the window's own handlers, then Undo gives back
    // the rows exactly as before and Redo exactly as after.
    void actionUndoRedo_data()
    {
        QTest::addColumn<Action>("action");
        QTest::addColumn<QString>("label");
        QTest::newRow("delete") << Action([](UndoFrame &f) {
            f.prompter.answers = {true};
            f.window->aTaskDelete->trigger();
        }) << u"Delete “Call the plumber”"_s;
        QTest::newRow("move all to today") << Action([](UndoFrame &f) {
            f.prompter.answers = {true};
            f.window->findChild<QAction *>(u"MoveTasksToToday1"_s)->trigger();
        }) << u"Move 3 tasks to today"_s;
        QTest::newRow("move one to today") << Action([](UndoFrame &f) {
            f.prompter.answers = {true};
            f.window->findChild<QAction *>(u"MoveTaskToToday1"_s)->trigger();
        }) << u"Move “Call the plumber” to today"_s;
        QTest::newRow("completion tick in the grid") << Action([](UndoFrame &f) {
            const int completed = int(f.window->gridModel()->columnFields().indexOf(u"Completed"_s));
            QModelIndex cell = f.window->gridModel()->index(f.dm.qTasks.recNo(), completed);
            QVERIFY(f.window->gridModel()->setData(cell, Qt::Checked, Qt::CheckStateRole));
        }) << u"Complete “Call the plumber”"_s;
        QTest::newRow("snooze") << Action([](UndoFrame &f) {
            f.window->alarmEngine()->snooze().snoozeTask({f.idOf(u"Call the plumber"_s), DateTime(46366.25 - 0.01)});
        }) << u"Snooze “Call the plumber”"_s;
        QTest::newRow("done from a prompt") << Action([](UndoFrame &f) {
            QVERIFY(f.window->alarmEngine()->answers().done({f.idOf(u"Call the plumber"_s), DateTime(46366.25 - 0.01)}));
        }) << u"Done “Call the plumber”"_s;
        QTest::newRow("add") << Action([](UndoFrame &f) { f.throughEditor(f.window->aTaskAdd, u"Buy bread"_s); })
                             << u"Add “Buy bread”"_s;
        QTest::newRow("edit") << Action([](UndoFrame &f) {
            f.throughEditor(f.window->aTaskEdit, u"Call the plumber today"_s);
        }) << u"Edit “Call the plumber today”"_s;
        QTest::newRow("duplicate") << Action([](UndoFrame &f) {
            f.throughEditor(f.window->aTaskDuplicate, u"Call the plumber again"_s);
        }) << u"Duplicate “Call the plumber again”"_s;
        QTest::newRow("import from a Windows database") << Action([](UndoFrame &f) {
            f.window->ImportTasksFrom(QFINDTESTDATA("../store/data/Nudgewick-jet4.mdb"));
        }) << u"Import tasks from a Windows database"_s;
    }
    void actionUndoRedo()
    {
        QFETCH(Action, action);
        QFETCH(QString, label);
        UndoFrame f;
        QVERIFY(!f.window->aUndo->isEnabled());
        const QStringList before = tasksImage(f.dm.ADOConnection);
        action(f);
        if (QTest::currentTestFailed())
            return;
        const QStringList after = tasksImage(f.dm.ADOConnection);
        QVERIFY(after != before);
        QCOMPARE(f.window->aUndo->text(), u"&Undo "_s + label);
        QVERIFY(f.window->aUndo->isEnabled());

        f.prompter.shown.clear();
        f.window->aUndo->trigger();
        QCOMPARE(tasksImage(f.dm.ADOConnection), before);
        QCOMPARE(f.window->aRedo->text(), u"&Redo "_s + label);
        QCOMPARE(f.dm.qTasks.recordCount(), before.size()); // the list follows at once
        QVERIFY(!f.window->aUndo->isEnabled());

        f.window->aRedo->trigger();
        QCOMPARE(tasksImage(f.dm.ADOConnection), after);
        QCOMPARE(f.dm.qTasks.recordCount(), after.size());
        QCOMPARE(f.window->aUndo->text(), u"&Undo "_s + label);
        QVERIFY(!f.window->aRedo->isEnabled());
        QCOMPARE(f.prompter.shown, QStringList());
    }

    // The Edit menu sits after File and the keys are the usual ones.
    void editMenuAndKeys()
    {
        UndoFrame f;
        const QList<QAction *> menus = f.window->menuBar()->actions();
        QCOMPARE(menus.at(1)->text(), u"&Edit"_s);
        QCOMPARE(menus.at(1)->menu()->actions(), (QList<QAction *>{f.window->aUndo, f.window->aRedo}));
        QCOMPARE(f.window->aUndo->shortcut(), QKeySequence(u"Ctrl+Z"_s));
        QCOMPARE(f.window->aRedo->shortcuts(), (QList<QKeySequence>{QKeySequence(u"Ctrl+Shift+Z"_s), QKeySequence(u"Ctrl+Y"_s)}));

        f.prompter.answers = {true};
        f.window->aTaskDelete->trigger();
        QCOMPARE(f.dm.qTasks.recordCount(), 2);
        f.window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(f.window.get()));
        f.window->grid()->setFocus();
        QTest::keyClick(f.window->grid(), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(f.dm.qTasks.recordCount(), 3);
        QTest::keyClick(f.window->grid(), Qt::Key_Y, Qt::ControlModifier);
        QCOMPARE(f.dm.qTasks.recordCount(), 2);
    }

    // A change the journal cannot record is not made at all.
    void refusedJournalWriteRollsTheChangeBack()
    {
        UndoFrame f;
        const QStringList before = tasksImage(f.dm.ADOConnection);
        QSqlQuery refuse(f.dm.ADOConnection.database());
        QVERIFY(refuse.exec(u"create temp trigger RefuseJournal before insert on main.UndoRows "
                            "begin select raise(abort, 'database or disk is full'); end"_s));
        f.prompter.answers = {true, true};
        f.window->aTaskDelete->trigger();
        f.window->findChild<QAction *>(u"MoveTasksToToday1"_s)->trigger();
        QCOMPARE(f.prompter.shown.size(), 4);
        QVERIFY2(f.prompter.shown.at(1).contains(u"disk is full"_s), qPrintable(f.prompter.shown.at(1)));
        QVERIFY2(f.prompter.shown.at(3).contains(u"disk is full"_s), qPrintable(f.prompter.shown.at(3)));
        QCOMPARE(tasksImage(f.dm.ADOConnection), before);
        QCOMPARE(f.window->aUndo->text(), u"&Undo"_s);
    }

    // Rows that something else (here: the alarm scan's own move, which is
    // no step) changed since the step are left alone and named; the rest
    // are undone.
    void undoLeavesRowsChangedSince()
    {
        UndoFrame f;
        const QStringList before = tasksImage(f.dm.ADOConnection);
        f.prompter.answers = {true};
        f.window->findChild<QAction *>(u"MoveTasksToToday1"_s)->trigger();
        QSqlQuery scan(f.dm.ADOConnection.database());
        QVERIFY(scan.exec(u"update Tasks set AlarmDateTime = 46400.5 where Task = 'Water the plants'"_s));
        const QStringList moved = tasksImage(f.dm.ADOConnection);
        QCOMPARE(f.window->aUndo->text(), u"&Undo Move 3 tasks to today"_s);

        f.prompter.shown.clear();
        f.window->aUndo->trigger();
        QCOMPARE(f.prompter.shown.size(), 1);
        QVERIFY2(f.prompter.shown.first().contains(u"1 of the changes"_s)
                     && f.prompter.shown.first().contains(u"Water the plants"_s),
                 qPrintable(f.prompter.shown.first()));
        const QStringList now = tasksImage(f.dm.ADOConnection);
        qsizetype plants = -1;
        for (qsizetype i = 0; i < before.size(); ++i)
            if (before.at(i).contains(u"Water the plants"_s))
                plants = i;
        QVERIFY(plants >= 0);
        for (qsizetype i = 0; i < now.size(); ++i)
            QCOMPARE(now.at(i), i == plants ? moved.at(i) : before.at(i));
    }
};

QTEST_MAIN(TestUndo)
#include "tst_Undo.moc"
