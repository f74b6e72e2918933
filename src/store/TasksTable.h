#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// What a column of Tasks holds, as the program reads it.
enum class FieldType { Integer, Boolean, DateTime, Text, Memo, Unknown };

struct FieldInfo
{
    QString name;
    QString label; // the grid's column title; the name when empty
    FieldType type = FieldType::Unknown;
};

// The one table of the database: its columns in table order, their display
// labels and logical types, and the statements that create it.
namespace TasksTable {

inline constexpr int SchemaVersion = 1;

// The nineteen columns, ID first.
const QList<FieldInfo> &fields();

// The column of that name (matched without regard to case), or nullptr.
const FieldInfo *find(const QString &name);

// CREATE TABLE and CREATE INDEX statements for a new database.
QStringList schemaStatements();
// The indexes alone, each created only where it is missing: a database made
// by an earlier version gains them when it is opened.
QStringList indexStatements();

} // namespace TasksTable
