#pragma once

#include <QObject>
#include <QString>

class Clock;
class FileOperations;
class TDM;

// Carries every task of the live database Nudgewick.mdb into the empty
// database of a newer layout that a release leaves beside it as New.mdb.
// Columns are matched by name, so the new layout may add, drop or reorder
// them; a column only in the new table keeps its default, and the tasks get
// new IDs in the order of the old ones.
//
// Nothing is lost on the way: the tasks go through the transfer file
// DataExport.ini into a copy of New.mdb, filled in one transaction and then
// read back and compared, value by value, with the old database. Only when
// every task is there does the old database get its backup name (an
// existing file of that name is never replaced) and the filled copy take
// the live name in one rename. The live database is never written, so any
// failure leaves it as it was, and New.mdb stays for the next start.
class DatabaseUpgrade : public QObject
{
    Q_OBJECT
public:
    static QString liveFileName() { return QStringLiteral("Nudgewick.mdb"); }
    static QString newFileName() { return QStringLiteral("New.mdb"); }
    static QString transferFileName() { return QStringLiteral("DataExport.ini"); }

    // Whether a new database waits in the data folder.
    static bool isPending(const QString &dataFolder);

    // Works in dataFolder through the data module's connection and its
    // statements qExport and tImport. The connection is left closed on the
    // live database (the next statement opens it).
    DatabaseUpgrade(TDM &dm, const Clock &clock, const QString &dataFolder, FileOperations &files,
                    QObject *parent = nullptr);

    // The whole upgrade. Throws Error with a message for the user when it is
    // refused or fails; the live database is then unchanged.
    void run();

    // The steps of run(). ExportTasks writes every task of the database the
    // connection points at to the transfer file, in ID order; ImportTasks
    // adds one task per section of the transfer file to the database the
    // connection points at, in one transaction.
    void ExportTasks();
    void ImportTasks();

    // The number of tasks the export wrote.
    int exportedCount() const { return m_exported; }
    // Where the old database was kept, once run() has succeeded.
    const QString &backupFile() const { return m_backupFile; }

    QString filePath(const QString &name) const;

signals:
    // After each task, as a percentage of the exported tasks.
    void exportProgress(int percent);
    void importProgress(int percent);

private:
    void copyNewDatabase(const QString &workFile, bool &refused);
    void verifyImport(const QString &oldFile);
    void closeForRename(const QString &file);
    void swap(const QString &workFile);
    void cleanUp(const QString &workFile);

    TDM &m_dm;
    const Clock &m_clock;
    QString m_folder;
    FileOperations &m_files;
    int m_exported = 0;
    qint64 m_firstImportedId = -1;
    QString m_backupFile;
};
