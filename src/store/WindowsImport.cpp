#include "store/WindowsImport.h"

#include "core/Error.h"
#include "core/Logging.h"
#include "store/BackupName.h"
#include "store/FileOperations.h"
#include "store/JetTasks.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace windowsimport {

QString workFile(const QString &liveFile)
{
    return liveFile + QStringLiteral(".import");
}

Outcome replaceWithImport(const QString &liveFile, DateTime now, FileOperations &files,
                          const taskimport::Progress &progress)
{
    const QString work = workFile(liveFile);
    // What an interrupted import left behind is rebuilt from the start.
    for (const char *suffix : {"", "-wal", "-shm", "-journal"})
        QFile::remove(work + QLatin1String(suffix));

    Outcome outcome;
    {
        const std::unique_ptr<TaskSource> reader = openJetTasks(liveFile);
        outcome.summary = taskimport::intoNewDatabase(*reader, work, progress);
    }
    const QString kept = QFileInfo(liveFile).dir().filePath(backupname::jetFileName(now));
    try {
        files.keepAs(liveFile, kept);
    } catch (const Error &) {
        QFile::remove(work);
        throw;
    }
    try {
        files.replace(work, liveFile);
    } catch (const Error &) {
        QFile::remove(kept); // the live name still holds the Jet file
        QFile::remove(work);
        throw;
    }
    outcome.keptAs = kept;
    qCInfo(lcStore) << "imported" << outcome.summary.added << "tasks from the Windows database, kept as" << kept;
    return outcome;
}

} // namespace windowsimport
