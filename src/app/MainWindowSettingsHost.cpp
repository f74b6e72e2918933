#include "app/MainWindowSettingsHost.h"

#include "alarm/AlarmEngine.h"
#include "alarm/DesktopPrompts.h"
#include "app/TfNudgewick.h"
#include "core/AppState.h"
#include "settings/SettingsKeys.h"
#include "store/DataModule.h"

#include <QTableView>
#include <QTimer>

#include <cmath>

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

int MainWindowSettingsHost::disablePopupsMinutes() const
{
    return minutesOf(m_window.disablePopupsTimer());
}

void MainWindowSettingsHost::setDisablePopupsMinutes(int minutes)
{
    m_window.disablePopupsTimer()->setInterval(minutesToQtTimerInterval(minutes));
}

int MainWindowSettingsHost::popupIntervalMinutes() const
{
    return minutesOf(m_window.popupIntervalTimer());
}

void MainWindowSettingsHost::setPopupIntervalMinutes(int minutes)
{
    m_window.popupIntervalTimer()->setInterval(minutesToQtTimerInterval(minutes));
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
