#include "settings/ProfileFile.h"

#include "core/CheckedSaveFile.h"
#include "core/Error.h"
#include "core/Logging.h"

#include <QCoreApplication>
#include <QFile>
#include <QSet>
#include <QStringDecoder>
#include <QStringEncoder>

#include <optional>
#include <cstring>

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("ProfileFile", text);
}

bool isQuote(QChar c)
{
    return c == QLatin1Char('"') || c == QLatin1Char('\'');
}

bool isEnclosedInQuotes(QStringView v)
{
    return v.size() >= 2 && isQuote(v.front()) && v.back() == v.front();
}

bool hasLineBreak(const QString &text)
{
    return text.contains(QLatin1Char('\n')) || text.contains(QLatin1Char('\r'));
}

// The name of a section header line, or nothing when the trimmed line is no
// header. A line that starts with '[' and holds a ']' is a header whatever
// follows its last ']' ("[Notify] ; comment", "[Notify] # my popup",
// "[d] x"); the name is what stands between the '[' and that ']'.
std::optional<QStringView> headerName(QStringView trimmed)
{
    if (!trimmed.startsWith(QLatin1Char('[')))
        return std::nullopt;
    const qsizetype close = trimmed.lastIndexOf(QLatin1Char(']'));
    if (close < 0)
        return std::nullopt;
    return trimmed.mid(1, close - 1).trimmed();
}

// Lines end in LF (or CR LF); a file without any LF but with CRs has the
// lone CR line ends of old Macintosh files.
char16_t lineSeparator(QStringView text)
{
    return !text.contains(QLatin1Char('\n')) && text.contains(QLatin1Char('\r')) ? u'\r' : u'\n';
}

// Windows-1252, the code page of files written on Windows: bytes 0x80 to
// 0x9F hold the euro sign, curly quotes, dashes and a few letters; the five
// it leaves undefined map to the control character of the same number.
constexpr char16_t Cp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

QString fromWindows1252(QByteArrayView bytes)
{
    QString text(bytes.size(), Qt::Uninitialized);
    QChar *out = text.data();
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        *out++ = QChar(b >= 0x80 && b < 0xA0 ? Cp1252High[b - 0x80] : char16_t(b));
    }
    return text;
}

// Each line on its own: UTF-8 where the line is valid UTF-8, otherwise
// Windows-1252, so that one stray byte garbles no more than its own line.
QString decodeLines(QByteArrayView bytes)
{
    // The usual case, a file that is valid UTF-8 throughout, in one go.
    QString whole = QString::fromUtf8(bytes);
    if (whole.toUtf8() == bytes)
        return whole;
    QString text;
    text.reserve(bytes.size());
    qsizetype start = 0;
    const char separator = !bytes.contains('\n') && bytes.contains('\r') ? '\r' : '\n';
    while (start < bytes.size()) {
        qsizetype end = bytes.indexOf(separator, start);
        end = end < 0 ? bytes.size() : end + 1;
        const QByteArrayView line = bytes.sliced(start, end - start);
        const QString utf8 = QString::fromUtf8(line);
        // Invalid or cut-off sequences become U+FFFD and no longer encode
        // back to the same bytes.
        text += utf8.toUtf8() == line ? utf8 : fromWindows1252(line);
        start = end;
    }
    return text;
}

bool startsWith(const QByteArray &bytes, const char *prefix, qsizetype size)
{
    return bytes.size() >= size && std::memcmp(bytes.constData(), prefix, size_t(size)) == 0;
}

} // namespace

ProfileFile::ProfileFile(const QString &path)
{
    load(path);
}

void ProfileFile::load(const QString &path)
{
    start(path, false);

    QFile file(path);
    if (!file.exists()) {
        parse(QString());
        return;
    }
    QByteArray bytes;
    if (file.open(QIODevice::ReadOnly))
        bytes = file.readAll();
    if (!file.isOpen() || file.error() != QFileDevice::NoError) {
        m_unreadable = true;
        m_readError = file.errorString();
        qCWarning(lcSettings) << "cannot read" << path << m_readError;
        parse(QString());
        return;
    }
    QString text;
    if (startsWith(bytes, "\xff\xfe", 2) || startsWith(bytes, "\xfe\xff", 2)) {
        m_encoding = bytes.at(0) == '\xff' ? Encoding::Utf16LE : Encoding::Utf16BE;
        QStringDecoder utf16(m_encoding == Encoding::Utf16LE ? QStringConverter::Utf16LE : QStringConverter::Utf16BE);
        text = utf16.decode(QByteArrayView(bytes).sliced(2));
        if (utf16.hasError())
            qCWarning(lcSettings) << path << "holds text that is not UTF-16";
    } else if (startsWith(bytes, "\xef\xbb\xbf", 3)) {
        m_encoding = Encoding::Utf8Bom;
        text = decodeLines(QByteArrayView(bytes).sliced(3));
    } else {
        text = decodeLines(bytes);
    }
    m_crlf = text.contains(QLatin1String("\r\n"));
    m_cr = lineSeparator(text) == u'\r';
    parse(text);
}

void ProfileFile::reset(const QString &path)
{
    start(path, true);
    parse(QString());
}

// An empty file of that path, as a new one is: UTF-8 with LF line ends.
void ProfileFile::start(const QString &path, bool modified)
{
    m_path = path;
    m_sections.clear();
    m_index.clear();
    m_crlf = false;
    m_cr = false;
    m_encoding = Encoding::Utf8;
    m_unreadable = false;
    m_readError.clear();
    m_modified = modified;
}

void ProfileFile::parse(const QString &text)
{
    m_sections.append(Section{}); // the lines before the first section
    QStringList lines = text.split(QChar(lineSeparator(text)));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast(); // the end of the last line, not a line of its own
    for (QString &line : lines) {
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        const QStringView trimmed = QStringView(line).trimmed();
        if (const auto name = headerName(trimmed)) {
            m_sections.append(Section{name->toString(), line, {}});
            continue;
        }
        Line parsed{line, QString(), QString(), 0};
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        // A line whose first character is ';' is a comment, whatever it
        // holds; a key that itself begins with ';' is written indented.
        if (eq >= 0 && !line.startsWith(QLatin1Char(';')))
            parsed = keyLine(line);
        m_sections.last().lines.append(parsed);
    }
    rebuildIndex();
}

ProfileFile::Line ProfileFile::keyLine(const QString &text)
{
    const qsizetype eq = text.indexOf(QLatin1Char('='));
    const QString key = text.left(eq).trimmed();
    return Line{text, key, key.toCaseFolded(), eq + 1};
}

void ProfileFile::rebuildIndex()
{
    m_index.clear();
    for (qsizetype i = 1; i < m_sections.size(); ++i) {
        const QString folded = m_sections.at(i).name.toCaseFolded();
        if (!m_index.contains(folded))
            m_index.insert(folded, i);
    }
}

qsizetype ProfileFile::findSection(const QString &name) const
{
    return m_index.value(fold(name), -1);
}

qsizetype ProfileFile::findLine(const Section &section, const QString &foldedKey)
{
    for (qsizetype i = 0; i < section.lines.size(); ++i) {
        const Line &line = section.lines.at(i);
        if (!line.key.isNull() && line.foldedKey == foldedKey)
            return i;
    }
    return -1;
}

const ProfileFile::Line *ProfileFile::findValueLine(const QString &section, const QString &key) const
{
    const qsizetype s = findSection(section);
    if (s < 0)
        return nullptr;
    const Section &sec = m_sections.at(s);
    const qsizetype l = findLine(sec, fold(key));
    return l < 0 ? nullptr : &sec.lines.at(l);
}

QString ProfileFile::readValue(const Line &line, qsizetype maxLength)
{
    return decodeValue(QStringView(line.text).mid(line.valueStart), maxLength);
}

QString ProfileFile::decodeValue(QStringView written, qsizetype maxLength)
{
    QStringView v = written.trimmed();
    if (isEnclosedInQuotes(v))
        v = v.mid(1, v.size() - 2);
    if (maxLength >= 0 && v.size() > maxLength) {
        qsizetype n = maxLength;
        if (n > 0 && v.at(n - 1).isHighSurrogate())
            --n; // never leave half a character
        v = v.left(n);
    }
    return v.toString();
}

// A value that would not read back as written (blanks at either end, or
// enclosing quotes of its own) is written inside one more pair of quotes.
QString ProfileFile::encodeValue(const QString &value)
{
    if (value.isEmpty())
        return value;
    if (value.front().isSpace() || value.back().isSpace() || isEnclosedInQuotes(value))
        return QLatin1Char('"') + value + QLatin1Char('"');
    return value;
}

std::optional<QStringView> ProfileFile::sectionName(QStringView trimmedLine)
{
    return headerName(trimmedLine);
}

QString ProfileFile::decodeText(QByteArrayView bytes)
{
    return decodeLines(bytes);
}

QString ProfileFile::value(const QString &section, const QString &key, const QString &defaultValue,
                           qsizetype maxLength) const
{
    const Line *line = findValueLine(section, key);
    return line ? readValue(*line, maxLength) : defaultValue;
}

bool ProfileFile::contains(const QString &section, const QString &key) const
{
    return findValueLine(section, key) != nullptr;
}

bool ProfileFile::containsSection(const QString &section) const
{
    return findSection(section) >= 0;
}

QStringList ProfileFile::sections() const
{
    QStringList names;
    QSet<QString> seen;
    for (qsizetype i = 1; i < m_sections.size(); ++i) {
        const QString &name = m_sections.at(i).name;
        if (!seen.contains(name)) {
            seen.insert(name);
            names.append(name);
        }
    }
    return names;
}

QList<std::pair<QString, QString>> ProfileFile::entries(const QString &section, qsizetype maxLength) const
{
    QList<std::pair<QString, QString>> result;
    const qsizetype s = findSection(section);
    if (s < 0)
        return result;
    QSet<QString> seen;
    for (const Line &line : m_sections.at(s).lines) {
        if (line.key.isNull() || seen.contains(line.foldedKey))
            continue;
        seen.insert(line.foldedKey);
        result.append({line.key, readValue(line, maxLength)});
    }
    return result;
}

QStringList ProfileFile::keys(const QString &section) const
{
    QStringList result;
    const qsizetype s = findSection(section);
    if (s < 0)
        return result;
    QSet<QString> seen;
    for (const Line &line : m_sections.at(s).lines) {
        if (!line.key.isNull() && !seen.contains(line.foldedKey)) {
            seen.insert(line.foldedKey);
            result.append(line.key);
        }
    }
    return result;
}

bool ProfileFile::setValue(const QString &section, const QString &key, const QString &value)
{
    // What one line cannot hold is left out, so the rest still gets saved:
    // a line break, or a key whose line would read back as a section header
    // (the file has no way to mark a '[' as part of a key).
    if (hasLineBreak(section) || hasLineBreak(key) || hasLineBreak(value))
        return leaveOut(section, key);
    if (findLine(m_sections.value(findSection(section)), fold(key)) < 0
        && readsAsHeader(key.trimmed() + QLatin1Char('=') + encodeValue(value)))
        return leaveOut(section, key);

    qsizetype s = findSection(section);
    if (s < 0) {
        // A blank line keeps the new section apart from what comes before it.
        const QList<Line> &before = m_sections.last().lines;
        const bool fileEmpty = m_sections.size() == 1 && before.isEmpty();
        const bool endsBlank = !before.isEmpty() && before.last().key.isNull()
                               && before.last().text.trimmed().isEmpty();
        if (!fileEmpty && !endsBlank)
            m_sections.last().lines.append(Line{});
        const QString name = section.trimmed();
        m_sections.append(Section{name, QLatin1Char('[') + name + QLatin1Char(']'), {}});
        s = m_sections.size() - 1;
        m_index.insert(name.toCaseFolded(), s);
        m_modified = true;
    }

    Section &sec = m_sections[s];
    const QString encoded = encodeValue(value);
    const qsizetype existing = findLine(sec, fold(key));
    if (existing >= 0) {
        // The line keeps its key as the file spells it.
        const Line line = keyLine(sec.lines.at(existing).key + QLatin1Char('=') + encoded);
        if (readsAsHeader(line.text))
            return leaveOut(section, key);
        if (sec.lines.at(existing).text != line.text) {
            sec.lines[existing] = line;
            m_modified = true;
        }
        return true;
    }
    // A key beginning with ';' is indented, so the line is no comment.
    const QString written = key.trimmed().startsWith(QLatin1Char(';')) ? QLatin1Char(' ') + key.trimmed()
                                                                        : key.trimmed();
    const Line line = keyLine(written + QLatin1Char('=') + encoded);
    // After the section's last line that is not blank, so that the blank
    // lines before the next section stay where they are.
    qsizetype at = sec.lines.size();
    while (at > 0 && sec.lines.at(at - 1).key.isNull() && sec.lines.at(at - 1).text.trimmed().isEmpty())
        --at;
    sec.lines.insert(at, line);
    m_modified = true;
    return true;
}

bool ProfileFile::readsAsHeader(const QString &line)
{
    return headerName(QStringView(line).trimmed()).has_value();
}

bool ProfileFile::leaveOut(const QString &section, const QString &key) const
{
    qCWarning(lcSettings).noquote() << "left out of" << m_path << "(cannot be stored):"
                                    << QLatin1Char('[') + section + QLatin1Char(']') << key;
    return false;
}

void ProfileFile::removeKey(const QString &section, const QString &key)
{
    const qsizetype s = findSection(section);
    if (s < 0)
        return;
    const QString folded = fold(key);
    const qsizetype removed = m_sections[s].lines.removeIf(
        [&](const Line &line) { return !line.key.isNull() && line.foldedKey == folded; });
    m_modified = m_modified || removed > 0;
}

void ProfileFile::removeSection(const QString &section)
{
    const QString folded = fold(section);
    qsizetype removed = 0;
    for (qsizetype i = m_sections.size() - 1; i >= 1; --i) {
        if (m_sections.at(i).name.toCaseFolded() == folded) {
            m_sections.removeAt(i);
            ++removed;
        }
    }
    if (removed > 0) {
        rebuildIndex();
        m_modified = true;
    }
}

QString ProfileFile::toText() const
{
    const QLatin1String eol(m_cr ? "\r" : m_crlf ? "\r\n" : "\n");
    QString text;
    for (const Section &section : m_sections) {
        if (!section.header.isNull())
            text += section.header + eol;
        for (const Line &line : section.lines)
            text += line.text + eol;
    }
    return text;
}

void ProfileFile::save()
{
    if (m_unreadable)
        throw Error(tr("Cannot save %1: it could not be read (%2).").arg(m_path, m_readError));
    // Written back in the encoding it was read in.
    QByteArray bytes;
    switch (m_encoding) {
    case Encoding::Utf8:
        bytes = toText().toUtf8();
        break;
    case Encoding::Utf8Bom:
        bytes = "\xef\xbb\xbf" + toText().toUtf8();
        break;
    case Encoding::Utf16LE:
    case Encoding::Utf16BE: {
        QStringEncoder utf16(m_encoding == Encoding::Utf16LE ? QStringConverter::Utf16LE : QStringConverter::Utf16BE,
                             QStringConverter::Flag::WriteBom);
        bytes = utf16.encode(toText());
        break;
    }
    }
    // Every write and the commit are checked: a refused one (a full disk)
    // leaves the old file as it was.
    const QString failure = saveFileContents(
        m_path, bytes, m_ownerOnly ? CheckedSaveFile::Access::OwnerOnly : CheckedSaveFile::Access::Default);
    if (!failure.isEmpty())
        throw Error(tr("Cannot save %1: %2").arg(m_path, failure));
    m_modified = false;
}

void ProfileFile::saveIfModified()
{
    if (m_modified)
        save();
}

void ProfileFile::writeValue(const QString &path, const QString &section, const QString &key,
                             const QString &value)
{
    ProfileFile file(path);
    if (!file.setValue(section, key, value))
        throw Error(tr("[%1] %2 cannot be written to %3.").arg(section, key, file.path()));
    file.save();
}
