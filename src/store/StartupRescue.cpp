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
    for (const QString &name : dir.entryList(QDir::Files))
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
                             const std::function<bool(const QString &question, const QString &details)> &offer)
{
    using State = databasecopy::Health::State;
    RescueOutcome outcome;
    const databasecopy::Health health = databasecopy::checkDatabase(databaseFile);
    if (health.state == State::Good)
        return outcome;

    // A file that is only locked or cannot be opened is left alone: nothing
    // about it says its content is lost, and a restore would drop its newest
    // changes. The engine has already waited out a short lock.
    const QString name = QDir::toNativeSeparators(databaseFile);
    if (health.state == State::Busy) {
        qCWarning(lcStore) << "task database busy at start-up:" << health.reason;
        throw Error(QObject::tr("The task database \"%1\" is in use by another program. Close that program, then "
                                "start Nudgewick again.")
                        .arg(name));
    }
    if (health.state == State::Unreadable) {
        qCWarning(lcStore) << "task database cannot be opened at start-up:" << health.reason;
        throw Error(QObject::tr("The task database \"%1\" cannot be opened: %2\n\nCheck that you may read and write "
                                "the file and its folder, and that the folder is not read-only.")
                        .arg(name, health.reason));
    }

    const auto backup = newestGoodBackup(backupFolder);
    if (!backup)
        return outcome;

    const QString what = health.state == State::Missing
                             ? QObject::tr("The task database \"%1\" is missing.").arg(name)
                             : QObject::tr("The task database \"%1\" is damaged: %2").arg(name, health.reason);
    if (!health.details.isEmpty())
        qCWarning(lcStore).noquote() << "task database check at start-up:" << health.details;
    const QString question = what + QStringLiteral("\n\n")
                             + (backup->tasks == 1
                                    ? QObject::tr("Restore the newest good backup, made %1 with 1 task?")
                                          .arg(madeText(backup->made))
                                    : QObject::tr("Restore the newest good backup, made %1 with %2 tasks?")
                                          .arg(madeText(backup->made), QString::number(backup->tasks)));
    if (!offer(question, health.details))
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

RescueOutcome rescueDatabase(const QString &databaseFile, const QString &backupFolder, DateTime now,
                             const std::function<bool(const QString &question)> &offer)
{
    return rescueDatabase(databaseFile, backupFolder, now,
                          [&offer](const QString &question, const QString &) { return offer(question); });
}
