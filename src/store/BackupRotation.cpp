#include "store/BackupRotation.h"

#include <QDate>
#include <QSet>

#include <algorithm>

QStringList backupsToRemove(QList<BackupEntry> backups, DateTime now, const BackupPolicy &policy)
{
    std::stable_sort(backups.begin(), backups.end(),
                     [](const BackupEntry &a, const BackupEntry &b) { return a.made > b.made; });

    const QDate today = now.date();
    const QDate thisMonday = today.addDays(1 - today.dayOfWeek());
    const qint64 thisMonth = today.year() * 12LL + today.month() - 1;

    QSet<qsizetype> keep;
    // Newest first, so the first entry met in a bucket is the one kept.
    QSet<qint64> days, weeks, months;
    int keptToday = 0;
    for (qsizetype i = 0; i < backups.size(); ++i) {
        const BackupEntry &b = backups[i];
        if (b.made > now) {
            keep.insert(i);
            continue;
        }
        const QDate date = b.made.date();
        const qint64 dayAge = date.daysTo(today);
        const qint64 weekAge = date.addDays(1 - date.dayOfWeek()).daysTo(thisMonday) / 7;
        const qint64 monthAge = thisMonth - (date.year() * 12LL + date.month() - 1);
        if (dayAge == 0 && keptToday < policy.today) {
            ++keptToday;
            keep.insert(i);
        }
        if (dayAge < policy.days && !days.contains(dayAge)) {
            days.insert(dayAge);
            keep.insert(i);
        }
        if (weekAge < policy.weeks && !weeks.contains(weekAge)) {
            weeks.insert(weekAge);
            keep.insert(i);
        }
        if (monthAge < policy.months && !months.contains(monthAge)) {
            months.insert(monthAge);
            keep.insert(i);
        }
    }

    // The last backup that still held the bulk of the tasks.
    qint64 most = -1;
    for (const BackupEntry &b : backups)
        most = std::max(most, b.taskCount);
    if (most > 0) {
        for (qsizetype i = 0; i < backups.size(); ++i) {
            if (backups[i].taskCount >= 0 && backups[i].taskCount * 2 >= most) {
                keep.insert(i);
                break;
            }
        }
    }

    QStringList remove;
    for (qsizetype i = 0; i < backups.size(); ++i)
        if (!keep.contains(i))
            remove << backups[i].file;
    return remove;
}
