#pragma once

#include <QByteArrayView>
#include <QString>
#include <QVariant>

struct sqlite3;
struct sqlite3_stmt;

// One prepared statement on the engine's handle, with positional values
// bound by type. Text travels as UTF-8 both ways, which keeps reading a
// large task list cheap. Failures throw Error with the engine's text.
class Statement
{
public:
    Statement(sqlite3 *db, const QString &sql);
    ~Statement();
    Statement(const Statement &) = delete;
    Statement &operator=(const Statement &) = delete;

    // Binds the next "?" in order: null, integer, real or text.
    void bind(const QVariant &value);
    // Steps to the next row; false when there is none.
    bool step();
    // Runs a statement that yields no rows and returns the rows it changed.
    int execute();
    // Makes the statement ready to run again, with no values bound.
    void reset();

    int columnCount() const;
    QString columnName(int column) const;
    // The first column of that name, matched without regard to case; -1 when none.
    int columnIndex(const QString &name) const;
    QVariant value(int column) const;
    // A column's value as the engine holds it, without a QVariant: its
    // storage class and its number or UTF-8 text (valid until the next step).
    enum class Kind { Null, Integer, Real, Text, Blob };
    Kind kind(int column) const;
    qint64 integer(int column) const;
    double real(int column) const;
    QByteArrayView utf8(int column) const;

    qint64 lastInsertId() const;

private:
    [[noreturn]] void fail() const;

    sqlite3 *m_db;
    sqlite3_stmt *m_stmt = nullptr;
    int m_nextBind = 1;
};
