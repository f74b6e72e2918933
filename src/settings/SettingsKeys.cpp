#include "settings/SettingsKeys.h"

#include "settings/ProfileFile.h"

#include <array>
#include <algorithm>
#include <limits>
#include <optional>

namespace {

using T = SettingType;
using L = QLatin1String;
namespace S = SettingsSection;

constexpr std::array<SettingDef, size_t(Setting::Count)> Table{{
    {Setting::WindowsStartup, S::Settings, L("Windows Startup"), T::Bool, L("0")},
    {Setting::ExitDialog, S::Settings, L("Exit Dialog"), T::Bool, L("0")},
    {Setting::LongDateView, S::Settings, L("LongDate"), T::Bool, L("0")},
    // Closing and Esc hide the window (into the tray where there is one), so
    // the reminders go on; a file that holds these keys keeps its values.
    {Setting::EscMinimize, S::Settings, L("ESC Minimize Nudgewick"), T::Bool, L("1")},
    {Setting::MinimizeToTray, S::Settings, L("Minimize to tray"), T::Bool, L("1")},
    {Setting::AutoUpdate, S::Settings, L("Auto Update"), T::Bool, L("0")},
    {Setting::SnoozeConfirm, S::Settings, L("Snooze Confirm"), T::Bool, L("0")},
    {Setting::MinimizeOnClose, S::Settings, L("Minimize on Close"), T::Bool, L("1")},
    {Setting::TrayHintShown, S::Settings, L("Tray Hint Shown"), T::Bool, L("0")},
    {Setting::IniPath, S::Settings, L("Ini Path"), T::Text, L("")},

    {Setting::WindowState, S::MainWindowSizes, L("Window State"), T::Text, L("wsNormal")},
    {Setting::WindowTop, S::MainWindowSizes, L("Top"), T::Integer, L("0")},
    {Setting::WindowLeft, S::MainWindowSizes, L("Left"), T::Integer, L("0")},
    {Setting::WindowHeight, S::MainWindowSizes, L("Height"), T::Integer, L("0")},
    {Setting::WindowWidth, S::MainWindowSizes, L("Width"), T::Integer, L("0")},

    {Setting::LastView, S::Tasks, L("LastView"), T::Text, L("All")},
    {Setting::ViewAll, S::Tasks, L("All"), T::Bool, L("1")},
    {Setting::ViewOutstanding, S::Tasks, L("Outstanding"), T::Bool, L("0")},
    {Setting::ViewCompleted, S::Tasks, L("Completed"), T::Bool, L("0")},
    {Setting::AllPriorities, S::Tasks, L("AllPriorities"), T::Bool, L("1")},
    {Setting::AllOccurrences, S::Tasks, L("AllOccurrences"), T::Bool, L("1")},
    {Setting::AllCategories, S::Tasks, L("AllCategories"), T::Bool, L("1")},
    {Setting::ViewTasks, S::Tasks, L("ViewTasks"), T::Text, L("Today")},
    {Setting::PriorityOccurrences, S::Tasks, L("PriorityOccurrences"), T::Bool, L("0")},
    {Setting::PriorityCategories, S::Tasks, L("PriorityCategories"), T::Bool, L("0")},
    {Setting::OccurrencePriorities, S::Tasks, L("OccurrencePriorities"), T::Bool, L("0")},
    {Setting::OccurrenceCategories, S::Tasks, L("OccurrenceCategories"), T::Bool, L("0")},
    {Setting::CategoryPriorities, S::Tasks, L("CategoryPriorities"), T::Bool, L("0")},
    {Setting::CategoryOccurrences, S::Tasks, L("CategoryOccurrences"), T::Bool, L("0")},
    {Setting::DatePriorities, S::Tasks, L("DatePriorities"), T::Bool, L("0")},
    {Setting::DateOccurrences, S::Tasks, L("DateOccurrences"), T::Bool, L("0")},
    {Setting::DateCategories, S::Tasks, L("DateCategories"), T::Bool, L("0")},
    {Setting::DateDueDateTime, S::Tasks, L("DateDueDateTime"), T::Bool, L("0")},
    {Setting::CalendarPriorities, S::Tasks, L("CalendarPriorities"), T::Bool, L("0")},
    {Setting::CalendarOccurrences, S::Tasks, L("CalendarOccurrences"), T::Bool, L("0")},
    {Setting::CalendarCategories, S::Tasks, L("CalendarCategories"), T::Bool, L("0")},
    {Setting::CalendarDueDateTime, S::Tasks, L("CalendarDueDateTime"), T::Bool, L("0")},
    {Setting::DescriptionHeight, S::Tasks, L("Description Height"), T::Integer, L("100")},
    {Setting::NotesHeight, S::Tasks, L("Notes Height"), T::Integer, L("200")},
    {Setting::NotesWidth, S::Tasks, L("Notes Width"), T::Integer, L("185")},

    {Setting::GradientColor1, S::Notify, L("GradientColor1"), T::Colour, L("16711680")},
    {Setting::GradientColor2, S::Notify, L("GradientColor2"), T::Colour, L("16777215")},
    {Setting::ScrollSpeed, S::Notify, L("ScrollSpeed"), T::Byte, L("5")},
    {Setting::TimeOut, S::Notify, L("TimeOut"), T::Integer, L("0")},
    {Setting::PopupWidth, S::Notify, L("Width"), T::Integer, L("150")},
    {Setting::PopupHeight, S::Notify, L("Height"), T::Integer, L("150")},
    {Setting::StartPosition, S::Notify, L("Start Position"), T::Integer, L("0")},
    {Setting::AlarmFile, S::Notify, L("AlarmFile"), T::Text, L("Alarm.wav")},
    {Setting::DisablePopups, S::Notify, L("DisablePopups"), T::Integer, L("10")},
    {Setting::PopupInterval, S::Notify, L("PopupInterval"), T::Integer, L("0")},
    {Setting::DesktopNotifications, S::Notify, L("DesktopNotifications"), T::Bool, L("0")},
    {Setting::DigestThreshold, S::Notify, L("Digest Threshold"), T::Integer, L("3")},
    {Setting::SkipLateMinutes, S::Notify, L("Skip Late Minutes"), T::Integer, L("0")},

    {Setting::DateSeparator, S::Formats, L("DateSeperator"), T::Text, L("/")},
    {Setting::ShortDateFormat, S::Formats, L("ShortDate"), T::Text, L("yyyy/mm/dd")},
    {Setting::LongDateFormat, S::Formats, L("LongDate"), T::Text, L("dd mmmm yyyy")},
    {Setting::ShortTimeFormat, S::Formats, L("ShortTime"), T::Text, L("HH:mm")},
    {Setting::LongTimeFormat, S::Formats, L("LongTime"), T::Text, L("HH:mm")},

    {Setting::DefaultCategory, S::Defaults, L("Category"), T::Text, L("None")},
    {Setting::DefaultPriority, S::Defaults, L("Priority"), T::Text, L("10")},
    {Setting::DefaultOccurrence, S::Defaults, L("Occurrence"), T::ItemIndex, L("0"), 15},
    {Setting::DefaultFrequency, S::Defaults, L("Frequency"), T::Integer, L("1")},
    {Setting::DefaultValidHours, S::Defaults, L("ValidHours"), T::Text, L("00-23")},
    {Setting::DefaultValidDays, S::Defaults, L("ValidDays"), T::Text, L("M______")},
    {Setting::DefaultSnoozeTime, S::Defaults, L("SnoozeTime"), T::ItemIndex, L("4"), 10},
    {Setting::ApplyOccurrence, S::Defaults, L("ApplyOccurrence"), T::Bool, L("0")},
    {Setting::QuickAddDatesAfterAt, S::Defaults, L("QuickAddDatesAfterAt"), T::Bool, L("0")},

    {Setting::BackupEnabled, S::Backup, L("Enabled"), T::Bool, L("1")},
    {Setting::BackupKeepToday, S::Backup, L("KeepToday"), T::Integer, L("10")},
    {Setting::BackupKeepDays, S::Backup, L("KeepDays"), T::Integer, L("7")},
    {Setting::BackupKeepWeeks, S::Backup, L("KeepWeeks"), T::Integer, L("8")},
    {Setting::BackupKeepMonths, S::Backup, L("KeepMonths"), T::Integer, L("12")},
    {Setting::SyncAddress, S::Sync, L("Address"), T::Text, L("")},
    {Setting::SyncUser, S::Sync, L("User"), T::Text, L("")},
    {Setting::SyncInterval, S::Sync, L("Interval"), T::Integer, L("15")},
}};

constexpr bool tableInEnumOrder()
{
    for (size_t i = 0; i < Table.size(); ++i) {
        if (size_t(Table[i].id) != i)
            return false;
    }
    return true;
}
static_assert(tableInEnumOrder(), "the settings table must list every Setting in enum order");

constexpr int SnoozeMinutes[] = {1, 2, 3, 4, 5, 10, 15, 30, 45, 60};

const SettingDef &checked(Setting id, std::initializer_list<SettingType> types)
{
    const SettingDef &def = settingDef(id);
    Q_ASSERT_X(std::find(types.begin(), types.end(), def.type) != types.end(), "settings",
               "setting read or written as the wrong type");
    return def;
}

int tableInteger(const SettingDef &def)
{
    int value = 0;
    parseProfileInteger(QString(def.defaultValue), value);
    return value;
}

// The stored integer of a key, or nothing when it is missing or no integer.
std::optional<int> storedInteger(const ProfileFile &file, const SettingDef &def)
{
    int value = 0;
    if (!parseProfileInteger(file.value(def.section, def.key), value))
        return std::nullopt;
    return value;
}

void writeRaw(ProfileFile &file, const SettingDef &def, const QString &text)
{
    file.setValue(def.section, def.key, text);
}

} // namespace

std::span<const SettingDef> settingTable()
{
    return Table;
}

const SettingDef &settingDef(Setting id)
{
    Q_ASSERT(id >= Setting(0) && id < Setting::Count);
    return Table[size_t(id)];
}

QList<Setting> settingsOfSection(QLatin1String section)
{
    QList<Setting> ids;
    for (const SettingDef &def : Table) {
        if (def.section == section)
            ids.append(def.id);
    }
    return ids;
}

bool parseProfileInteger(QStringView text, int &value)
{
    text = text.trimmed();
    bool negative = false;
    if (!text.isEmpty() && (text.front() == QLatin1Char('-') || text.front() == QLatin1Char('+'))) {
        negative = text.front() == QLatin1Char('-');
        text = text.mid(1);
    }
    int base = 10;
    if (text.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)) {
        base = 16;
        text = text.mid(2);
    } else if (text.startsWith(QLatin1Char('$'))) {
        base = 16;
        text = text.mid(1);
    }
    if (text.isEmpty())
        return false;
    const auto digitOf = [base](QChar c) {
        const char16_t u = c.unicode();
        const char16_t lower = u | 0x20;
        if (u >= u'0' && u <= u'9')
            return int(u - u'0');
        if (base == 16 && lower >= u'a' && lower <= u'f')
            return int(lower - u'a') + 10;
        return -1;
    };
    quint64 magnitude = 0;
    for (const QChar c : text) {
        const int d = digitOf(c);
        if (d < 0)
            return false;
        magnitude = magnitude * quint64(base) + quint64(d);
        if (magnitude > 0xFFFFFFFFull)
            return false;
    }
    // Hexadecimal gives the 32 bits as written (0xFFFFFFFF is -1); decimal
    // must fit the signed range.
    qint64 result = 0;
    if (base == 16) {
        result = qint32(quint32(magnitude));
    } else {
        result = qint64(magnitude);
        if (result > qint64(std::numeric_limits<int>::max()) + (negative ? 1 : 0))
            return false;
    }
    value = int(negative ? -result : result);
    return true;
}

QColor colourFromStored(int value)
{
    const quint32 v = quint32(value);
    return QColor(int(v & 0xFF), int((v >> 8) & 0xFF), int((v >> 16) & 0xFF));
}

int colourToStored(const QColor &colour)
{
    const QColor rgb = colour.toRgb();
    return rgb.red() | (rgb.green() << 8) | (rgb.blue() << 16);
}

bool hasSetting(const ProfileFile &file, Setting id)
{
    const SettingDef &def = settingDef(id);
    return file.contains(def.section, def.key);
}

bool readBool(const ProfileFile &file, Setting id)
{
    const SettingDef &def = checked(id, {T::Bool});
    return readBool(file, id, tableInteger(def) != 0);
}

bool readBool(const ProfileFile &file, Setting id, bool defaultValue)
{
    const auto stored = storedInteger(file, checked(id, {T::Bool}));
    return stored ? *stored != 0 : defaultValue;
}

int readInteger(const ProfileFile &file, Setting id)
{
    return readInteger(file, id, tableInteger(checked(id, {T::Integer, T::Byte})));
}

int readInteger(const ProfileFile &file, Setting id, int defaultValue)
{
    const SettingDef &def = checked(id, {T::Integer, T::Byte});
    const int value = storedInteger(file, def).value_or(defaultValue);
    return def.type == T::Byte ? int(quint8(value)) : value;
}

QColor readColour(const ProfileFile &file, Setting id)
{
    const SettingDef &def = checked(id, {T::Colour});
    const auto stored = storedInteger(file, def);
    // A value with bits above the blue byte names no colour of this form.
    const bool usable = stored && *stored >= 0 && *stored <= 0xFFFFFF;
    return colourFromStored(usable ? *stored : tableInteger(def));
}

QString readText(const ProfileFile &file, Setting id)
{
    const SettingDef &def = checked(id, {T::Text});
    return file.value(def.section, def.key, def.defaultValue);
}

QString readText(const ProfileFile &file, Setting id, const QString &defaultValue)
{
    const SettingDef &def = checked(id, {T::Text});
    return file.value(def.section, def.key, defaultValue);
}

int readItemIndex(const ProfileFile &file, Setting id)
{
    const SettingDef &def = checked(id, {T::ItemIndex});
    const auto stored = storedInteger(file, def);
    return stored && *stored >= 0 && *stored < def.choices ? *stored : tableInteger(def);
}

void writeBool(ProfileFile &file, Setting id, bool value)
{
    writeRaw(file, checked(id, {T::Bool}), value ? QStringLiteral("1") : QStringLiteral("0"));
}

void writeInteger(ProfileFile &file, Setting id, int value)
{
    writeRaw(file, checked(id, {T::Integer, T::Byte}), QString::number(value));
}

void writeColour(ProfileFile &file, Setting id, const QColor &value)
{
    writeRaw(file, checked(id, {T::Colour}), QString::number(colourToStored(value)));
}

void writeText(ProfileFile &file, Setting id, const QString &value)
{
    writeRaw(file, checked(id, {T::Text}), value);
}

void writeItemIndex(ProfileFile &file, Setting id, int value)
{
    writeRaw(file, checked(id, {T::ItemIndex}), QString::number(value));
}

bool desktopNotificationsByDefault(QStringView platformName)
{
    return platformName != QLatin1String("xcb");
}
