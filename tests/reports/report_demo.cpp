// Writes the three report layouts over sample tasks as PDF files into the
// folder given on the command line, for looking at them; not run by CTest.

#include "reports/ReportPreview.h"
#include "reports/TaskReports.h"

#include <QApplication>
#include <QDir>

using namespace Qt::StringLiterals;

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const QDir folder(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::currentPath());
    const QStringList categories = {u"Work"_s, u"Home"_s, u"Health"_s, u"Finance"_s, u"Family"_s, u"Garden"_s};
    ReportData data({u"Priority"_s, u"Category"_s, u"Task"_s, u"DueDateTime"_s, u"AlarmDateTime"_s, u"Notes"_s});
    for (int i = 1; i <= 60; ++i) {
        QString task = u"Task %1: call the dentist about the appointment"_s.arg(i);
        if (i % 7 == 0)
            task += u" and remember to bring the insurance card, the referral letter from the family doctor and "
                    "the list of medicines taken over the last twelve months"_s;
        QString notes;
        if (i % 3 == 0)
            notes = u"First note line for task %1.\nSecond line with more words to see how the text wraps across the "
                    "whole width of the band when it is long enough to need more than one line of print."_s.arg(i);
        data.appendRow({QString::number(i % 10 + 1), categories.at(i % categories.size()), task,
                        u"2026/12/%1 09:30"_s.arg(i % 28 + 1, 2, 10, QLatin1Char('0')),
                        u"2026/12/%1 09:15"_s.arg(i % 28 + 1, 2, 10, QLatin1Char('0')), notes},
                       i % 5 == 0); // every fifth task completed
    }
    ReportData one({u"Priority"_s, u"Category"_s, u"Task"_s, u"DueDateTime"_s, u"AlarmDateTime"_s, u"Notes"_s});
    one.appendRow({u"10"_s, u"Finance"_s, u"Renew the car insurance before the end of the year"_s,
                   u"2026/12/31 17:00"_s, u"2026/12/30 09:00"_s,
                   u"Compare three offers.\nAsk about the no-claims bonus.\nCall before noon."_s});
    const QString printed = u"2026/12/10 08:00"_s;
    auto titled = [](ReportLayout layout) {
        layout.title = u"All - Outstanding Tasks"_s;
        return layout;
    };
    saveReportAsPdf(ReportDocument(titled(TQuickReport0()), data, printed), folder.filePath(u"single.pdf"_s));
    saveReportAsPdf(ReportDocument(titled(TQuickReport2(false)), data, printed), folder.filePath(u"double.pdf"_s));
    saveReportAsPdf(ReportDocument(titled(TQuickReport2(true)), data, printed), folder.filePath(u"notes.pdf"_s));
    saveReportAsPdf(ReportDocument(TQuickReport1(), one, printed), folder.filePath(u"selected.pdf"_s));
    ReportLayout letter = titled(TQuickReport0());
    applyPaper(letter, {QPageSize::Letter, u"nudgewick.example.org"_s});
    saveReportAsPdf(ReportDocument(letter, data, printed), folder.filePath(u"single-letter.pdf"_s));
    return 0;
}
