#include "toolkit/AutostartEntry.h"

#include "core/CheckedSaveFile.h"

#include <QDir>
#include <QFile>

using namespace Qt::StringLiterals;

namespace {
// Characters that make an Exec argument need quotes.
constexpr QStringView Reserved = u" \t\n\"'\\><~|&;$*?#()`";
// Characters escaped by a backslash inside a quoted argument.
constexpr QStringView EscapedInQuotes = u"\"`$\\";

QString quoteArgument(const QString &argument)
{
    QString quoted = argument;
    quoted.replace(u'%', u"%%"_s);
    const bool needsQuotes = quoted.isEmpty() || std::any_of(quoted.cbegin(), quoted.cend(), [](QChar c) {
        return Reserved.contains(c);
    });
    if (!needsQuotes)
        return quoted;
    QString result = u"\""_s;
    for (const QChar c : std::as_const(quoted)) {
        if (EscapedInQuotes.contains(c))
            result += u'\\';
        result += c;
    }
    return result + u'"';
}

// The escapes of a desktop entry string value, applied before the quoting.
QString escapeString(const QString &text)
{
    QString result;
    for (const QChar c : text) {
        switch (c.unicode()) {
        case '\\': result += u"\\\\"_s; break;
        case '\n': result += u"\\n"_s; break;
        case '\t': result += u"\\t"_s; break;
        case '\r': result += u"\\r"_s; break;
        default: result += c;
        }
    }
    return result;
}

QString unescapeString(const QString &text)
{
    QString result;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c != u'\\' || i + 1 == text.size()) {
            result += c;
            continue;
        }
        switch (text.at(++i).unicode()) {
        case 's': result += u' '; break;
        case 'n': result += u'\n'; break;
        case 't': result += u'\t'; break;
        case 'r': result += u'\r'; break;
        case '\\': result += u'\\'; break;
        default: result += u'\\'; result += text.at(i);
        }
    }
    return result;
}

// The value of `key` in the [Desktop Entry] group of a desktop entry file.
QString entryValue(const QString &path, QStringView key)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    bool inGroup = false;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.startsWith(u'[')) {
            inGroup = line == u"[Desktop Entry]";
            continue;
        }
        const qsizetype equals = line.indexOf(u'=');
        if (inGroup && equals > 0 && QStringView(line).left(equals).trimmed() == key)
            return unescapeString(line.mid(equals + 1).trimmed());
    }
    return {};
}
}

AutostartEntry::AutostartEntry(QString folder, QString fileName)
    : m_folder(std::move(folder)), m_fileName(std::move(fileName))
{
}

QString AutostartEntry::defaultFileName()
{
    return u"nudgewick.desktop"_s;
}

QString AutostartEntry::defaultFolder(const QProcessEnvironment &environment)
{
    QString config = environment.value(u"XDG_CONFIG_HOME"_s);
    if (!QDir::isAbsolutePath(config))
        config = environment.value(u"HOME"_s, QDir::homePath()) + u"/.config"_s;
    return config + u"/autostart"_s;
}

QString AutostartEntry::filePath() const
{
    return QDir(m_folder).filePath(m_fileName);
}

void AutostartEntry::setCommand(const QString &program, const QStringList &arguments)
{
    m_command = QStringList{program} + arguments;
}

bool AutostartEntry::isEnabled() const
{
    if (!QFile::exists(filePath()))
        return false;
    // A desktop's own autostart settings switch an entry off this way.
    const QString path = filePath();
    return entryValue(path, u"Hidden") != u"true" && entryValue(path, u"X-GNOME-Autostart-enabled") != u"false";
}

bool AutostartEntry::setEnabled(bool on)
{
    m_error.clear();
    if (!on) {
        QFile file(filePath());
        if (file.exists() && !file.remove()) {
            m_error = file.errorString();
            return false;
        }
        return true;
    }
    if (m_command.isEmpty()) {
        m_error = u"no command to run"_s;
        return false;
    }
    if (!QDir().mkpath(m_folder)) {
        m_error = u"the folder %1 cannot be created"_s.arg(m_folder);
        return false;
    }
    const QString text = u"[Desktop Entry]\n"
                         u"Type=Application\n"
                         u"Name=Nudgewick\n"
                         u"Comment=Task list and reminders\n"
                         u"Icon=nudgewick\n"
                         u"Exec="_s
                         + execValue(m_command) + u"\nTerminal=false\n"_s;
    // Rewritten at every start: a refused write (a full disk) must leave the
    // entry there is as it was, never cut off.
    m_error = saveFileContents(filePath(), text.toUtf8());
    return m_error.isEmpty();
}

QString AutostartEntry::execValue(const QStringList &command)
{
    QStringList quoted;
    for (const QString &argument : command)
        quoted << quoteArgument(argument);
    return escapeString(quoted.join(u' '));
}

QStringList AutostartEntry::parseExecValue(const QString &value)
{
    const QString text = unescapeString(value);
    QStringList arguments;
    QString current;
    bool inArgument = false;
    bool quoted = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (quoted) {
            if (c == u'"') {
                quoted = false;
            } else if (c == u'\\' && i + 1 < text.size() && EscapedInQuotes.contains(text.at(i + 1))) {
                current += text.at(++i);
            } else {
                current += c;
            }
        } else if (c == u' ' || c == u'\t' || c == u'\n') {
            if (inArgument)
                arguments << current;
            current.clear();
            inArgument = false;
        } else if (c == u'"') {
            quoted = inArgument = true;
        } else {
            current += c;
            inArgument = true;
        }
    }
    if (quoted)
        return {};
    if (inArgument)
        arguments << current;

    // "%%" is a literal '%'; any other field code stands for nothing here.
    QStringList result;
    for (const QString &argument : std::as_const(arguments)) {
        QString plain;
        bool onlyFieldCode = argument.size() == 2 && argument.at(0) == u'%' && argument.at(1) != u'%';
        if (onlyFieldCode)
            continue;
        for (qsizetype i = 0; i < argument.size(); ++i) {
            if (argument.at(i) == u'%' && i + 1 < argument.size()) {
                if (argument.at(++i) == u'%')
                    plain += u'%';
            } else {
                plain += argument.at(i);
            }
        }
        result << plain;
    }
    return result;
}
