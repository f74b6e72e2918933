#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QFile>
#include <QList>
#include <QProcessEnvironment>

#include <algorithm>
#include <ctime>
#include <vector>

// The median wall time of fn over a number of runs, in milliseconds.
template <typename Fn>
double medianMs(int runs, Fn &&fn)
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        fn();
        times.push_back(timer.nsecsElapsed() / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

// The median processor time of fn over a number of runs, in milliseconds:
// the work itself, without the time other programs on a busy machine take.
template <typename Fn>
double medianCpuMs(int runs, Fn &&fn)
{
    const auto cpuNow = [] {
        timespec t{};
        clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
        return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
    };
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        const double start = cpuNow();
        fn();
        times.push_back(cpuNow() - start);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

// The machine's load average over 1, 5 and 15 minutes, printed beside the
// figures: the machine may be shared with other work.
inline QByteArray loadAverage()
{
    QFile file(QStringLiteral("/proc/loadavg"));
    if (!file.open(QIODevice::ReadOnly))
        return "?";
    const QList<QByteArray> parts = file.readAll().split(' ');
    return parts.size() >= 3 ? parts.mid(0, 3).join(' ') : QByteArray("?");
}

// The environment the program is started in by a benchmark: its data folder,
// a runtime folder of its own (a copy of the program running elsewhere for
// the same user would otherwise turn it away), no display unless one is
// chosen, and the log lines that say how far the start has come.
inline QProcessEnvironment programEnvironment(const QString &folder, const QString &runtimeFolder)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("NUDGEWICK_DIR"), folder);
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtimeFolder);
    if (!env.contains(QStringLiteral("QT_QPA_PLATFORM")))
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("QT_LOGGING_RULES"), QStringLiteral("nudgewick.app.info=true"));
    return env;
}
