#include "core/Error.h"
#include "settings/ProfileFile.h"
#include "support/FileSizeLimit.h"

#include <QDir>
#include <QRegularExpression>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <optional>

namespace {

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

void writeAll(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

} // namespace

class TestProfileFile : public QObject
{
    Q_OBJECT
private:
    QTemporaryDir m_dir;

    QString fixture(const QByteArray &bytes)
    {
        const QString path = m_dir.filePath(QStringLiteral("fixture.ini"));
        writeAll(path, bytes);
        return path;
    }

private slots:
    void reading_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("expected"); // "<default>" when the default comes back

        const auto row = [](const char *name, const QByteArray &file, const char *section, const char *key,
                            const QString &expected) {
            QTest::newRow(name) << file << QString::fromUtf8(section) << QString::fromUtf8(key) << expected;
        };
        const QString dflt = QStringLiteral("<default>");
        row("names without case", "[Settings]\nExit Dialog=1\n", "SETTINGS", "exit dialog", QStringLiteral("1"));
        row("blanks around names and value", "  [ Notify ]  \n  Width  =   150  \n", "notify", "width",
            QStringLiteral("150"));
        row("double quotes", "[A]\nk=  \"  two words  \"  \n", "A", "k", QStringLiteral("  two words  "));
        row("single quotes", "[A]\nk='x'\n", "A", "k", QStringLiteral("x"));
        row("quotes that do not pair", "[A]\nk=\"x'\n", "A", "k", QStringLiteral("\"x'"));
        row("one quote alone", "[A]\nk=\"\n", "A", "k", QStringLiteral("\""));
        row("only the outer pair goes", "[A]\nk=\"\"x\"\"\n", "A", "k", QStringLiteral("\"x\""));
        row("empty value", "[A]\nk=\n", "A", "k", QLatin1String(""));
        row("value holding =", "[A]\nk=a=b\n", "A", "k", QStringLiteral("a=b"));
        row("key holding = splits at the first", "[A]\na=b=Checked\n", "A", "a=b", dflt);
        row("first of two equal keys", "[A]\nk=1\nK=2\n", "A", "k", QStringLiteral("1"));
        row("missing key", "[A]\nk=1\n", "A", "other", dflt);
        row("missing section", "[A]\nk=1\n", "B", "k", dflt);
        row("key of the next section", "[A]\n[B]\nk=1\n", "A", "k", dflt);
        row("lines before any section", "k=1\n[A]\n", "A", "k", dflt);
        row("comment line", "[A]\n;k=1\n", "A", "k", dflt);
        row("line without =", "[A]\nk\n", "A", "k", dflt);
        row("CRLF line ends", "[A]\r\nk=v\r\n", "A", "k", QStringLiteral("v"));
        row("no line end at the end", "[A]\nk=v", "A", "k", QStringLiteral("v"));
        row("UTF-8", "[\xc3\x9c]\nSchl\xc3\xbc" "ssel=Gr\xc3\xbc\xc3\x9f" "e\n", "\xc3\xbc", "SCHL\xc3\x9cSSEL",
            QStringLiteral(u"Grüße"));
        row("UTF-8 with byte order mark", "\xef\xbb\xbf[A]\nk=v\n", "A", "k", QStringLiteral("v"));
        row("Latin-1 when not UTF-8", "[A]\nk=Gr\xfc\xdf" "e\n", "A", "k", QStringLiteral(u"Grüße"));
        row("Windows-1252 line", "[A]\nk=\x80 5 \x93quoted\x94 \x96 x\n", "A", "k",
            QStringLiteral(u"€ 5 “quoted” – x"));
        row("UTF-8 line beside a Windows-1252 line", "[A]\nj=Gr\xfc\xdf" "e\nk=Gr\xc3\xbc\xc3\x9f" "e\n", "A", "k",
            QStringLiteral(u"Grüße"));
        row("last line cut inside a character", "[A]\nk=ab\xc3", "A", "k", QStringLiteral(u"abÃ"));
        row("UTF-16 little-endian", QByteArray("\xff\xfe[\0A\0]\0\r\0\n\0k\0=\0v\0\xe9\0", 20), "A", "k",
            QStringLiteral(u"vé"));
        row("UTF-16 big-endian", QByteArray("\xfe\xff\0[\0A\0]\0\n\0k\0=\0v", 16), "A", "k", QStringLiteral("v"));
        row("header followed by a comment", "[a]\n[b] ; note\nk=1\n", "b", "k", QStringLiteral("1"));
        row("header ending in a comment keeps the key to its section", "[a]\nk=0\n[b];x\nk=1\n", "a", "k",
            QStringLiteral("0"));
        row("indented ; key", "[A]\n ;k=1\n", "A", ";k", QStringLiteral("1"));
        // A line whose first non-blank character is '[' and that holds a ']'
        // opens a section, whatever follows the last ']'.
        row("header followed by a # comment", "[a]\nk=0\n[Notify] # my popup\nk=1\n", "Notify", "k",
            QStringLiteral("1"));
        row("header followed by a # comment keeps the key from the section above",
            "[a]\nk=0\n[Notify] # my popup\nk=1\n", "a", "k", QStringLiteral("0"));
        row("header followed by a tab and a comment", "[b]\n[c]\t# h\nk=1\n", "c", "k", QStringLiteral("1"));
        row("header followed by other text", "[b]\n[d] x\nk=1\n", "d", "k", QStringLiteral("1"));
        row("header followed by other text, key not above", "[b]\n[d] x\nk=1\n", "b", "k", dflt);
        row("indented header followed by text", "[b]\n \t[e] x\nk=1\n", "e", "k", QStringLiteral("1"));
        row("name up to the last ]", "[a]b] x\nk=1\n", "a]b", "k", QStringLiteral("1"));
        row("bracketed key is a header", "[A]\n[k]=1\n", "A", "[k]", dflt);
        row("bracketed key opens its section", "[A]\n[k]=1\nj=2\n", "k", "j", QStringLiteral("2"));
        row("[ without ] is a key", "[A]\n[k=1\n", "A", "[k", QStringLiteral("1"));
        row("] before the [ is a key", "[A]\nk]=[1\n", "A", "k]", QStringLiteral("[1"));
        // Line ends of the old Mac OS: one CR.
        row("CR line ends", "[A]\rk=v\r[B]\rj=w\r", "A", "k", QStringLiteral("v"));
        row("CR line ends, second section", "[A]\rk=v\r[B]\rj=w\r", "B", "j", QStringLiteral("w"));
        row("CR line ends, no line end at the end", "[A]\rk=v\r[B]\rj=w", "B", "j", QStringLiteral("w"));
        row("CR line ends, Windows-1252 line", "[A]\rj=\x80\rk=Gr\xc3\xbc\xc3\x9f" "e\r", "A", "k",
            QStringLiteral(u"Grüße"));
        row("2047 characters at most", "[A]\nk=" + QByteArray(3000, 'x') + "\n", "A", "k",
            QString(2047, QLatin1Char('x')));
    }
    void reading()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(QString, expected);
        const ProfileFile profile(fixture(file));
        QCOMPARE(profile.value(section, key, QStringLiteral("<default>")), expected);
        QCOMPARE(profile.contains(section, key), expected != QStringLiteral("<default>"));
    }

    void longerValuesOnRequest()
    {
        const ProfileFile profile(fixture("[A]\nk=" + QByteArray(3000, 'x') + "\n"));
        QCOMPARE(profile.value(QStringLiteral("A"), QStringLiteral("k"), QString(), -1).size(), 3000);
    }

    void writingKeepsEverythingElse()
    {
        const QString path = fixture("; hand-written note\n"
                                     "[Settings]\n"
                                     "Exit Dialog=0\n"
                                     "junk line\n"
                                     "Auto Update = 1\n"
                                     "\n"
                                     "[Tasks]\n"
                                     "All=1\n");
        ProfileFile profile(path);
        profile.setValue(QStringLiteral("settings"), QStringLiteral("AUTO UPDATE"), QStringLiteral("0"));
        profile.setValue(QStringLiteral("Settings"), QStringLiteral("Snooze Confirm"), QStringLiteral("1"));
        profile.setValue(QStringLiteral("Notify"), QStringLiteral("Width"), QStringLiteral("150"));
        profile.save();
        QCOMPARE(readAll(path), QByteArray("; hand-written note\n"
                                           "[Settings]\n"
                                           "Exit Dialog=0\n"
                                           "junk line\n"
                                           "Auto Update=0\n"
                                           "Snooze Confirm=1\n"
                                           "\n"
                                           "[Tasks]\n"
                                           "All=1\n"
                                           "\n"
                                           "[Notify]\n"
                                           "Width=150\n"));
    }

    void writingKeepsCrlfLineEnds()
    {
        const QString path = fixture("[A]\r\nk=1\r\n");
        ProfileFile::writeValue(path, QStringLiteral("A"), QStringLiteral("j"), QStringLiteral("2"));
        QCOMPARE(readAll(path), QByteArray("[A]\r\nk=1\r\nj=2\r\n"));
    }

    void removingSectionsAndKeys()
    {
        const QString path = fixture("[Categories]\nWork=Checked\n\n[Tasks]\nAll=1\nOutstanding=0\n"
                                     "[categories]\nHome=Checked\n");
        ProfileFile profile(path);
        profile.removeSection(QStringLiteral("CATEGORIES"));
        profile.removeKey(QStringLiteral("Tasks"), QStringLiteral("outstanding"));
        QVERIFY(!profile.containsSection(QStringLiteral("Categories")));
        profile.save();
        QCOMPARE(readAll(path), QByteArray("[Tasks]\nAll=1\n"));
    }

    void listingInFileOrder()
    {
        const ProfileFile profile(
            fixture("[12]\nTask=a\nCategory=b\nTASK=c\n[3]\nTask=d\n[12]\nNotes=e\n[Work]\n[work]\n[WORK] ; old\n"));
        QCOMPARE(profile.sections(), (QStringList{QStringLiteral("12"), QStringLiteral("3"), QStringLiteral("Work"),
                                                  QStringLiteral("work"), QStringLiteral("WORK")}));
        QCOMPARE(profile.keys(QStringLiteral("12")), (QStringList{QStringLiteral("Task"), QStringLiteral("Category")}));
        const auto entries = profile.entries(QStringLiteral("12"));
        QCOMPARE(entries.size(), 2);
        QCOMPARE(entries.at(1).second, QStringLiteral("b"));
        QVERIFY(profile.keys(QStringLiteral("none")).isEmpty());
    }

    void missingFileReadsEmptyAndFirstWriteCreatesIt()
    {
        const QString path = m_dir.filePath(QStringLiteral("new.ini"));
        ProfileFile profile(path);
        QVERIFY(profile.sections().isEmpty());
        QCOMPARE(profile.value(QStringLiteral("A"), QStringLiteral("k"), QStringLiteral("d")), QStringLiteral("d"));
        QVERIFY(!QFile::exists(path));
        profile.setValue(QStringLiteral("A"), QStringLiteral("k"), QStringLiteral("v"));
        profile.save();
        QCOMPARE(readAll(path), QByteArray("[A]\nk=v\n"));
    }

    void onlyChangesMarkTheProfileModified()
    {
        ProfileFile profile(fixture("[A]\nk=v\n"));
        profile.setValue(QStringLiteral("a"), QStringLiteral("K"), QStringLiteral("v"));
        profile.removeSection(QStringLiteral("B"));
        QVERIFY(!profile.isModified());
        profile.setValue(QStringLiteral("A"), QStringLiteral("k"), QStringLiteral("w"));
        QVERIFY(profile.isModified());
        profile.saveIfModified();
        QVERIFY(!profile.isModified());
    }

    void valuesReadBackAsWritten_data()
    {
        QTest::addColumn<QString>("value");
        QTest::newRow("plain") << "Alarm.wav";
        QTest::newRow("empty") << "";
        QTest::newRow("blank") << " ";
        QTest::newRow("blanks at the ends") << "  a b  ";
        QTest::newRow("enclosed in double quotes") << "\"Fix it\"";
        QTest::newRow("enclosed in single quotes") << "'x'";
        QTest::newRow("two quotes") << "\"\"";
        QTest::newRow("one quote") << "\"";
        QTest::newRow("non-ASCII") << QStringLiteral(u"Café ☕ 日本");
        QTest::newRow("holding = and ;") << "a=b;c";
    }
    void valuesReadBackAsWritten()
    {
        QFETCH(QString, value);
        const QString path = m_dir.filePath(QStringLiteral("roundtrip.ini"));
        QFile::remove(path);
        ProfileFile::writeValue(path, QStringLiteral("A"), QStringLiteral("k"), value);
        QCOMPARE(ProfileFile(path).value(QStringLiteral("A"), QStringLiteral("k"), QStringLiteral("<none>")), value);
    }

    void keysReadBackAsWritten_data()
    {
        QTest::addColumn<QString>("key");
        QTest::newRow("plain") << "Home";
        QTest::newRow("beginning with ;") << ";Home";
        QTest::newRow("beginning with ; after a blank") << " ;Home";
        QTest::newRow("opening bracket only") << "[Home";
        QTest::newRow("closing bracket only") << "Home]";
        QTest::newRow("bracket inside") << "Ho[me]";
        QTest::newRow("holding ;") << "Home ;x";
        QTest::newRow("non-ASCII") << QStringLiteral(u"Küche €");
    }
    void keysReadBackAsWritten()
    {
        QFETCH(QString, key);
        const QString path = m_dir.filePath(QStringLiteral("keys.ini"));
        QFile::remove(path);
        ProfileFile::writeValue(path, QStringLiteral("Categories"), key, QStringLiteral("Checked"));
        const ProfileFile profile(path);
        QCOMPARE(profile.value(QStringLiteral("Categories"), key), QStringLiteral("Checked"));
        QCOMPARE(profile.keys(QStringLiteral("Categories")), QStringList{key.trimmed()});
    }

    // What a line cannot hold is left out and logged; the rest is saved.
    void unstorableValuesAreLeftOut()
    {
        const QString path = fixture("[A]\nk=v\n");
        ProfileFile profile(path);
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("left out.*\\[A\\] k")));
        QVERIFY(!profile.setValue(QStringLiteral("A"), QStringLiteral("k"), QStringLiteral("one\ntwo")));
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("left out")));
        QVERIFY(!profile.setValue(QStringLiteral("Categories"), QStringLiteral("Work\r\nHome"), QStringLiteral("Checked")));
        QVERIFY(profile.setValue(QStringLiteral("Categories"), QStringLiteral("Home"), QStringLiteral("Checked")));
        profile.save();
        QCOMPARE(readAll(path), QByteArray("[A]\nk=v\n\n[Categories]\nHome=Checked\n"));

        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("left out")));
        QVERIFY_THROWS_EXCEPTION(Error, ProfileFile::writeValue(path, QStringLiteral("A"), QStringLiteral("k"),
                                                                 QStringLiteral("one\ntwo")));
        QCOMPARE(ProfileFile(path).value(QStringLiteral("A"), QStringLiteral("k")), QStringLiteral("v"));
    }

    // A key whose line would read back as a section header is left out and
    // logged, as a line break is: no escape in the file's lines could make
    // it read back as a key. The rest is saved.
    void keysThatWouldReadAsHeadersAreLeftOut_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        QTest::newRow("category with a comment") << "[Old] ; archived" << "Checked";
        QTest::newRow("bracketed") << "[Home]" << "Checked";
        QTest::newRow("bracketed after a blank") << " [Home]" << "Checked";
        QTest::newRow("followed by text") << "[a]b" << "Checked";
        QTest::newRow("the ] in the value") << "[x" << "y]";
    }
    void keysThatWouldReadAsHeadersAreLeftOut()
    {
        QFETCH(QString, key);
        QFETCH(QString, value);
        const QString path = fixture("[Categories]\nWork=Checked\n");
        ProfileFile profile(path);
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("left out.*\\[Categories\\]")));
        QVERIFY(!profile.setValue(QStringLiteral("Categories"), key, value));
        QVERIFY(profile.setValue(QStringLiteral("Categories"), QStringLiteral("Home"), QStringLiteral("Checked")));
        profile.save();
        QCOMPARE(readAll(path), QByteArray("[Categories]\nWork=Checked\nHome=Checked\n"));
        const ProfileFile reread(path);
        QCOMPARE(reread.sections(), QStringList{QStringLiteral("Categories")});
        QCOMPARE(reread.keys(QStringLiteral("Categories")), (QStringList{QStringLiteral("Work"), QStringLiteral("Home")}));
    }

    // A key already in the file keeps its spelling when its value changes;
    // a value that would make its line a header is left out as well.
    void changedValueThatWouldMakeAHeaderIsLeftOut()
    {
        const QString path = fixture("[A]\n[k=1\n");
        ProfileFile profile(path);
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("left out")));
        QVERIFY(!profile.setValue(QStringLiteral("A"), QStringLiteral("[k"), QStringLiteral("2]")));
        QVERIFY(!profile.isModified());
        QVERIFY(profile.setValue(QStringLiteral("A"), QStringLiteral("[k"), QStringLiteral("2")));
        profile.save();
        QCOMPARE(readAll(path), QByteArray("[A]\n[k=2\n"));
    }

    // Sections a person added by hand, with a comment or other text after
    // the header, keep their keys when the save rewrites the section above.
    void handEditedSectionsSurviveASave()
    {
        const QByteArray tail = "[Notify] # my popup\nWidth=150\n"
                                "[c]\t# h\nk=1\n"
                                "[d] x\nj=2\n";
        const QString path = fixture("[Categories]\nWork=Checked\n" + tail);
        ProfileFile profile(path);
        profile.removeSection(QStringLiteral("Categories"));
        profile.setValue(QStringLiteral("Categories"), QStringLiteral("Home"), QStringLiteral("Checked"));
        profile.save();
        QCOMPARE(readAll(path), tail + "\n[Categories]\nHome=Checked\n");
        const ProfileFile reread(path);
        QCOMPARE(reread.value(QStringLiteral("Notify"), QStringLiteral("Width")), QStringLiteral("150"));
        QCOMPARE(reread.value(QStringLiteral("c"), QStringLiteral("k")), QStringLiteral("1"));
        QCOMPARE(reread.value(QStringLiteral("d"), QStringLiteral("j")), QStringLiteral("2"));
    }

    // A file with CR line ends is read line by line and written back with
    // them: a key is changed where it stands, not appended in a second section.
    void writingKeepsCrLineEnds()
    {
        const QString path = fixture("[Settings]\rExit Dialog=0\r\r[Tasks]\rAll=1\r");
        ProfileFile profile(path);
        profile.setValue(QStringLiteral("Settings"), QStringLiteral("Exit Dialog"), QStringLiteral("1"));
        profile.setValue(QStringLiteral("Tasks"), QStringLiteral("Completed"), QStringLiteral("0"));
        profile.save();
        QCOMPARE(readAll(path), QByteArray("[Settings]\rExit Dialog=1\r\r[Tasks]\rAll=1\rCompleted=0\r"));
    }

    // A save that changes nothing writes the file back byte for byte.
    void unchangedFilesAreWrittenBackAsTheyWere_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::newRow("LF") << QByteArray("; note\n[Settings]\nExit Dialog=0\njunk\n\n[Tasks] ; c\nAll=1\n");
        QTest::newRow("CRLF") << QByteArray("[Settings]\r\nExit Dialog=0\r\n[b] x\r\nk=1\r\n");
        QTest::newRow("CR") << QByteArray("[Settings]\rExit Dialog=0\r[b] x\rk=1\r");
        QTest::newRow("no line end at the end") << QByteArray("[Settings]\nExit Dialog=0\n[d] x\nk=1");
        QTest::newRow("hand-edited headers") << QByteArray("[Settings]\nExit Dialog=0\n[Notify] # my popup\n"
                                                           "Width=150\n[c]\t# h\n[d] x\n");
    }
    void unchangedFilesAreWrittenBackAsTheyWere()
    {
        QFETCH(QByteArray, file);
        const QString path = fixture(file);
        ProfileFile profile(path);
        profile.setValue(QStringLiteral("Settings"), QStringLiteral("Exit Dialog"), QStringLiteral("0"));
        profile.save();
        QByteArray expected = file;
        if (!expected.endsWith('\n') && !expected.endsWith('\r'))
            expected += '\n'; // the last line gets its line end
        QCOMPARE(readAll(path), expected);
    }

    // A write keeps the file's encoding and byte order mark, and the text
    // of every line, whichever encoding each line was read in.
    void writingKeepsTheEncoding_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QByteArray>("written");
        QTest::newRow("UTF-8") << QByteArray("[A]\nk=\xc3\xa9\n") << QByteArray("[A]\nk=\xc3\xa9\nj=\xe2\x82\xac\n");
        QTest::newRow("UTF-8 with mark") << QByteArray("\xef\xbb\xbf[A]\nk=1\n")
                                         << QByteArray("\xef\xbb\xbf[A]\nk=1\nj=\xe2\x82\xac\n");
        QTest::newRow("a Windows-1252 line becomes UTF-8") << QByteArray("[A]\nk=\x80\n")
                                                           << QByteArray("[A]\nk=\xe2\x82\xac\nj=\xe2\x82\xac\n");
        QTest::newRow("cut-off last line keeps its bytes") << QByteArray("[A]\nk=\xc3")
                                                           << QByteArray("[A]\nk=\xc3\x83\nj=\xe2\x82\xac\n");
        QTest::newRow("UTF-16 little-endian") << QByteArray("\xff\xfe[\0A\0]\0\r\0\n\0", 12)
                                              << QByteArray("\xff\xfe[\0A\0]\0\r\0\n\0j\0=\0\xac\x20\r\0\n\0", 22);
        QTest::newRow("UTF-16 big-endian") << QByteArray("\xfe\xff\0[\0A\0]\0\n", 10)
                                           << QByteArray("\xfe\xff\0[\0A\0]\0\n\0j\0=\x20\xac\0\n", 18);
    }
    void writingKeepsTheEncoding()
    {
        QFETCH(QByteArray, file);
        QFETCH(QByteArray, written);
        const QString path = fixture(file);
        ProfileFile::writeValue(path, QStringLiteral("A"), QStringLiteral("j"), QStringLiteral(u"€"));
        QCOMPARE(readAll(path), written);
    }

    // Tests run as root, whom read-only folders do not stop; these are
    // refusals that hold for root as well.
    void refusedWriteThrowsAndKeepsTheOldFile_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("folder missing") << "missing folder";
        QTest::newRow("path is a folder") << "folder";
        QTest::newRow("disk full") << "file size limit";
    }
    void refusedWriteThrowsAndKeepsTheOldFile()
    {
        QFETCH(QString, how);
        QTemporaryDir dir;
        const QByteArray old("[Settings]\nExit Dialog=1\n");
        QString path = dir.filePath(QStringLiteral("Nudgewick.ini"));
        if (how == QLatin1String("missing folder"))
            path = dir.filePath(QStringLiteral("gone/Nudgewick.ini"));
        else if (how == QLatin1String("folder")) {
            QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("Nudgewick.ini")));
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("cannot read")));
        }
        else
            writeAll(path, old);

        ProfileFile profile(path);
        profile.setValue(QStringLiteral("Settings"), QStringLiteral("Exit Dialog"), QStringLiteral("0"));
        profile.setValue(QStringLiteral("Tasks"), QStringLiteral("Padding"), QString(4096, QLatin1Char('x')));
        try {
            std::optional<FileSizeLimit> limit;
            if (how == QLatin1String("file size limit"))
                limit.emplace(512);
            profile.save();
            QFAIL("the write was not refused");
        } catch (const Error &e) {
            // The path and the system's reason, never a bare "unknown error".
            QVERIFY2(e.text().contains(path), qPrintable(e.text()));
            QVERIFY2(!e.text().contains(QLatin1String("Unknown error")), qPrintable(e.text()));
        }
        if (how == QLatin1String("file size limit")) {
            QCOMPARE(readAll(path), old);
            QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("Nudgewick.ini")});
        } else {
            QVERIFY(!QFileInfo(path).isFile());
        }
        QVERIFY(profile.isModified());
    }
};

QTEST_GUILESS_MAIN(TestProfileFile)
#include "tst_ProfileFile.moc"
