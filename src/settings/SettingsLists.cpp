// The fixed lists of the settings file and the values built from several keys.

#include "core/LocalePatterns.h"
#include "settings/ProfileFile.h"
#include "settings/SettingsKeys.h"

#include <algorithm>
#include <climits>

namespace {

QStringList latin1List(std::initializer_list<const char *> items)
{
    QStringList list;
    for (const char *item : items)
        list.append(QLatin1String(item));
    return list;
}

const QLatin1String CheckedValue("Checked");

} // namespace

const QStringList &occurrenceChoices()
{
    static const QStringList list = latin1List({"Scheduled", "Immediate", "Todo", "Minutes", "Hourly", "Hours",
                                                "Daily", "Days", "Weekly", "Weeks", "Monthly", "Months",
                                                "MonthDay", "Yearly", "Years"});
    return list;
}

const QStringList &snoozeTimeChoices()
{
    static const QStringList list = latin1List({"1", "2", "3", "4", "5", "10", "15", "30", "45", "60"});
    return list;
}

int snoozeMinutes(int snoozeTimeIndex)
{
    const QStringList &list = snoozeTimeChoices();
    int index = snoozeTimeIndex;
    if (index < 0 || index >= list.size())
        parseProfileInteger(QString(settingDef(Setting::DefaultSnoozeTime).defaultValue), index);
    return list.at(index).toInt();
}

const QStringList &viewTasksPeriods()
{
    static const QStringList list =
        latin1List({"Yesterday", "Today", "Tomorrow", "Last Week", "This Week", "Next Week", "Last Month",
                    "This Month", "Next Month", "Last Year", "This Year", "Next Year"});
    return list;
}

const QStringList &windowStateNames()
{
    static const QStringList list = latin1List({"wsNormal", "wsMinimized", "wsMaximized"});
    return list;
}

const QStringList &layoutTabCaptions()
{
    static const QStringList list =
        latin1List({"All", "Priority", "Occurrence", "Category", "Date Range", "Calendar"});
    return list;
}

Qt::WindowState windowStateFromName(const QString &name)
{
    switch (windowStateNames().indexOf(name)) {
    case 1:
        return Qt::WindowMinimized;
    case 2:
        return Qt::WindowMaximized;
    default:
        return Qt::WindowNoState;
    }
}

QString windowStateName(Qt::WindowStates state)
{
    if (state & Qt::WindowMinimized)
        return windowStateNames().at(1);
    if (state & Qt::WindowMaximized)
        return windowStateNames().at(2);
    return windowStateNames().at(0);
}

bool readCheckMark(const ProfileFile &file, QLatin1String section, const QString &caption)
{
    return file.value(section, caption) == CheckedValue;
}

void writeCheckMarks(ProfileFile &file, QLatin1String section, const QStringList &checkedCaptions)
{
    file.removeSection(section);
    for (const QString &caption : checkedCaptions)
        file.setValue(section, caption, CheckedValue);
}

FormatSettings readFormatSettings(const ProfileFile &file, const FormatSettings &base)
{
    FormatSettings formats = base;
    // A file that holds no [Formats] (a new one) takes the system locale's;
    // the plain C locale names no preference and keeps the program's own.
    const QLocale system;
    const bool fromLocale = system.language() != QLocale::C && !hasSetting(file, Setting::DateSeparator) && !hasSetting(file, Setting::ShortDateFormat)
                            && !hasSetting(file, Setting::LongDateFormat) && !hasSetting(file, Setting::ShortTimeFormat)
                            && !hasSetting(file, Setting::LongTimeFormat);
    if (fromLocale) {
        const LocalePatterns locale = localePatterns(system);
        formats.dateSeparator = locale.dateSeparator;
        formats.shortDateFormat = locale.shortDate;
        formats.longDateFormat = locale.longDate;
        formats.shortTimeFormat = normalizeTimePattern(locale.shortTime);
        formats.longTimeFormat = normalizeTimePattern(locale.longTime);
        return formats;
    }
    const QString separator = readText(file, Setting::DateSeparator);
    formats.dateSeparator = separator.isEmpty() ? QChar(settingDef(Setting::DateSeparator).defaultValue.front())
                                                : separator.front();
    formats.shortDateFormat = readText(file, Setting::ShortDateFormat);
    formats.longDateFormat = readText(file, Setting::LongDateFormat);
    formats.shortTimeFormat = normalizeTimePattern(readText(file, Setting::ShortTimeFormat));
    formats.longTimeFormat = normalizeTimePattern(readText(file, Setting::LongTimeFormat));
    return formats;
}

void writeFormatSettings(ProfileFile &file, const FormatSettings &formats)
{
    writeText(file, Setting::DateSeparator, QString(formats.dateSeparator));
    writeText(file, Setting::ShortDateFormat, formats.shortDateFormat);
    writeText(file, Setting::LongDateFormat, formats.longDateFormat);
    writeText(file, Setting::ShortTimeFormat, formats.shortTimeFormat);
    writeText(file, Setting::LongTimeFormat, formats.longTimeFormat);
}

quint32 minutesToTimerInterval(int minutes)
{
    return quint32(minutes) * 60000u;
}

int minutesToQtTimerInterval(int minutes)
{
    return int(std::min<quint32>(minutesToTimerInterval(minutes), INT_MAX));
}
