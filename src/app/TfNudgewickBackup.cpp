// The main window's part of the rolling backups: the rescue of a missing or
// damaged database at start-up, the daily and exit backups, and
// "Restore from Backup...".

#include "app/TfNudgewick.h"

#include "app/TfRestore.h"
#include "core/AppState.h"
#include "core/Clock.h"
#include "core/Error.h"
#include "core/Logging.h"
#include "settings/ProfileFile.h"
#include "settings/SettingsKeys.h"
#include "store/BackupService.h"
#include "store/DataModule.h"
#include "store/StartupRescue.h"
#include "store/UndoJournal.h"
#include "toolkit/Prompter.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileInfo>

using namespace Qt::StringLiterals;

QString TfNudgewick::databaseFile() const
{
    return QDir(m_dataFolder).filePath(u"Nudgewick.mdb"_s);
}

void TfNudgewick::createBackupService()
{
    m_backups = new BackupService(m_clock, databaseFile(), QDir(m_dataFolder).filePath(u"Backups"_s), this);
    m_backups->setObjectName(u"BackupService"_s);
    m_backups->setChangeCounter([this] { return m_dm.ADOConnection.totalChanges(); });
    connect(m_backups, &BackupService::backupFailed, this, [this](const QString &text) {
        guard([&] { m_prompter.exclamation(tr("A backup of the tasks could not be made.\n\n%1").arg(text)); });
    });
    connect(m_backups, &BackupService::restoreFinished, this, [this] {
        guard([this] {
            QApplication::restoreOverrideCursor();
            aRestoreBackup->setEnabled(true);
            UndoJournal(m_dm.ADOConnection).recordRestore(tr("Restore from backup"));
            m_dm.RequeryTaskList();
            emit tasksChanged();
            m_state.requestScan();
            m_prompter.message(tr("The tasks were restored. The list as it was before is kept as a backup."));
        });
    });
    connect(m_backups, &BackupService::restoreFailed, this, [this](const QString &text) {
        guard([&] {
            QApplication::restoreOverrideCursor();
            aRestoreBackup->setEnabled(true);
            UndoJournal(m_dm.ADOConnection).dropKeptState();
            m_dm.ADOConnection.prepareJournal();
            m_prompter.error(text);
        });
    });
}

void TfNudgewick::openDatabase()
{
    // The usual start: the file is there and passes its checks on the
    // connection the program then keeps, so it is opened and read once.
    const QString file = databaseFile();
    if (QFileInfo::exists(file)) {
        try {
            m_dm.connectTo(file, Connection::OpenCheck::Health);
            return;
        } catch (const Error &e) {
            qCWarning(lcStore).noquote() << e.text();
        }
    }
    // Otherwise the rescue checks it again on its own, says why it cannot be
    // used and offers a backup; declined, the file is opened as it is.
    RescueDatabase();
    m_dm.connectTo(file);
}

void TfNudgewick::RescueDatabase()
{
    const RescueOutcome outcome = rescueDatabase(databaseFile(), m_backups->backupFolder(), m_clock.now(),
                                                 [this](const QString &question, const QString &details) {
                                                     return m_prompter.confirmWithDetails(question, details);
                                                 });
    if (!outcome.restored)
        return;
    QString text = tr("The tasks were restored from the backup \"%1\".").arg(QDir::toNativeSeparators(outcome.backupFile));
    if (!outcome.keptAside.isEmpty())
        text += u"\n"_s + tr("The damaged file is kept as \"%1\".").arg(QDir::toNativeSeparators(outcome.keptAside));
    m_prompter.message(text);
}

void TfNudgewick::ApplyBackupSettings()
{
    const ProfileFile file(settingsFile());
    const auto count = [&file](Setting id) { return qMax(0, readInteger(file, id)); };
    m_backups->setEnabled(readBool(file, Setting::BackupEnabled));
    m_backups->setPolicy({count(Setting::BackupKeepToday), count(Setting::BackupKeepDays),
                          count(Setting::BackupKeepWeeks), count(Setting::BackupKeepMonths)});
}

void TfNudgewick::aRestoreBackupExecute()
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const QList<BackupEntry> backups = m_backups->backups(true);
    QApplication::restoreOverrideCursor();
    TfRestore dialog(backups, this);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFile().isEmpty())
        return;
    // A change being typed into the grid is written first, so it is part of
    // the backup made before the restore.
    postPendingEdit();
    // The tasks and the undo journal as they are now are kept aside, so the
    // restore becomes one step that can be undone.
    UndoJournal(m_dm.ADOConnection).keepBeforeRestore();
    aRestoreBackup->setEnabled(false);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    m_backups->restore(dialog.selectedFile());
}
