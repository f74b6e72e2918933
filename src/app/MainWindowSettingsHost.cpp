#include "app/MainWindowSettingsHost.h"

#include "alarm/AlarmEngine.h"
#include "alarm/DesktopPrompts.h"
#include "alarm/PopupPacing.h"
#include "app/SyncControl.h"
#include "app/TfNudgewick.h"
#include "core/AppState.h"
#include "editor/OccurrenceRules.h"
#include "editor/TfMonthDay.h"
#include "editor/TfOccurrenceSettings.h"
#include "settings/SettingsKeys.h"
#include "store/DataModule.h"
#include "toolkit/SoundPlayer.h"
#include "views/TaskGrid.h"
#include "views/ViewPanel.h"

#include <QApplication>
#include <QTableView>
#include <QTimer>

#include <cmath>

using namespace Qt::StringLiterals;

namespace {

int minutesOf(const QTimer *timer)
{
    return int(std::lround(timer->interval() / 60000.0));
}

} // namespace

QString MainWindowSettingsHost::alarmSoundFile() const
{
    return m_state.AlarmFile;
}

void MainWindowSettingsHost::setAlarmSoundFile(const QString &file)
{
    m_state.AlarmFile = file;
}

void MainWindowSettingsHost::playAlarmSound()
{
    m_window.alarmEngine()->sound().play(m_state.AlarmFile);
}

// The session runs the program's own command line; the entry is written by
// the main window, which also knows where the program lives.
void MainWindowSettingsHost::setStartWithSession(bool on, const QString &)
{
    m_window.setWindowsStartup(on);
}

void MainWindowSettingsHost::setMinimizeToTray(bool on)
{
    m_window.setMinimizeToTray(on);
}

int MainWindowSettingsHost::disablePopupsMinutes() const
{
    return minutesOf(m_window.disablePopupsTimer());
}

void MainWindowSettingsHost::setDisablePopupsMinutes(int minutes)
{
    m_window.alarmEngine()->pacing().setDisablePeriod(minutesToQtTimerInterval(minutes));
}

int MainWindowSettingsHost::popupIntervalMinutes() const
{
    return minutesOf(m_window.popupIntervalTimer());
}

void MainWindowSettingsHost::setPopupIntervalMinutes(int minutes)
{
    m_window.alarmEngine()->pacing().setPopupInterval(minutesToQtTimerInterval(minutes));
}

QStringList MainWindowSettingsHost::categoryCaptions() const
{
    return m_window.viewPanel()->categoryCaptions();
}

QString MainWindowSettingsHost::desktopNotificationsUnavailable() const
{
    return m_window.alarmEngine()->desktopPrompts().unavailableReason();
}

void MainWindowSettingsHost::saveSettings()
{
    m_window.SaveSettings();
}

void MainWindowSettingsHost::applyDateDisplayFormat()
{
    m_dm.ApplyDateDisplayFormat();
    m_window.grid()->viewport()->update();
}

bool MainWindowSettingsHost::canEditOccurrenceDefaults(const QString &occurrence) const
{
    return occurrence::usesSettings(occurrence);
}

// The task editor's occurrence dialogs on the working values a new task
// starts with; unlike the editor, no date moves afterwards.
bool MainWindowSettingsHost::editOccurrenceDefaults(const QString &occurrence)
{
    QWidget *parent = QApplication::activeModalWidget();
    if (occurrence == u"MonthDay"_s) {
        TfMonthDay dialog(parent);
        dialog.load(m_state.WorkingFrequency, m_state.WorkingValidDays);
        if (dialog.exec() != QDialog::Accepted)
            return false;
        m_state.WorkingFrequency = dialog.frequency();
        m_state.WorkingValidDays = dialog.validDays();
        return true;
    }
    TfOccurrenceSettings dialog(m_prompter, parent);
    dialog.load(occurrence, m_state.WorkingFrequency, m_state.WorkingValidHours, m_state.WorkingValidDays);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    m_state.WorkingFrequency = dialog.frequency();
    m_state.WorkingValidHours = dialog.validHours();
    m_state.WorkingValidDays = dialog.validDays();
    return true;
}

tasksync::SecretStore *MainWindowSettingsHost::syncSecrets()
{
    return &m_window.syncControl()->secrets();
}

void MainWindowSettingsHost::setSyncAccount(const tasksync::Account &account, const std::optional<QString> &password)
{
    m_window.syncControl()->setAccount(account, password);
}
