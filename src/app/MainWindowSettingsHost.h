#pragma once

#include "settingsdialog/SettingsHost.h"

class Prompter;
class TDM;
class TfNudgewick;
struct AppState;

// The main window's side of the settings dialog: the alarm sound, start at
// login, the tray, the popup pacing, the view panel's categories, the grid's
// date formats and the occurrence dialogs of the task editor.
class MainWindowSettingsHost final : public SettingsHost
{
public:
    MainWindowSettingsHost(TfNudgewick &window, AppState &state, TDM &dm, Prompter &prompter)
        : m_window(window), m_state(state), m_dm(dm), m_prompter(prompter)
    {
    }

    QString alarmSoundFile() const override;
    void setAlarmSoundFile(const QString &file) override;
    void playAlarmSound() override;
    void setStartWithSession(bool on, const QString &commandLine) override;
    void setMinimizeToTray(bool on) override;
    int disablePopupsMinutes() const override;
    void setDisablePopupsMinutes(int minutes) override;
    int popupIntervalMinutes() const override;
    void setPopupIntervalMinutes(int minutes) override;
    QString desktopNotificationsUnavailable() const override;
    QStringList categoryCaptions() const override;
    void saveSettings() override;
    void applyDateDisplayFormat() override;
    bool canEditOccurrenceDefaults(const QString &occurrence) const override;
    bool editOccurrenceDefaults(const QString &occurrence) override;
    tasksync::SecretStore *syncSecrets() override;
    void setSyncAccount(const tasksync::Account &account, const std::optional<QString> &password) override;

private:
    TfNudgewick &m_window;
    AppState &m_state;
    TDM &m_dm;
    Prompter &m_prompter;
};
