#pragma once

#include "core/CheckedSaveFile.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <utility>

// Profile files too large to hold as a ProfileFile (a section for each of
// many thousands of records) are written and read front to back, line by
// line, by the same rules as ProfileFile.

// Writes a new profile file section after section. Unlike ProfileFile, a
// value that one line cannot hold is refused, not left out, since every
// value matters to the reader of such a file. The file takes its name
// only at commit(), replacing any file there at once; until then, and when
// anything fails, the old file stays as it was. Such a file holds records
// of the user's, so by default only its owner can read it.
class ProfileWriter
{
public:
    // Throws Error with the system's reason when the file cannot be created.
    explicit ProfileWriter(const QString &path,
                           CheckedSaveFile::Access access = CheckedSaveFile::Access::OwnerOnly);

    void beginSection(const QString &name);
    // Writes "key=value" into the current section; a value that would not
    // read back unchanged is quoted as ProfileFile quotes it. Throws Error
    // for a line break, which one line cannot hold.
    void writeValue(const QString &key, const QString &value);
    // Throws Error with the system's reason when the file cannot be completed.
    void commit();

private:
    void flush();

    QString m_path;
    CheckedSaveFile m_file;
    QByteArray m_buffer;
    bool m_empty = true;
};

// Reads a profile file section after section, in file order. Names and
// values read as ProfileFile reads them, but values are never cut, and each
// section and key line is given as it stands (a repeated name is not merged).
// A missing file has no sections; a UTF-16 file is refused.
class ProfileReader
{
public:
    // Throws Error with the system's reason when the file exists but cannot be read.
    explicit ProfileReader(const QString &path);

    // Moves to the next section; false after the last one.
    bool nextSection();
    const QString &section() const { return m_section; }
    // The current section's keys with their values, in file order.
    const QList<std::pair<QString, QString>> &entries() const { return m_entries; }

private:
    QString m_text;
    QChar m_separator = QLatin1Char('\n');
    qsizetype m_position = 0;
    QString m_section;
    QList<std::pair<QString, QString>> m_entries;
};
