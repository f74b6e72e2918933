// The main window's part of bringing tasks over from the Windows version:
// the offer at start-up when its database sits at the live name, and
// "Import Tasks from a Windows Database…" of the File menu. The reading and
// writing run on a worker thread behind a progress dialog.

#include "app/TfNudgewick.h"

#include "core/AppState.h"
#include "core/Clock.h"
#include "core/Error.h"
#include "store/BackupName.h"
#include "store/BackupService.h"
#include "store/DataModule.h"
#include "store/FileOperations.h"
#include "store/JetFile.h"
#include "store/JetTasks.h"
#include "store/TaskImport.h"
#include "store/WindowsImport.h"
#include "toolkit/Prompter.h"

#include <QDir>
#include <QEventLoop>
#include <QFileDialog>
#include <QProgressDialog>
#include <QSignalBlocker>
#include <QTimer>

#include <atomic>
#include <exception>
#include <thread>

using namespace Qt::StringLiterals;

namespace {

// Runs work on a worker thread while a progress dialog shows how far it
// got; the window stays painted and responsive meanwhile. Cancel makes the
// progress callback answer false. An exception of the work is thrown on here.
void runWithProgress(QWidget *parent, const QString &label, const std::function<void(const taskimport::Progress &)> &work)
{
    constexpr int Steps = 1000;
    std::atomic<qint64> done{0};
    std::atomic<qint64> total{0};
    std::atomic<bool> cancelled{false};
    std::atomic<bool> finished{false};
    std::exception_ptr failure;

    QProgressDialog dialog(label, QObject::tr("Cancel"), 0, Steps, parent);
    dialog.setObjectName(u"ImportProgress"_s);
    dialog.setWindowModality(Qt::ApplicationModal);
    dialog.setMinimumDuration(0);
    dialog.setAutoClose(false);
    dialog.setAutoReset(false);
    dialog.setValue(0);

    QEventLoop loop;
    QTimer poll;
    poll.setInterval(50);
    QObject::connect(&poll, &QTimer::timeout, &dialog, [&] {
        const qint64 all = total.load(), now = done.load();
        if (all > 0)
            dialog.setValue(int(qMin<qint64>(Steps, now * Steps / all)));
        if (finished.load())
            loop.quit();
    });
    QObject::connect(&dialog, &QProgressDialog::canceled, &dialog, [&] { cancelled = true; });

    std::thread worker([&] {
        try {
            work([&](qint64 d, qint64 t) {
                done = d;
                total = t;
                return !cancelled.load();
            });
        } catch (...) {
            failure = std::current_exception();
        }
        finished = true;
    });
    poll.start();
    dialog.show();
    loop.exec();
    worker.join();
    dialog.close();
    if (failure)
        std::rethrow_exception(failure);
}

} // namespace

void TfNudgewick::ImportWindowsDatabase()
{
    const QString live = databaseFile();
    const jetfile::Header header = jetfile::readHeader(live);
    if (header.kind == jetfile::Kind::NotJet)
        return;

    const QString found = tr("The task database \"%1\" is a database of the Windows version of Nudgewick.")
                              .arg(QDir::toNativeSeparators(live));
    if (const QString why = jetfile::refusal(header); !why.isEmpty())
        throw Error(found + u"\n\n"_s + tr("Its tasks cannot be imported. %1\n\nNothing was changed.").arg(why));

    const DateTime now = m_clock.now();
    const QString question =
        found + u"\n\n"_s
        + tr("Import its tasks into a new database for this version? The Windows database stays beside it as "
             "\"%1\".").arg(backupname::jetFileName(now));
    if (!m_prompter.confirm(question))
        throw Error(found + u"\n\n"_s
                    + tr("It was left as it is. Nudgewick cannot open it; start Nudgewick again to import its tasks."));

    windowsimport::Outcome outcome;
    SystemFileOperations files;
    runWithProgress(this, tr("Importing the tasks of the Windows version…"), [&](const taskimport::Progress &progress) {
        outcome = windowsimport::replaceWithImport(live, now, files, progress);
    });
    const int added = int(outcome.summary.added);
    m_prompter.message((added == 1 ? tr("1 task was imported.") : tr("%1 tasks were imported.").arg(added))
                       + u" "_s
                       + tr("The Windows database is kept as \"%1\".").arg(QDir::toNativeSeparators(outcome.keptAs)));
}

void TfNudgewick::aImportWindowsTasksExecute()
{
    const QString file = QFileDialog::getOpenFileName(this, tr("Import Tasks from a Windows Database"), m_dataFolder,
                                                      tr("Windows databases (*.mdb);;All files (*)"));
    if (!file.isEmpty())
        ImportTasksFrom(file);
}

void TfNudgewick::ImportTasksFrom(const QString &file)
{
    // Refused files are refused before anything is backed up or written.
    if (const QString why = jetfile::refusal(jetfile::readHeader(file)); !why.isEmpty())
        throw Error(tr("\"%1\" cannot be imported. %2").arg(QDir::toNativeSeparators(file), why));

    // A change being typed into the grid is written first, so it is part of
    // the backup made before the import.
    postPendingEdit();
    m_backups->backupNow(BackupReason::Import);

    // The alarm scan waits: it would write while the import holds the database.
    const QSignalBlocker noAlarmScan(tPopup);
    taskimport::Summary summary;
    const QString database = databaseFile();
    runWithProgress(this, tr("Importing tasks…"), [&](const taskimport::Progress &progress) {
        const std::unique_ptr<TaskSource> reader = openJetTasks(file);
        summary = taskimport::addTasks(*reader, database, progress);
    });

    m_dm.RequeryTaskList();
    m_state.ScanPending = true;
    emit tasksChanged();
    const int added = int(summary.added);
    const int skipped = int(summary.skipped);
    m_prompter.message((added == 1 ? tr("1 task added") : tr("%1 tasks added").arg(added)) + u", "_s
                       + (skipped == 1 ? tr("1 skipped because it was already in the list.")
                                       : tr("%1 skipped because they were already in the list.").arg(skipped)));
}
