// The alarm scan's cost: one pass over 100,000 tasks of which 100 are due
// (CPU time of the pass, the notification windows and sound included), and
// what the whole program costs while it idles with nothing due, hidden and
// with its window shown.
//
//   bench_alarm [--idle-minutes N]   (default 0: no idle run, which takes minutes)

#include "TaskFixture.h"

#include "BenchSupport.h"

#include "alarm/AlarmScan.h"
#include "core/AppState.h"
#include "core/Clock.h"
#include "popup/MSNPopUp.h"
#include "store/DataModule.h"
#include "toolkit/ScriptedPrompter.h"
#include "toolkit/EffectSoundPlayer.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <unistd.h>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

double threadCpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

// User plus system CPU seconds a process has used so far.
double processCpuSeconds(qint64 pid)
{
    QFile stat(u"/proc/%1/stat"_s.arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray text = stat.readAll();
    // Fields after the parenthesised command name; utime and stime are 14 and 15.
    const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
    const double ticks = double(sysconf(_SC_CLK_TCK));
    return (fields.value(11).toDouble() + fields.value(12).toDouble()) / ticks;
}

// A copy of the task fixture with every open task's alarm in the future,
// except for `due` of them, due an hour before `now`.
QString prepare(const QString &root, int due, DateTime now)
{
    const QString source = makeTaskDatabase(QDir(root).filePath(u"100000"_s), 100000);
    const QString folder = QDir(root).filePath(u"alarm-%1"_s.arg(due));
    QDir().mkpath(folder);
    const QString file = QDir(folder).filePath(u"Nudgewick.mdb"_s);
    QFile::remove(file);
    QFile::copy(source, file);

    SystemClock clock;
    AppState state;
    TDM dm(clock, state);
    dm.connectTo(file);
    Query update(dm.ADOConnection);
    update.setSql({u"update Tasks set AlarmDateTime = :Later, AutoSnooze = False where Completed = False"_s});
    update.setParam(u"Later"_s, DateTime(now.toDouble() + 365));
    update.execSql();
    update.setSql({u"update Tasks set AlarmDateTime = :Earlier where ID in (select ID from Tasks"
                   " where Completed = False and Occurrence not in ('Immediate', 'Todo') limit :Count)"_s});
    update.setParam(u"Earlier"_s, DateTime(now.toDouble() - 1.0 / 24));
    update.setParam(u"Count"_s, due);
    update.execSql();
    return folder;
}

void benchPass(const QString &root)
{
    FixedClock clock(DateTime::fromQDateTime(QDateTime::currentDateTime()));
    const QString folder = prepare(root, 100, clock.now());
    AppState state;
    ScriptedPrompter prompter;
    EffectSoundPlayer sound(folder);
    installDefaultAlarmSound(folder);
    TDM dm(clock, state);
    dm.connectTo(QDir(folder).filePath(u"Nudgewick.mdb"_s));
    TMSNPopUp popup;
    popup.applyMainWindowDesign();
    AlarmScan scan(dm, state, clock, popup, sound, prompter);

    std::vector<double> cpu;
    int windows = 0;
    for (int i = 0; i < 31; ++i) {
        const double start = threadCpuMs();
        scan.scan();
        cpu.push_back(threadCpuMs() - start);
        windows = popup.openCount();
        popup.CloseAllPopupWindows();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    std::sort(cpu.begin(), cpu.end());
    std::printf("scan pass, 100000 tasks, 100 due (%d windows shown): CPU median %.2f ms, slowest %.2f ms\n",
                windows, cpu[cpu.size() / 2], cpu.back());

    // The quarter-minute gate on a tick that has nothing to do: the due
    // tasks are answered first (ticked done), since windows for tasks still
    // due would rightly be shown again by the next tick.
    Query answer(dm.ADOConnection);
    answer.setSql({u"update Tasks set Completed = True where Completed = False and AlarmDateTime <= :Now"_s});
    answer.setParam(u"Now"_s, clock.now());
    answer.execSql();
    state.ScanPending = false;
    std::vector<double> gate;
    scan.tPopupTimer();
    scan.tPopupTimer();
    for (int i = 0; i < 1001; ++i) {
        const double start = threadCpuMs();
        scan.tPopupTimer();
        gate.push_back(threadCpuMs() - start);
    }
    std::sort(gate.begin(), gate.end());
    std::printf("tick without a pass: CPU median %.4f ms\n", gate[gate.size() / 2]);
}

// A pass with nothing to ring while every open to-do and immediate task has
// an alarm in the past: those rows can never ring, and a pass must not walk them.
void benchQuietPass(const QString &root)
{
    FixedClock clock(DateTime::fromQDateTime(QDateTime::currentDateTime()));
    const QString folder = prepare(root, 0, clock.now());
    AppState state;
    ScriptedPrompter prompter;
    EffectSoundPlayer sound(folder);
    TDM dm(clock, state);
    dm.connectTo(QDir(folder).filePath(u"Nudgewick.mdb"_s));
    Query update(dm.ADOConnection);
    update.setSql({u"update Tasks set AlarmDateTime = :Earlier"
                   " where Completed = False and Occurrence in ('Immediate', 'Todo')"_s});
    update.setParam(u"Earlier"_s, DateTime(clock.now().toDouble() - 1));
    const int silent = update.execSql();
    TMSNPopUp popup;
    AlarmScan scan(dm, state, clock, popup, sound, prompter);

    std::vector<double> cpu;
    scan.scan();
    for (int i = 0; i < 101; ++i) {
        const double start = threadCpuMs();
        scan.scan();
        cpu.push_back(threadCpuMs() - start);
    }
    std::sort(cpu.begin(), cpu.end());
    std::printf("scan pass, 100000 tasks, nothing due, %d open to-do/immediate with past alarms: "
                "CPU median %.4f ms, slowest %.4f ms\n",
                silent, cpu[cpu.size() / 2], cpu.back());
    if (cpu[cpu.size() / 2] > 0.1)
        std::printf("over limit: scan pass with nothing due at 100000 tasks: %.4f ms (limit 0.1 ms)\n",
                    cpu[cpu.size() / 2]);
}

// The program idling with nothing due, hidden in the tray and with its
// window shown, side by side: each copy has a data folder and a runtime
// folder of its own, so neither takes the other for a running copy.
void benchIdle(const QString &root, const QString &program, int minutes)
{
    const QString hiddenFolder = prepare(root, 0, DateTime::fromQDateTime(QDateTime::currentDateTime()));
    const QString shownFolder = hiddenFolder + u"-shown"_s;
    QDir().mkpath(shownFolder);
    QFile::remove(QDir(shownFolder).filePath(u"Nudgewick.mdb"_s));
    QFile::copy(QDir(hiddenFolder).filePath(u"Nudgewick.mdb"_s), QDir(shownFolder).filePath(u"Nudgewick.mdb"_s));

    struct Copy
    {
        const char *name;
        QString folder;
        QStringList arguments;
        QTemporaryDir runtime;
        QProcess process;
        QByteArray output;
        double before = 0;
    };
    Copy copies[2];
    copies[0].name = "hidden";
    copies[0].folder = hiddenFolder;
    copies[0].arguments = {u"Startup"_s}; // the window stays hidden
    copies[1].name = "shown";
    copies[1].folder = shownFolder;
    for (Copy &copy : copies) {
        QFile::remove(QDir(copy.folder).filePath(u"Nudgewick.ini"_s));
        copy.process.setProcessEnvironment(programEnvironment(copy.folder, copy.runtime.path()));
        copy.process.setProcessChannelMode(QProcess::MergedChannels);
        copy.process.start(program, copy.arguments);
    }
    QDeadlineTimer ready(60000);
    for (Copy &copy : copies) {
        while (!copy.output.contains("started") && !ready.hasExpired() && copy.process.state() != QProcess::NotRunning) {
            copy.process.waitForReadyRead(100);
            copy.output += copy.process.readAll();
        }
        if (!copy.output.contains("started")) {
            std::fprintf(stderr, "the program (%s) did not start:\n%s\n", copy.name, copy.output.constData());
            return;
        }
    }
    QThread::sleep(5); // past the start-up work
    for (Copy &copy : copies)
        copy.before = processCpuSeconds(copy.process.processId());
    QThread::sleep(unsigned(minutes) * 60);
    for (Copy &copy : copies) {
        const double perMinute = (processCpuSeconds(copy.process.processId()) - copy.before) / minutes;
        copy.process.terminate();
        copy.process.waitForFinished(10000);
        std::printf("idle, %s, 100000 tasks, nothing due, over %d min: %.3f CPU-seconds per minute\n", copy.name,
                    minutes, perMinute);
        if (perMinute > 0.02)
            std::printf("over limit: idle, %s, 100000 tasks: %.3f CPU-seconds per minute (limit 0.02)\n", copy.name,
                        perMinute);
    }
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // The offscreen platform cannot raise windows and says so at every show.
    static const QtMessageHandler previous = qInstallMessageHandler(nullptr);
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext &context, const QString &message) {
        if (!message.contains(QLatin1String("does not support raise()")))
            previous(type, context, message);
    });
    int idleMinutes = 0;
    const QStringList args = app.arguments();
    const qsizetype at = args.indexOf(u"--idle-minutes"_s);
    if (at > 0 && at + 1 < args.size())
        idleMinutes = args.at(at + 1).toInt();

    const QString binDir = QCoreApplication::applicationDirPath();
    const QString root = QDir(binDir).filePath(u"bench-data"_s);
    benchPass(root);
    benchQuietPass(root);
    if (idleMinutes > 0)
        benchIdle(root, QDir(binDir).filePath(u"../nudgewick"_s), idleMinutes);
    return 0;
}
