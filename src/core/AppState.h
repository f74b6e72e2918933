#pragma once

#include "core/DateFormat.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

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
    bool MinimizeToTray = false;
    bool WindowsStartup = false;
    bool AutoUpdate = false;
    bool UpdateCheckPending = false;
    bool SnoozeConfirm = false;

    // The alarm scan runs at its next tick instead of the next quarter minute.
    bool ScanPending = false;

    // Checked state of the long date display of the grid's date columns.
    bool LongDateFormat = false;

    // View state.
    QString LastView;
    QString ViewStateText;
    QStringList CheckedPriorities;
    QStringList CheckedOccurrences;
    QStringList CheckedCategories;

    // Folder of the hotkey file, ending in a path separator.
    QString KeysIniFolder;

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
