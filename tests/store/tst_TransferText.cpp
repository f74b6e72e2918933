// The text forms of the transfer file, the backup name and the two text
// helpers of the upgrade.

#include "core/Error.h"
#include "store/OsVersion.h"
#include "store/TransferText.h"

#include <QTest>

#include <bit>

using namespace Qt::StringLiterals;
using namespace transfertext;

class TestTransferText : public QObject
{
    Q_OBJECT

private slots:
    void textsReadBackExactly_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("encoded");
        QTest::newRow("three lines") << u"First\r\nSecond\r\nThird"_s << u"First#13#10Second#13#10Third"_s;
        QTest::newRow("lone line feed and return") << u"a\nb\rc"_s << u"a#10b#13c"_s;
        QTest::newRow("the code itself as text") << u"see #13#10 here"_s << u"see #3513#3510 here"_s;
        QTest::newRow("hash before a digit") << u"#35 and #0"_s << u"#3535 and #350"_s;
        QTest::newRow("hash elsewhere") << u"# ## #a #"_s << u"# ## #a #"_s;
        QTest::newRow("hash before a break") << u"#\r\n"_s << u"##13#10"_s;
        QTest::newRow("empty") << QString(u""_s) << u"#0"_s;
        QTest::newRow("unicode") << u"Ünïcödé ☂ 日本語 😀"_s << u"Ünïcödé ☂ 日本語 😀"_s;
    }
    void textsReadBackExactly()
    {
        QFETCH(QString, text);
        QFETCH(QString, encoded);
        QCOMPARE(encodeText(text), encoded);
        const QString decoded = decodeText(encoded);
        QCOMPARE(decoded, text);
        QVERIFY(!decoded.isNull());
    }

    void dateTimesReadBackExactly_data()
    {
        QTest::addColumn<double>("days");
        QTest::addColumn<QString>("text");
        const auto at = [](int y, int mo, int d, int h, int mi, int s, int ms) {
            return DateTime::fromDateAndTime(QDate(y, mo, d), QTime(h, mi, s, ms)).toDouble();
        };
        QTest::newRow("midnight") << at(2006, 10, 5, 0, 0, 0, 0) << u"2006-10-05"_s;
        QTest::newRow("seconds") << at(2006, 10, 5, 14, 30, 15, 0) << u"2006-10-05 14:30:15"_s;
        QTest::newRow("milliseconds") << at(2099, 12, 31, 23, 59, 59, 999) << u"2099-12-31 23:59:59.999"_s;
        QTest::newRow("before 1950") << at(1901, 2, 3, 4, 5, 6, 0) << u"1901-02-03 04:05:06"_s;
        QTest::newRow("before the epoch") << -1.25 << u"1899-12-29 06:00:00"_s;
        QTest::newRow("finer than a millisecond") << 45000.12345678901 << u"45000.12345678901"_s;
        QTest::newRow("negative fraction near zero") << -0.25 << u"-0.25"_s;
    }
    void dateTimesReadBackExactly()
    {
        QFETCH(double, days);
        QFETCH(QString, text);
        QCOMPARE(dateTimeText(days), text);
        const std::optional<double> back = parseDateTime(text);
        QVERIFY(back.has_value());
        QCOMPARE(std::bit_cast<quint64>(*back), std::bit_cast<quint64>(days));
    }

    void malformedDateTimesAreRefused()
    {
        for (const QString &text : {u"2006-13-05"_s, u"2006-10-05 25:00:00"_s, u"2006-10-05 14:30"_s,
                                    u"05/10/06"_s, u"2006-10-05 14:30:15.5"_s, u"Task"_s})
            QVERIFY2(!parseDateTime(text).has_value(), qPrintable(text));
    }

    void backupNames_data()
    {
        QTest::addColumn<QDateTime>("moment");
        QTest::addColumn<QString>("name");
        QTest::newRow("example") << QDateTime(QDate(2006, 10, 5), QTime(14, 30, 15)) << u"Nudgewick.20061005143015.mdb"_s;
        QTest::newRow("leading zeros") << QDateTime(QDate(2027, 1, 2), QTime(3, 4, 5)) << u"Nudgewick.20270102030405.mdb"_s;
        QTest::newRow("end of a day") << QDateTime(QDate(2030, 12, 31), QTime(23, 59, 59, 999))
                                      << u"Nudgewick.20301231235959.mdb"_s;
    }
    void backupNames()
    {
        QFETCH(QDateTime, moment);
        QFETCH(QString, name);
        QCOMPARE(backupFileName(DateTime::fromQDateTime(moment)), name);
    }

    void replaceAllText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("oldText");
        QTest::addColumn<QString>("newText");
        QTest::addColumn<QString>("result");
        QTest::newRow("every occurrence") << u"a#13#10b#13#10c"_s << u"#13#10"_s << u"\r\n"_s << u"a\r\nb\r\nc"_s;
        QTest::newRow("none") << u"plain"_s << u"#13#10"_s << u"\r\n"_s << u"plain"_s;
        QTest::newRow("a replacement forms a new one") << u"aaab"_s << u"ab"_s << u"b"_s << u"b"_s;
        QTest::newRow("longer replacement") << u"xaby"_s << u"ab"_s << u"bba"_s << u"xbbay"_s;
        QTest::newRow("cyclic") << u"abc"_s << u"b"_s << u"bb"_s << QString();
        QTest::newRow("nothing to find") << u"abc"_s << QString() << u"x"_s << QString();
    }
    void replaceAllText()
    {
        QFETCH(QString, text);
        QFETCH(QString, oldText);
        QFETCH(QString, newText);
        QFETCH(QString, result);
        if (result.isNull()) {
            try {
                ReplaceAllText(text, oldText, newText);
                QFAIL("a cyclic replace was done");
            } catch (const Error &e) {
                QCOMPARE(e.text(), u"Cannot perform a cyclic replace."_s);
            }
            return;
        }
        QCOMPARE(ReplaceAllText(text, oldText, newText), result);
    }

    void osVersionTextNamesThisSystem()
    {
        const QString text = OsVersionText();
        QVERIFY(!text.isEmpty());
        QVERIFY(!text.startsWith(u"Windows NT"_s));
        QVERIFY2(text.contains(u" Version "_s) && text.contains(u"\n (Build "_s) && text.endsWith(u')'), qPrintable(text));
    }
};

QTEST_GUILESS_MAIN(TestTransferText)
#include "tst_TransferText.moc"
