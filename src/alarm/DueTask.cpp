#include "alarm/DueTask.h"

#include <algorithm>

DigestSplit splitForDigest(const QList<DueTask> &due, bool afterGap, int threshold, int stackCapacity,
                           const std::function<bool(const DueTask &)> &listedBefore)
{
    DigestSplit split;
    const qsizetype limit = std::max(0, std::min(threshold, stackCapacity));
    const qsizetype count = std::count_if(due.cbegin(), due.cend(), [](const DueTask &t) { return !t.skipped(); });
    const bool listAll = afterGap && count > limit;
    for (const DueTask &task : due) {
        if (task.late && !afterGap && listedBefore && listedBefore(task))
            continue;
        if (listAll || task.late || task.skipped())
            split.listed.append(task);
        else
            split.prompted.append(task);
    }
    return split;
}
