#include "toolkit/AutostartEntry.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

class TestAutostartEntry : public QObject
{
    Q_OBJECT

    // The Exec line of an entry file, as it stands in the file.
    static QString execLine(const QString &path)
    {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return {};
        for (const QByteArray &line : file.readAll().split('\n'))
            if (line.startsWith("Exec="))
                return QString::fromUtf8(line.mid(5));
        return {};
    }

private slots:
    void execRoundTrip_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QString>("exec"); // the expected Exec value; empty: not checked
        QTest::newRow("plain") << u"/usr/bin/nudgewick"_s << u"/usr/bin/nudgewick Startup"_s;
        QTest::newRow("blanks") << u"/opt/My Apps/nudgewick"_s << u"\"/opt/My Apps/nudgewick\" Startup"_s;
        QTest::newRow("double quote") << u"/opt/a\"b/nudgewick"_s << u"\"/opt/a\\\\\"b/nudgewick\" Startup"_s;
        QTest::newRow("single quote") << u"/home/o'neil/nudgewick"_s << u"\"/home/o'neil/nudgewick\" Startup"_s;
        QTest::newRow("percent") << u"/opt/100%/nudgewick"_s << u"/opt/100%%/nudgewick Startup"_s;
        QTest::newRow("backslash") << u"/opt/a\\b/nudgewick"_s << u"\"/opt/a\\\\\\\\b/nudgewick\" Startup"_s;
        QTest::newRow("dollar and backtick") << u"/opt/$HOME/`x`/nudgewick"_s << QString();
        QTest::newRow("non-ASCII") << u"/home/zoë/Programme/Übersicht/nudgewick"_s
                                   << u"/home/zoë/Programme/Übersicht/nudgewick Startup"_s;
        QTest::newRow("everything") << u"/tmp/a b\"c'd%e\\f$g`h ü/nudgewick"_s << QString();
    }
    // The entry written for an awkward path runs that very path again.
    void execRoundTrip()
    {
        QFETCH(QString, program);
        QFETCH(QString, exec);
        QTemporaryDir dir;
        AutostartEntry entry(dir.path());
        entry.setCommand(program, {u"Startup"_s});
        QVERIFY(entry.setEnabled(true));

        const QString written = execLine(entry.filePath());
        if (!exec.isEmpty())
            QCOMPARE(written, exec);
        QCOMPARE(AutostartEntry::parseExecValue(written), (QStringList{program, u"Startup"_s}));

        const QString validator = QStandardPaths::findExecutable(u"desktop-file-validate"_s);
        if (!validator.isEmpty()) {
            QProcess check;
            check.start(validator, {entry.filePath()});
            QVERIFY(check.waitForFinished());
            QVERIFY2(check.exitCode() == 0, check.readAllStandardOutput().constData());
        }
    }

    void parseExecValue_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("field codes dropped") << u"nudgewick %U --x"_s << QStringList{u"nudgewick"_s, u"--x"_s};
        QTest::newRow("quoted blank") << u"\"a b\" c"_s << QStringList{u"a b"_s, u"c"_s};
        QTest::newRow("unterminated quote") << u"\"/opt/x Startup"_s << QStringList();
    }
    void parseExecValue()
    {
        QFETCH(QString, value);
        QFETCH(QStringList, arguments);
        QCOMPARE(AutostartEntry::parseExecValue(value), arguments);
    }

    // On writes the entry, off removes it; a moved executable finds its own
    // entry under the same file name and rewrites it with the new path.
    void onOffAndMovedExecutable()
    {
        QTemporaryDir dir;
        const QString folder = dir.filePath(u"config/autostart"_s); // created on demand
        AutostartEntry first(folder);
        first.setCommand(u"/old/place/nudgewick"_s, {u"Startup"_s});
        QVERIFY(!first.isEnabled());
        QVERIFY(first.setEnabled(true));
        QVERIFY(first.isEnabled());

        AutostartEntry moved(folder);
        QVERIFY(moved.isEnabled());
        moved.setCommand(u"/new place/nudgewick"_s, {u"Startup"_s});
        QVERIFY(moved.setEnabled(true));
        QCOMPARE(AutostartEntry::parseExecValue(execLine(moved.filePath())),
                 (QStringList{u"/new place/nudgewick"_s, u"Startup"_s}));

        QVERIFY(moved.setEnabled(false));
        QVERIFY(!QFile::exists(moved.filePath()));
        QVERIFY(!moved.isEnabled());
        QVERIFY(moved.setEnabled(false)); // nothing to remove is fine
    }

    // An entry the desktop's own settings switched off counts as off.
    void switchedOffEntryIsOff_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<bool>("enabled");
        QTest::newRow("Hidden=true") << QByteArray("Hidden=true") << false;
        QTest::newRow("X-GNOME-Autostart-enabled=false") << QByteArray("X-GNOME-Autostart-enabled=false") << false;
        QTest::newRow("X-GNOME-Autostart-enabled=true") << QByteArray("X-GNOME-Autostart-enabled=true") << true;
        QTest::newRow("Hidden=false") << QByteArray("Hidden=false") << true;
    }
    void switchedOffEntryIsOff()
    {
        QFETCH(QByteArray, line);
        QFETCH(bool, enabled);
        QTemporaryDir dir;
        AutostartEntry entry(dir.path());
        QFile file(entry.filePath());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[Desktop Entry]\nType=Application\nName=Nudgewick\nExec=nudgewick Startup\n" + line + "\n");
        file.close();
        QCOMPARE(entry.isEnabled(), enabled);
    }

    // A folder that cannot be made leaves start at login off and says so.
    void refusedWriteReportsFailure()
    {
        QTemporaryDir dir;
        QFile blocker(dir.filePath(u"file"_s));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        AutostartEntry entry(dir.filePath(u"file/autostart"_s));
        entry.setCommand(u"/usr/bin/nudgewick"_s, {u"Startup"_s});
        QVERIFY(!entry.setEnabled(true));
        QVERIFY(!entry.isEnabled());
    }

    void defaultFolder_data()
    {
        QTest::addColumn<QString>("configHome");
        QTest::addColumn<QString>("folder");
        QTest::newRow("set") << u"/x/config"_s << u"/x/config/autostart"_s;
        QTest::newRow("unset") << QString() << u"/home/u/.config/autostart"_s;
        QTest::newRow("relative is ignored") << u"config"_s << u"/home/u/.config/autostart"_s;
    }
    void defaultFolder()
    {
        QFETCH(QString, configHome);
        QFETCH(QString, folder);
        QProcessEnvironment env;
        env.insert(u"HOME"_s, u"/home/u"_s);
        if (!configHome.isNull())
            env.insert(u"XDG_CONFIG_HOME"_s, configHome);
        QCOMPARE(AutostartEntry::defaultFolder(env), folder);
    }
};

QTEST_GUILESS_MAIN(TestAutostartEntry)
#include "tst_AutostartEntry.moc"
