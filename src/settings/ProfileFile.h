#pragma once

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>
#include <utility>

// A profile (INI) file: "[Section]" lines open sections, "key=value" lines
// hold values. Section and key names match without regard to letter case;
// values read trimmed, without one pair of enclosing double or single quotes,
// and cut to 2047 characters. Writing a key replaces its line where it stands
// or appends it to its section; writing into a missing section appends the
// section at the end. Lines that are neither (comments, blank lines, junk)
// are kept as they are.
//
// A line whose first non-blank character is '[' and that holds a ']' is a
// section header, whatever follows the ']'. Lines end in LF or CR LF, or in
// a lone CR in a file without LF; a save keeps the file's line ends.
//
// The file is loaded once into memory; reads and writes work on that copy,
// and save() replaces the file on disk atomically. So a writer of many keys
// loads, sets them all and saves once, and a refused save changes nothing.
// A missing file reads as empty; the first save creates it. Text is UTF-8,
// read line by line: a line that is not valid UTF-8 is read as Windows-1252.
// A file that starts with a byte order mark is UTF-8 or UTF-16 and is
// written back in the same form, mark included.
class ProfileFile
{
public:
    // Longest value a read returns unless the caller asks for more.
    static constexpr qsizetype MaxValueLength = 2047;

    ProfileFile() = default;
    // Loads the file at path (see load()).
    explicit ProfileFile(const QString &path);

    // Reads the file at path, dropping unsaved changes. A missing file gives
    // an empty profile. A file that exists but cannot be read also reads as
    // empty, and then save() refuses rather than overwrite it.
    void load(const QString &path);
    const QString &path() const { return m_path; }
    // Starts an empty profile for path without reading it: save() then
    // replaces whatever the file held with the keys set since.
    void reset(const QString &path);

    // The saved file can be read and written by its owner only (the
    // default: settings tell about the user's tasks, and may hold a
    // password). A file that already exists is narrowed too.
    void setOwnerOnly(bool ownerOnly) { m_ownerOnly = ownerOnly; }

    // Replaces the file with the profile's lines (QSaveFile: a new file is
    // written and renamed over the old one). Throws Error with the system's
    // reason when the platform refuses; the file on disk is then unchanged.
    void save();
    // save() when something changed since the load or the last save.
    void saveIfModified();
    bool isModified() const { return m_modified; }

    // The value of key in section, or defaultValue when the section or the
    // key is missing. At most maxLength characters (negative: all).
    QString value(const QString &section, const QString &key, const QString &defaultValue = QString(),
                  qsizetype maxLength = MaxValueLength) const;
    bool contains(const QString &section, const QString &key) const;
    bool containsSection(const QString &section) const;

    // Section names in file order and as written, each spelling once (a
    // section repeated in another letter case is listed again). The keys of
    // one section in file order; a key repeated in another case is listed once.
    QStringList sections() const;
    QStringList keys(const QString &section) const;
    // The keys of a section with their values (read as value() reads them).
    // (At most maxLength characters each; negative: all.)
    QList<std::pair<QString, QString>> entries(const QString &section, qsizetype maxLength = MaxValueLength) const;

    // Sets a value in memory. A value with blanks at either end, or one that
    // is itself enclosed in quotes, is written inside double quotes so that
    // it reads back unchanged. What one line cannot hold (a line break in
    // the section, key or value, or a key line that would read back as a
    // section header) is left out with a warning in the log, and
    // false returned, so that one such value never stops the rest from being
    // saved.
    bool setValue(const QString &section, const QString &key, const QString &value);
    // Removes a key's line; nothing happens when it is missing.
    void removeKey(const QString &section, const QString &key);
    // Removes every section of that name with its header and all its lines.
    void removeSection(const QString &section);

    // The rules of the file's lines, shared with the streaming reader and
    // writer (ProfileStream.h): how a value is written so that it reads back
    // unchanged, how the text after a key's "=" reads (at most maxLength
    // characters; negative: all), the name of a section header line (nothing
    // for another line), and how the bytes of a file without a byte order
    // mark become text.
    static QString encodeValue(const QString &value);
    static QString decodeValue(QStringView written, qsizetype maxLength = MaxValueLength);
    static std::optional<QStringView> sectionName(QStringView trimmedLine);
    // Whether a line would read back as a section header.
    static bool readsAsHeader(const QString &line);
    static QString decodeText(QByteArrayView bytes);

    // Loads the file, sets one value and saves it; throws Error when the
    // value cannot be stored or the file not saved.
    static void writeValue(const QString &path, const QString &section, const QString &key,
                           const QString &value);

private:
    void start(const QString &path, bool modified);
    struct Line
    {
        QString text;      // the line as it stands in the file
        QString key;       // trimmed key of a "key=value" line; null for other lines
        QString foldedKey; // key in the form names are compared in
        qsizetype valueStart = 0;
    };
    struct Section
    {
        QString name;      // trimmed name; null for the lines before the first section
        QString header;    // the header line as written
        QList<Line> lines;
    };

    static Line keyLine(const QString &text);
    static QString fold(const QString &name) { return name.trimmed().toCaseFolded(); }
    static QString readValue(const Line &line, qsizetype maxLength);
    static qsizetype findLine(const Section &section, const QString &foldedKey);
    bool leaveOut(const QString &section, const QString &key) const;
    qsizetype findSection(const QString &name) const;
    const Line *findValueLine(const QString &section, const QString &key) const;
    void parse(const QString &text);
    void rebuildIndex();
    QString toText() const;

    QString m_path;
    QList<Section> m_sections;
    QHash<QString, qsizetype> m_index; // folded name -> first section of that name
    enum class Encoding { Utf8, Utf8Bom, Utf16LE, Utf16BE };
    bool m_crlf = false;
    bool m_cr = false; // lone CR line ends
    Encoding m_encoding = Encoding::Utf8;
    bool m_unreadable = false;
    QString m_readError;
    bool m_modified = false;
    bool m_ownerOnly = true;
};
