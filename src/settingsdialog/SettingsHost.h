#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace tasksync {
struct Account;
class SecretStore;
} // namespace tasksync

// What the settings dialog needs of the running program beyond the shared
// state, the popup component and the hotkey manager: the pieces it acts on
// at once or applies on OK. The main window implements it; a piece the
// program does not have leaves its operation without effect.
class SettingsHost
{
public:
    virtual ~SettingsHost() = default;

    // The file the alarm sound player holds, and playing it (nothing for a
    // blank name).
    virtual QString alarmSoundFile() const = 0;
    virtual void setAlarmSoundFile(const QString &file) = 0;
    virtual void playAlarmSound() = 0;

    // Switches starting with the desktop session on or off; commandLine is
    // what the session runs.
    virtual void setStartWithSession(bool on, const QString &commandLine) = 0;
    // The tray's switch that turns a minimise into hiding in the tray.
    virtual void setMinimizeToTray(bool on) = 0;

    // The popup pacing timers, in minutes.
    virtual int disablePopupsMinutes() const = 0;
    virtual void setDisablePopupsMinutes(int minutes) = 0;
    virtual int popupIntervalMinutes() const = 0;
    virtual void setPopupIntervalMinutes(int minutes) = 0;

    // Why prompts would not go to the desktop's notifications even when
    // chosen (no service, or one without buttons); empty when they would.
    virtual QString desktopNotificationsUnavailable() const { return {}; }

    // The category captions of the view panel, for the category list.
    virtual QStringList categoryCaptions() const = 0;

    // Writes the main window's own part of the settings file.
    virtual void saveSettings() = 0;
    // The date and time formats changed: the task grid shows them at once.
    virtual void applyDateDisplayFormat() = 0;

    // The occurrence settings of a new task: whether they can be edited for
    // the given occurrence word, and editing the shared working values
    // (frequency, valid hours, valid days). True when the user confirmed.
    virtual bool canEditOccurrenceDefaults(const QString &occurrence) const = 0;
    virtual bool editOccurrenceDefaults(const QString &occurrence) = 0;

    // Where the sync password is kept; null where the program keeps none.
    virtual tasksync::SecretStore *syncSecrets() { return nullptr; }
    // The sync account after OK. `password` has no value when the user left
    // the field as it was shown; a blank one removes the stored password.
    virtual void setSyncAccount(const tasksync::Account &account, const std::optional<QString> &password)
    {
        Q_UNUSED(account);
        Q_UNUSED(password);
    }
};
