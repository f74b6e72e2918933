#pragma once

#include <QString>
#include <QStringList>

#include <optional>
#include <utility>

// SQL text with ":name" parameters turned into positional "?" markers, with
// the parameter names in the order they appear. Quoted text and "::" are
// left alone.
struct PositionalSql
{
    QString text;
    QStringList names;
};

PositionalSql toPositional(const QString &sql);

// The ordering of the statement's last "order by" clause made to ignore
// letter case: every item that names a text column of Tasks gets the
// program's case-insensitive collation. Other text stays as it is.
QString withTextOrdering(const QString &sql);

// A statement whose last clause is "order by" over plain column names, split
// into the statement without that clause and its sort keys (name, descending).
// Nothing when the statement ends otherwise or orders by an expression.
struct TrailingOrder
{
    QString head;
    QList<std::pair<QString, bool>> keys;
};
std::optional<TrailingOrder> splitTrailingOrder(const QString &sql);

// Whether the statement has an "order by" outside quoted text.
bool hasOrderBy(const QString &sql);

// "select * from <table>", with or without " where <condition>": the table's
// name, and the statement from "from" on. Nothing for a statement of any
// other shape.
struct SelectAll
{
    QString table;
    QString from;
};
std::optional<SelectAll> splitSelectAll(const QString &sql);

// Whether `name` stands in `text` as a whole name, in any letter case.
bool containsName(const QString &text, const QString &name);
