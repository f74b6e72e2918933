#include "sync/LocalTasks.h"

#include "alarm/OccurrenceKind.h"
#include "alarm/RecurrenceRule.h"
#include "ical/TodoCalendar.h"
#include "store/AnchorDays.h"
#include "store/Connection.h"
#include "store/Statement.h"
#include "store/TasksTable.h"

#include <QSet>

using namespace Qt::StringLiterals;

namespace localtasks {
namespace {

const QString AnchorDay = u"AnchorDay"_s;

// The columns of Tasks that travel, in the table's order.
const QStringList &columns()
{
    static const QStringList names = [] {
        QStringList list;
        for (const FieldInfo &f : TasksTable::fields())
            if (f.name != u"ID"_s)
                list << f.name;
        return list;
    }();
    return names;
}

} // namespace

std::optional<QVariantMap> read(Connection &db, qint64 id)
{
    Statement s(db.handle(), u"select %1 from Tasks where ID = ?"_s.arg(columns().join(u", "_s)));
    s.bind(id);
    if (!s.step())
        return std::nullopt;
    QVariantMap fields;
    for (int i = 0; i < columns().size(); ++i)
        fields.insert(columns()[i], s.value(i));
    const OccurrenceKind kind = occurrenceKindFromWord(fields.value(u"Occurrence"_s).toString());
    if (const int day = keepsAnchorDay(kind) ? anchordays::read(db, id) : 0; day > 0)
        fields.insert(AnchorDay, day);
    return fields;
}

bool exists(Connection &db, qint64 id)
{
    Statement s(db.handle(), u"select 1 from Tasks where ID = ?"_s);
    s.bind(id);
    return s.step();
}

QJsonObject comparable(const QVariantMap &fieldsRead)
{
    QJsonObject o = QJsonObject::fromVariantMap(fieldsRead);
    // Absent and empty say the same.
    for (auto it = o.begin(); it != o.end();) {
        if (it->isNull() || (it->isString() && it->toString().isEmpty()))
            it = o.erase(it);
        else
            ++it;
    }
    return o;
}

QJsonObject comparable(const QString &uid, const QVariantMap &fields, const QTimeZone &zone)
{
    ical::Todo todo;
    todo.uid = uid;
    todo.fields = fields;
    const QList<ical::Todo> back = ical::readCalendar(ical::writeCalendar({todo}, zone), zone);
    return back.isEmpty() ? QJsonObject() : comparable(back.first().fields);
}

QString uidOf(Connection &db, qint64 id, bool create)
{
    Statement s(db.handle(), u"select UID from TaskUids where TaskID = ?"_s);
    s.bind(id);
    if (s.step())
        return s.value(0).toString();
    if (!create)
        return QString();
    const QString uid = ical::newUid();
    Statement add(db.handle(), u"insert into TaskUids (TaskID, UID) values (?, ?)"_s);
    add.bind(id);
    add.bind(uid);
    add.execute();
    return uid;
}

qint64 taskOfUid(Connection &db, const QString &uid)
{
    Statement s(db.handle(), u"select TaskID from TaskUids join Tasks on Tasks.ID = TaskUids.TaskID where UID = ?"_s);
    s.bind(uid);
    return s.step() ? s.integer(0) : -1;
}

qint64 insert(Connection &db, QVariantMap fields, const QString &uid, double created)
{
    const int anchorDay = fields.take(AnchorDay).toInt();
    if (!fields.contains(u"TaskCreated"_s))
        fields.insert(u"TaskCreated"_s, created);
    QStringList names;
    for (const QString &c : columns())
        if (fields.contains(c))
            names << c;
    Statement add(db.handle(), u"insert into Tasks (%1) values (%2)"_s.arg(names.join(u", "_s),
                                                                           QStringList(names.size(), u"?"_s).join(u", "_s)));
    for (const QString &n : names)
        add.bind(fields.value(n));
    add.execute();
    const qint64 id = add.lastInsertId();
    if (!uid.isEmpty()) {
        // A UID held by a task that is gone passes to this one.
        Statement drop(db.handle(), u"delete from TaskUids where UID = ? and TaskID not in (select ID from Tasks)"_s);
        drop.bind(uid);
        drop.execute();
        Statement link(db.handle(), u"insert or ignore into TaskUids (TaskID, UID) values (?, ?)"_s);
        link.bind(id);
        link.bind(uid);
        link.execute();
    }
    if (anchorDay > 0)
        anchordays::write(db, id, anchorDay);
    return id;
}

QVariantMap fromComparable(const QJsonObject &fields)
{
    return fields.toVariantMap();
}

bool update(Connection &db, qint64 id, const QJsonObject &current, const QJsonObject &next)
{
    QSet<QString> keys;
    for (auto it = current.begin(); it != current.end(); ++it)
        keys.insert(it.key());
    for (auto it = next.begin(); it != next.end(); ++it)
        keys.insert(it.key());
    QStringList names;
    for (const QString &c : columns())
        if (keys.contains(c) && current.value(c) != next.value(c))
            names << c;
    const bool anchorChanged = keys.contains(AnchorDay) && current.value(AnchorDay) != next.value(AnchorDay);
    if (!names.isEmpty()) {
        QStringList sets;
        for (const QString &n : names)
            sets << n + u" = ?"_s;
        Statement s(db.handle(), u"update Tasks set %1 where ID = ?"_s.arg(sets.join(u", "_s)));
        for (const QString &n : names)
            s.bind(next.contains(n) ? next.value(n).toVariant() : QVariant());
        s.bind(id);
        s.execute();
    }
    if (anchorChanged)
        anchordays::write(db, id, next.value(AnchorDay).toInt());
    return !names.isEmpty() || anchorChanged;
}

void remove(Connection &db, qint64 id)
{
    Statement s(db.handle(), u"delete from Tasks where ID = ?"_s);
    s.bind(id);
    s.execute();
    Statement uid(db.handle(), u"delete from TaskUids where TaskID = ?"_s);
    uid.bind(id);
    uid.execute();
}

} // namespace localtasks
