// Task list benchmark: opening the task list into the grid's model, one run
// of the alarm scan's query, and the program's start-up to a painted window
// with its resident memory at that point and 10 s after the start, for 0,
// 10,000 and 100,000 tasks.

#include "TaskFixture.h"

#include "core/AppState.h"
#include "core/Clock.h"
#include "store/DataModule.h"
#include "views/TaskGridModel.h"

#include "BenchSupport.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <memory>

using namespace Qt::StringLiterals;

namespace {
long residentKb(qint64 pid)
{
    QFile status(u"/proc/%1/status"_s.arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    return -1;
}


struct StartUp
{
    double ms = -1;
    long rssKb = -1;
};

// Starts a program on the data folder and waits for it to report its first
// painted window; then reads its memory and ends it.
StartUp measureStartUp(const QString &program, const QString &folder, const QString &runtimeFolder)
{
    QProcess process;
    process.setProcessEnvironment(programEnvironment(folder, runtimeFolder));
    process.setProcessChannelMode(QProcess::MergedChannels);
    QElapsedTimer timer;
    timer.start();
    process.start(program);
    QByteArray output;
    QDeadlineTimer deadline(30000);
    while (!output.contains("window painted") && !deadline.hasExpired() && process.state() != QProcess::NotRunning) {
        process.waitForReadyRead(5);
        output += process.readAll();
    }
    StartUp result;
    if (output.contains("window painted")) {
        result.ms = timer.nsecsElapsed() / 1e6;
        result.rssKb = residentKb(process.processId());
    } else {
        std::fprintf(stderr, "%s did not report a painted window:\n%s\n", qPrintable(program), output.constData());
    }
    process.terminate();
    process.waitForFinished(10000);
    return result;
}

// The resident memory of each program 10 s after its start, when the
// program's start-up work (the day's backup among it) is over. The programs
// run side by side, so every size costs 10 s once.
std::vector<long> residentAfterTenSeconds(const QStringList &programs, const QString &folder,
                                          const QString &runtimeFolder)
{
    std::vector<std::unique_ptr<QProcess>> processes;
    for (const QString &program : programs) {
        auto &process = processes.emplace_back(std::make_unique<QProcess>());
        process->setProcessEnvironment(programEnvironment(folder, runtimeFolder));
        process->setStandardOutputFile(QProcess::nullDevice());
        process->setStandardErrorFile(QProcess::nullDevice());
        process->start(program);
        process->waitForStarted();
    }
    QThread::sleep(10);
    std::vector<long> kb;
    for (const auto &process : processes) {
        kb.push_back(residentKb(process->processId()));
        process->terminate();
        process->waitForFinished(10000);
    }
    return kb;
}
}

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QString binDir = QCoreApplication::applicationDirPath();
    const QString dataRoot = QDir(binDir).filePath(u"bench-data"_s);
    const QString program = QDir(binDir).filePath(u"../nudgewick"_s);
    const QString bare = QDir(binDir).filePath(u"bare_window"_s);

    // Start-up and memory as ratios to the bare table window on the same
    // data, both measured here, medians of five starts each.
    QTemporaryDir runtimeFolder;
    const auto medianStartUp = [&runtimeFolder](const QString &prog, const QString &folder) {
        std::vector<StartUp> runs;
        for (int i = 0; i < 5; ++i)
            runs.push_back(measureStartUp(prog, folder, runtimeFolder.path()));
        std::vector<double> ms, kb;
        for (const StartUp &r : runs) {
            ms.push_back(r.ms);
            kb.push_back(double(r.rssKb));
        }
        std::sort(ms.begin(), ms.end());
        std::sort(kb.begin(), kb.end());
        return StartUp{ms[2], long(kb[2])};
    };
    std::vector<QString> over;
    const auto limit = [&over](const QString &what, double value, double max) {
        if (value > max)
            over.push_back(u"%1: %2 (limit %3)"_s.arg(what).arg(value, 0, 'f', 2).arg(max, 0, 'f', 2));
    };

    // Memory is read twice: at the first paint (medians of the five starts)
    // and 10 s after one more start; the limit applies to the latter.
    std::printf("%8s %12s %10s %12s %12s %10s %10s %10s %10s   %s\n", "tasks", "open list ms", "scan ms",
                "start-up ms", "bare ms", "ratio", "RSS MB", "at 10 s", "ratio", "load average");
    for (int count : {0, 10000, 100000}) {
        const QString folder = QDir(dataRoot).filePath(QString::number(count));
        makeTaskDatabase(folder, count);

        double openMs = 0, scanMs = 0;
        {
            SystemClock clock;
            AppState state;
            TDM dm(clock, state);
            dm.connectTo(QDir(folder).filePath(u"Nudgewick.mdb"_s));
            TaskGridModel model(dm.qTasks, state.Formats);

            // (a) Reopen the task list and format the rows a window shows.
            openMs = medianMs(7, [&] {
                dm.RequeryTaskList();
                for (int row = 0; row < std::min(40, model.rowCount()); ++row)
                    for (int column = 0; column < model.columnCount(); ++column)
                        model.data(model.index(row, column), Qt::DisplayRole);
            });

            // (b) The alarm scan's query.
            Query scan(dm.ADOConnection);
            scan.setSql({u"select *"_s, u"from Tasks"_s, u"where AlarmDateTime <= :AlarmDateTime"_s,
                         u"and Occurrence <> 'Immediate'"_s, u"and Occurrence <> 'Todo'"_s,
                         u"and Completed = False"_s, u"order by AlarmDateTime"_s});
            scanMs = medianMs(51, [&] {
                scan.close();
                scan.setParam(u"AlarmDateTime"_s, clock.now());
                scan.open();
            });
        }

        // (c) The whole program and the bare table window on the same file.
        const StartUp ours = medianStartUp(program, folder);
        const StartUp reference = medianStartUp(bare, folder);
        const std::vector<long> settled = residentAfterTenSeconds({program, bare}, folder, runtimeFolder.path());
        const double timeRatio = ours.ms / reference.ms;
        const double memoryRatio = double(settled[0]) / double(settled[1]);
        std::printf("%8d %12.1f %10.3f %12.0f %12.0f %10.2f %10.1f %10.1f %10.2f   %s\n", count, openMs, scanMs,
                    ours.ms, reference.ms, timeRatio, ours.rssKb / 1024.0, settled[0] / 1024.0, memoryRatio,
                    loadAverage().constData());
        std::fflush(stdout);
        const double maxRatio = count >= 100000 ? 0.5 : 1.0;
        limit(u"start-up at %1 tasks, ratio to the bare table"_s.arg(count), timeRatio, maxRatio);
        limit(u"resident memory at %1 tasks, ratio to the bare table"_s.arg(count), memoryRatio, maxRatio);
    }
    // `make bench` gathers these lines at the end of its run.
    for (const QString &line : over)
        std::printf("over limit: %s\n", qPrintable(line));
    return 0;
}
