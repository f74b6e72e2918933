#pragma once

#include "core/DateFormat.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <functional>

// The remembered state of the view panel's controls (radio buttons, "all"
// boxes, the Date Range period and the sub-filter boxes of each tab), kept
// here between start-up, the view panel and the save at exit.
struct ViewPanelState
{
    // Which of the radio buttons All, Outstanding, Completed is on; -1: none.
    int CompletionChoice = 0;
    bool AllPriorities = true;
    bool AllOccurrences = true;
    bool AllCategories = true;
    QString ViewTasks = QStringLiteral("Today");
    bool PriorityOccurrences = false;
    bool PriorityCategories = false;
    bool OccurrencePriorities = false;
    bool OccurrenceCategories = false;
    bool CategoryPriorities = false;
    bool CategoryOccurrences = false;
    bool DatePriorities = false;
    bool DateOccurrences = false;
    bool DateCategories = false;
    bool DateDueDateTime = false;
    bool CalendarPriorities = false;
    bool CalendarOccurrences = false;
    bool CalendarCategories = false;
    bool CalendarDueDateTime = false;
};

// The main window's shared members in one plain object. The program entry
// owns it and hands it by reference to the subsystems that read or change
// it, so none of them needs to reach into the main window.
struct AppState
{
    // Close rules and settings copies.
    bool ExitRequested = false;
    bool ExitDialog = false;
    bool EscMinimize = false;
    bool MinimizeOnClose = false;
    // The tray note on the first hide was shown once already.
    bool TrayHintShown = false;
    bool MinimizeToTray = false;
    bool WindowsStartup = false;
    bool AutoUpdate = false;
    bool UpdateCheckPending = false;
    bool SnoozeConfirm = false;

    // The alarm scan runs at its next tick instead of the next quarter minute.
    // Ask for a pass with requestScan(), which also wakes the sleeping alarm
    // timer; a plain assignment is only seen at the next quarter minute.
    bool ScanPending = false;
    std::function<void()> wakeScan; // set by the alarm engine while it runs
    void requestScan()
    {
        ScanPending = true;
        if (wakeScan)
            wakeScan();
    }
    // Missed alarms: more due tasks than this after a gap (start-up, resume,
    // a clock jump) are listed in one window instead of one popup each; and
    // alarms late by more than SkipLateMinutes (0: never) are not popped up.
    int DigestThreshold = 3;
    int SkipLateMinutes = 0;

    // Checked state of the long date display of the grid's date columns.
    bool LongDateFormat = false;

    // View state.
    ViewPanelState Views;
    QString LastView;
    QString ViewStateText;
    QStringList CheckedPriorities;
    QStringList CheckedOccurrences;
    QStringList CheckedCategories;

    // Folder of the hotkey file, ending in a path separator.
    QString KeysIniFolder;

    // The alarm sound file, as the settings name it.
    QString AlarmFile = QStringLiteral("Alarm.wav");
    // Prompts go to the desktop's notification service when it can take them.
    bool UseDesktopNotifications = false;

    // Task editor and prompt.
    QPointer<QObject> CurrentTaskEditor;
    int PromptedTaskID = 0;
    int WorkingFrequency = 1;
    QString WorkingValidHours = QStringLiteral("00-23");
    QString WorkingValidDays = QStringLiteral("M______");
    bool AutoCloseOnApply = false;

    // The process-wide date and time formats.
    FormatSettings Formats = FormatSettings::fromLocale();
};
