// The main window's global hotkeys and its settings dialog.

#include "app/TfNudgewick.h"

#include "app/MainWindowSettingsHost.h"
#include "alarm/AlarmEngine.h"
#include "alarm/PopupPacing.h"
#include "core/AppState.h"
#include "core/Logging.h"
#include "hotkeys/HotKeyManager.h"
#include "popup/MSNPopUp.h"
#include "settingsdialog/TfSettings.h"
#include "update/WebAddresses.h"
#include "toolkit/HotKeyBackend.h"

#include <QAction>
#include <QTimer>

using namespace Qt::StringLiterals;

HotKeyManager *TfNudgewick::hotKeyManager() const
{
    return m_hotKeyManager;
}

void TfNudgewick::setHotKeyBackend(std::unique_ptr<HotKeyBackend> backend)
{
    m_hotKeyBackend = std::move(backend);
}

// The last step of the start-up: the hotkeys of the key file.
void TfNudgewick::SetUpHotKeys()
{
    if (m_hotKeyManager) {
        m_hotKeyManager->disableAndClear();
        delete m_hotKeyManager;
    }
    m_hotKeyManager = new HotKeyManager(this, m_hotKeyBackend.get());
    m_hotKeyManager->SaveLoadFrom = slIniFile;
    m_hotKeyManager->IniFileName = m_state.KeysIniFolder + u"Keys.Ini"_s;
    connect(m_hotKeyManager, &HotKeyManager::OnHotKeys, this,
            [this](HotKeyManager *, quint16 index) { guard([this, index] { HotKeyPressed(index); }); });
    m_hotKeyManager->LoadFromIni();
}

void TfNudgewick::HotKeyPressed(int HotKeyIndex)
{
    if (!m_hotKeyManager || HotKeyIndex < 0 || HotKeyIndex >= m_hotKeyManager->HotKeys().count())
        return;
    const QString command = m_hotKeyManager->HotKeys()[HotKeyIndex].Command;
    qCDebug(lcHotkeys) << "hotkey" << HotKeyIndex << command;
    switch (hotKeyCommand(command)) {
    case cShow_Nudgewick:
        aShowNudgewick->trigger();
        break;
    case cDisable_Popups:
        aDisablePopups->trigger();
        break;
    case cAdd_Task:
        aTaskAdd->trigger();
        break;
    case cQuick_Add:
        aQuickAdd->trigger();
        break;
    case cNone:
        break;
    }
}

// No alarm popup shows while the settings dialog is open.
void TfNudgewick::Settings2Click(const QString &startPage)
{
    PopupPacing &pacing = m_alarm->pacing();
    pacing.settingsDialogOpening();
    struct Restart {
        PopupPacing &pacing;
        ~Restart() { pacing.settingsDialogClosed(); }
    } restart{pacing};
    MainWindowSettingsHost host(*this, m_state, m_dm, m_prompter);
    TfSettings dialog(m_state, *MSNPopUp, m_hotKeyManager, host, m_prompter, m_clock, settingsFile(), this);
    // A build without an update address offers no update check.
    if (auto *autoUpdate = dialog.findChild<QWidget *>(u"cbCheckforanewversion"_s))
        autoUpdate->setVisible(!WebAddresses::updateDescriptor().isEmpty());
    dialog.setStartPage(startPage);
    dialog.exec();
}
