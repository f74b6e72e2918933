#include "settings/ProfileFile.h"

#include "core/Error.h"
#include "core/Logging.h"

#include <QCoreApplication>
#include <QFile>
#include <QSaveFile>
#include <QSet>
#include <QStringDecoder>

#include <cerrno>
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

// A value that would not read back as written (blanks at either end, or
// enclosing quotes of its own) is written inside one more pair of quotes.
QString encodeValue(const QString &value)
{
    if (value.isEmpty())
        return value;
    if (value.front().isSpace() || value.back().isSpace() || isEnclosedInQuotes(value))
        return QLatin1Char('"') + value + QLatin1Char('"');
    return value;
}

bool hasLineBreak(const QString &text)
{
    return text.contains(QLatin1Char('\n')) || text.contains(QLatin1Char('\r'));
}

bool isHeader(QStringView trimmed)
{
    return trimmed.startsWith(QLatin1Char('[')) && trimmed.endsWith(QLatin1Char(']'));
}

} // namespace

ProfileFile::ProfileFile(const QString &path)
{
    load(path);
}

void ProfileFile::load(const QString &path)
{
    m_path = path;
    m_sections.clear();
    m_index.clear();
    m_crlf = false;
    m_unreadable = false;
    m_readError.clear();
    m_modified = false;

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
    m_crlf = bytes.contains("\r\n");
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString text = utf8.decode(bytes);
    if (utf8.hasError())
        text = QString::fromLatin1(bytes);
    parse(text);
}

void ProfileFile::reset(const QString &path)
{
    m_path = path;
    m_sections.clear();
    m_index.clear();
    m_crlf = false;
    m_unreadable = false;
    m_readError.clear();
    m_modified = true;
    parse(QString());
}

void ProfileFile::parse(const QString &text)
{
    m_sections.append(Section{}); // the lines before the first section
    QStringList lines = text.split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast(); // the end of the last line, not a line of its own
    for (QString &line : lines) {
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        const QStringView trimmed = QStringView(line).trimmed();
        if (isHeader(trimmed)) {
            m_sections.append(Section{trimmed.mid(1, trimmed.size() - 2).trimmed().toString(), line, {}});
            continue;
        }
        Line parsed{line, QString(), QString(), 0};
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        // A line beginning with ';' is a comment, whatever it holds.
        if (eq >= 0 && !trimmed.startsWith(QLatin1Char(';')))
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
    QStringView v = QStringView(line.text).mid(line.valueStart).trimmed();
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
        const QString folded = name.toCaseFolded();
        if (!seen.contains(folded)) {
            seen.insert(folded);
            names.append(name);
        }
    }
    return names;
}

QList<std::pair<QString, QString>> ProfileFile::entries(const QString &section) const
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
        result.append({line.key, readValue(line, MaxValueLength)});
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

void ProfileFile::setValue(const QString &section, const QString &key, const QString &value)
{
    if (hasLineBreak(section) || hasLineBreak(key) || hasLineBreak(value))
        throw Error(tr("A line break cannot be written to %1 ([%2] %3).").arg(m_path, section, key));

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
        if (sec.lines.at(existing).text != line.text) {
            sec.lines[existing] = line;
            m_modified = true;
        }
        return;
    }
    const Line line = keyLine(key.trimmed() + QLatin1Char('=') + encoded);
    // After the section's last line that is not blank, so that the blank
    // lines before the next section stay where they are.
    qsizetype at = sec.lines.size();
    while (at > 0 && sec.lines.at(at - 1).key.isNull() && sec.lines.at(at - 1).text.trimmed().isEmpty())
        --at;
    sec.lines.insert(at, line);
    m_modified = true;
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
    const QLatin1String eol(m_crlf ? "\r\n" : "\n");
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
    QSaveFile file(m_path);
    if (!file.open(QIODevice::WriteOnly))
        throw Error(tr("Cannot save %1: %2").arg(m_path, file.errorString()));
    // Narrowed before any byte is written, so the data is never readable by others.
    if (m_ownerOnly && !file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner)) {
        file.cancelWriting();
        throw Error(tr("Cannot save %1: %2").arg(m_path, file.errorString()));
    }
    const QByteArray bytes = toText().toUtf8();
    // The data must reach the new file before it replaces the old one: a
    // failed flush (a full disk) is checked here, since commit() would let
    // it pass and put a cut-off file in place of the old one.
    errno = 0;
    if (file.write(bytes) != bytes.size() || !file.flush()) {
        // A failed flush leaves no reason in errorString(); the system's is in errno.
        const int systemError = errno;
        const QString reason = systemError != 0 ? QString::fromLocal8Bit(std::strerror(systemError))
                                                : file.errorString();
        file.cancelWriting();
        throw Error(tr("Cannot save %1: %2").arg(m_path, reason));
    }
    if (!file.commit())
        throw Error(tr("Cannot save %1: %2").arg(m_path, file.errorString()));
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
    file.setValue(section, key, value);
    file.save();
}
