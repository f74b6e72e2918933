// Task list views at 100,000 tasks: every view, the search, a re-sort from
// a column title, an activation with no change, and the value lists.

#include "TaskFixture.h"

#include "core/AppState.h"
#include "core/Clock.h"
#include "store/DataModule.h"
#include "toolkit/Prompter.h"
#include "views/TaskActions.h"
#include "views/TaskGrid.h"
#include "views/TaskGridModel.h"
#include "views/ViewPanel.h"

#include "BenchSupport.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QRadioButton>
#include <QDir>
#include <QLineEdit>
#include <QTreeWidget>

#include <cstdio>

using namespace Qt::StringLiterals;

namespace {
void checkFirst(QTreeWidget *tree, int count)
{
    for (int i = 0; i < tree->topLevelItemCount(); ++i)
        tree->topLevelItem(i)->setCheckState(0, i < count ? Qt::Checked : Qt::Unchecked);
}
}

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int count = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 100000;
    const QString folder = QDir(QCoreApplication::applicationDirPath()).filePath(u"bench-data/%1"_s.arg(count));
    makeTaskDatabase(folder, count);

    SystemClock clock;
    AppState state;
    TDM dm(clock, state);
    dm.connectTo(QDir(folder).filePath(u"Nudgewick.mdb"_s));
    QWidget window;
    auto *search = new QLineEdit(&window);
    auto *grid = new TaskGrid(&window);
    auto *model = new TaskGridModel(dm.qTasks, state.Formats, grid);
    grid->setTaskModel(model);
    auto *panel = new ViewPanel(dm, state, clock, folder, &window);
    panel->attach(grid, search);
    struct Silent final : Prompter
    {
        bool confirm(const QString &) override { return false; }
        void message(const QString &) override {}
        void exclamation(const QString &) override {}
        void error(const QString &) override {}
    } prompter;
    TaskActions actions(dm, state, prompter, clock, *panel, *grid);
    QObject::connect(grid, &TaskGrid::orderChanged, grid, [&] { actions.dbgTasksOrderChanged(); });
    panel->refreshValueLists();
    checkFirst(panel->lvPriorities, 3);
    checkFirst(panel->lvOccurrences, 4);
    checkFirst(panel->lvCategories, 2);
    panel->cbPriorityCategories->setChecked(true);

    std::printf("%d tasks, median of 5 runs: processor ms, wall ms\n", count);
    const auto run = [](const char *name, auto &&fn) {
        fn(); // warm
        const double cpu = medianCpuMs(5, fn);
        std::printf("  %-40s %8.1f %8.1f\n", name, cpu, medianMs(5, fn));
        std::fflush(stdout);
    };
    Query plain(dm.ADOConnection);
    run("read the list, no order (reference)", [&] {
        plain.close();
        plain.setSql({u"select *"_s, u"from Tasks"_s});
        plain.open();
    });
    run("read the list in ID order (reference)", [&] {
        plain.close();
        plain.setSql({u"select *"_s, u"from Tasks"_s, u"order by ID"_s});
        plain.open();
    });
    plain.close();
    run("view All", [&] { panel->FilterAll(); });
    run("view All, Outstanding", [&] {
        panel->rbOutstanding->setChecked(true);
        panel->FilterAll();
        panel->rbAll->setChecked(true);
    });
    run("view Priority (3 checked, sub-filter)", [&] { panel->sbPrioritiesSearchClick(); });
    run("view Occurrence (4 checked)", [&] { panel->sbOccurrenceSearchClick(); });
    run("view Category (2 checked)", [&] { panel->sbCategorySearchClick(); });
    run("view Date Range (This Year)", [&] {
        panel->cbViewTasks->blockSignals(true);
        panel->cbViewTasks->setCurrentIndex(10);
        panel->cbViewTasks->blockSignals(false);
        panel->SetDateRangeBounds();
        panel->FilterByDateRange();
    });
    run("view Calendar day + month marks", [&] {
        panel->MarkCalendarDays();
        panel->FilterByCalendarDay();
    });
    run("search \"report\"", [&] {
        search->setText(u"report"_s);
        panel->TaskSearch1Click();
    });
    run("search \"äpfel\" (no ASCII fast path)", [&] {
        search->setText(u"äpfel"_s);
        panel->TaskSearch1Click();
    });
    panel->FilterAll();
    bool descending = false;
    run("re-sort by Category (title click)", [&] {
        grid->setOrderList(descending ? u"Category DESC"_s : u"Category"_s, true);
        descending = !descending;
    });
    run("re-sort by Task (title click)", [&] {
        grid->setOrderList(descending ? u"Task DESC"_s : u"Task"_s, true);
        descending = !descending;
    });
    run("activation without a change", [&] {
        if (dm.taskListOutdated())
            dm.RequeryTaskList();
    });
    run("requery keeping the current task", [&] {
        dm.qTasks.moveTo(dm.qTasks.recordCount() / 2);
        dm.RequeryTaskList();
    });
    run("value lists reload (all three)", [&] { panel->refreshValueLists(); });
    return 0;
}
