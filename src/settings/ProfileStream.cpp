#include "settings/ProfileStream.h"

#include "core/Error.h"
#include "settings/ProfileFile.h"

#include <QCoreApplication>
#include <QFile>


namespace {
QString tr(const char *text)
{
    return QCoreApplication::translate("ProfileFile", text);
}

constexpr qsizetype BufferSize = 1 << 20;

bool hasLineBreak(const QString &text)
{
    return text.contains(QLatin1Char('\n')) || text.contains(QLatin1Char('\r'));
}
}

ProfileWriter::ProfileWriter(const QString &path, CheckedSaveFile::Access access)
    : m_path(path), m_file(path, access)
{
    if (const QString failure = m_file.open(); !failure.isEmpty())
        throw Error(tr("Cannot save %1: %2").arg(m_path, failure));
    m_buffer.reserve(BufferSize + 4096);
}

void ProfileWriter::beginSection(const QString &name)
{
    if (hasLineBreak(name))
        throw Error(tr("A line break cannot be written to %1 ([%2]).").arg(m_path, name));
    // A blank line keeps each section apart from the one before it.
    if (!m_empty)
        m_buffer += '\n';
    m_buffer += '[' + name.trimmed().toUtf8() + "]\n";
    m_empty = false;
    if (m_buffer.size() >= BufferSize)
        flush();
}

void ProfileWriter::writeValue(const QString &key, const QString &value)
{
    if (hasLineBreak(key) || hasLineBreak(value))
        throw Error(tr("A line break cannot be written to %1 (%2).").arg(m_path, key));
    const QString line = key.trimmed() + QLatin1Char('=') + ProfileFile::encodeValue(value);
    if (ProfileFile::readsAsHeader(line))
        throw Error(tr("The key %2 cannot be written to %1: it would read as a section.").arg(m_path, key));
    // A key beginning with ';' is indented, so the line is no comment.
    if (key.trimmed().startsWith(QLatin1Char(';')))
        m_buffer += ' ';
    m_buffer += line.toUtf8() + '\n';
    m_empty = false;
    if (m_buffer.size() >= BufferSize)
        flush();
}

void ProfileWriter::flush()
{
    // A failed write (a full disk) is found here, before commit() could put
    // a cut-off file in place of the old one.
    if (const QString failure = m_file.write(m_buffer); !failure.isEmpty())
        throw Error(tr("Cannot save %1: %2").arg(m_path, failure));
    m_buffer.clear();
}

void ProfileWriter::commit()
{
    flush();
    if (const QString failure = m_file.commit(); !failure.isEmpty())
        throw Error(tr("Cannot save %1: %2").arg(m_path, failure));
}

ProfileReader::ProfileReader(const QString &path)
{
    QFile file(path);
    if (!file.exists())
        return;
    if (!file.open(QIODevice::ReadOnly))
        throw Error(tr("Cannot read %1: %2").arg(path, file.errorString()));
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw Error(tr("Cannot read %1: %2").arg(path, file.errorString()));
    if (bytes.startsWith("\xff\xfe") || bytes.startsWith("\xfe\xff"))
        throw Error(tr("Cannot read %1: it is not UTF-8 text.").arg(path));
    m_text = ProfileFile::decodeText(QByteArrayView(bytes).sliced(bytes.startsWith("\xef\xbb\xbf") ? 3 : 0));
    // Lines end in LF or CR LF, or in a lone CR in a file without LF.
    if (!m_text.contains(QLatin1Char('\n')) && m_text.contains(QLatin1Char('\r')))
        m_separator = QLatin1Char('\r');
}

bool ProfileReader::nextSection()
{
    m_section.clear();
    m_entries.clear();
    bool inSection = false;
    while (m_position < m_text.size()) {
        qsizetype end = m_text.indexOf(m_separator, m_position);
        if (end < 0)
            end = m_text.size();
        QStringView line = QStringView(m_text).mid(m_position, end - m_position);
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        if (const auto name = ProfileFile::sectionName(line.trimmed())) {
            if (inSection)
                return true; // the next section starts here
            m_section = name->toString();
            inSection = true;
        } else if (inSection && !line.startsWith(QLatin1Char(';'))) {
            const qsizetype eq = line.indexOf(QLatin1Char('='));
            if (eq >= 0)
                m_entries.append({line.left(eq).trimmed().toString(), ProfileFile::decodeValue(line.mid(eq + 1), -1)});
        }
        m_position = end + 1;
    }
    return inSection;
}
