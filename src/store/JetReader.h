#pragma once

#include "store/TaskSource.h"

#include <QList>
#include <QString>

#include <memory>
#include <vector>

// The Tasks table of a database of the Windows version (a Jet 4 file), read
// with the mdbtools library. Values are taken as stored: a date-time is the
// stored double itself, never a formatted text; booleans (true is -1 there)
// become 1 and 0; text is decoded from the file's Unicode; nulls stay null
// and an empty text stays empty. Whatever cannot be read exactly throws
// Error, so nothing is imported from a file that is damaged or cut short.
class JetReader final : public TaskSource
{
public:
    // Opens file and finds its Tasks table; throws Error with a message for
    // the user when the file cannot be imported.
    explicit JetReader(const QString &file);
    ~JetReader() override;
    JetReader(const JetReader &) = delete;
    JetReader &operator=(const JetReader &) = delete;

    QStringList columnNames() const override { return m_names; }
    qint64 rowCount() const override;
    bool next(QVariantList &values) override;
    // Starts over at the first row.
    void rewind();

private:
    [[noreturn]] void damaged(const QString &why) const;

    struct Handles;
    std::unique_ptr<Handles> m_handles;
    QString m_file;
    QStringList m_names;
    QList<int> m_types;
    std::vector<std::unique_ptr<char[]>> m_text; // bound buffers of the text and memo columns
    std::vector<int> m_textLength;
    qint64 m_read = 0;
};
