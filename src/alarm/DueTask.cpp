#include "alarm/DueTask.h"

#include <algorithm>

DigestSplit splitForDigest(const QList<DueTask> &due, bool afterGap, int threshold, int stackCapacity,
                           const std::function<bool(const DueTask &)> &listedBefore)
{
    DigestSplit split;
    const qsizetype limit = std::max(0, std::min(threshold, stackCapacity));
    const bool listAll = afterGap && due.size() > limit;
    for (const DueTask &task : due) {
        if (task.late && !afterGap && listedBefore && listedBefore(task))
            continue;
        if (listAll || task.late)
            split.listed.append(task);
        else
            split.prompted.append(task);
    }
    return split;
}
