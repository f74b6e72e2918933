#pragma once

#include "reports/ReportDocument.h"
#include "reports/ReportLayout.h"

#include <QColor>
#include <QLocale>
#include <QPageSize>
#include <QString>

class Query;
struct FormatSettings;

// The program's three report layouts and how they are fed.

// The list reports of the main menu.
enum class TaskListReport { SingleLine, DoubleLine, DescriptionAndNotes };

// Light grey of the single-line list's banding.
inline const QColor BandingGrey{224, 224, 224};

// One line per task, rows banded grey and white starting with grey.
ReportLayout TQuickReport0();
// Two lines per task; with notes, the band grows to hold all of them.
ReportLayout TQuickReport2(bool withNotes);
// One task with its notes.
ReportLayout TQuickReport1();

// Before-print handler of the single-line list's detail band: white turns
// light grey and light grey turns white.
void DetailBand1BeforePrint(ReportBand &band);

// What the title of a list report is made of, read from the main window.
struct ViewTitleSources
{
    QString lastView;         // the view that ran last
    QString activeTabCaption; // caption of the view panel's active tab
    QString viewStateText;    // status panel 0: "All Tasks", "Outstanding Tasks"...
    QString period;           // the Date Range view's period ("This Week")
    QString calendarDate;     // the calendar's selected date as date text
};

// The title of a list report for the view that ran last; "Tasks" for a
// view it does not know.
QString ViewReportTitle(const ViewTitleSources &sources);

// The paper a locale's users print on: Letter where it is the custom (the
// United States, Canada, Mexico, the Philippines and several more countries
// of the Americas), A4 everywhere else.
QPageSize::PageSizeId localePageSize(const QLocale &locale);
// The paper of the user's locale, read as the C library reads it: LC_ALL,
// else LC_PAPER, else LANG; the system locale when none is set.
QPageSize::PageSizeId systemPageSize();

// What every page of a report carries besides the tasks: its paper, and
// the web address at the right of its footer (none when empty).
struct ReportPaper
{
    QPageSize::PageSizeId size = QPageSize::A4;
    QString webAddress;
};
// Puts a layout on that paper with that address.
void applyPaper(ReportLayout &layout, const ReportPaper &paper);

// A list report of the rows of the task list as they stand: its rows, its
// order, its display formats.
ReportDocument taskListReport(TaskListReport kind, const Query &tasks, const FormatSettings &formats,
                              const QString &title, const QString &printedAt, const ReportPaper &paper = {});

// The one-task report of the task with that ID as the database holds it,
// read through the single-task query (which stays open). No such task
// gives a page without a task.
ReportDocument selectedTaskReport(Query &printSelected, qint64 taskId, const FormatSettings &formats,
                                  const QString &printedAt, const ReportPaper &paper = {});
