#include "sync/Reconcile.h"

#include <QSet>
#include <QStringList>

using namespace Qt::StringLiterals;

namespace tasksync {
namespace {

const QList<QStringList> &groups()
{
    static const QList<QStringList> list = {
        {u"Completed"_s, u"PercentageComplete"_s, u"CompletedDate"_s},
        {u"DueDateTime"_s, u"AlarmDateTime"_s, u"AnchorDay"_s},
        {u"Occurrence"_s, u"Frequency"_s, u"ValidHours"_s, u"ValidDays"_s},
    };
    return list;
}

QJsonValue valueOf(const QJsonObject &o, const QString &key)
{
    const QJsonValue v = o.value(key);
    return v.isUndefined() ? QJsonValue(QJsonValue::Null) : v;
}

bool sameIn(const QJsonObject &a, const QJsonObject &b, const QStringList &keys)
{
    for (const QString &k : keys)
        if (valueOf(a, k) != valueOf(b, k))
            return false;
    return true;
}

void copy(QJsonObject &to, const QJsonObject &from, const QStringList &keys)
{
    for (const QString &k : keys) {
        if (from.contains(k) && !from.value(k).isNull())
            to.insert(k, from.value(k));
        else
            to.remove(k);
    }
}

} // namespace

bool sameFields(const QJsonObject &a, const QJsonObject &b)
{
    QSet<QString> keys;
    for (auto it = a.begin(); it != a.end(); ++it)
        keys.insert(it.key());
    for (auto it = b.begin(); it != b.end(); ++it)
        keys.insert(it.key());
    for (const QString &k : keys)
        if (valueOf(a, k) != valueOf(b, k))
            return false;
    return true;
}

Merge reconcile(const QJsonObject &base, const QJsonObject &here, qint64 hereChangedAt, const QJsonObject &there,
                qint64 thereChangedAt)
{
    // Every field named anywhere, each in its group or a group of its own.
    QSet<QString> grouped;
    QList<QStringList> units = groups();
    for (const QStringList &g : units)
        for (const QString &k : g)
            grouped.insert(k);
    QSet<QString> singles;
    for (const QJsonObject *o : {&base, &here, &there})
        for (auto it = o->begin(); it != o->end(); ++it)
            if (!grouped.contains(it.key()))
                singles.insert(it.key());
    for (const QString &k : singles)
        units.append(QStringList{k});

    Merge merge;
    for (const QStringList &unit : units) {
        if (sameIn(here, there, unit)) {
            copy(merge.result, here, unit);
        } else if (sameIn(here, base, unit)) {
            copy(merge.result, there, unit);
        } else if (sameIn(there, base, unit)) {
            copy(merge.result, here, unit);
        } else {
            merge.clash = true;
        }
    }
    if (merge.clash) {
        merge.winner = hereChangedAt > thereChangedAt ? Side::Here : Side::There;
        merge.result = merge.winner == Side::Here ? here : there;
    }
    return merge;
}

} // namespace tasksync
