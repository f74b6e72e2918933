#pragma once

#include <QJsonObject>
#include <QtGlobal>

// Bringing together two versions of one task that both changed since the
// version both sides last agreed on (the base).
//
// Fields that belong together move together: the completion (Completed,
// PercentageComplete, CompletedDate), the schedule (DueDateTime,
// AlarmDateTime, AnchorDay) and the repeat rule (Occurrence, Frequency,
// ValidHours, ValidDays); every other field stands alone. A group changed
// on one side only takes that side's values; a group both sides changed
// alike is agreed. A group both sides changed differently clashes: then
// the later change wins the whole task, and the other version is to be
// kept as a copy, so nothing is lost.
namespace tasksync {

enum class Side { Here, There };

struct Merge
{
    QJsonObject result; // the task's values after the merge
    bool clash = false;
    Side winner = Side::There; // when clashing: whose version the task keeps
};

// here and there are the two versions with the times of their latest
// change (milliseconds since 1970, UTC); on equal times the server's
// version wins. A missing field is a field without a value.
Merge reconcile(const QJsonObject &base, const QJsonObject &here, qint64 hereChangedAt, const QJsonObject &there,
                qint64 thereChangedAt);

// True when both hold the same values (missing and null alike).
bool sameFields(const QJsonObject &a, const QJsonObject &b);

} // namespace tasksync
