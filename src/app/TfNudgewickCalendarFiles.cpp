// The main window's part of iCalendar files: "Export Tasks to iCalendar…"
// and "Import Tasks from iCalendar…" of the File menu.

#include "app/TfNudgewick.h"

#include "core/AppState.h"
#include "core/Clock.h"
#include "core/DateTime.h"
#include "ical/TaskCalendarFile.h"
#include "store/BackupService.h"
#include "store/DataModule.h"
#include "store/Query.h"
#include "toolkit/Prompter.h"

#include <QDir>
#include <QFileInfo>
#include <QFileDialog>
#include <QSignalBlocker>
#include <QTimer>
#include <QStatusBar>
#include <QTimeZone>

using namespace Qt::StringLiterals;

void TfNudgewick::aExportCalendarExecute()
{
    // A change being typed into the grid goes out with the rest.
    postPendingEdit();
    QList<qint64> listed;
    const int idColumn = m_dm.qTasks.fieldIndex(u"ID"_s);
    for (int row = 0; idColumn >= 0 && row < m_dm.qTasks.recordCount(); ++row)
        listed << m_dm.qTasks.valueAt(row, idColumn).toLongLong();
    const bool onlyListed = !listed.isEmpty()
        && m_prompter.confirmChoice(listed.size() == 1
                                        ? tr("Export the task listed now, or every task?")
                                        : tr("Export the %1 tasks listed now, or every task?").arg(listed.size()),
                                    tr("Listed Tasks"), tr("Every Task"));
    const QString file = QFileDialog::getSaveFileName(this, tr("Export Tasks to iCalendar"),
                                                      QDir(m_dataFolder).filePath(u"Nudgewick.ics"_s),
                                                      tr("iCalendar files (*.ics);;All files (*)"));
    if (file.isEmpty())
        return;
    ical::exportTasks(m_dm.ADOConnection, onlyListed ? listed : QList<qint64>(), file, QTimeZone::systemTimeZone());
    statusBar()->showMessage(tr("The tasks were written to \"%1\".").arg(QDir::toNativeSeparators(file)), 5000);
}

void TfNudgewick::aImportCalendarExecute()
{
    const QString file = QFileDialog::getOpenFileName(this, tr("Import Tasks from iCalendar"), m_dataFolder,
                                                      tr("iCalendar files (*.ics);;All files (*)"));
    if (file.isEmpty())
        return;
    postPendingEdit();
    m_backups->backupNow(BackupReason::Import);
    ical::ImportSummary summary;
    {
        // The alarm scan waits until the new alarms are all in.
        const QSignalBlocker noAlarmScan(tPopup);
        summary = ical::importTasks(m_dm.ADOConnection, file, QTimeZone::systemTimeZone(),
                                    m_clock.now().toDouble(),
                                    tr("Import from \"%1\"").arg(QFileInfo(file).fileName()));
    }
    m_dm.RequeryTaskList();
    m_state.ScanPending = true;
    emit tasksChanged();
    const QString done = (summary.added == 1 ? tr("1 task added") : tr("%1 tasks added").arg(summary.added))
                         + u", "_s + tr("%1 updated.").arg(summary.updated);
    if (summary.warnings.isEmpty())
        m_prompter.message(done);
    else
        m_prompter.messageWithDetails(done + u"\n\n"_s
                                          + (summary.warnings.size() == 1
                                                 ? tr("1 task could not be kept exactly as the file has it; "
                                                      "\"Show Details\" says how.")
                                                 : tr("%1 tasks could not be kept exactly as the file has them; "
                                                      "\"Show Details\" says how.")
                                                       .arg(summary.warnings.size())),
                                      summary.warnings.join(u'\n'));
}
