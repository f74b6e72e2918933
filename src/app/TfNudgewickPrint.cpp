// The print commands of the main window: they hand the task list, or one
// task, to the reports and show the preview.

#include "app/TfNudgewick.h"

#include "core/AppState.h"
#include "core/Clock.h"
#include "core/DateFormat.h"
#include "reports/ReportPreview.h"
#include "reports/TaskReports.h"
#include "store/DataModule.h"
#include "update/WebAddresses.h"
#include "views/ViewPanel.h"

#include <QCalendarWidget>
#include <QComboBox>
#include <QLabel>
#include <QTabWidget>

using namespace Qt::StringLiterals;

void TfNudgewick::PrintDescriptionSingleLine1Click()
{
    printTaskList(TaskListReport::SingleLine);
}

void TfNudgewick::PrintDescriptionDoubleLine1Click()
{
    printTaskList(TaskListReport::DoubleLine);
}

void TfNudgewick::PrintDescriptionNotes1Click()
{
    printTaskList(TaskListReport::DescriptionAndNotes);
}

void TfNudgewick::PrintSelectedTaskOnly1Click()
{
    guard([this] {
        const Query &tasks = m_dm.qTasks;
        // Without a current row no task matches: the report prints a page without one.
        const qint64 id = tasks.isOpen() && tasks.recNo() >= 0 ? tasks.fieldByName(u"ID"_s).asInteger() : 0;
        PrintTask(int(id), this);
    });
}

void TfNudgewick::PrintTask(int taskId, QWidget *over)
{
    guard([&] {
        WaitCursor wait;
        const ReportDocument report = selectedTaskReport(m_dm.qPrintSelected, taskId, m_state.Formats,
                                                         dateTimeText(m_clock.now(), m_state.Formats), reportPaper());
        previewReport(report, over ? over : this, m_prompter, &wait);
    });
}

void TfNudgewick::printTaskList(TaskListReport kind)
{
    guard([&] {
        WaitCursor wait;
        const ReportDocument report = taskListReport(kind, m_dm.qTasks, m_state.Formats,
                                                     ViewReportTitle(viewTitleSources()),
                                                     dateTimeText(m_clock.now(), m_state.Formats), reportPaper());
        previewReport(report, this, m_prompter, &wait);
    });
}

// The paper of the user's locale, and the program's web site when the build
// names one.
ReportPaper TfNudgewick::reportPaper() const
{
    return {systemPageSize(), WebAddresses::homePage().host()};
}

// The parts of the title of a list report, read from the view panel: the
// period box and the month calendar are found by name, so the title follows
// them wherever the view panel puts them.
ViewTitleSources TfNudgewick::viewTitleSources() const
{
    ViewTitleSources sources;
    sources.lastView = m_state.LastView;
    sources.activeTabCaption = pcSelections->tabText(pcSelections->currentIndex());
    sources.viewStateText = m_statusPanels[0]->text();
    const auto *period = findChild<QComboBox *>(u"cbViewTasks"_s);
    sources.period = period ? period->currentText() : m_state.Views.ViewTasks;
    if (const auto *calendar = findChild<QCalendarWidget *>(u"PlannerCalendar1"_s))
        sources.calendarDate = dateText(DateTime::fromDate(calendar->selectedDate()), m_state.Formats);
    return sources;
}
