#pragma once

#include "hotkeys/KeyTable.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <vector>

class HotKeyBackend;
class HotKeyManager;
class QWidget;
class THotKeys;

enum TWinState { wNormal, wMaximized, wMinimized, wHidden };
enum TSaveLoad { slIniFile, slRegister };

// One hotkey: a key with its modifiers, whether it is meant to be registered,
// and the command it stands for. Most text fields belong to the key file
// format only: they are read and written back, and nothing acts on them.
class THotKeyItem
{
public:
    QString Description;
    QString Command;
    QString Parameter;
    QString StartIn;
    QString Category;
    QString UserName;
    QString Password; // as typed: the key file is kept readable by its owner only
    QString UserNameBhvr;
    QString PasswordBHVR;
    QString WindowTitle;
    bool Toggle = false;
    qint32 ApplicationHandle = 0;
    qint32 Tag = 0; // 1 when loaded with a password
    TWinState WinState = wNormal;
    bool ExecuteConfirm = false;
    bool ExecuteOnStartUp = false;
    qint32 Multi = 0; // strings the file holds in each of the nine lists below
    QStringList MultiDescription;
    QStringList MultiCommand;
    QStringList MultiParameter;
    QStringList MultiStartIn;
    QStringList MultiUserName;
    QStringList MultiPassWord;
    QStringList MultiUserNameBHVR;
    QStringList MultiPassWordBHVR;
    QStringList MultiWindowState;
    bool KeystrokeIndexed = false;
    QStringList KeystrokeSL1;
    QStringList KeystrokeSL2;
    std::function<void(HotKeyManager *sender)> OnHotKey;

    THotKeyItem(const THotKeyItem &) = delete;
    THotKeyItem &operator=(const THotKeyItem &) = delete;

    // Enabling registers the combination with the platform, disabling
    // releases it. Setting the same value again does nothing.
    bool Enabled() const { return m_enabled; }
    void setEnabled(bool enabled);
    // Ignored while the key is vkNone: such an entry has no modifiers.
    TModifiers Modifiers() const { return m_modifiers; }
    void setModifiers(TModifiers modifiers);
    // Setting vkNone releases the entry and clears its modifiers. Changing
    // the key of an enabled entry keeps the registration it has until the
    // entry is disabled.
    TVirtKey VirtKey() const { return m_virtKey; }
    void setVirtKey(TVirtKey key);

    // Assigned by the list when the entry is added, never reused by it.
    int ID() const { return m_id; }
    int index() const;
    // The platform accepted the registration of the combination.
    bool Registered() const { return m_registered; }

    // The key combination text, e.g. "Control + Alt + N"; "None" without a key.
    QString GetDisplayName() const;
    // Copies Enabled, Modifiers and VirtKey from another entry.
    void assign(const THotKeyItem &other);

private:
    friend class THotKeys;
    THotKeyItem(THotKeys &list, int id) : m_list(list), m_id(id) {}
    void registerKey();
    void releaseKey();

    THotKeys &m_list;
    int m_id;
    bool m_enabled = false;
    bool m_registered = false;
    TModifiers m_modifiers = 0;
    TVirtKey m_virtKey = vkNone;
};

// The ordered entries of a manager. Removing an entry or clearing the list
// does not release registrations: disable the entries first.
class THotKeys
{
public:
    explicit THotKeys(HotKeyManager &manager) : m_manager(manager) {}
    THotKeys(const THotKeys &) = delete;
    THotKeys &operator=(const THotKeys &) = delete;

    int count() const { return int(m_items.size()); }
    THotKeyItem &operator[](int index) { return *m_items.at(size_t(index)); }
    const THotKeyItem &operator[](int index) const { return *m_items.at(size_t(index)); }
    THotKeyItem &add();
    void clear() { m_items.clear(); }
    int indexOf(const THotKeyItem *item) const;
    HotKeyManager &manager() const { return m_manager; }

private:
    HotKeyManager &m_manager;
    std::vector<std::unique_ptr<THotKeyItem>> m_items;
    int m_nextId = 0;
};

// Gives its owner window system-wide hotkeys: registers the combination of
// every enabled entry through the platform backend and raises OnHotKeys
// when one is pressed. Loads its entries from a key file and saves them to
// it, one profile section per entry.
class HotKeyManager : public QObject
{
    Q_OBJECT
public:
    // The owner must be a top-level window without another manager; the
    // backend is not owned and may go away before the manager.
    HotKeyManager(QWidget *owner, HotKeyBackend *backend);
    ~HotKeyManager() override;

    THotKeys &HotKeys() { return m_hotKeys; }
    const THotKeys &HotKeys() const { return m_hotKeys; }
    QString IniFileName;
    TSaveLoad SaveLoadFrom = slRegister; // the key file is used either way

    // Rebuilds the entries from the key file; a missing file gives none.
    // Enabled entries are registered as they are read.
    void LoadFromIni();

    enum SaveMode {
        UpdateFile, // keys of the file that are not written again stay
        ReplaceFile // the file then holds exactly the entries
    };
    // Writes every entry to the key file, replacing it atomically, with the
    // owner window's caption showing the progress. Throws Error when the
    // file cannot be written; it is then as it was.
    void SaveToIni(SaveMode mode = UpdateFile);

    // Disables every entry (releasing its registration) and empties the list.
    void disableAndClear();

    // Platform operations of the entries.
    bool registerCombination(int id, TModifiers modifiers, TVirtKey key);
    bool releaseCombination(int id);

signals:
    // A registered combination was pressed; HotKeyIndex is the entry's position.
    void OnHotKeys(HotKeyManager *sender, quint16 HotKeyIndex);

private:
    void hotKeyMessage(int id);

    QWidget *m_owner;
    QPointer<HotKeyBackend> m_backend;
    THotKeys m_hotKeys;
};

// The commands the main window runs for a hotkey: the entry's Command with
// each blank as "_" and a leading "c", compared without letter case.
enum TCommand { cNone, cShow_Nudgewick, cDisable_Popups, cAdd_Task, cQuick_Add };
TCommand hotKeyCommand(const QString &command);

// The escaping of the key file's multi-line values: CR is written "#13" and
// LF "#10" (a CR LF pair "#13#10"); in a value without a line break, every
// double quote is written "[#34]".
QString escapeKeyValue(const QString &value);
QString unescapeKeyValue(const QString &value);
