#pragma once

#include <QStringList>
#include <QVariantList>

// The rows of a Tasks table held somewhere else (the Windows version's
// database), read one after the other. Values come as the program stores
// them: null, whole numbers (booleans as 0 or 1), date-times as days since
// 1899-12-30 (double), text.
class TaskSource
{
public:
    virtual ~TaskSource() = default;

    // The table's column names, in its order; each row has one value per name.
    virtual QStringList columnNames() const = 0;
    // How many rows the table says it holds (for the progress shown).
    virtual qint64 rowCount() const = 0;
    // Reads the next row into values; false after the last one. Throws
    // Error when the source cannot be read to its end.
    virtual bool next(QVariantList &values) = 0;
};
