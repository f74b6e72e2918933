// The hotkey manager: entries and their registration, the key file, the
// commands.

#include "support/FileContent.h"
#include "core/Error.h"
#include "hotkeys/HotKeyManager.h"
#include "settings/ProfileFile.h"
#include "support/FakeHotKeyBackend.h"
#include "support/FileSizeLimit.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>

using namespace Qt::StringLiterals;

namespace {

constexpr quint32 KeysymN = 0x6e;
constexpr quint32 KeysymF1 = 0xffbe;

} // namespace

class TestHotKeyManager : public QObject
{
    Q_OBJECT
private:
    QTemporaryDir m_dir;

    struct Setup
    {
        QWidget window;
        FakeHotKeyBackend backend;
        HotKeyManager manager{&window, &backend};
    };

    QString keysFile() const { return m_dir.filePath(u"Keys.Ini"_s); }

private slots:
    void cleanup() { QFile::remove(keysFile()); }

    void ownerRules()
    {
        QWidget window;
        QWidget child(&window);
        FakeHotKeyBackend backend;
        QVERIFY_THROWS_EXCEPTION(Error, HotKeyManager(nullptr, &backend));
        QVERIFY_THROWS_EXCEPTION(Error, HotKeyManager(&child, &backend));
        HotKeyManager first(&window, &backend);
        try {
            HotKeyManager second(&window, &backend);
            QFAIL("a second manager on one window was created");
        } catch (const Error &e) {
            QCOMPARE(e.text(), u"No more than one HotKeyManager-component on a form"_s);
        }
    }

    void setterRules()
    {
        Setup s;
        THotKeyItem &item = s.manager.HotKeys().add();
        QCOMPARE(item.ID(), 0);
        QCOMPARE(s.manager.HotKeys().add().ID(), 1);

        // Modifiers need a key.
        item.setModifiers(modControl);
        QCOMPARE(item.Modifiers(), TModifiers(0));
        item.setVirtKey(vkN);
        item.setModifiers(modControl | modAlt);
        QCOMPARE(item.GetDisplayName(), u"Control + Alt + N"_s);

        // Enabling registers, disabling releases.
        item.setEnabled(true);
        QVERIFY(item.Registered());
        QCOMPARE(s.backend.registered.value(item.ID()).keysym, KeysymN);
        QCOMPARE(s.backend.registered.value(item.ID()).modifiers, quint8(HotKeyBackend::Control | HotKeyBackend::Alt));
        item.setEnabled(false);
        QVERIFY(!item.Registered());
        QVERIFY(s.backend.registered.isEmpty());

        // vkNone disables the entry and clears its modifiers.
        item.setEnabled(true);
        item.setVirtKey(vkNone);
        QVERIFY(!item.Enabled());
        QVERIFY(!item.Registered());
        QVERIFY(s.backend.registered.isEmpty());
        QCOMPARE(item.Modifiers(), TModifiers(0));
        QCOMPARE(item.GetDisplayName(), u"None"_s);

        // An entry without a key is never registered.
        item.setEnabled(true);
        QVERIFY(item.Enabled());
        QVERIFY(!item.Registered());

        // A combination another program holds stays enabled but not registered.
        THotKeyItem &held = s.manager.HotKeys().add();
        s.backend.heldElsewhere.append({HotKeyBackend::Shift, KeysymF1});
        held.setVirtKey(vkF1);
        held.setModifiers(modShift);
        held.setEnabled(true);
        QVERIFY(held.Enabled());
        QVERIFY(!held.Registered());
    }

    // A pressed combination names the entry by its position, also after
    // entries before it were removed (ids are not positions).
    void pressesReachTheEntry()
    {
        Setup s;
        s.manager.HotKeys().add();
        THotKeyItem &item = s.manager.HotKeys().add();
        item.setVirtKey(vkF1);
        item.setEnabled(true);
        int ownEvent = 0;
        item.OnHotKey = [&](HotKeyManager *sender) { ownEvent += sender == &s.manager; };
        QSignalSpy spy(&s.manager, &HotKeyManager::OnHotKeys);
        QVERIFY(s.backend.press(0, KeysymF1));
        QCOMPARE(ownEvent, 1);
        QCOMPARE(spy.count(), 1);
        QCOMPARE(spy.at(0).at(1).value<quint16>(), quint16(1));
        emit s.backend.activated(99); // no such entry
        QCOMPARE(spy.count(), 1);
    }

    // Without X11 (offscreen here) every registration is refused cleanly.
    void noHotkeysWithoutX11()
    {
        const auto backend = createHotKeyBackend();
        QWidget window;
        HotKeyManager manager(&window, backend.get());
        THotKeyItem &item = manager.HotKeys().add();
        item.setVirtKey(vkF1);
        item.setEnabled(true);
        QVERIFY(item.Enabled());
        QVERIFY(!item.Registered());
    }

    void destroyingReleases()
    {
        QWidget window;
        FakeHotKeyBackend backend;
        {
            HotKeyManager manager(&window, &backend);
            THotKeyItem &item = manager.HotKeys().add();
            item.setVirtKey(vkF1);
            item.setEnabled(true);
            QCOMPARE(backend.registered.size(), 1);
        }
        QVERIFY(backend.registered.isEmpty());
    }

    void commands_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<int>("expected");
        QTest::newRow("show") << u"Show Nudgewick"_s << int(cShow_Nudgewick);
        QTest::newRow("underscores") << u"Show_Nudgewick"_s << int(cShow_Nudgewick);
        QTest::newRow("disable") << u"Disable Popups"_s << int(cDisable_Popups);
        QTest::newRow("lower case add") << u"add task"_s << int(cAdd_Task);
        QTest::newRow("other") << u"Format Disk"_s << int(cNone);
        QTest::newRow("empty") << QString() << int(cNone);
        QTest::newRow("trailing blank") << u"Add Task "_s << int(cNone);
    }
    void commands()
    {
        QFETCH(QString, command);
        QFETCH(int, expected);
        QCOMPARE(int(hotKeyCommand(command)), expected);
    }

    void escaping_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("written");
        QTest::newRow("plain") << u"notepad.exe"_s << u"notepad.exe"_s;
        QTest::newRow("quotes") << u"\"C:\\a b\\x.exe\" -y"_s << u"[#34]C:\\a b\\x.exe[#34] -y"_s;
        QTest::newRow("line breaks keep quotes") << u"one \"1\"\r\ntwo"_s << u"one \"1\"#13#10two"_s;
        QTest::newRow("lone LF") << u"one\ntwo \"2\""_s << u"one#10two \"2\""_s;
        QTest::newRow("lone CR and a pair") << u"a\rb\r\nc\n"_s << u"a#13b#13#10c#10"_s;
    }
    void escaping()
    {
        QFETCH(QString, value);
        QFETCH(QString, written);
        QCOMPARE(escapeKeyValue(value), written);
        QCOMPARE(unescapeKeyValue(written), value);
    }

    // Every field written and read back, through a real file.
    void roundTrip()
    {
        {
            Setup s;
            s.manager.IniFileName = keysFile();
            THotKeyItem &a = s.manager.HotKeys().add();
            a.setVirtKey(vkOpenSquare);
            a.setModifiers(modControl | modWin);
            a.setEnabled(true);
            a.ExecuteConfirm = true;
            a.Description = u"  padded  "_s;
            a.Command = u"Add Task"_s;
            a.Parameter = u"-x \"quoted\""_s;
            a.StartIn = u"line one\r\nline \"two\""_s;
            a.Category = u"c"_s;
            a.UserName = u"u"_s;
            a.Password = u"secret"_s;
            a.UserNameBhvr = u"ub"_s;
            a.PasswordBHVR = u"pb"_s;
            a.WindowTitle = u"w"_s;
            a.WinState = wHidden;
            a.Multi = 2;
            a.MultiCommand = {u"one"_s, u"two"_s};
            a.MultiParameter = {u"\"p\""_s, QString()};
            THotKeyItem &b = s.manager.HotKeys().add();
            b.setVirtKey(vkPause);
            b.setModifiers(modWin);
            b.Command = u"Disable Popups"_s;
            s.manager.SaveToIni();
        }
        const QByteArray text = readFile(keysFile());
        QVERIFY(text.startsWith("[Control + Win + OpenSquare]\nVirtkey=107\nShift=0\nControl=1\nAlt=0\nWin=1\n"
                                "Enabled=1\nExecuteConfirm=1\nExecuteOnStartUp=0\n"));
        QVERIFY(text.contains("MultiCommand0=one\nMultiParameter0=[#34]p[#34]\n"));

        Setup s;
        s.manager.IniFileName = keysFile();
        s.manager.LoadFromIni();
        QCOMPARE(s.manager.HotKeys().count(), 2);
        const THotKeyItem &a = s.manager.HotKeys()[0];
        QCOMPARE(a.GetDisplayName(), u"Control + Win + ["_s);
        QVERIFY(a.Enabled());
        QVERIFY(a.Registered());
        QVERIFY(a.ExecuteConfirm);
        QVERIFY(!a.ExecuteOnStartUp);
        QCOMPARE(a.Description, u"  padded  "_s);
        QCOMPARE(a.Command, u"Add Task"_s);
        QCOMPARE(a.Parameter, u"-x \"quoted\""_s);
        QCOMPARE(a.StartIn, u"line one\r\nline \"two\""_s);
        QCOMPARE(QStringList({a.Category, a.UserName, a.Password, a.UserNameBhvr, a.PasswordBHVR, a.WindowTitle}),
                 QStringList({u"c"_s, u"u"_s, u"secret"_s, u"ub"_s, u"pb"_s, u"w"_s}));
        QCOMPARE(a.Tag, 1);
        QCOMPARE(a.WinState, wHidden);
        QCOMPARE(a.Multi, 2);
        QCOMPARE(a.MultiCommand, QStringList({u"one"_s, u"two"_s}));
        QCOMPARE(a.MultiParameter, QStringList({u"\"p\""_s, QString()}));
        QCOMPARE(a.MultiDescription, QStringList({QString(), QString()}));
        const THotKeyItem &b = s.manager.HotKeys()[1];
        QCOMPARE(b.GetDisplayName(), u"Win + Pause"_s);
        QVERIFY(!b.Enabled());
        QCOMPARE(b.Tag, 0);
    }

    // Files edited by hand.
    void handWritten_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("display");
        QTest::addColumn<bool>("registered");
        QTest::addColumn<int>("command");
        QTest::newRow("lower-case add task on F1")
            << QByteArray("[F1]\nVirtkey=76\nEnabled=1\nCommand=add task\n") << u"F1"_s << true << int(cAdd_Task);
        QTest::newRow("underscores") << QByteArray("[x]\nVirtkey=47\nControl=1\nEnabled=1\nCommand=Show_Nudgewick\n")
                                     << u"Control + N"_s << true << int(cShow_Nudgewick);
        QTest::newRow("no Virtkey") << QByteArray("[x]\nShift=1\nEnabled=1\nCommand=Disable Popups\n") << u"None"_s
                                    << false << int(cDisable_Popups);
        QTest::newRow("wake up") << QByteArray("[x]\nVirtkey=114\nEnabled=1\n") << u"WakeUp"_s << true << int(cNone);
        QTest::newRow("out of range") << QByteArray("[x]\nVirtkey=115\nAlt=1\nEnabled=1\n") << u"None"_s << false
                                      << int(cNone);
        QTest::newRow("hexadecimal, any case")
            << QByteArray("[X]\nVIRTKEY=0x3B\nwin=1\nenabled=1\n") << u"Win + Z"_s << true << int(cNone);
    }
    void handWritten()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, display);
        QFETCH(bool, registered);
        QFETCH(int, command);
        writeFile(keysFile(), file);
        Setup s;
        s.manager.IniFileName = keysFile();
        s.manager.LoadFromIni();
        QCOMPARE(s.manager.HotKeys().count(), 1);
        const THotKeyItem &item = s.manager.HotKeys()[0];
        QCOMPARE(item.GetDisplayName(), display);
        QCOMPARE(item.Registered(), registered);
        QCOMPARE(int(hotKeyCommand(item.Command)), command);
    }

    // A "Multi" count is bounded by the entries the section holds: a huge
    // one neither hangs the load nor fills memory.
    void corruptMultiCount_data()
    {
        QTest::addColumn<QByteArray>("multi");
        QTest::addColumn<int>("expected");
        QTest::newRow("two billion") << QByteArray("2000000000") << 2;
        QTest::newRow("one more than written") << QByteArray("3") << 2;
        QTest::newRow("fewer than written") << QByteArray("1") << 1;
        QTest::newRow("negative") << QByteArray("-5") << 0;
    }
    void corruptMultiCount()
    {
        QFETCH(QByteArray, multi);
        QFETCH(int, expected);
        writeFile(keysFile(), "[F1]\nVirtkey=76\nMulti=" + multi +
                                  "\nMultiCommand0=one\nmulticommand1=two\nMultiCommandX=junk\n"
                                  "MultiCommand5x=junk\nMulti7=junk\n");
        Setup s;
        s.manager.IniFileName = keysFile();
        s.manager.LoadFromIni();
        QCOMPARE(s.manager.HotKeys().count(), 1);
        const THotKeyItem &item = s.manager.HotKeys()[0];
        QCOMPARE(item.Multi, expected);
        QCOMPARE(item.MultiCommand, QStringList({u"one"_s, u"two"_s}).mid(0, expected));
    }

    // Two entries on the same key (one disabled) keep a section each, and
    // lone line breaks in escaped values survive the file.
    void sameKeyAndLoneBreaksSurvive()
    {
        {
            Setup s;
            s.manager.IniFileName = keysFile();
            for (const QString &command : {u"Add Task"_s, u"Quick Add"_s}) {
                THotKeyItem &item = s.manager.HotKeys().add();
                item.setVirtKey(vkPause);
                item.Command = command;
                item.Parameter = command + u"\nsecond line"_s;
            }
            s.manager.SaveToIni();
        }
        Setup s;
        s.manager.IniFileName = keysFile();
        s.manager.LoadFromIni();
        QCOMPARE(s.manager.HotKeys().count(), 2);
        QCOMPARE(s.manager.HotKeys()[0].Command, u"Add Task"_s);
        QCOMPARE(s.manager.HotKeys()[1].Command, u"Quick Add"_s);
        QCOMPARE(s.manager.HotKeys()[1].GetDisplayName(), u"Pause"_s);
        QCOMPARE(s.manager.HotKeys()[1].Parameter, u"Quick Add\nsecond line"_s);
    }

    void missingFileAndName()
    {
        Setup s;
        s.manager.IniFileName = keysFile();
        s.manager.LoadFromIni();
        QCOMPARE(s.manager.HotKeys().count(), 0);
        s.manager.IniFileName.clear();
        QVERIFY_THROWS_EXCEPTION(Error, s.manager.LoadFromIni());
        QVERIFY_THROWS_EXCEPTION(Error, s.manager.SaveToIni());
    }

    // The caption shows the progress and comes back; the file is the
    // owner's alone.
    void savingCaptionAndPermissions()
    {
        Setup s;
        s.window.setWindowTitle(u"Nudgewick 1.0"_s);
        s.manager.IniFileName = keysFile();
        s.manager.HotKeys().add().setVirtKey(vkA);
        s.manager.HotKeys().add().setVirtKey(vkB);
        QStringList captions;
        connect(&s.window, &QWidget::windowTitleChanged, this, [&](const QString &t) { captions << t; });
        s.manager.SaveToIni();
        QCOMPARE(captions, QStringList({u"Nudgewick 1.0 ~ saving 0%"_s, u"Nudgewick 1.0 ~ saving 50%"_s,
                                        u"Nudgewick 1.0"_s}));
        // Group and others get nothing (the user bits are the owner's).
        QCOMPARE(QFile::permissions(keysFile()) & 0x0FFF, QFileDevice::ReadUser | QFileDevice::WriteUser);
    }

    // Replacing the file keeps no section of the old one; a refused write
    // leaves the old file whole and the caption restored.
    void replaceAndRefusedWrite()
    {
        const QByteArray old = "[Old]\nVirtkey=1\n";
        writeFile(keysFile(), old);
        Setup s;
        s.window.setWindowTitle(u"Main"_s);
        s.manager.IniFileName = keysFile();
        s.manager.HotKeys().add().setVirtKey(vkA);
        {
            FileSizeLimit limit(10);
            QVERIFY_THROWS_EXCEPTION(Error, s.manager.SaveToIni(HotKeyManager::ReplaceFile));
        }
        QCOMPARE(readFile(keysFile()), old);
        QCOMPARE(s.window.windowTitle(), u"Main"_s);

        s.manager.SaveToIni(HotKeyManager::ReplaceFile);
        const ProfileFile file(keysFile());
        QCOMPARE(file.sections(), QStringList({u"A"_s}));
    }
};

QTEST_MAIN(TestHotKeyManager)
#include "tst_HotKeyManager.moc"
