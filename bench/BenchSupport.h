#pragma once

#include <QElapsedTimer>

#include <algorithm>
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
