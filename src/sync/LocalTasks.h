#pragma once

#include <QJsonObject>
#include <QString>
#include <QTimeZone>
#include <QVariantMap>
#include <QtGlobal>

#include <optional>

class Connection;

// The tasks of the database as the sync engine reads and writes them: a
// task's stored fields by column name (ID left out) with "AnchorDay" for the
// day a monthly or yearly task keeps, as ical::Todo carries them; and its
// UID in TaskUids, shared with iCalendar files.
namespace localtasks {

std::optional<QVariantMap> read(Connection &db, qint64 id);
bool exists(Connection &db, qint64 id);

// The fields as they come back from a to-do written and read again: the
// form in which versions are compared, since a to-do cannot carry every
// stored value exactly (times to the second, say).
QJsonObject comparable(const QString &uid, const QVariantMap &fields, const QTimeZone &zone);
QJsonObject comparable(const QVariantMap &fieldsRead);

// The task's UID; a new one is given (and kept) when create is set.
QString uidOf(Connection &db, qint64 id, bool create);
// The task with that UID; -1 when none (or when its task is gone).
qint64 taskOfUid(Connection &db, const QString &uid);

// Adds a task with the fields given (those read from a to-do); created is
// its creation time when the fields name none. The UID is kept for it when
// no other task holds it.
qint64 insert(Connection &db, QVariantMap fields, const QString &uid, double created);
// Writes the fields of next that differ from current (both in comparable
// form); a field next lacks is cleared. False when nothing differed.
bool update(Connection &db, qint64 id, const QJsonObject &current, const QJsonObject &next);
void remove(Connection &db, qint64 id);

// Fields in comparable form as values to store.
QVariantMap fromComparable(const QJsonObject &fields);

} // namespace localtasks
