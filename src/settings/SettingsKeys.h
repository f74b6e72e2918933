#pragma once

#include "core/DateFormat.h"

#include <QColor>
#include <QLatin1String>
#include <QStringList>
#include <Qt>

#include <span>

class ProfileFile;

// The sections of the settings file.
namespace SettingsSection {
inline constexpr QLatin1String Settings("Settings");
inline constexpr QLatin1String MainWindowSizes("Main Window Sizes");
inline constexpr QLatin1String Tasks("Tasks");
inline constexpr QLatin1String Priorities("Priorities");
inline constexpr QLatin1String Occurrences("Occurrences");
inline constexpr QLatin1String Categories("Categories");
inline constexpr QLatin1String Notify("Notify");
inline constexpr QLatin1String Formats("Formats");
inline constexpr QLatin1String Defaults("Defaults");
inline constexpr QLatin1String Backup("Backup");
inline constexpr QLatin1String Sync("Sync");
} // namespace SettingsSection

// How a value is stored and read.
enum class SettingType {
    Bool,      // "1" / "0"; read as an integer, non-zero is true
    Integer,   // decimal; reads also "0x"/"0X"/"$" hexadecimal
    Byte,      // an integer that its user holds in 8 bits: 300 reads as 44
    Colour,    // integer 0x00BBGGRR, written in decimal
    Text,
    ItemIndex, // 0-based position in a fixed list; outside it, the default
};

// Every key of the settings file. The order is that of the table in
// SettingsKeys.cpp, which is also the order in which each section is written.
enum class Setting {
    // [Settings]
    WindowsStartup,
    ExitDialog,
    LongDateView, // "LongDate": the grid shows long dates
    EscMinimize,
    MinimizeToTray,
    AutoUpdate,
    SnoozeConfirm,
    MinimizeOnClose,
    TrayHintShown, // the note that the program keeps running in the tray was shown
    IniPath,
    // [Main Window Sizes]
    WindowState,
    WindowTop,
    WindowLeft,
    WindowHeight,
    WindowWidth,
    // [Tasks]
    LastView,
    ViewAll,
    ViewOutstanding,
    ViewCompleted,
    AllPriorities,
    AllOccurrences,
    AllCategories,
    ViewTasks,
    PriorityOccurrences,
    PriorityCategories,
    OccurrencePriorities,
    OccurrenceCategories,
    CategoryPriorities,
    CategoryOccurrences,
    DatePriorities,
    DateOccurrences,
    DateCategories,
    DateDueDateTime,
    CalendarPriorities,
    CalendarOccurrences,
    CalendarCategories,
    CalendarDueDateTime,
    DescriptionHeight,
    NotesHeight,
    NotesWidth,
    // [Notify]
    GradientColor1,
    GradientColor2,
    ScrollSpeed,
    TimeOut,
    PopupWidth,
    PopupHeight,
    StartPosition,
    AlarmFile,
    DisablePopups,
    PopupInterval,
    DesktopNotifications, // prompts as the desktop's own notifications
    DigestThreshold, // more missed alarms than this are listed in one window
    SkipLateMinutes, // alarms later than this are not popped up; 0: never
    // [Formats]
    DateSeparator, // "DateSeperator", spelled so in the file
    ShortDateFormat,
    LongDateFormat, // "LongDate" of [Formats], not the one of [Settings]
    ShortTimeFormat,
    LongTimeFormat,
    // [Defaults]
    DefaultCategory,
    DefaultPriority,
    DefaultOccurrence,
    DefaultFrequency,
    DefaultValidHours,
    DefaultValidDays,
    DefaultSnoozeTime,
    ApplyOccurrence,
    QuickAddDatesAfterAt, // the quick-add line reads dates, times and repeats only after an "@"
    // [Backup]: rolling backups of the task database and how many are kept
    BackupEnabled,
    BackupKeepToday,
    BackupKeepDays,
    BackupKeepWeeks,
    BackupKeepMonths,
    // [Sync]: the CalDAV account the tasks are kept in step with (never its password)
    SyncAddress,  // a server root or a collection's address; blank: sync is off
    SyncUser,
    SyncInterval, // minutes between automatic passes; 0: only on request

    Count
};

struct SettingDef
{
    Setting id;
    QLatin1String section;
    QLatin1String key;
    SettingType type;
    QLatin1String defaultValue; // in the form the file stores
    int choices = 0;            // ItemIndex: number of entries of its list
};
// WindowHeight and WindowWidth default to the window's designed size, which
// only the window knows: read them with an explicit default. So does
// DesktopNotifications, whose default depends on the platform (see
// desktopNotificationsByDefault).

// The whole table, in the order of Setting.
std::span<const SettingDef> settingTable();
const SettingDef &settingDef(Setting id);
// The keys of one section in table order.
QList<Setting> settingsOfSection(QLatin1String section);

// Typed reads, each with a default: the table's, or the one given. A missing
// section or key, or a value that does not parse, gives the default.
bool hasSetting(const ProfileFile &file, Setting id);
bool readBool(const ProfileFile &file, Setting id);
bool readBool(const ProfileFile &file, Setting id, bool defaultValue);
int readInteger(const ProfileFile &file, Setting id); // Integer, Byte
int readInteger(const ProfileFile &file, Setting id, int defaultValue);
QColor readColour(const ProfileFile &file, Setting id);
QString readText(const ProfileFile &file, Setting id);
QString readText(const ProfileFile &file, Setting id, const QString &defaultValue);
int readItemIndex(const ProfileFile &file, Setting id);

// Typed writes into the profile in memory (ProfileFile::save() stores them).
void writeBool(ProfileFile &file, Setting id, bool value);
void writeInteger(ProfileFile &file, Setting id, int value);
void writeColour(ProfileFile &file, Setting id, const QColor &value);
void writeText(ProfileFile &file, Setting id, const QString &value);
void writeItemIndex(ProfileFile &file, Setting id, int value);

// The value forms, usable on their own: an integer as the file writes it
// ("-12", "0x1F", "$1F"; false when the text is not one), and a colour's
// stored integer (0x00BBGGRR) to and from QColor.
bool parseProfileInteger(QStringView text, int &value);
QColor colourFromStored(int value);
int colourToStored(const QColor &colour);

// The fixed lists that item indexes and texts refer to.
const QStringList &occurrenceChoices();   // "Scheduled" ... "Years", 15 entries
const QStringList &snoozeTimeChoices();   // "1" ... "60" minutes, 10 entries
const QStringList &viewTasksPeriods();    // "Yesterday" ... "Next Year"
const QStringList &windowStateNames();    // "wsNormal", "wsMinimized", "wsMaximized"
const QStringList &layoutTabCaptions();   // captions whose layout files are caption + ".ini"
int snoozeMinutes(int snoozeTimeIndex);   // the minutes at a "SnoozeTime" position

// "Window State": unknown names read as the normal state.
Qt::WindowState windowStateFromName(const QString &name);
QString windowStateName(Qt::WindowStates state);

// Check-mark sections ([Priorities], [Occurrences], [Categories]): an item is
// checked when its caption is a key of the section with the value "Checked"
// (exactly that case). Writing replaces the section with one line per item.
bool readCheckMark(const ProfileFile &file, QLatin1String section, const QString &caption);
void writeCheckMarks(ProfileFile &file, QLatin1String section, const QStringList &checkedCaptions);

// [Formats]: the date separator (its first character; an empty value keeps
// the default "/") and the four patterns, time patterns with "HH" as "hh".
// Names and separators not stored come from base.
FormatSettings readFormatSettings(const ProfileFile &file, const FormatSettings &base);
void writeFormatSettings(ProfileFile &file, const FormatSettings &formats);

// "Use desktop notifications" is on by default where the program's own
// popups cannot be placed beside the taskbar: on any platform but X11
// (platformName as QGuiApplication names it, "xcb" for X11).
bool desktopNotificationsByDefault(QStringView platformName);

// A timer interval of the given minutes in milliseconds, as a 32-bit
// unsigned count (the file's "DisablePopups" and "PopupInterval").
quint32 minutesToTimerInterval(int minutes);
// The same for a Qt timer, which counts milliseconds in an int: longer
// periods are cut to the longest one it can hold (about 24 days).
int minutesToQtTimerInterval(int minutes);
