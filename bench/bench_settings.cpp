// Settings and formats benchmark: formatting the grid's two date columns,
// reading date-time text back, writing the settings file the way the
// program saves its state, and reading a large transfer file.

#include "BenchSupport.h"
#include "core/DateFormat.h"
#include "settings/ProfileFile.h"
#include "settings/SettingsKeys.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

void report(const char *what, double ms, int count)
{
    std::printf("%-58s %9.3f ms  %8.0f ns each\n", what, ms, ms * 1e6 / count);
}

void formats()
{
    const FormatSettings f = FormatSettings::fromLocale(QLocale(QLocale::English, QLocale::UnitedStates));
    constexpr int Rows = 10000;
    std::vector<DateTime> values;
    for (int i = 0; i < Rows; ++i)
        values.emplace_back(46000.0 + i * 0.37);

    qsizetype sink = 0;
    const QString shortColumn = f.shortDateFormat + QStringLiteral(" tt");
    const QString longColumn = f.longDateFormat + QStringLiteral(" tt");
    report("format 2 columns x 10,000 rows, short date + \" tt\"", medianMs(9, [&] {
               for (const DateTime v : values)
                   sink += formatDateTime(shortColumn, v, f).size() + formatDateTime(shortColumn, v, f).size();
           }),
           2 * Rows);
    report("format 2 columns x 10,000 rows, long date + \" tt\"", medianMs(9, [&] {
               for (const DateTime v : values)
                   sink += formatDateTime(longColumn, v, f).size() + formatDateTime(longColumn, v, f).size();
           }),
           2 * Rows);
    report("format \"c\" x 10,000", medianMs(9, [&] {
               for (const DateTime v : values)
                   sink += dateTimeText(v, f).size();
           }),
           Rows);

    QStringList texts;
    for (const DateTime v : values)
        texts << dateTimeText(v, f);
    report("read back \"c\" text x 10,000", medianMs(9, [&] {
               for (const QString &t : texts)
                   sink += qsizetype(parseDateTime(t, f).toDouble());
           }),
           Rows);
    if (sink == 42)
        std::printf(" \n");
}

void profiles()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Nudgewick.ini"));
    {
        // A settings file as the program leaves it: every key of the table
        // plus a few dozen check marks.
        ProfileFile file(path);
        for (const SettingDef &def : settingTable())
            file.setValue(def.section, def.key, def.defaultValue);
        QStringList categories;
        for (int i = 0; i < 40; ++i)
            categories << QStringLiteral("Category %1").arg(i);
        writeCheckMarks(file, SettingsSection::Categories, categories);
        file.save();
    }
    report("save state: load, write 60 keys and 3 check sections, save", medianMs(51, [&] {
               ProfileFile file(path);
               for (const Setting id : settingsOfSection(SettingsSection::Tasks))
                   if (settingDef(id).type == SettingType::Bool)
                       writeBool(file, id, !readBool(file, id));
               for (const Setting id : settingsOfSection(SettingsSection::Settings))
                   if (settingDef(id).type == SettingType::Bool)
                       writeBool(file, id, true);
               writeText(file, Setting::WindowState, QStringLiteral("wsMaximized"));
               writeCheckMarks(file, SettingsSection::Priorities, {QStringLiteral("1"), QStringLiteral("2")});
               writeCheckMarks(file, SettingsSection::Occurrences, {QStringLiteral("Daily")});
               file.save();
           }),
           1);
    report("start-up reads: load and read every key of the table", medianMs(51, [&] {
               const ProfileFile file(path);
               qsizetype n = 0;
               for (const SettingDef &def : settingTable())
                   n += file.value(def.section, def.key).size();
               if (n < 0)
                   std::printf(" \n");
           }),
           1);

    // A transfer file of 10,000 tasks with 18 keys each.
    const QString exportPath = dir.filePath(QStringLiteral("DataExport.ini"));
    constexpr int Tasks = 10000;
    const char *keys[] = {"Task", "TaskCreated", "Category", "Priority", "Occurrence", "Frequency",
                          "ValidHours", "ValidDays", "DueDateTime", "AlarmDateTime", "Completed", "Notes",
                          "SnoozeTime", "AutoSnooze", "RepeatAutoSnooze", "AutoSnoozeAction",
                          "PercentageComplete", "CompletedDate"};
    report("write transfer file, 10,000 sections x 18 keys, one save", medianMs(3, [&] {
               ProfileFile file(exportPath);
               for (int id = 1; id <= Tasks; ++id) {
                   const QString section = QString::number(id);
                   for (const char *key : keys)
                       file.setValue(section, QLatin1String(key), QStringLiteral("value of %1").arg(id));
               }
               file.save();
           }),
           Tasks * 18);
    report("read transfer file: sections, then every key of each", medianMs(3, [&] {
               const ProfileFile file(exportPath);
               qsizetype n = 0;
               for (const QString &section : file.sections())
                   for (const char *key : keys)
                       n += file.value(section, QLatin1String(key)).size();
               if (n < 0)
                   std::printf(" \n");
           }),
           Tasks * 18);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    formats();
    profiles();
    return 0;
}
