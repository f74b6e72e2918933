#pragma once

#include <QString>
#include <QStringList>

// SQL text with ":name" parameters turned into positional "?" markers, with
// the parameter names in the order they appear. Quoted text and "::" are
// left alone.
struct PositionalSql
{
    QString text;
    QStringList names;
};

PositionalSql toPositional(const QString &sql);
