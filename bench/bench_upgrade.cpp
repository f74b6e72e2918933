// Database upgrade benchmark: the upgrade window carrying 10,000 and
// 100,000 tasks into a new database (export to the transfer file, import
// into the copy, the check and the swap), with its progress bars drawn and
// events processed after every task as at start-up.

#include "TaskFixture.h"

#include "core/AppState.h"
#include "core/Clock.h"
#include "store/Connection.h"
#include "store/DataModule.h"
#include "store/TfUpgrade.h"
#include "toolkit/ScriptedPrompter.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <vector>

using namespace Qt::StringLiterals;

namespace {
struct Run
{
    double exportMs = 0;
    double totalMs = 0;
    double cpuMs = 0; // processor time of the program, apart from waiting for a share of a busy machine
};

// One upgrade of a copy of the task database in a fresh data folder.
Run upgradeOnce(const QString &tasks, const QString &folder)
{
    QDir(folder).removeRecursively();
    QDir().mkpath(folder);
    QFile::copy(tasks, QDir(folder).filePath(u"Nudgewick.mdb"_s));
    {
        Connection fresh; // an empty database of the current layout
        fresh.setDatabaseFile(QDir(folder).filePath(u"New.mdb"_s));
        fresh.open();
    }

    SystemClock clock;
    AppState state;
    ScriptedPrompter prompter;
    TDM dm(clock, state);
    dm.connectTo(QDir(folder).filePath(u"Nudgewick.mdb"_s));
    TfUpgrade window(dm, prompter, clock, folder);
    window.show();
    QCoreApplication::processEvents();

    Run run;
    QElapsedTimer timer;
    bool importing = false;
    QObject::connect(&window.upgrade(), &DatabaseUpgrade::importProgress, &window, [&] {
        if (!importing) {
            importing = true;
            run.exportMs = timer.nsecsElapsed() / 1e6;
        }
    });
    const std::clock_t cpu = std::clock();
    timer.start();
    window.Timer1Timer(); // what the window's timer starts a second after it is shown
    run.totalMs = timer.nsecsElapsed() / 1e6;
    run.cpuMs = double(std::clock() - cpu) * 1000.0 / CLOCKS_PER_SEC;
    if (!prompter.shown.isEmpty() || QFile::exists(QDir(folder).filePath(u"New.mdb"_s)))
        std::fprintf(stderr, "the upgrade failed: %s\n", qPrintable(prompter.shown.join(u'\n')));
    return run;
}
}

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir scratch;
    const QString cache = QDir::temp().filePath(u"nudgewick-bench"_s);

    for (const int count : {10000, 100000}) {
        const QString tasks = makeTaskDatabase(QDir(cache).filePath(QString::number(count)), count);
        std::vector<Run> runs;
        for (int i = 0; i < 3; ++i)
            runs.push_back(upgradeOnce(tasks, scratch.filePath(u"run"_s)));
        std::sort(runs.begin(), runs.end(), [](const Run &a, const Run &b) { return a.totalMs < b.totalMs; });
        const Run &median = runs[1];
        std::printf("upgrade of %6d tasks: %6.0f ms (export %6.0f ms, import, check and swap %6.0f ms), "
                    "processor time %6.0f ms\n",
                    count, median.totalMs, median.exportMs, median.totalMs - median.exportMs, median.cpuMs);
    }
    return 0;
}
