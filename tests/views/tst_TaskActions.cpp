// The task actions and the grid: editor calls, delete and move with their
// questions, re-sorting from a column title, keeping the current task over
// a requery, and "Task Fields".

#include "ViewsFixture.h"

#include "views/TfTaskFields.h"

#include <QHeaderView>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTimer>
#include <QTreeWidget>

using namespace Qt::StringLiterals;

namespace {
QDateTime on(int month, int day, int h, int m)
{
    return QDateTime(QDate(2026, month, day), QTime(h, m));
}

int column(const ViewsFixture &f, const QString &field)
{
    return int(f.model->columnFields().indexOf(field));
}
}

class TestTaskActions : public QObject
{
    Q_OBJECT
private slots:
    void cleanup()
    {
        // A failing test must not leave a modal dialog behind for the next.
        while (QWidget *modal = QApplication::activeModalWidget())
            modal->close();
    }

    void editorOpensInItsModes()
    {
        ViewsFixture f({{u"one"_s}});
        QList<TaskEditorMode> opened;
        f.actions->setEditorOpener([&](TaskEditorMode mode) { opened << mode; });
        QObject::connect(f.grid, &TaskGrid::editRequested, f.grid, [&] { f.actions->aTaskEditExecute(); });
        f.start();
        f.window.show();
        f.actions->aTaskAddExecute();
        f.actions->aTaskDuplicateExecute();
        f.actions->aNudgewickExecute();
        QTest::keyClick(f.grid, Qt::Key_Return);
        QTest::keyClick(f.grid, Qt::Key_F2);
        const QRect cell = f.grid->visualRect(f.model->index(0, column(f, u"Task"_s)));
        QTest::mouseDClick(f.grid->viewport(), Qt::LeftButton, {}, cell.center());
        QCOMPARE(opened, QList<TaskEditorMode>({TaskEditorMode::Add, TaskEditorMode::Duplicate, TaskEditorMode::Prompt,
                                                TaskEditorMode::Edit, TaskEditorMode::Edit, TaskEditorMode::Edit}));
        QVERIFY(!f.grid->tabKeyNavigation()); // Tab leaves the grid
    }

    void deleteAsksAndUpdatesTheLists()
    {
        ViewsFixture f({{u"  only garden task "_s, 5, u"Todo"_s, u"Garden"_s}, {u"other"_s, 1, u"Todo"_s, u"Work"_s}});
        f.start();
        QCOMPARE(f.current(), u"  only garden task "_s);
        f.prompter.answers = {false};
        f.actions->aTaskDeleteExecute();
        QCOMPARE(f.prompter.shown, QStringList{u"confirm: Remove \"only garden task\"?"_s});
        QCOMPARE(f.listed().size(), 2);
        QVERIFY(!f.state.ScanPending);

        f.prompter.answers = {true};
        f.actions->aTaskDeleteExecute();
        QCOMPARE(f.listed(), QStringList{u"other"_s});
        QCOMPARE(f.panel->lvCategories->topLevelItemCount(), 1);
        QCOMPARE(f.panel->lvPriorities->topLevelItem(0)->text(0), u"1"_s);
        QVERIFY(f.state.ScanPending);
    }

    void moveTasksToToday()
    {
        ViewsFixture f({{u"a"_s, 1, u"Todo"_s, u"Work"_s, false, on(11, 2, 9, 0), on(11, 2, 8, 15)},
                        {u"b"_s, 1, u"Todo"_s, u"Work"_s, false, on(12, 24, 12, 30), on(12, 24, 12, 0)},
                        {u"c"_s, 1, u"Todo"_s, u"Work"_s, false, {}, on(1, 5, 23, 30)}});
        f.start();
        f.prompter.answers = {false};
        f.actions->Movetaskstotoday1Click();
        QCOMPARE(f.dm.qTasks.valueAt(0, f.dm.qTasks.fieldIndex(u"AlarmDateTime"_s)).toDouble(),
                 DateTime::fromQDateTime(on(11, 2, 8, 15)).toDouble());

        f.prompter.answers = {true};
        f.actions->Movetaskstotoday1Click();
        QCOMPARE(f.prompter.shown.last(), u"confirm: Are you sure you want to MOVE the current tasks to today?"_s);
        Query check(f.dm.ADOConnection);
        check.setSql({u"select Task, DueDateTime, AlarmDateTime from Tasks order by Task"_s});
        check.open();
        const auto at = [&](int row, int col) { return DateTime(check.valueAt(row, col).toDouble()).toQDateTime(); };
        QCOMPARE(at(0, 2), on(12, 10, 8, 15));
        QCOMPARE(at(1, 2), on(12, 10, 12, 0));
        QCOMPARE(at(2, 2), on(12, 10, 23, 30));
        QCOMPARE(at(0, 1), on(12, 10, 9, 0));
        QCOMPARE(at(2, 1), on(12, 10, 0, 0)); // an empty date becomes today at 00:00
        // The rows stay listed with their new dates.
        QCOMPARE(f.listed().size(), 3);
        QCOMPARE(DateTime(f.dm.qTasks.valueAt(1, f.dm.qTasks.fieldIndex(u"AlarmDateTime"_s)).toDouble()).toQDateTime(),
                 on(12, 10, 12, 0));

        // The current task alone becomes due now.
        f.dm.qTasks.moveTo(1);
        f.clock.set(on(12, 10, 8, 5));
        f.prompter.answers = {true};
        f.actions->Movetasktotoday1Click();
        QCOMPARE(f.prompter.shown.last(), u"confirm: Are you sure you want to MOVE the selected task to today?"_s);
        check.requery();
        QCOMPARE(at(1, 1), on(12, 10, 8, 5));
        QCOMPARE(at(1, 2), on(12, 10, 8, 5));
        QVERIFY(f.state.ScanPending);
    }

    void titleClicksResortAndKeepTheFilterAndTask()
    {
        ViewsFixture f({{u"banana"_s, 2}, {u"Apple"_s, 1}, {u"cherry"_s, 3}, {u"date"_s, 2, u"Daily"_s}});
        f.window.resize(800, 300);
        f.start();
        f.panel->rbOutstanding->click();
        f.panel->setCurrentIndex(ViewPanel::TabOccurrence);
        f.panel->lvOccurrences->topLevelItem(1)->setCheckState(0, Qt::Checked); // "Todo"
        f.panel->sbOccurrenceSearchClick();
        QCOMPARE(f.listed(), QStringList({u"Apple"_s, u"banana"_s, u"cherry"_s}));
        f.dm.qTasks.moveTo(1);

        f.grid->titleClicked(column(f, u"Priority"_s), false);
        QCOMPARE(f.grid->orderList(), u"Priority"_s);
        QCOMPARE(f.listed(), QStringList({u"Apple"_s, u"banana"_s, u"cherry"_s}));
        f.grid->titleClicked(column(f, u"Priority"_s), false);
        QCOMPARE(f.grid->orderList(), u"Priority DESC"_s);
        QCOMPARE(f.listed(), QStringList({u"cherry"_s, u"banana"_s, u"Apple"_s}));
        QCOMPARE(f.current(), u"banana"_s);
        f.grid->titleClicked(column(f, u"Task"_s), true);
        QCOMPARE(f.grid->orderList(), u"Priority DESC,Task"_s);
        QCOMPARE(f.dm.qTasks.sql().mid(2, 3), QStringList({u"where Completed = :Completed"_s,
                                                           u"and  (Occurrence = :Occurrence1"_s, u")"_s}));
        QCOMPARE(f.dm.qTasks.sql().last(), u"order by Priority DESC,Task"_s);
        QCOMPARE(f.current(), u"banana"_s);
        QCOMPARE(f.state.LastView, u"Occurrence"_s);
    }

    void requeryKeepsTheCurrentTaskAndTheScrollPosition()
    {
        QList<TaskRow> many;
        for (int i = 0; i < 200; ++i)
            many.append({u"task %1"_s.arg(i, 3, 10, QLatin1Char('0'))});
        ViewsFixture f(many);
        QObject::connect(&f.dm.dsTasks, &DataSource::dataChange, f.grid, [&] {
            if (f.dm.qTasks.recNo() >= 0)
                f.grid->setCurrentIndex(f.model->index(f.dm.qTasks.recNo(), 0));
        });
        f.window.resize(600, 300);
        f.grid->resize(580, 280);
        f.window.show();
        f.start();
        f.dm.qTasks.moveTo(120);
        f.grid->scrollTo(f.model->index(120, 0), QAbstractItemView::PositionAtCenter);
        const int scroll = f.grid->verticalScrollBar()->value();

        // Ticking a task completes it in the database; the list is read again
        // and the user stays where they were.
        QVERIFY(f.model->setData(f.model->index(120, column(f, u"Completed"_s)), Qt::Checked, Qt::CheckStateRole));
        QCOMPARE(f.current(), u"task 120"_s);
        QCOMPARE(f.grid->verticalScrollBar()->value(), scroll);

        // In a view the ticked task leaves, the row at its place becomes current.
        f.panel->rbOutstanding->click();
        f.dm.qTasks.moveTo(50);
        f.model->setData(f.model->index(50, column(f, u"Completed"_s)), Qt::Checked, Qt::CheckStateRole);
        QCOMPARE(f.current(), u"task 051"_s);
    }

    void taskFieldsShowsTheChosenColumns()
    {
        ViewsFixture f({{u"one"_s}});
        f.start();
        f.grid->setFieldVisible(u"Frequency"_s, false);
        QStringList offered;
        bool onTop = false;
        QTimer::singleShot(0, [&] {
            auto *dialog = qobject_cast<TfTaskFields *>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            onTop = dialog->windowFlags().testFlag(Qt::WindowStaysOnTopHint);
            auto *list = dialog->findChild<QTreeWidget *>(u"lvFields"_s);
            for (int i = 0; i < list->topLevelItemCount(); ++i) {
                QTreeWidgetItem *item = list->topLevelItem(i);
                offered << item->text(0) + (item->checkState(0) == Qt::Checked ? u"+"_s : u"-"_s);
                item->setCheckState(0, Qt::Unchecked);
            }
            dialog->findChild<QPushButton *>(u"bbOK"_s)->click();
        });
        f.actions->aShowFieldsExecute(&f.window);
        QVERIFY(onTop);
        QCOMPARE(offered.size(), 11);
        QCOMPARE(offered.at(0), u"Completed+"_s);
        QCOMPARE(offered.at(6), u"Frequency-"_s);
        for (const QString &field : f.grid->visualFields())
            QVERIFY2(!f.grid->isFieldVisible(field), qPrintable(field));

        // Cancel changes nothing; the layout file keeps the hidden columns.
        QTimer::singleShot(0, [] {
            auto *list = QApplication::activeModalWidget()->findChild<QTreeWidget *>(u"lvFields"_s);
            list->topLevelItem(0)->setCheckState(0, Qt::Checked);
            QApplication::activeModalWidget()->findChild<QPushButton *>(u"bbCancel"_s)->click();
        });
        f.actions->aShowFieldsExecute(&f.window);
        QVERIFY(!f.grid->isFieldVisible(u"Completed"_s));
        f.panel->SaveGridLayout();
        GridLayout saved;
        int count = 0;
        QVERIFY(GridLayout::read(f.panel->layoutFile(ViewPanel::TabAll), saved, &count));
        QCOMPARE(count, 11);
        for (const GridLayout::Column &c : saved.columns)
            QVERIFY(!c.visible);
    }
};

QTEST_MAIN(TestTaskActions)
#include "tst_TaskActions.moc"
