// Backup benchmark on a database of 100,000 tasks: a whole backup made while
// the program's connection is open (its total time, and how long the
// calling thread's event loop is held up), the start-up check of the
// database, listing the backups with their task counts, and a restore.

#include "BenchSupport.h"
#include "TaskFixture.h"
#include "core/Clock.h"
#include "store/BackupService.h"
#include "store/Connection.h"
#include "store/DatabaseCopy.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>

namespace {
constexpr int Tasks = 100000;
}

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const QString db = makeTaskDatabase(dir.path(), Tasks);
    std::printf("database of %d tasks: %.1f MB\n", Tasks, QFileInfo(db).size() / 1e6);

    Connection live; // the program's own connection stays open throughout
    live.setDatabaseFile(db);
    live.open();

    // The same event-loop measurement with no backup running: what the
    // machine's own scheduling costs, to read the figures below against.
    {
        QElapsedTimer gap, span;
        gap.start();
        span.start();
        double longest = 0;
        QTimer tick;
        QObject::connect(&tick, &QTimer::timeout, &app, [&] {
            longest = std::max(longest, gap.nsecsElapsed() / 1e6);
            gap.restart();
        });
        tick.start(1);
        while (span.elapsed() < 1500)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        std::printf("%-52s %8.2f ms\n", "longest event-loop gap with no backup (baseline)", longest);
    }

    FixedClock clock(DateTime::fromQDateTime(QDateTime(QDate(2026, 12, 10), QTime(8, 0))));
    BackupService service(clock, db, dir.filePath(QStringLiteral("Backups")));
    double worstCall = 0, worstGap = 0, worstTotal = 0;
    for (int run = 0; run < 5; ++run) {
        clock.advanceSeconds(86400); // one backup a day, as the rotation sees it
        bool done = false;
        auto connection = QObject::connect(&service, &BackupService::backupMade, &app, [&] { done = true; });
        QElapsedTimer total;
        total.start();
        service.backupNow(BackupReason::BulkChange);
        const double call = total.nsecsElapsed() / 1e6;
        // The event loop keeps turning while the worker copies: the longest
        // gap between two turns is the time the window would stand still.
        QElapsedTimer gap;
        gap.start();
        double longest = 0;
        QTimer tick;
        QObject::connect(&tick, &QTimer::timeout, &app, [&] {
            longest = std::max(longest, gap.nsecsElapsed() / 1e6);
            gap.restart();
        });
        tick.start(1);
        while (!done)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        const double all = total.nsecsElapsed() / 1e6;
        QObject::disconnect(connection);
        worstCall = std::max(worstCall, call);
        worstGap = std::max(worstGap, longest);
        worstTotal = std::max(worstTotal, all);
        std::printf("backup %d: %8.1f ms in all, call returned after %6.2f ms, longest event-loop gap %6.2f ms\n",
                    run + 1, all, call, longest);
    }
    service.waitForIdle();
    std::printf("%-52s %8.1f ms (limit 2000)\n", "slowest backup of 100,000 tasks, check and rotation", worstTotal);
    std::printf("%-52s %8.2f ms (limit 20)\n", "longest the calling thread was held", std::max(worstCall, worstGap));

    std::printf("%-52s %8.1f ms\n", "start-up check of the database (quick_check)",
                medianMs(3, [&] { databasecopy::checkDatabase(db); }));
    std::printf("%-52s %8.1f ms\n", "list the backups with their task counts",
                medianMs(3, [&] { service.backups(true); }));
    const QString backup = service.backups(false).value(0).file;
    std::printf("%-52s %8.1f ms\n", "restore a backup of 100,000 tasks (connection open)",
                medianMs(3, [&] { databasecopy::restoreDatabase(backup, db); }));
    return 0;
}
