#include "hotkeys/HotKeyManager.h"

#include "core/Error.h"
#include "core/Logging.h"
#include "settings/ProfileFile.h"
#include "settings/SettingsKeys.h"
#include "toolkit/HotKeyBackend.h"

#include <QCoreApplication>
#include <QWidget>

#include <QSet>

#include <algorithm>
#include <cmath>

using namespace Qt::StringLiterals;

namespace {

const QString NoFileName = u"IniFileName has no value!"_s;
const QStringList WinStateNames = {u"wNormal"_s, u"wMaximized"_s, u"wMinimized"_s, u"wHidden"_s};

// The lists of several commands per key, with their key names in the file.
struct MultiList
{
    const char *key;
    QStringList THotKeyItem::*list;
    bool escaped;
};
constexpr MultiList MultiLists[] = {
    {"MultiDescription", &THotKeyItem::MultiDescription, false},
    {"MultiCommand", &THotKeyItem::MultiCommand, false},
    {"MultiParameter", &THotKeyItem::MultiParameter, true},
    {"MultiStartIn", &THotKeyItem::MultiStartIn, true},
    {"MultiUserName", &THotKeyItem::MultiUserName, false},
    {"MultiPassWord", &THotKeyItem::MultiPassWord, false},
    {"MultiUserNameBHVR", &THotKeyItem::MultiUserNameBHVR, false},
    {"MultiPassWordBHVR", &THotKeyItem::MultiPassWordBHVR, false},
    {"MultiWindowState", &THotKeyItem::MultiWindowState, false},
};

// The modifiers with their keys in the file, in the order they are written.
struct ModifierKey
{
    const char *key;
    TModifier modifier;
};
constexpr ModifierKey ModifierKeys[] = {
    {"Shift", modShift}, {"Control", modControl}, {"Alt", modAlt}, {"Win", modWin}};

// The fields that the file holds as plain text, in the order they are written
// after "Parameter" ("StartIn" comes first and is escaped).
struct TextField
{
    const char *key;
    QString THotKeyItem::*field;
};
constexpr TextField TrailingTexts[] = {
    {"Category", &THotKeyItem::Category},         {"UserName", &THotKeyItem::UserName},
    {"Password", &THotKeyItem::Password},         {"UserNameBHVR", &THotKeyItem::UserNameBhvr},
    {"PasswordBHVR", &THotKeyItem::PasswordBHVR}, {"WindowTitle", &THotKeyItem::WindowTitle},
};

// Longest "Parameter" read: it may hold a long command line.
constexpr qsizetype ParameterLength = 29999;

int readInt(const ProfileFile &file, const QString &section, const char *key, int defaultValue)
{
    int value = defaultValue;
    if (!parseProfileInteger(file.value(section, QLatin1String(key)), value))
        return defaultValue;
    return value;
}

bool readFlag(const ProfileFile &file, const QString &section, const char *key)
{
    return readInt(file, section, key, 0) != 0;
}

QString readString(const ProfileFile &file, const QString &section, const QString &key,
                   qsizetype maxLength = ProfileFile::MaxValueLength)
{
    return file.value(section, key, QString(), maxLength);
}

// How many of the several commands the section actually holds: one more
// than the highest number on a "Multi..." key. The "Multi" count is bounded
// by it, so that a corrupt or hostile count (two billion) neither loops nor
// fills memory; the entries are then read as far as they go.
int multiEntriesPresent(const ProfileFile &file, const QString &section)
{
    int present = 0;
    for (const QString &key : file.keys(section)) {
        for (const MultiList &m : MultiLists) {
            const QLatin1String prefix(m.key);
            if (key.size() <= prefix.size() || !key.startsWith(prefix, Qt::CaseInsensitive))
                continue;
            const QStringView digits = QStringView(key).mid(prefix.size());
            if (!std::all_of(digits.begin(), digits.end(), [](QChar c) { return c.isDigit() && c.unicode() < 128; }))
                continue;
            bool ok = false;
            const int n = digits.toInt(&ok);
            if (ok && n >= present)
                present = n + 1;
        }
    }
    return present;
}

QWidget *checkedOwner(QWidget *owner)
{
    if (owner) {
        const auto managers = owner->findChildren<HotKeyManager *>(Qt::FindDirectChildrenOnly);
        if (!managers.isEmpty())
            throw Error(u"No more than one HotKeyManager-component on a form"_s);
    }
    if (!owner || !owner->isWindow())
        throw Error(u"The owner of HotKeyManager must be a form"_s);
    return owner;
}

} // namespace

// THotKeyItem ---------------------------------------------------------------

int THotKeyItem::index() const
{
    return m_list.indexOf(this);
}

void THotKeyItem::setEnabled(bool enabled)
{
    if (enabled == m_enabled)
        return;
    m_enabled = enabled;
    if (enabled)
        registerKey();
    else
        releaseKey();
}

void THotKeyItem::setModifiers(TModifiers modifiers)
{
    if (modifiers != m_modifiers && m_virtKey != vkNone)
        m_modifiers = modifiers & (modShift | modControl | modAlt | modWin);
}

void THotKeyItem::setVirtKey(TVirtKey key)
{
    if (key == m_virtKey)
        return;
    m_virtKey = key;
    if (key == vkNone) {
        setEnabled(false);
        m_modifiers = 0;
    }
}

void THotKeyItem::registerKey()
{
    m_registered = false;
    if (m_virtKey == vkNone)
        return;
    m_registered = m_list.manager().registerCombination(m_id, m_modifiers, m_virtKey);
}

void THotKeyItem::releaseKey()
{
    if (m_registered)
        m_registered = !m_list.manager().releaseCombination(m_id);
}

QString THotKeyItem::GetDisplayName() const
{
    return keyCombinationText(m_modifiers, m_virtKey);
}

void THotKeyItem::assign(const THotKeyItem &other)
{
    setEnabled(other.Enabled());
    setVirtKey(other.VirtKey());
    setModifiers(other.Modifiers());
}

// THotKeys ------------------------------------------------------------------

THotKeyItem &THotKeys::add()
{
    m_items.push_back(std::unique_ptr<THotKeyItem>(new THotKeyItem(*this, m_nextId++)));
    return *m_items.back();
}

int THotKeys::indexOf(const THotKeyItem *item) const
{
    for (size_t i = 0; i < m_items.size(); ++i)
        if (m_items[i].get() == item)
            return int(i);
    return -1;
}

// HotKeyManager ---------------------------------------------------------------

HotKeyManager::HotKeyManager(QWidget *owner, HotKeyBackend *backend)
    : QObject(checkedOwner(owner)), m_owner(owner), m_backend(backend), m_hotKeys(*this)
{
    setObjectName(u"HotKeyManager"_s);
    if (backend)
        connect(backend, &HotKeyBackend::activated, this, &HotKeyManager::hotKeyMessage);
}

// The manager goes with its window, and with it what it has registered, so
// no grab outlives the entries that answer it.
HotKeyManager::~HotKeyManager()
{
    for (int i = 0; i < m_hotKeys.count(); ++i)
        if (m_hotKeys[i].Registered())
            m_hotKeys[i].setEnabled(false);
}

bool HotKeyManager::registerCombination(int id, TModifiers modifiers, TVirtKey key)
{
    if (!m_backend)
        return false;
    quint8 flags = 0;
    if (modifiers & modShift)
        flags |= HotKeyBackend::Shift;
    if (modifiers & modControl)
        flags |= HotKeyBackend::Control;
    if (modifiers & modAlt)
        flags |= HotKeyBackend::Alt;
    if (modifiers & modWin)
        flags |= HotKeyBackend::Super;
    const bool ok = m_backend->registerHotKey(id, flags, keyDef(key).keysym);
    qCDebug(lcHotkeys) << keyCombinationText(modifiers, key) << (ok ? "registered" : "refused");
    return ok;
}

bool HotKeyManager::releaseCombination(int id)
{
    return m_backend && m_backend->unregisterHotKey(id);
}

void HotKeyManager::hotKeyMessage(int id)
{
    for (int i = 0; i < m_hotKeys.count(); ++i) {
        THotKeyItem &item = m_hotKeys[i];
        if (item.ID() != id)
            continue;
        if (item.OnHotKey)
            item.OnHotKey(this);
        emit OnHotKeys(this, quint16(i));
        return;
    }
}

void HotKeyManager::disableAndClear()
{
    for (int i = 0; i < m_hotKeys.count(); ++i)
        m_hotKeys[i].setEnabled(false);
    m_hotKeys.clear();
}

void HotKeyManager::LoadFromIni()
{
    if (IniFileName.isEmpty())
        throw Error(NoFileName);
    disableAndClear();
    const ProfileFile file(IniFileName);
    for (const QString &section : file.sections()) {
        THotKeyItem &item = m_hotKeys.add();
        item.setVirtKey(virtKeyFromPosition(readInt(file, section, "Virtkey", vkNone)));
        TModifiers modifiers = 0;
        for (const ModifierKey &m : ModifierKeys)
            if (readFlag(file, section, m.key))
                modifiers |= m.modifier;
        item.setModifiers(modifiers);
        if (readFlag(file, section, "Enabled"))
            item.setEnabled(true);
        item.ExecuteConfirm = readFlag(file, section, "ExecuteConfirm");
        item.ExecuteOnStartUp = readFlag(file, section, "ExecuteOnStartUp");
        item.Description = readString(file, section, u"Description"_s);
        item.Command = readString(file, section, u"Command"_s);
        item.Parameter = unescapeKeyValue(readString(file, section, u"Parameter"_s, ParameterLength));
        item.StartIn = unescapeKeyValue(readString(file, section, u"StartIn"_s));
        for (const TextField &t : TrailingTexts)
            item.*t.field = readString(file, section, QLatin1String(t.key));
        item.Tag = item.Password.trimmed().isEmpty() ? 0 : 1;
        item.WinState = TWinState(std::max<qsizetype>(0, WinStateNames.indexOf(readString(file, section, u"WinState"_s))));
        item.Multi = std::clamp(readInt(file, section, "Multi", 0), 0, multiEntriesPresent(file, section));
        for (const MultiList &m : MultiLists) {
            QStringList &list = item.*m.list;
            list.clear();
            for (int n = 0; n < item.Multi; ++n) {
                const QString value = readString(file, section, QLatin1String(m.key) + QString::number(n));
                list.append(m.escaped ? unescapeKeyValue(value) : value);
            }
        }
    }
    qCDebug(lcHotkeys) << "loaded" << m_hotKeys.count() << "hotkeys from" << IniFileName;
}

void HotKeyManager::SaveToIni(SaveMode mode)
{
    if (IniFileName.isEmpty())
        throw Error(NoFileName);
    ProfileFile file;
    if (mode == ReplaceFile)
        file.reset(IniFileName);
    else
        file.load(IniFileName);
    file.setOwnerOnly(true);

    // The caption shows the progress and is put back however the save ends.
    const QString caption = m_owner->windowTitle();
    struct RestoreCaption {
        QWidget *window;
        QString caption;
        ~RestoreCaption() { window->setWindowTitle(caption); }
    } restore{m_owner, caption};

    // Reading takes every section as one entry whatever its name, but two
    // entries with the same key would write into one section: the second
    // gets a numbered name of its own.
    QSet<QString> usedSections;
    const auto uniqueSection = [&usedSections](const QString &name) {
        QString unique = name;
        for (int n = 2; usedSections.contains(unique.toCaseFolded()); ++n)
            unique = name + u" ("_s + QString::number(n) + u")"_s;
        usedSections.insert(unique.toCaseFolded());
        return unique;
    };

    const int count = m_hotKeys.count();
    for (int i = 0; i < count && i < m_hotKeys.count(); ++i) {
        const long percent = std::lrint(double(i) / count * 100.0); // a half goes to the even neighbour
        m_owner->setWindowTitle(caption + u" ~ saving "_s + QString::number(percent) + u"%"_s);
        QCoreApplication::processEvents();
        if (i >= m_hotKeys.count())
            break; // an event handler emptied the list meanwhile

        const THotKeyItem &item = m_hotKeys[i];
        const QString section = uniqueSection(keySectionName(item.GetDisplayName()));
        const auto put = [&](const QString &key, const QString &value) { file.setValue(section, key, value); };
        const auto flag = [](bool on) { return on ? u"1"_s : u"0"_s; };
        put(u"Virtkey"_s, QString::number(item.VirtKey()));
        for (const ModifierKey &m : ModifierKeys)
            put(QLatin1String(m.key), flag(item.Modifiers() & m.modifier));
        put(u"Enabled"_s, flag(item.Enabled()));
        put(u"ExecuteConfirm"_s, flag(item.ExecuteConfirm));
        put(u"ExecuteOnStartUp"_s, flag(item.ExecuteOnStartUp));
        put(u"Description"_s, item.Description);
        put(u"Command"_s, item.Command);
        put(u"Parameter"_s, escapeKeyValue(item.Parameter));
        put(u"StartIn"_s, escapeKeyValue(item.StartIn));
        for (const TextField &t : TrailingTexts)
            put(QLatin1String(t.key), item.*t.field);
        put(u"WinState"_s, WinStateNames.value(item.WinState, WinStateNames.first()));
        put(u"Multi"_s, QString::number(item.Multi));
        for (int n = 0; n < item.Multi; ++n) {
            for (const MultiList &m : MultiLists) {
                const QString value = (item.*m.list).value(n);
                put(QLatin1String(m.key) + QString::number(n), m.escaped ? escapeKeyValue(value) : value);
            }
        }
    }
    file.save();
    qCDebug(lcHotkeys) << "saved" << count << "hotkeys to" << IniFileName;
}

// Helpers -------------------------------------------------------------------

TCommand hotKeyCommand(const QString &command)
{
    static const QString names[] = {u"cShow_Nudgewick"_s, u"cDisable_Popups"_s, u"cAdd_Task"_s, u"cQuick_Add"_s};
    static const TCommand commands[] = {cShow_Nudgewick, cDisable_Popups, cAdd_Task, cQuick_Add};
    QString name = u"c"_s + command;
    name.replace(u' ', u'_');
    for (int i = 0; i < int(std::size(names)); ++i)
        if (name.compare(names[i], Qt::CaseInsensitive) == 0)
            return commands[i];
    return cNone;
}

// A line break cannot stand in a line of the file: CR and LF are written as
// "#13" and "#10", so a CR LF pair is "#13#10" and a lone one (a break typed
// here is a lone LF) is kept too.
QString escapeKeyValue(const QString &value)
{
    QString text = value;
    if (text.contains(u'\r') || text.contains(u'\n')) {
        text.replace(u'\r', u"#13"_s);
        text.replace(u'\n', u"#10"_s);
    } else {
        text.replace(u"\""_s, u"[#34]"_s);
    }
    return text;
}

QString unescapeKeyValue(const QString &value)
{
    QString text = value;
    if (text.contains(u"#13"_s) || text.contains(u"#10"_s)) {
        text.replace(u"#13"_s, u"\r"_s);
        text.replace(u"#10"_s, u"\n"_s);
    } else {
        text.replace(u"[#34]"_s, u"\""_s);
    }
    return text;
}
