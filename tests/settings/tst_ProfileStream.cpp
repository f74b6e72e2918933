// Profile files written and read front to back.

#include "core/Error.h"
#include "settings/ProfileFile.h"
#include "settings/ProfileStream.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

class TestProfileStream : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

private slots:
    // What the writer writes reads back unchanged, through the reader and
    // through ProfileFile alike.
    void valuesReadBackUnchanged()
    {
        const QList<std::pair<QString, QString>> values = {
            {u"Plain"_s, u"Pay the rent"_s}, {u"Padded"_s, u"  blanks at both ends  "_s},
            {u"Quoted"_s, u"\"in quotes\""_s}, {u"Empty"_s, QString()}, {u"Equals"_s, u"a=b; c"_s},
            {u"Unicode"_s, u"Ünïcödé ☂ 😀"_s}, {u"Long"_s, QString(5000, u'x')}};
        const QString path = m_dir.filePath(u"written.ini"_s);
        ProfileWriter writer(path);
        for (const QString &section : {u"12"_s, u"40"_s}) {
            writer.beginSection(section);
            for (const auto &[key, value] : values)
                writer.writeValue(key, value);
        }
        writer.commit();

        ProfileReader reader(path);
        const ProfileFile file(path);
        QStringList sections;
        while (reader.nextSection()) {
            sections << reader.section();
            QCOMPARE(reader.entries(), values);
            QCOMPARE(file.entries(reader.section(), -1), values);
        }
        QCOMPARE(sections, (QStringList{u"12"_s, u"40"_s}));
    }

    // The reader skips what ProfileFile skips: lines before the first
    // section, comments, lines without "=", CR LF line ends.
    void readerFollowsTheFileRules()
    {
        const QString path = m_dir.filePath(u"hand.ini"_s);
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("Before=ignored\r\n[ One ]\r\n; Key=comment\r\nno equals sign\r\n Key = 'quoted' \r\n\r\n[Two]\r\n");
        file.close();

        ProfileReader reader(path);
        QVERIFY(reader.nextSection());
        QCOMPARE(reader.section(), u"One"_s);
        QCOMPARE(reader.entries(), (QList<std::pair<QString, QString>>{{u"Key"_s, u"quoted"_s}}));
        QVERIFY(reader.nextSection());
        QCOMPARE(reader.section(), u"Two"_s);
        QVERIFY(reader.entries().isEmpty());
        QVERIFY(!reader.nextSection());
        QVERIFY(!ProfileReader(m_dir.filePath(u"missing.ini"_s)).nextSection());
    }

    // Headers follow ProfileFile's rule, whatever follows their "]", and a
    // file with CR line ends is read line by line.
    void readerFindsTheSameSections_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::newRow("header comments and text") << QByteArray("[1] # one\nA=a\n[2]\t# h\nB=b\n[3] x\nC=c\n");
        QTest::newRow("CR line ends") << QByteArray("[1]\rA=a\r[2]\rB=b\r[3]\rC=c\r");
        QTest::newRow("bracketed key is a header") << QByteArray("[1]\nA=a\n[2]=x\nB=b\n[3] ; c\nC=c\n");
    }
    void readerFindsTheSameSections()
    {
        QFETCH(QByteArray, text);
        const QString path = m_dir.filePath(u"sections.ini"_s);
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(text);
        file.close();

        ProfileReader reader(path);
        const ProfileFile profile(path);
        QStringList sections;
        while (reader.nextSection()) {
            sections << reader.section();
            QCOMPARE(reader.entries().size(), 1);
            QCOMPARE(reader.entries(), profile.entries(reader.section()));
        }
        QCOMPARE(sections, (QStringList{u"1"_s, u"2"_s, u"3"_s}));
        QCOMPARE(profile.sections(), sections);
    }

    // A refused write leaves the file that was there: a line break, or a
    // key whose line would read back as a section header.
    void aRefusedValueLeavesTheOldFile_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        QTest::newRow("line break") << u"Key"_s << u"two\nlines"_s;
        QTest::newRow("key that reads as a header") << u"[Old] ; archived"_s << u"x"_s;
        QTest::newRow("] in the value of a [ key") << u"[Key"_s << u"x]"_s;
    }
    void aRefusedValueLeavesTheOldFile()
    {
        QFETCH(QString, key);
        QFETCH(QString, value);
        const QString path = m_dir.filePath(u"kept.ini"_s);
        ProfileFile::writeValue(path, u"S"_s, u"Key"_s, u"old"_s);
        try {
            ProfileWriter writer(path);
            writer.beginSection(u"S"_s);
            writer.writeValue(key, value);
            writer.commit();
            QFAIL("the value was written");
        } catch (const Error &e) {
            QVERIFY2(e.text().contains(path), qPrintable(e.text()));
        }
        QCOMPARE(ProfileFile(path).value(u"S"_s, u"Key"_s), u"old"_s);
    }
};

QTEST_GUILESS_MAIN(TestProfileStream)
#include "tst_ProfileStream.moc"
