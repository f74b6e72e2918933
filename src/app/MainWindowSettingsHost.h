#pragma once

#include "settings/SettingsHost.h"

class TDM;
class TfNudgewick;
struct AppState;

// The main window's side of the settings dialog. The pieces the program
// does not have yet (the sound player, autostart, the tray, the category
// list of the view panel, the occurrence settings dialog) are left without
// effect here until they join the main window.
class MainWindowSettingsHost final : public SettingsHost
{
public:
    MainWindowSettingsHost(TfNudgewick &window, AppState &state, TDM &dm) : m_window(window), m_state(state), m_dm(dm) {}

    QString alarmSoundFile() const override;
    void setAlarmSoundFile(const QString &file) override;
    void playAlarmSound() override {}
    void setStartWithSession(bool, const QString &) override {}
    void setMinimizeToTray(bool) override {}
    int disablePopupsMinutes() const override;
    void setDisablePopupsMinutes(int minutes) override;
    int popupIntervalMinutes() const override;
    void setPopupIntervalMinutes(int minutes) override;
    QString desktopNotificationsUnavailable() const override;
    QStringList categoryCaptions() const override { return {}; }
    void saveSettings() override;
    void applyDateDisplayFormat() override;
    bool canEditOccurrenceDefaults() const override { return false; }
    bool editOccurrenceDefaults(const QString &) override { return false; }

private:
    TfNudgewick &m_window;
    AppState &m_state;
    TDM &m_dm;
};
