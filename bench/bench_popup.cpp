// Times the notification windows: showing a full stack, one slide step,
// closing them all, and what the program costs once every window is gone.
//
// Runs on whatever platform Qt picks (set QT_QPA_PLATFORM=offscreen for a
// machine without a display). Output: the median and slowest time of
// showing one 150 x 150 window (gradient painted and text laid out), of one
// 25 ms slide step, of closing a stack of six, and the CPU time used while
// the event loop idles for two seconds with no window open.

#include "popup/MSNPopUp.h"
#include "popup/PopupWindow.h"
#include "toolkit/TaskbarGeometry.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <vector>

namespace {

using Steady = std::chrono::steady_clock;

double microsecondsSince(Steady::time_point start)
{
    return std::chrono::duration<double, std::micro>(Steady::now() - start).count();
}

void report(const char *what, std::vector<double> micros)
{
    std::sort(micros.begin(), micros.end());
    std::printf("%-36s median %8.1f us   slowest %8.1f us   (%zu runs)\n", what, micros[micros.size() / 2],
                micros.back(), micros.size());
}

double processCpuMilliseconds()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1000.0 + double(t.tv_nsec) / 1e6;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    FixedTaskbarGeometry geometry(QRect(0, 0, 1280, 1024), QRect(0, 0, 1280, 994));
    TMSNPopUp popUp;
    popUp.applyMainWindowDesign();
    popUp.setTaskbarGeometry(&geometry);
    popUp.setGradientColor1(QColor(0, 0, 255));
    popUp.setTitle(QStringLiteral("Nudgewick [09:00]"));
    popUp.setText(QStringLiteral("[Work] Send the quarterly report to the regional office before noon"));

    constexpr int Rounds = 200;
    std::vector<double> show, step, closeAll;
    for (int round = 0; round < Rounds; ++round) {
        for (int i = 0; i < 6; ++i) {
            const Steady::time_point start = Steady::now();
            popUp.ShowPopupWindow();
            show.push_back(microsecondsSince(start));
        }
        TfrmMSNPopUp *window = popUp.popupWindows().first();
        for (int i = 0; i < 38; ++i) {
            const Steady::time_point start = Steady::now();
            window->tmrScrollTimer();
            step.push_back(microsecondsSince(start));
        }
        const Steady::time_point start = Steady::now();
        popUp.CloseAllPopupWindows();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        closeAll.push_back(microsecondsSince(start));
        QCoreApplication::processEvents();
    }
    report("show one window", show);
    report("one slide step", step);
    report("close a stack of six", closeAll);

    const double cpuBefore = processCpuMilliseconds();
    QTimer::singleShot(2000, &app, &QCoreApplication::quit);
    app.exec();
    std::printf("%-36s %8.1f ms of CPU in 2000 ms\n", "idle, no window open", processCpuMilliseconds() - cpuBefore);
    return popUp.openCount() == 0 ? 0 : 1;
}
