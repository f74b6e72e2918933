// Report benchmark over 10,000 tasks: laying out each list report, writing
// the single-line list as a PDF file, and opening its preview (from the
// command until the preview is on screen with its pages painted).
//
// Runs on whatever platform Qt picks (set QT_QPA_PLATFORM=offscreen for a
// machine without a display).

#include "TaskFixture.h"

#include "BenchSupport.h"

#include "core/AppState.h"
#include "core/Clock.h"
#include "core/DateFormat.h"
#include "reports/ReportPreview.h"
#include "reports/TaskReports.h"
#include "store/DataModule.h"
#include "toolkit/ScriptedPrompter.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <ctime>

using namespace Qt::StringLiterals;

namespace {
// Process CPU time of one run of fn, in milliseconds: on a busy machine the
// wall time says more about the neighbours than about this program.
template <typename Fn>
double cpuMs(Fn &&fn)
{
    const std::clock_t start = std::clock();
    fn();
    return double(std::clock() - start) * 1000.0 / CLOCKS_PER_SEC;
}
}

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    // The preview is the print module's, which lies beside the program.
    if (!qEnvironmentVariableIsSet("NUDGEWICK_MODULE_DIR"))
        qputenv("NUDGEWICK_MODULE_DIR", QFile::encodeName(QDir(QCoreApplication::applicationDirPath()).filePath(u".."_s)));
    QTemporaryDir temp;
    const QString folder = QDir(QCoreApplication::applicationDirPath()).filePath(u"bench-data/10000"_s);
    makeTaskDatabase(folder, 10000);

    SystemClock clock;
    AppState state;
    TDM dm(clock, state);
    dm.connectTo(QDir(folder).filePath(u"Nudgewick.mdb"_s));
    dm.qTasks.setSql({u"select *"_s, u"from Tasks"_s, u"order by DueDateTime"_s});
    dm.RequeryTaskList();
    dm.ApplyDateDisplayFormat();
    const QString printedAt = dateTimeText(clock.now(), state.Formats);
    std::printf("%d tasks\n", dm.qTasks.recordCount());

    const struct {
        const char *name;
        TaskListReport kind;
    } kinds[] = {{"single line", TaskListReport::SingleLine},
                 {"double line", TaskListReport::DoubleLine},
                 {"description and notes", TaskListReport::DescriptionAndNotes}};
    for (const auto &k : kinds) {
        int pages = 0;
        const double layoutMs = medianMs(3, [&] {
            pages = taskListReport(k.kind, dm.qTasks, state.Formats, u"Tasks"_s, printedAt).pageCount();
        });
        std::printf("%-22s lay out %7.0f ms  (%d pages)\n", k.name, layoutMs, pages);
    }

    const QString pdf = temp.filePath(u"tasks.pdf"_s);
    double pdfCpu = 0;
    const double pdfMs = medianMs(3, [&] {
        pdfCpu = cpuMs([&] {
            saveReportAsPdf(
                taskListReport(TaskListReport::SingleLine, dm.qTasks, state.Formats, u"Tasks"_s, printedAt), pdf);
        });
    });
    std::printf("single line to PDF, lay out and write: %7.0f ms, CPU %7.0f ms  (%lld KB; limit 5000 ms)\n", pdfMs,
                pdfCpu, QFileInfo(pdf).size() / 1024);

    ScriptedPrompter prompter;
    double previewCpu = 0;
    const double previewMs = medianMs(3, [&] { previewCpu = cpuMs([&] {
        QTimer poll;
        poll.setInterval(1);
        QObject::connect(&poll, &QTimer::timeout, &poll, [&] {
            auto *dialog = qobject_cast<QPrintPreviewDialog *>(QApplication::activeModalWidget());
            if (!dialog || dialog->findChild<QPrintPreviewWidget *>()->pageCount() == 0)
                return;
            poll.stop();
            dialog->reject();
        });
        poll.start();
        WaitCursor wait;
        const ReportDocument report =
            taskListReport(TaskListReport::SingleLine, dm.qTasks, state.Formats, u"Tasks"_s, printedAt);
        previewReport(report, nullptr, prompter, &wait);
    }); });
    std::printf("single line preview, command to closed preview: %7.0f ms, CPU %7.0f ms  (limit 1000 ms)\n",
                previewMs, previewCpu);
    return 0;
}
