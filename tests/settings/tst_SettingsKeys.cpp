#include "settings/ProfileFile.h"
#include "settings/SettingsKeys.h"

#include <QSet>
#include <QTemporaryDir>
#include <QTest>

namespace {

// A profile holding the given file text, loaded from a temporary file.
ProfileFile profileOf(const QTemporaryDir &dir, const QByteArray &text)
{
    const QString path = dir.filePath(QStringLiteral("Nudgewick.ini"));
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(text);
    file.close();
    return ProfileFile(path);
}

// Reads a setting through the reader of its type.
QVariant readTyped(const ProfileFile &file, Setting id)
{
    switch (settingDef(id).type) {
    case SettingType::Bool:
        return readBool(file, id);
    case SettingType::Integer:
    case SettingType::Byte:
        return readInteger(file, id);
    case SettingType::Colour:
        return readColour(file, id);
    case SettingType::Text:
        return readText(file, id);
    case SettingType::ItemIndex:
        return readItemIndex(file, id);
    }
    return {};
}

} // namespace

class TestSettingsKeys : public QObject
{
    Q_OBJECT
private:
    QTemporaryDir m_dir;

private slots:
    void integerForms_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<int>("value");
        QTest::newRow("decimal") << "150" << true << 150;
        QTest::newRow("negative") << "-7" << true << -7;
        QTest::newRow("plus") << "+3" << true << 3;
        QTest::newRow("0x") << "0x1F" << true << 31;
        QTest::newRow("0X lower digits") << "0X1f" << true << 31;
        QTest::newRow("$") << "$FF0000" << true << 16711680;
        QTest::newRow("hex all bits") << "$FFFFFFFF" << true << -1;
        QTest::newRow("negative hex") << "-$10" << true << -16;
        QTest::newRow("largest") << "2147483647" << true << 2147483647;
        QTest::newRow("smallest") << "-2147483648" << true << int(-2147483647 - 1);
        QTest::newRow("too large") << "2147483648" << false << 0;
        QTest::newRow("hex too large") << "0x100000000" << false << 0;
        QTest::newRow("hex digits in decimal") << "1F" << false << 0;
        QTest::newRow("trailing text") << "12abc" << false << 0;
        QTest::newRow("fraction") << "1.5" << false << 0;
        QTest::newRow("empty") << "" << false << 0;
        QTest::newRow("prefix alone") << "0x" << false << 0;
        QTest::newRow("sign alone") << "-" << false << 0;
        QTest::newRow("other digits") << QStringLiteral(u"١٢") << false << 0;
    }
    void integerForms()
    {
        QFETCH(QString, text);
        QFETCH(bool, ok);
        QFETCH(int, value);
        int parsed = 12345;
        QCOMPARE(parseProfileInteger(text, parsed), ok);
        if (ok)
            QCOMPARE(parsed, value);
    }

    void typedReaders_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<int>("setting");
        QTest::addColumn<QVariant>("expected");
        const auto row = [](const char *name, const QByteArray &file, Setting id, const QVariant &expected) {
            QTest::newRow(name) << file << int(id) << expected;
        };
        const QByteArray none;
        row("bool default false", none, Setting::ExitDialog, false);
        row("bool default true", none, Setting::AllPriorities, true);
        // Distributions deliver updates: no check unless the user asks for it.
        row("update check off by default", none, Setting::AutoUpdate, false);
        row("bool any non-zero", "[Settings]\nExit Dialog=2\n", Setting::ExitDialog, true);
        row("bool hex", "[Settings]\nExit Dialog=$10\n", Setting::ExitDialog, true);
        row("bool zero", "[Tasks]\nAllPriorities=0\n", Setting::AllPriorities, false);
        row("bool not an integer", "[Tasks]\nAllPriorities=no\n", Setting::AllPriorities, true);
        row("bool empty", "[Settings]\nExit Dialog=\n", Setting::ExitDialog, false);
        row("two LongDate keys: [Settings]", "[Formats]\nLongDate=1\n", Setting::LongDateView, false);
        row("two LongDate keys: [Formats]", "[Settings]\nLongDate=1\n", Setting::LongDateFormat,
            QStringLiteral("dd mmmm yyyy"));
        row("integer default", none, Setting::DisablePopups, 10);
        row("integer hex", "[Notify]\nTimeOut=0x0A\n", Setting::TimeOut, 10);
        row("integer negative", "[Main Window Sizes]\nTop=-4\n", Setting::WindowTop, -4);
        row("integer not an integer", "[Notify]\nDisablePopups=ten\n", Setting::DisablePopups, 10);
        row("popup width and window width differ", "[Main Window Sizes]\nWidth=900\n", Setting::PopupWidth, 150);
        row("scroll speed default", none, Setting::ScrollSpeed, 5);
        row("scroll speed in 8 bits", "[Notify]\nScrollSpeed=300\n", Setting::ScrollSpeed, 44);
        row("scroll speed negative", "[Notify]\nScrollSpeed=-1\n", Setting::ScrollSpeed, 255);
        row("colour default", none, Setting::GradientColor1, QColor(0, 0, 255));
        row("colour white", none, Setting::GradientColor2, QColor(255, 255, 255));
        row("colour BGR order", "[Notify]\nGradientColor1=$0080FF\n", Setting::GradientColor1, QColor(255, 128, 0));
        row("colour beyond 24 bits", "[Notify]\nGradientColor1=$8000000F\n", Setting::GradientColor1,
            QColor(0, 0, 255));
        row("text default", none, Setting::AlarmFile, QStringLiteral("Alarm.wav"));
        row("text unquoted", "[Notify]\nAlarmFile=\" My Alarm.wav \"\n", Setting::AlarmFile,
            QStringLiteral(" My Alarm.wav "));
        row("text empty is a value", "[Notify]\nAlarmFile=\n", Setting::AlarmFile, QLatin1String(""));
        row("occurrence default", none, Setting::DefaultOccurrence, 0);
        row("occurrence last", "[Defaults]\nOccurrence=14\n", Setting::DefaultOccurrence, 14);
        row("occurrence 15", "[Defaults]\nOccurrence=15\n", Setting::DefaultOccurrence, 0);
        row("occurrence -1", "[Defaults]\nOccurrence=-1\n", Setting::DefaultOccurrence, 0);
        row("snooze default", none, Setting::DefaultSnoozeTime, 4);
        row("snooze last", "[Defaults]\nSnoozeTime=9\n", Setting::DefaultSnoozeTime, 9);
        row("snooze 10", "[Defaults]\nSnoozeTime=10\n", Setting::DefaultSnoozeTime, 4);
        row("snooze not an integer", "[Defaults]\nSnoozeTime=5 min\n", Setting::DefaultSnoozeTime, 4);
        // The keys of backups and of the later notification choices: each
        // read under its written name, and the default from an empty file.
        row("backup enabled default", none, Setting::BackupEnabled, true);
        row("backup enabled", "[Backup]\nEnabled=0\n", Setting::BackupEnabled, false);
        row("keep today default", none, Setting::BackupKeepToday, 10);
        row("keep today", "[Backup]\nKeepToday=3\n", Setting::BackupKeepToday, 3);
        row("keep days default", none, Setting::BackupKeepDays, 7);
        row("keep days", "[Backup]\nKeepDays=2\n", Setting::BackupKeepDays, 2);
        row("keep weeks default", none, Setting::BackupKeepWeeks, 8);
        row("keep weeks", "[Backup]\nKeepWeeks=5\n", Setting::BackupKeepWeeks, 5);
        row("keep months default", none, Setting::BackupKeepMonths, 12);
        row("keep months", "[Backup]\nKeepMonths=24\n", Setting::BackupKeepMonths, 24);
        row("desktop notifications default", none, Setting::DesktopNotifications, false);
        row("desktop notifications", "[Notify]\nDesktopNotifications=1\n", Setting::DesktopNotifications, true);
        row("digest threshold default", none, Setting::DigestThreshold, 3);
        row("digest threshold", "[Notify]\nDigest Threshold=6\n", Setting::DigestThreshold, 6);
        row("skip late default", none, Setting::SkipLateMinutes, 0);
        row("skip late", "[Notify]\nSkip Late Minutes=90\n", Setting::SkipLateMinutes, 90);
        row("keep today in another section", "[Notify]\nKeepToday=3\n", Setting::BackupKeepToday, 10);
    }
    void typedReaders()
    {
        QFETCH(QByteArray, file);
        QFETCH(int, setting);
        QFETCH(QVariant, expected);
        const ProfileFile profile = profileOf(m_dir, file);
        QCOMPARE(readTyped(profile, Setting(setting)), expected);
    }

    void explicitDefaults()
    {
        const ProfileFile profile = profileOf(m_dir, "[Main Window Sizes]\nWidth=x\n");
        QCOMPARE(readInteger(profile, Setting::WindowWidth, 640), 640);
        QCOMPARE(readInteger(profile, Setting::WindowHeight, 480), 480);
        QCOMPARE(readBool(profile, Setting::ExitDialog, true), true);
        QCOMPARE(readText(profile, Setting::LastView, QStringLiteral("Priority")), QStringLiteral("Priority"));
        QVERIFY(hasSetting(profile, Setting::WindowWidth));
        QVERIFY(!hasSetting(profile, Setting::WindowTop));
    }

    void writersUseTheFileForms()
    {
        const QString path = m_dir.filePath(QStringLiteral("written.ini"));
        QFile::remove(path);
        ProfileFile profile(path);
        writeBool(profile, Setting::ExitDialog, true);
        writeBool(profile, Setting::AutoUpdate, false);
        writeInteger(profile, Setting::WindowTop, -12);
        writeColour(profile, Setting::GradientColor1, QColor(255, 128, 0));
        writeItemIndex(profile, Setting::DefaultSnoozeTime, 7);
        writeText(profile, Setting::DefaultCategory, QStringLiteral("Work"));
        profile.save();
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("[Settings]\nExit Dialog=1\nAuto Update=0\n\n"
                                            "[Main Window Sizes]\nTop=-12\n\n"
                                            "[Notify]\nGradientColor1=33023\n\n"
                                            "[Defaults]\nSnoozeTime=7\nCategory=Work\n"));
    }

    void tableIsConsistent()
    {
        QSet<QString> seen;
        for (const SettingDef &def : settingTable()) {
            const QString name = QString(def.section + QLatin1Char('/') + def.key).toCaseFolded();
            QVERIFY2(!seen.contains(name), qPrintable(name));
            seen.insert(name);
        }
        QCOMPARE(settingDef(Setting::DefaultOccurrence).choices, occurrenceChoices().size());
        QCOMPARE(settingDef(Setting::DefaultSnoozeTime).choices, snoozeTimeChoices().size());
        QCOMPARE(settingsOfSection(SettingsSection::Formats),
                 (QList<Setting>{Setting::DateSeparator, Setting::ShortDateFormat, Setting::LongDateFormat,
                                 Setting::ShortTimeFormat, Setting::LongTimeFormat}));
    }

    void fixedLists()
    {
        QCOMPARE(occurrenceChoices().at(0), QStringLiteral("Scheduled"));
        QCOMPARE(occurrenceChoices().at(12), QStringLiteral("MonthDay"));
        QCOMPARE(snoozeMinutes(4), 5);
        QCOMPARE(snoozeMinutes(9), 60);
        QCOMPARE(snoozeMinutes(10), 5);
        QCOMPARE(viewTasksPeriods().size(), 12);
        QCOMPARE(windowStateFromName(QStringLiteral("wsMaximized")), Qt::WindowMaximized);
        QCOMPARE(windowStateFromName(QStringLiteral("wsmaximized")), Qt::WindowNoState);
        QCOMPARE(windowStateName(Qt::WindowMaximized | Qt::WindowActive), QStringLiteral("wsMaximized"));
        QCOMPARE(windowStateName(Qt::WindowFullScreen), QStringLiteral("wsNormal"));
        QCOMPARE(minutesToTimerInterval(10), 600000u);
        QCOMPARE(minutesToTimerInterval(100000), quint32(6000000000ull % 4294967296ull));
    }

    void checkMarks()
    {
        ProfileFile profile = profileOf(m_dir, "[Priorities]\n3=checked\n4=Checked\n"
                                               "[Categories]\nWork=Checked\nOld=Checked\n");
        const auto p = SettingsSection::Priorities;
        const auto c = SettingsSection::Categories;
        QVERIFY(!readCheckMark(profile, p, QStringLiteral("3")));
        QVERIFY(readCheckMark(profile, p, QStringLiteral("4")));
        QVERIFY(readCheckMark(profile, c, QStringLiteral("WORK")));

        writeCheckMarks(profile, c, {QStringLiteral("Home"), QStringLiteral("a=b")});
        QVERIFY(!readCheckMark(profile, c, QStringLiteral("Old")));
        QVERIFY(readCheckMark(profile, c, QStringLiteral("Home")));
        // The key splits at its "=", so this caption never keeps its mark.
        QVERIFY(!readCheckMark(profile, c, QStringLiteral("a=b")));
        QCOMPARE(profile.keys(c), (QStringList{QStringLiteral("Home"), QStringLiteral("a")}));
    }

    void formatSettings_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QChar>("separator");
        QTest::addColumn<QString>("shortDate");
        QTest::addColumn<QString>("shortTime");
        QTest::addColumn<QString>("longTime");
        QTest::newRow("defaults") << QByteArray() << QChar(u'/') << "yyyy/mm/dd" << "hh:mm" << "hh:mm";
        QTest::newRow("stored") << QByteArray("[Formats]\nDateSeperator=-x\nShortDate=dd-mm-yyyy\n"
                                              "ShortTime=HH:nn\nLongTime=HH:nn:ss AM/PM\n")
                                << QChar(u'-') << "dd-mm-yyyy" << "hh:nn" << "hh:nn:ss AM/PM";
        QTest::newRow("empty separator and pattern") << QByteArray("[Formats]\nDateSeperator=\nShortDate=\n")
                                                     << QChar(u'/') << "" << "hh:mm" << "hh:mm";
    }
    void formatSettings()
    {
        QFETCH(QByteArray, file);
        QFETCH(QChar, separator);
        QFETCH(QString, shortDate);
        QFETCH(QString, shortTime);
        QFETCH(QString, longTime);
        const FormatSettings base = FormatSettings::fromLocale(QLocale::c());
        const FormatSettings f = readFormatSettings(profileOf(m_dir, file), base);
        QCOMPARE(f.dateSeparator, separator);
        QCOMPARE(f.shortDateFormat, shortDate);
        QCOMPARE(f.longDateFormat, QStringLiteral("dd mmmm yyyy"));
        QCOMPARE(f.shortTimeFormat, shortTime);
        QCOMPARE(f.longTimeFormat, longTime);
        QCOMPARE(f.longMonthNames, base.longMonthNames);
    }

    void formatSettingsReadBackAsWritten()
    {
        const QString path = m_dir.filePath(QStringLiteral("formats.ini"));
        QFile::remove(path);
        FormatSettings f;
        f.dateSeparator = QLatin1Char(' ');
        f.shortDateFormat = QStringLiteral("dd/mm/yyyy");
        f.longDateFormat = QStringLiteral("dddd d mmmm yyyy ");
        f.longTimeFormat = QStringLiteral("hh:nn:ss AM/PM");
        ProfileFile out(path);
        writeFormatSettings(out, f);
        out.save();
        const FormatSettings back = readFormatSettings(ProfileFile(path), FormatSettings());
        QCOMPARE(back.dateSeparator, f.dateSeparator);
        QCOMPARE(back.shortDateFormat, f.shortDateFormat);
        QCOMPARE(back.longDateFormat, f.longDateFormat);
        QCOMPARE(back.shortTimeFormat, f.shortTimeFormat);
        QCOMPARE(back.longTimeFormat, f.longTimeFormat);
    }
};

QTEST_GUILESS_MAIN(TestSettingsKeys)
#include "tst_SettingsKeys.moc"
