#include "core/DateFormat.h"
#include "core/Error.h"
#include "core/LocalePatterns.h"

#include <QTest>

#include <cmath>

using namespace Qt::StringLiterals;

namespace {

DateTime at(int y, int mo, int d, int h = 0, int mi = 0, int s = 0, int ms = 0)
{
    return DateTime::fromDateAndTime(QDate(y, mo, d), QTime(h, mi, s, ms));
}

// English names, '-' as date separator and '.' as time separator, so that
// the tables show which separator each output comes from.
FormatSettings fixture()
{
    FormatSettings f = FormatSettings::fromLocale(QLocale(QLocale::English, QLocale::UnitedStates));
    f.dateSeparator = QLatin1Char('-');
    f.timeSeparator = QLatin1Char('.');
    f.shortDateFormat = QStringLiteral("yyyy/mm/dd");
    f.longDateFormat = QStringLiteral("dd mmmm yyyy");
    f.shortTimeFormat = QStringLiteral("hh:mm");
    f.longTimeFormat = QStringLiteral("hh:mm:ss");
    return f;
}

} // namespace

class TestDateFormat : public QObject
{
    Q_OBJECT
private slots:
    // A new settings file's formats come from the locale: the patterns are
    // translated into the program's language and write what the locale writes.
    void localeFormats_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("separator");
        QTest::addColumn<QStringList>("written"); // short date, long date, short time, long time
        QTest::newRow("de_DE") << u"de_DE"_s << u"."_s
                               << QStringList{u"10.12.26"_s, u"Donnerstag, 10. Dezember 2026"_s, u"08:05"_s, u"08:05:09"_s};
        QTest::newRow("en_US") << u"en_US"_s << u"/"_s
                               << QStringList{u"12/10/26"_s, u"Thursday, December 10, 2026"_s, u"8:05 AM"_s,
                                              u"8:05:09 AM"_s};
        QTest::newRow("ja_JP") << u"ja_JP"_s << u"/"_s
                               << QStringList{u"2026/12/10"_s, u"2026年12月10日木曜日"_s, u"8:05"_s, u"8時05分09秒"_s};
    }
    void localeFormats()
    {
        QFETCH(QString, locale);
        QFETCH(QString, separator);
        QFETCH(QStringList, written);
        const QLocale l(locale);
        const LocalePatterns p = localePatterns(l);
        QCOMPARE(QString(p.dateSeparator), separator);
        FormatSettings f = FormatSettings::fromLocale(l);
        f.dateSeparator = p.dateSeparator;
        const DateTime value = at(2026, 12, 10, 8, 5, 9);
        const QStringList patterns{p.shortDate, p.longDate, ::normalizeTimePattern(p.shortTime),
                                   ::normalizeTimePattern(p.longTime)};
        QStringList out;
        for (const QString &pattern : patterns)
            out << formatDateTime(pattern, value, f);
        QCOMPARE(out, written);
        // What the program writes in these formats it reads back.
        f.shortDateFormat = p.shortDate;
        f.longDateFormat = p.longDate;
        f.shortTimeFormat = patterns.at(2);
        f.longTimeFormat = patterns.at(3);
        QCOMPARE(parseDateTime(written.at(0) + u' ' + written.at(3), f), value);
    }

    void format_data()
    {
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("expected");

        // A Thursday afternoon, a morning, just after midnight, and a midnight.
        const double thu = at(2026, 3, 5, 14, 7, 9, 45).toDouble();
        const double morning = at(2026, 3, 5, 9, 5, 3).toDouble();
        const double halfPastMidnight = at(2026, 3, 5, 0, 30).toDouble();
        const double noon = at(2026, 3, 5, 12, 0).toDouble();
        const double christmas = at(2026, 12, 25).toDouble();
        const auto row = [](const char *name, const char *pattern, double value, const QString &expected) {
            QTest::newRow(name) << QString::fromUtf8(pattern) << value << expected;
        };
        const auto s = [](const char *text) { return QString::fromUtf8(text); };

        row("d", "d", thu, s("5"));
        row("dd", "dd", thu, s("05"));
        row("ddd", "ddd", thu, s("Thu"));
        row("dddd", "dddd", thu, s("Thursday"));
        row("aaa", "aaa", thu, s("Thu"));
        row("AAAA", "AAAA", thu, s("Thursday"));
        row("ddddd short date", "ddddd", thu, s("2026-03-05"));
        row("dddddd long date", "dddddd", thu, s("05 March 2026"));
        row("ddddddd long date", "ddddddd", thu, s("05 March 2026"));
        row("mixed case run", "Dd/mM", thu, s("05-03"));
        row("m", "m", thu, s("3"));
        row("mm", "mm", thu, s("03"));
        row("mmm", "mmm", thu, s("Mar"));
        row("mmmm", "mmmm", thu, s("March"));
        row("mmmmm", "mmmmm", thu, s("March"));
        row("y", "y", thu, s("26"));
        row("yy", "yy", thu, s("26"));
        row("yyy", "yyy", thu, s("2026"));
        row("yyyy", "YYYY", thu, s("2026"));
        row("h", "h", morning, s("9"));
        row("hh", "hh", morning, s("09"));
        row("hhh", "hhh", morning, s("09"));
        row("n nn nnn", "n nn nnn", morning, s("5 05 05"));
        row("s ss sss", "s ss sss", morning, s("3 03 03"));
        row("z zz zzz zzzz", "z zz zzz zzzz", thu, s("45 45 045 045"));

        // m is minutes when the nearest letter before it is an h.
        row("m after h", "hh:mm", thu, s("14.07"));
        row("m after h upper", "HH:MM", thu, s("14.07"));
        row("m after h unpadded", "h:m", morning, s("9.5"));
        row("m after n is month", "hh nn mm", thu, s("14 07 03"));
        row("m before h is month", "mm hh", thu, s("03 14"));
        row("mmm after h is a name", "hh mmm", thu, s("14 Mar"));
        row("quoted letters are not letters", "h 'x' m", thu, s("14 x 7"));
        row("other letter between", "hxm", thu, s("14x3"));

        // The 12-hour clock.
        row("am/pm", "h:nn am/pm", thu, s("2.07 pm"));
        row("AM/PM", "h:nn AM/PM", morning, s("9.05 AM"));
        row("am/pm case per letter", "h:nn Am/pM", thu, s("2.07 pM"));
        row("a/p", "h:nn a/p", thu, s("2.07 p"));
        row("A/P", "h:nn A/P", morning, s("9.05 A"));
        row("ampm", "h:nn ampm", thu, s("2.07 PM"));
        row("midnight hour is 12", "hh:nn am/pm", halfPastMidnight, s("12.30 am"));
        row("noon is 12 pm", "hh:nn am/pm", noon, s("12.00 pm"));
        row("am/pm before h", "am/pm hh", thu, s("pm 14"));
        row("next h takes the am/pm", "hh:nn hh am/pm", thu, s("14.07 02 pm"));

        row("t", "t", thu, s("14.07"));
        row("tt", "tt", thu, s("14.07.09"));
        row("ttt", "ttt", thu, s("14.07.09"));
        row("c with time", "c", thu, s("2026-03-05 14.07.09"));
        row("c at midnight", "C", christmas, s("2026-12-25"));
        row("c with seconds only", "c", at(2026, 12, 25, 0, 0, 30).toDouble(), s("2026-12-25 00.00.30"));
        row("e", "e", thu, s("2026"));
        row("ee", "ee", thu, s("2026"));
        row("g", "g gg", thu, s("AD AD"));
        row("era before year 1", "g e", at(-44, 3, 15).toDouble(), s("BC 44"));

        row("double quotes", "\"hh\" hh", thu, s("hh 14"));
        row("single quotes", "dd 'de' mmmm", thu, s("05 de March"));
        row("unterminated quote", "dd 'mm", thu, s("05 mm"));
        row("other characters", "x#b,", thu, s("x#b,"));
        row("one or two a", "a aa", thu, s("a aa"));
        row("empty pattern", "", thu, QString());
    }
    void format()
    {
        QFETCH(QString, pattern);
        QFETCH(double, value);
        QFETCH(QString, expected);
        QCOMPARE(formatDateTime(pattern, DateTime(value), fixture()), expected);
    }

    void selfReferringPatternsEnd_data()
    {
        QTest::addColumn<QString>("shortDate");
        QTest::addColumn<QString>("longTime");
        QTest::addColumn<QString>("expected");
        QTest::newRow("short date names itself") << "ddddd" << "hh:mm" << QString();
        QTest::newRow("short date holds c") << "dd c" << "hh:mm" << "05 05  14.07";
        QTest::newRow("patterns name each other") << "tt" << "ddddd" << "";
    }
    void selfReferringPatternsEnd()
    {
        QFETCH(QString, shortDate);
        QFETCH(QString, longTime);
        QFETCH(QString, expected);
        FormatSettings f = fixture();
        f.shortDateFormat = shortDate;
        f.longTimeFormat = longTime;
        const DateTime value = at(2026, 3, 5, 14, 7);
        QCOMPARE(formatDateTime(QStringLiteral("ddddd"), value, f), expected);
        // Reading back must end as well, whatever it makes of the text.
        try {
            parseDateTime(QStringLiteral("05 14.07"), f);
        } catch (const Error &) {
        }
    }

    void fromLocaleTakesNamesAndSeparators()
    {
        const FormatSettings us = FormatSettings::fromLocale(QLocale(QLocale::English, QLocale::UnitedStates));
        QCOMPARE(us.longDayNames.first(), QStringLiteral("Sunday"));
        QCOMPARE(us.shortMonthNames.last(), QStringLiteral("Dec"));
        QCOMPARE(us.timeSeparator, QLatin1Char(':'));
        QCOMPARE(us.timePMString, QStringLiteral("PM"));
        QCOMPARE(us.shortDateFormat, QStringLiteral("yyyy/mm/dd"));
        const FormatSettings fi = FormatSettings::fromLocale(QLocale(QLocale::Finnish, QLocale::Finland));
        QCOMPARE(fi.timeSeparator, QLatin1Char('.'));
        QCOMPARE(fi.longMonthNames.size(), 12);
    }

    void normalizeTimePattern_data()
    {
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QString>("expected");
        QTest::newRow("24 hour") << "HH:mm" << "hh:mm";
        QTest::newRow("every pair") << "HH:mm HH" << "hh:mm hh";
        QTest::newRow("odd run") << "HHH:nn" << "hhH:nn";
        QTest::newRow("mixed case kept") << "Hh:mm" << "Hh:mm";
    }
    void normalizeTimePattern()
    {
        QFETCH(QString, pattern);
        QFETCH(QString, expected);
        QCOMPARE(::normalizeTimePattern(pattern), expected);
    }

    // What "c" writes reads back, to the precision the patterns show.
    void readsBackWhatCWrote_data()
    {
        QTest::addColumn<QString>("shortDate");
        QTest::addColumn<QString>("longTime");
        QTest::addColumn<QChar>("separator");
        QTest::addColumn<double>("value");

        const auto add = [](const char *name, const char *date, const char *time, char sep, DateTime v) {
            QTest::newRow(name) << QString::fromUtf8(date) << QString::fromUtf8(time) << QChar(QLatin1Char(sep))
                                << v.toDouble();
        };
        add("defaults", "yyyy/mm/dd", "hh:mm", '/', at(2026, 3, 5, 14, 7));
        add("defaults at midnight", "yyyy/mm/dd", "hh:mm", '/', at(2026, 3, 5));
        add("defaults just after midnight", "yyyy/mm/dd", "hh:mm", '/', at(2026, 3, 5, 0, 1));
        add("day 0", "yyyy/mm/dd", "hh:mm", '/', at(1899, 12, 30, 12, 0));
        add("before day 0", "yyyy/mm/dd", "hh:mm", '/', at(1899, 12, 29, 6, 0));
        add("dd-mm-yyyy", "dd/mm/yyyy", "hh:mm:ss", '-', at(2026, 11, 30, 23, 59, 58));
        add("month names", "d mmmm yyyy", "hh:mm", '/', at(2026, 9, 1, 8, 30));
        add("short month names", "dd-mmm-yy", "h:nn", '/', at(1999, 5, 17, 7, 5));
        add("two-digit year", "mm/dd/yy", "hh:mm", '/', at(2049, 1, 2, 3, 4));
        add("weekday and quotes", "dddd, 'the' d. mmmm yyyy", "hh:mm", '/', at(2026, 2, 28, 10, 0));
        add("no separators", "yyyymmdd", "hhnnss", '/', at(2026, 7, 4, 1, 2, 3));
        add("12-hour am", "yyyy/mm/dd", "hh:nn:ss AM/PM", '/', at(2026, 3, 5, 0, 15, 1));
        add("12-hour pm", "yyyy/mm/dd", "h:nn a/p", '/', at(2026, 3, 5, 12, 45));
        add("12-hour evening", "yyyy/mm/dd", "hh:nn ampm", '/', at(2026, 3, 5, 23, 10));
        add("milliseconds", "yyyy/mm/dd", "hh:nn:ss.zzz", '.', at(2026, 3, 5, 9, 8, 7, 6));
        add("era", "e/mm/dd g", "hh:mm", '/', at(2026, 3, 5, 9, 8));
        add("long time via t", "yyyy/mm/dd", "t", '/', at(2026, 3, 5, 9, 8));
    }
    void readsBackWhatCWrote()
    {
        QFETCH(QString, shortDate);
        QFETCH(QString, longTime);
        QFETCH(QChar, separator);
        QFETCH(double, value);
        FormatSettings f = FormatSettings::fromLocale(QLocale(QLocale::English, QLocale::UnitedStates));
        f.shortDateFormat = shortDate;
        f.longTimeFormat = longTime;
        f.dateSeparator = separator;
        const QString text = dateTimeText(DateTime(value), f);
        QCOMPARE(parseDateTime(text, f).toQDateTime(), DateTime(value).toQDateTime());
    }

    void readsOtherWrittenForms_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QDateTime>("expected");
        const QDate march5(2026, 3, 5);
        QTest::newRow("long date and time") << "05 March 2026 14.07.09" << QDateTime(march5, QTime(14, 7, 9));
        QTest::newRow("names in any case") << "05 MARCH 2026" << QDateTime(march5, QTime(0, 0));
        QTest::newRow("short date, short time") << "2026-03-05 14.07" << QDateTime(march5, QTime(14, 7));
        QTest::newRow("blanks around") << "  2026-03-05   14.07.09 " << QDateTime(march5, QTime(14, 7, 9));
        QTest::newRow("time alone is day 0") << "14.07" << QDateTime(QDate(1899, 12, 30), QTime(14, 7));
        QTest::newRow("one-digit parts") << "2026-3-5 4.7.9" << QDateTime(march5, QTime(4, 7, 9));
        QTest::newRow("two-digit year under yyyy") << "24-3-5" << QDateTime(QDate(2024, 3, 5), QTime(0, 0));
        QTest::newRow("two-digit year under yyyy, 19xx") << "87-3-5" << QDateTime(QDate(1987, 3, 5), QTime(0, 0));
        QTest::newRow("year 9999") << "9999-12-31" << QDateTime(QDate(9999, 12, 31), QTime(0, 0));
    }
    void readsOtherWrittenForms()
    {
        QFETCH(QString, text);
        QFETCH(QDateTime, expected);
        QCOMPARE(parseDateTime(text, fixture()).toQDateTime(), expected);
    }

    void refusesTextThatIsNoDateTime_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("empty") << "";
        QTest::newRow("blank") << "   ";
        QTest::newRow("words") << "next tuesday";
        QTest::newRow("month 13") << "2026-13-01";
        QTest::newRow("30 February") << "2026-02-30";
        QTest::newRow("hour 24") << "2026-03-05 24.00";
        QTest::newRow("minute 60") << "2026-03-05 10.60";
        QTest::newRow("trailing text") << "2026-03-05 10.00 tomorrow";
        QTest::newRow("wrong separator") << "2026/03/05";
        QTest::newRow("half a date") << "2026-03";
        QTest::newRow("year past 9999") << "10000-01-01";
        QTest::newRow("long date, year past 9999") << "05 March 12026";
    }
    void refusesTextThatIsNoDateTime()
    {
        QFETCH(QString, text);
        try {
            parseDateTime(text, fixture());
            QFAIL("no error");
        } catch (const Error &e) {
            QVERIFY2(e.text().contains(text), qPrintable(e.text()));
        }
    }

    void shownDateTimesAreInYearsOneTo9999_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<bool>("shown");
        QTest::newRow("day 0") << 0.0 << true;
        QTest::newRow("1 January 1") << at(1, 1, 1).toDouble() << true;
        QTest::newRow("31 December 9999, 23:59") << at(9999, 12, 31, 23, 59).toDouble() << true;
        QTest::newRow("year 10000") << at(9999, 12, 31).toDouble() + 1 << false;
        QTest::newRow("before year 1") << at(1, 1, 1).toDouble() - 1 << false;
        QTest::newRow("huge") << 1e300 << false;
        QTest::newRow("not a number") << std::nan("") << false;
    }
    void shownDateTimesAreInYearsOneTo9999()
    {
        QFETCH(double, value);
        QFETCH(bool, shown);
        QCOMPARE(isShownDateTime(DateTime(value)), shown);
    }

    void twelveHourTextNeedsAnHourOfTwelve()
    {
        FormatSettings f = fixture();
        f.longTimeFormat = QStringLiteral("hh:nn am/pm");
        QCOMPARE(parseDateTime(QStringLiteral("2026-03-05 12.30 AM"), f).toQDateTime().time(), QTime(0, 30));
        QVERIFY_THROWS_EXCEPTION(Error, parseDateTime(QStringLiteral("2026-03-05 13.30 pm"), f));
    }

    void twoDigitYearsAndYearlessDates()
    {
        FormatSettings f = fixture();
        f.shortDateFormat = QStringLiteral("dd/mm/yy");
        QCOMPARE(parseDateTime(QStringLiteral("01-02-49"), f).toQDateTime().date(), QDate(2049, 2, 1));
        QCOMPARE(parseDateTime(QStringLiteral("01-02-50"), f).toQDateTime().date(), QDate(1950, 2, 1));
        QCOMPARE(parseDateTime(QStringLiteral("01-02-2049"), f).toQDateTime().date(), QDate(2049, 2, 1));

        f.shortDateFormat = QStringLiteral("dd/mm");
        const QString text = dateTimeText(at(2026, 4, 9, 8, 0), f);
        QVERIFY_THROWS_EXCEPTION(Error, parseDateTime(text, f));
        QCOMPARE(parseDateTime(text, f, QDate(2027, 1, 1)).toQDateTime(), QDateTime(QDate(2027, 4, 9), QTime(8, 0)));

        // An empty short date pattern leaves only the time in the text.
        f.shortDateFormat.clear();
        const QString timeOnly = dateTimeText(at(2026, 4, 9, 8, 0), f);
        QCOMPARE(parseDateTime(timeOnly, f).toQDateTime(), QDateTime(QDate(1899, 12, 30), QTime(8, 0)));
        QCOMPARE(parseDateTime(timeOnly, f, QDate(2026, 4, 9)).toQDateTime(), QDateTime(QDate(2026, 4, 9), QTime(8, 0)));
    }
};

QTEST_GUILESS_MAIN(TestDateFormat)
#include "tst_DateFormat.moc"
