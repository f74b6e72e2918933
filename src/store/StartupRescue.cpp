#include "store/StartupRescue.h"

#include "core/Error.h"
#include "core/Logging.h"
#include "store/BackupName.h"
#include "store/DatabaseCopy.h"

#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QObject>

#include <algorithm>

namespace {
struct Candidate
{
    QString file;
    DateTime made;
    qint64 tasks;
};

// The newest backup that passes the checks, or nothing.
std::optional<Candidate> newestGoodBackup(const QString &folder)
{
    const QDir dir(folder);
    QList<Candidate> list;
    for (const QString &name : dir.entryList({QStringLiteral("Nudgewick.*.mdb")}, QDir::Files))
        if (const auto made = backupname::parse(name))
            list.append({dir.filePath(name), *made, -1});
    std::sort(list.begin(), list.end(), [](const Candidate &a, const Candidate &b) { return a.made > b.made; });
    for (Candidate &c : list) {
        const databasecopy::Health health = databasecopy::checkDatabase(c.file);
        if (health.state == databasecopy::Health::State::Good) {
            c.tasks = health.taskCount;
            return c;
        }
    }
    return std::nullopt;
}

QString madeText(DateTime made)
{
    return QLocale().toString(made.toQDateTime(), QLocale::ShortFormat);
}
}

RescueOutcome rescueDatabase(const QString &databaseFile, const QString &backupFolder, DateTime now,
                             const std::function<bool(const QString &question)> &offer)
{
    using State = databasecopy::Health::State;
    RescueOutcome outcome;
    const databasecopy::Health health = databasecopy::checkDatabase(databaseFile);
    if (health.state == State::Good)
        return outcome;
    const auto backup = newestGoodBackup(backupFolder);
    if (!backup)
        return outcome;

    const QString name = QDir::toNativeSeparators(databaseFile);
    const QString what = health.state == State::Missing
                             ? QObject::tr("The task database \"%1\" is missing.").arg(name)
                             : QObject::tr("The task database \"%1\" is damaged: %2").arg(name, health.reason);
    const QString question = what + QStringLiteral("\n\n")
                             + QObject::tr("Restore the newest good backup, made %1 with %n task(s)?", nullptr,
                                           int(backup->tasks))
                                   .arg(madeText(backup->made));
    if (!offer(question))
        return outcome;

    // Whatever is at the live name (a damaged file, or a journal left behind)
    // goes aside first, so nothing of it is mixed into the restored copy.
    bool leftovers = QFileInfo::exists(databaseFile);
    for (const char *suffix : {"-wal", "-shm", "-journal"})
        leftovers = leftovers || QFileInfo::exists(databaseFile + QLatin1String(suffix));
    if (leftovers)
        outcome.keptAside = databasecopy::setAside(databaseFile, now);
    databasecopy::copyDatabase(backup->file, databaseFile);
    outcome.restored = true;
    outcome.backupFile = backup->file;
    qCWarning(lcStore) << "task database restored at start-up from" << backup->file;
    return outcome;
}
