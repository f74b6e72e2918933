// The settings dialog: what it shows, what acts at once, what OK writes and
// applies, what Cancel leaves alone, and the capture of hotkeys.

#include "support/FileContent.h"
#include "core/AppState.h"
#include "core/Clock.h"
#include "hotkeys/HotKeyManager.h"
#include "popup/MSNPopUp.h"
#include "settings/ProfileFile.h"
#include "settingsdialog/SettingsHost.h"
#include "settingsdialog/TfSettings.h"
#include "toolkit/FocusFrame.h"
#include "support/FakeHotKeyBackend.h"
#include "support/FileSizeLimit.h"
#include "support/TabWalk.h"
#include "sync/SecretStore.h"
#include "sync/SyncRunner.h"
#include "toolkit/ColorPickerButton.h"
#include "toolkit/ScriptedPrompter.h"
#include "toolkit/SpinEdit.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include <array>
#include <optional>

using namespace Qt::StringLiterals;

namespace {

// The main window's side, recording what the dialog asks of it.
class FakeHost final : public SettingsHost
{
public:
    QString soundFile = u"Alarm.wav"_s;
    int plays = 0;
    QStringList calls;
    int disableMinutes = 10;
    int intervalMinutes = 0;
    bool occurrenceDialog = false;
    QString notificationsUnavailable;

    QString alarmSoundFile() const override { return soundFile; }
    void setAlarmSoundFile(const QString &file) override { soundFile = file; }
    void playAlarmSound() override { ++plays; }
    void setStartWithSession(bool on, const QString &commandLine) override
    {
        calls << u"startWithSession %1 %2"_s.arg(on).arg(commandLine.section(u' ', -1));
    }
    void setMinimizeToTray(bool on) override { calls << u"minimizeToTray %1"_s.arg(on); }
    int disablePopupsMinutes() const override { return disableMinutes; }
    void setDisablePopupsMinutes(int minutes) override { disableMinutes = minutes; }
    int popupIntervalMinutes() const override { return intervalMinutes; }
    void setPopupIntervalMinutes(int minutes) override { intervalMinutes = minutes; }
    QString desktopNotificationsUnavailable() const override { return notificationsUnavailable; }
    QStringList categoryCaptions() const override { return {u"Home"_s, u"Work"_s}; }
    void saveSettings() override { calls << u"saveSettings"_s; }
    void applyDateDisplayFormat() override { calls << u"applyDateDisplayFormat"_s; }
    bool canEditOccurrenceDefaults(const QString &occurrence) const override
    {
        return occurrenceDialog && occurrence != u"Scheduled"_s;
    }
    bool editOccurrenceDefaults(const QString &occurrence) override
    {
        calls << u"occurrence "_s + occurrence;
        return true;
    }

    tasksync::SecretStore *secrets = nullptr;
    std::optional<tasksync::Account> syncAccount;
    std::optional<QString> syncPassword;
    tasksync::SecretStore *syncSecrets() override { return secrets; }
    void setSyncAccount(const tasksync::Account &account, const std::optional<QString> &password) override
    {
        syncAccount = account;
        syncPassword = password;
    }
};

} // namespace

class TestTfSettings : public QObject
{
    Q_OBJECT
private:
    QTemporaryDir m_dir;

    // One dialog over its own settings file, hotkey file and fakes.
    struct Setup
    {
        QString ini;
        QString keys;
        FixedClock clock{DateTime::fromQDateTime(QDateTime(QDate(2026, 12, 10), QTime(8, 5, 9)))};
        AppState state;
        ScriptedPrompter prompter;
        FakeHost host;
        TMSNPopUp popup;
        QWidget window;
        FakeHotKeyBackend backend;
        HotKeyManager manager{&window, &backend};
        std::unique_ptr<TfSettings> dialog;

        explicit Setup(const QTemporaryDir &dir)
            : ini(dir.filePath(u"Nudgewick.ini"_s)), keys(dir.filePath(u"Keys.Ini"_s))
        {
            manager.IniFileName = keys;
        }

        void open()
        {
            manager.LoadFromIni();
            dialog = std::make_unique<TfSettings>(state, popup, &manager, host, prompter, clock, ini);
            dialog->show();
            QApplication::setActiveWindow(dialog.get());
        }

        template <typename T>
        T *find(const char *name) const
        {
            T *widget = dialog->findChild<T *>(QLatin1String(name));
            if (!widget)
                qFatal("no widget %s", name);
            return widget;
        }
        QString value(const char *section, const char *key) const
        {
            return ProfileFile(ini).value(QLatin1String(section), QLatin1String(key), u"<none>"_s);
        }
    };

private slots:
    void init()
    {
        QFile::remove(m_dir.filePath(u"Nudgewick.ini"_s));
        QFile::remove(m_dir.filePath(u"Keys.Ini"_s));
    }

    // Every read-only field shows the keyboard focus with a frame of its
    // own, which is seen while the field has the focus.
    void readOnlyFieldsShowFocus()
    {
        Setup s(m_dir);
        s.open();
        QLineEdit *example = s.find<QLineEdit>("eShortExample");
        int readOnly = 0;
        for (QLineEdit *field : s.dialog->findChildren<QLineEdit *>()) {
            if (!field->isReadOnly())
                continue;
            ++readOnly;
            QVERIFY2(field->findChild<FocusFrame *>(), qPrintable(field->objectName()));
        }
        QVERIFY(readOnly >= 3);
        // The example sits on a page of its own: bring that page up first.
        for (QWidget *w = example; w; w = w->parentWidget())
            if (auto *tabs = qobject_cast<QTabWidget *>(w->parentWidget() ? w->parentWidget()->parentWidget() : nullptr))
                tabs->setCurrentWidget(w);
        example->setFocus();
        QTRY_VERIFY(example->findChild<FocusFrame *>()->isVisible());
    }

    // Opening and cancelling leaves the file, formats, popup and sound as
    // they were, also after the sound file was chosen anew; the close box
    // cancels the same way.
    void cancelChangesNothing_data()
    {
        QTest::addColumn<bool>("closeBox");
        QTest::newRow("Cancel") << false;
        QTest::newRow("close box") << true;
    }
    void cancelChangesNothing()
    {
        QFETCH(bool, closeBox);
        const QByteArray file = "[Notify]\nTimeOut=0\nWidth=200\n[Formats]\nShortTime=HH:mm\n";
        writeFile(m_dir.filePath(u"Nudgewick.ini"_s), file);
        Setup s(m_dir);
        s.state.Formats.shortTimeFormat = u"hh:mm"_s;
        const FormatSettings formats = s.state.Formats;
        const MSNPopUpProperties popup = s.popup.properties();
        s.open();
        s.dialog->setFileChooser([](QWidget *) { return u"/sounds/bell.wav"_s; });
        s.dialog->sbOpenFileClick();
        QCOMPARE(s.host.soundFile, u"/sounds/bell.wav"_s); // acts at once
        if (closeBox)
            s.dialog->close();
        else
            s.find<QPushButton>("bbCancel")->click();
        QCOMPARE(s.dialog->result(), int(QDialog::Rejected));
        QCOMPARE(s.host.soundFile, u"Alarm.wav"_s);
        QCOMPARE(readFile(s.ini), file);
        QVERIFY(!QFile::exists(s.keys));
        QCOMPARE(s.state.Formats.shortTimeFormat, formats.shortTimeFormat);
        QCOMPARE(s.state.Formats.longDateFormat, formats.longDateFormat);
        QCOMPARE(s.popup.width(), popup.width);
        QCOMPARE(s.popup.timeOut(), popup.timeOut);
        QVERIFY(s.host.calls.isEmpty());
    }

    // What the dialog shows for values in effect and in the file.
    void showsValuesInEffect()
    {
        writeFile(m_dir.filePath(u"Nudgewick.ini"_s),
                 "[Notify]\nTimeOut=0\nGradientColor1=255\n[Defaults]\nOccurrence=15\nSnoozeTime=10\nPriority=25\n"
                 "Category=Garden\nFrequency=3\nValidDays=_T_____\n");
        Setup s(m_dir);
        s.state.Formats.dateSeparator = u'-';
        s.state.Formats.shortDateFormat = u"dd-mm-yyyy"_s;
        s.state.Formats.shortTimeFormat = s.state.Formats.longTimeFormat = u"hh:mm:ss AM/PM"_s;
        s.state.AutoUpdate = true;
        s.open();
        QCOMPARE(s.find<QLineEdit>("eShortDateSeperator")->text(), u"-"_s);
        QCOMPARE(s.find<QLineEdit>("eShortDateFormat")->text(), u"dd-mm-yyyy"_s);
        QCOMPARE(s.find<QLineEdit>("eShortExample")->text(), u"10-12-2026"_s);
        QCOMPARE(s.state.Formats.shortDateFormat, u"dd-mm-yyyy"_s);
        QVERIFY(s.find<QRadioButton>("rbTimeAMPM")->isChecked());
        QCOMPARE(s.find<QLineEdit>("eTimeFormat")->text(), u"hh:mm:ss AM/PM"_s);
        QCOMPARE(s.find<QLineEdit>("eTimeExample")->text(), u"08:05:09 AM"_s);
        QCOMPARE(s.find<SpinEdit>("seTimeOut")->value(), 0);
        QCOMPARE(s.find<SpinEdit>("sePriority")->value(), 10);
        QCOMPARE(s.find<ColorPickerButton>("ColorPickerButton1")->color(), QColor(Qt::red));
        QCOMPARE(s.find<QComboBox>("cbOccurrence")->currentText(), u"Scheduled"_s);
        QCOMPARE(s.find<QComboBox>("cbSnoozeTime")->currentText(), u"5"_s);
        QCOMPARE(s.find<QComboBox>("cbCategory")->currentText(), u"Garden"_s);
        QCOMPARE(s.find<QComboBox>("cbCategory")->count(), 2);
        QCOMPARE(s.state.WorkingFrequency, 3);
        QCOMPARE(s.state.WorkingValidDays, u"_T_____"_s);
        QVERIFY(s.find<QCheckBox>("cbCheckforanewversion")->isChecked());
        QCOMPARE(s.find<SpinEdit>("seDisablePopups")->value(), 10);
        QCOMPARE(s.find<QTabWidget>("PageControl1")->currentIndex(), 0);
        QVERIFY(!s.find<QPushButton>("sbOccurrenceSettings")->isVisibleTo(s.dialog.get()));
        QVERIFY(s.host.calls.isEmpty()); // opening changes nothing
    }

    void okWritesAndApplies()
    {
        writeFile(m_dir.filePath(u"Nudgewick.ini"_s), "[Settings]\nExit Dialog=0\n[Notify]\nHeight=99\n");
        Setup s(m_dir);
        s.state.Formats.shortTimeFormat = s.state.Formats.longTimeFormat = u"hh:mm"_s;
        s.open();
        s.state.WorkingValidHours = u"08-17"_s; // as the occurrence settings would set it
        s.find<QCheckBox>("cbConfirmDialogonExit")->setChecked(true);
        s.find<QCheckBox>("cbShowSnoozeConfirmation")->setChecked(true);
        s.find<SpinEdit>("seWidth")->setValue(320);
        s.find<SpinEdit>("seScrollSpeed")->setValue(7);
        s.find<SpinEdit>("seDisablePopups")->setValue(45);
        s.find<SpinEdit>("sePopupInterval")->setValue(3);
        s.find<SpinEdit>("seDigestThreshold")->setValue(5);
        s.find<SpinEdit>("seSkipLateMinutes")->setValue(120);
        s.find<ColorPickerButton>("ColorPickerButton2")->setColor(QColor(0, 0x80, 0));
        s.find<QLineEdit>("eAlarmFile")->setText(u"chime.wav"_s);
        s.find<QComboBox>("cbCategory")->setEditText(u"New one"_s);
        s.find<QComboBox>("cbOccurrence")->setCurrentIndex(12);
        s.find<QComboBox>("cbSnoozeTime")->setCurrentIndex(9);
        s.find<QPushButton>("bbOK")->click();

        QCOMPARE(s.dialog->result(), int(QDialog::Accepted));
        QVERIFY(s.prompter.shown.isEmpty());
        // The running program.
        QCOMPARE(s.popup.width(), 320);
        QCOMPARE(s.popup.scrollSpeed(), 7);
        QCOMPARE(s.popup.height(), 99);
        QCOMPARE(s.popup.gradientColor2(), QColor(0, 0x80, 0));
        QCOMPARE(s.host.soundFile, u"chime.wav"_s);
        QCOMPARE(s.host.disableMinutes, 45);
        QCOMPARE(s.host.intervalMinutes, 3);
        QVERIFY(s.state.ExitDialog);
        QVERIFY(s.state.SnoozeConfirm);
        QCOMPARE(s.state.DigestThreshold, 5);
        QCOMPARE(s.state.SkipLateMinutes, 120);
        QCOMPARE(s.host.calls, QStringList({u"saveSettings"_s, u"applyDateDisplayFormat"_s}));
        // The file, each section in the order of its table.
        const ProfileFile file(s.ini);
        QCOMPARE(file.keys(u"Notify"_s),
                 QStringList({u"Height"_s, u"GradientColor1"_s, u"GradientColor2"_s, u"ScrollSpeed"_s, u"TimeOut"_s,
                              u"Width"_s, u"Start Position"_s, u"AlarmFile"_s, u"DisablePopups"_s,
                              u"PopupInterval"_s, u"DesktopNotifications"_s, u"Digest Threshold"_s,
                              u"Skip Late Minutes"_s}));
        QCOMPARE(s.value("Notify", "Skip Late Minutes"), u"120"_s);
        QCOMPARE(s.value("Notify", "GradientColor2"), u"32768"_s);
        QCOMPARE(s.value("Notify", "TimeOut"), u"0"_s); // until clicked, as stored
        QCOMPARE(s.value("Notify", "DisablePopups"), u"45"_s);
        QCOMPARE(file.keys(u"Formats"_s), QStringList({u"DateSeperator"_s, u"ShortDate"_s, u"LongDate"_s,
                                                        u"ShortTime"_s, u"LongTime"_s}));
        QCOMPARE(s.value("Formats", "ShortTime"), u"hh:mm"_s);
        // No valid days were chosen, so none are written: new tasks keep
        // their kind's default days.
        QCOMPARE(file.keys(u"Defaults"_s),
                 QStringList({u"Category"_s, u"Priority"_s, u"Occurrence"_s, u"Frequency"_s, u"ValidHours"_s,
                              u"SnoozeTime"_s, u"ApplyOccurrence"_s, u"QuickAddDatesAfterAt"_s}));
        QCOMPARE(s.value("Defaults", "Category"), u"New one"_s);
        QCOMPARE(s.value("Defaults", "Occurrence"), u"12"_s);
        QCOMPARE(s.value("Defaults", "SnoozeTime"), u"9"_s);
        QCOMPARE(s.value("Defaults", "ValidHours"), u"08-17"_s);
        QCOMPARE(s.value("Settings", "Exit Dialog"), u"0"_s); // the main window's own save writes it
    }

    // "Use desktop notifications" shows the choice in effect, says why it
    // has no effect when it has none, and OK stores and applies it.
    void desktopNotifications_data()
    {
        QTest::addColumn<bool>("on");
        QTest::addColumn<QString>("unavailable");
        QTest::newRow("on, no service") << true << u"No desktop notification service answers."_s;
        QTest::newRow("off, service ready") << false << QString();
    }
    void desktopNotifications()
    {
        QFETCH(bool, on);
        QFETCH(QString, unavailable);
        Setup s(m_dir);
        s.state.UseDesktopNotifications = on;
        s.host.notificationsUnavailable = unavailable;
        s.open();
        auto *box = s.find<QCheckBox>("cbUseDesktopNotifications");
        QCOMPARE(box->isChecked(), on);
        QCOMPARE(box->text().remove(u'&'), u"Use desktop notifications"_s);
        const auto *why = s.find<QLabel>("lDesktopNotificationsState");
        QCOMPARE(why->isHidden(), unavailable.isEmpty());
        QCOMPARE(why->text(), unavailable);

        box->setChecked(!on);
        s.find<QPushButton>("bbOK")->click();
        QCOMPARE(s.state.UseDesktopNotifications, !on);
        QCOMPARE(s.value("Notify", "DesktopNotifications"), on ? u"0"_s : u"1"_s);
    }

    // A number typed beyond a field's range is moved into it, however OK
    // is pressed; nothing out of range is stored.
    void spinFieldsStayInRange_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("enter");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("stored");
        QTest::newRow("priority, Enter") << u"sePriority"_s << u"25"_s << true << u"Defaults/Priority"_s << u"10"_s;
        QTest::newRow("priority, mouse") << u"sePriority"_s << u"25"_s << false << u"Defaults/Priority"_s << u"10"_s;
        QTest::newRow("priority, zero") << u"sePriority"_s << u"0"_s << true << u"Defaults/Priority"_s << u"1"_s;
        QTest::newRow("disable popups, Enter")
            << u"seDisablePopups"_s << u"5000"_s << true << u"Notify/DisablePopups"_s << u"1000"_s;
        QTest::newRow("time out, Enter") << u"seTimeOut"_s << u"-3"_s << true << u"Notify/TimeOut"_s << u"0"_s;
        QTest::newRow("time out, over") << u"seTimeOut"_s << u"61"_s << true << u"Notify/TimeOut"_s << u"60"_s;
        QTest::newRow("interval, cleared") << u"sePopupInterval"_s << QString() << true << u"Notify/PopupInterval"_s
                                           << u"0"_s;
        QTest::newRow("width is not bounded") << u"seWidth"_s << u"5000"_s << true << u"Notify/Width"_s << u"5000"_s;
    }
    void spinFieldsStayInRange()
    {
        QFETCH(QString, field);
        QFETCH(QString, typed);
        QFETCH(bool, enter);
        QFETCH(QString, key);
        QFETCH(QString, stored);
        Setup s(m_dir);
        s.open();
        auto *spin = s.dialog->findChild<SpinEdit *>(field);
        s.find<QTabWidget>("PageControl1")->setCurrentWidget(spin->parentWidget());
        spin->setFocus();
        spin->selectAll();
        QTest::keyClick(spin, Qt::Key_Delete);
        QTest::keyClicks(spin, typed);
        if (enter)
            QTest::keyClick(spin, Qt::Key_Return);
        else
            QTest::mouseClick(s.find<QPushButton>("bbOK"), Qt::LeftButton);
        QCOMPARE(s.dialog->result(), int(QDialog::Accepted));
        QCOMPARE(s.value(key.section(u'/', 0, 0).toLatin1(), key.section(u'/', 1).toLatin1()), stored);
        if (field == u"seDisablePopups"_s)
            QCOMPARE(s.host.disableMinutes, 1000);
    }

    // OK changes nothing the user did not touch: a file with every value
    // the dialog shows at or beyond its field's bounds reads back the same.
    void okKeepsUntouchedValues()
    {
        const QList<std::array<const char *, 3>> keys = {
            {"Notify", "ScrollSpeed", "50"},       {"Notify", "TimeOut", "0"},
            {"Notify", "Width", "-1"},             {"Notify", "Height", "0"},
            {"Notify", "Start Position", "-40"},   {"Notify", "DisablePopups", "0"},
            {"Notify", "PopupInterval", "61"},     {"Notify", "Digest Threshold", "100"},
            {"Notify", "Skip Late Minutes", "0"},  {"Defaults", "Priority", "0"},
            {"Defaults", "Occurrence", "14"},      {"Defaults", "Frequency", "0"},
            {"Defaults", "SnoozeTime", "9"},       {"Defaults", "ValidDays", "_______"},
            {"Defaults", "ValidHours", "00-23"},
        };
        QByteArray file;
        for (const char *section : {"Notify", "Defaults"}) {
            file += "[" + QByteArray(section) + "]\n";
            for (const auto &key : keys)
                if (qstrcmp(key[0], section) == 0)
                    file += QByteArray(key[1]) + '=' + key[2] + '\n';
        }
        writeFile(m_dir.filePath(u"Nudgewick.ini"_s), file);
        Setup s(m_dir);
        s.host.disableMinutes = 0;
        s.host.intervalMinutes = 61;
        s.state.DigestThreshold = 100;
        s.state.SkipLateMinutes = 0;
        s.open();
        QCOMPARE(s.find<SpinEdit>("seTimeOut")->text(), u"Until clicked"_s);
        s.find<QPushButton>("bbOK")->click();
        QCOMPARE(s.dialog->result(), int(QDialog::Accepted));
        for (const auto &key : keys)
            QVERIFY2(s.value(key[0], key[1]) == QLatin1String(key[2]), key[1]);
        QCOMPARE(s.popup.timeOut(), 0);
        QCOMPARE(s.host.disableMinutes, 0);
        QCOMPARE(s.host.intervalMinutes, 61);
        QCOMPARE(s.state.DigestThreshold, 100);
    }

    // A refused write of the settings file is reported, loses nothing, and
    // leaves the timers, hotkeys and flags as they were.
    void refusedSettingsWrite()
    {
        const QByteArray old = "[Notify]\nWidth=200\n";
        writeFile(m_dir.filePath(u"Nudgewick.ini"_s), old);
        Setup s(m_dir);
        s.open();
        s.find<QCheckBox>("cbConfirmDialogonExit")->setChecked(true);
        s.find<SpinEdit>("seDisablePopups")->setValue(20);
        s.find<QCheckBox>("cbHotKeyShowNudgewick")->setChecked(true);
        s.find<SpinEdit>("seWidth")->setValue(300);
        {
            FileSizeLimit limit(8);
            s.find<QPushButton>("bbOK")->click();
        }
        QCOMPARE(s.prompter.shown, QStringList({u"message: There was a problem saving in the Settings screen!"_s}));
        QCOMPARE(readFile(s.ini), old);
        QVERIFY(!QFile::exists(s.keys));
        QVERIFY(!s.state.ExitDialog);
        QCOMPARE(s.host.disableMinutes, 10);
        QVERIFY(s.backend.registered.isEmpty());
        // The popup is applied all the same, and the main window still saves.
        QCOMPARE(s.popup.width(), 300);
        QCOMPARE(s.host.calls, QStringList({u"saveSettings"_s, u"applyDateDisplayFormat"_s}));
        QCOMPARE(s.dialog->result(), int(QDialog::Accepted));
    }

    // A refused write of the hotkey file keeps the old file whole; the new
    // hotkeys are in effect already.
    void refusedKeyFileWrite()
    {
        const QByteArray old = "[Win + 2]\nVirtkey=26\nWin=1\nEnabled=0\nCommand=Show Nudgewick\n";
        writeFile(m_dir.filePath(u"Keys.Ini"_s), old);
        Setup s(m_dir);
        s.open();
        s.manager.IniFileName = m_dir.filePath(u"missing-folder/Keys.Ini"_s);
        s.find<QCheckBox>("cbHotKeyShowNudgewick")->setChecked(true);
        s.find<QCheckBox>("cbConfirmDialogonExit")->setChecked(true);
        s.find<QPushButton>("bbOK")->click();
        QCOMPARE(s.prompter.shown, QStringList({u"message: There was a problem saving in the Settings screen!"_s}));
        QCOMPARE(readFile(s.keys), old);
        QCOMPARE(s.backend.registered.size(), 1);
        QVERIFY(!s.state.ExitDialog);
    }

    void timeFormatRadioButtons()
    {
        Setup s(m_dir);
        s.state.Formats.shortTimeFormat = s.state.Formats.longTimeFormat = u"hh:mm"_s;
        s.open();
        auto *field = s.find<QLineEdit>("eTimeFormat");
        field->setText(u"HH:mm"_s);
        s.find<QRadioButton>("rbTimeAMPM")->click();
        QCOMPARE(field->text(), u"hh:mm AM/PM"_s);
        QCOMPARE(s.state.Formats.shortTimeFormat, u"hh:mm AM/PM"_s);
        QCOMPARE(s.state.Formats.longTimeFormat, u"hh:mm AM/PM"_s);
        QCOMPARE(s.find<QLineEdit>("eTimeExample")->text(), u"08:05 AM"_s);
        s.find<QRadioButton>("rbTime24Hour")->click();
        QCOMPARE(field->text(), u"HH:mm"_s);
        QCOMPARE(s.state.Formats.longTimeFormat, u"HH:mm"_s);
        // A blank time field is ignored.
        field->setText(u"  "_s);
        QCOMPARE(s.state.Formats.longTimeFormat, u"HH:mm"_s);
        QVERIFY(s.host.calls.contains(u"applyDateDisplayFormat"_s)); // the grid follows at once
    }

    void dateSeparatorFields()
    {
        Setup s(m_dir);
        s.open();
        auto *shortSeparator = s.find<QLineEdit>("eShortDateSeperator");
        shortSeparator->clear();
        QCOMPARE(s.state.Formats.dateSeparator, u'/');
        s.find<QLineEdit>("eLongDateSeperator")->setText(u"."_s);
        QCOMPARE(s.state.Formats.dateSeparator, u'.');
        s.find<QLineEdit>("eLongDateFormat")->setText(u" d/m/yy "_s);
        QCOMPARE(s.state.Formats.longDateFormat, u"d/m/yy"_s);
        QCOMPARE(s.find<QLineEdit>("eLongExample")->text(), u"10.12.26"_s);
        QCOMPARE(shortSeparator->text(), QString()); // the other page keeps what it showed
        // The date pages open on "Short Date".
        s.find<QTabWidget>("pcDateTimeFormats")->setCurrentIndex(2);
        s.find<QTabWidget>("PageControl1")->setCurrentIndex(3);
        QCOMPARE(s.find<QTabWidget>("pcDateTimeFormats")->currentIndex(), 0);
    }

    // The switches that act at once, which Cancel does not undo.
    void switchesActAtOnce()
    {
        Setup s(m_dir);
        s.open();
        s.find<QCheckBox>("cbCheckforanewversion")->click();
        s.find<QCheckBox>("cbAddNudgewickToWindowsStartup")->click();
        s.find<QCheckBox>("cbMinimizetoSystemTray")->click();
        s.find<QCheckBox>("cbApplyOccurrence")->click();
        s.find<QCheckBox>("cbConfirmDialogonExit")->click();
        s.find<QPushButton>("bbCancel")->click();
        QVERIFY(s.state.UpdateCheckPending);
        QVERIFY(s.state.AutoCloseOnApply);
        QVERIFY(!s.state.AutoUpdate);
        QVERIFY(!s.state.ExitDialog);
        QCOMPARE(s.host.calls, QStringList({u"startWithSession 1 Startup"_s, u"minimizeToTray 1"_s}));
    }

    void preview()
    {
        Setup s(m_dir);
        s.open();
        s.find<SpinEdit>("seWidth")->setValue(180);
        s.find<QPushButton>("sbPreview")->click();
        TMSNPopUp *preview = s.dialog->previewPopup();
        QCOMPARE(preview->openCount(), 1);
        QCOMPARE(preview->title(), u"Nudgewick 08:05"_s);
        QCOMPARE(preview->text(), u"You are prompted with a task!"_s);
        QCOMPARE(preview->width(), 180);
        QCOMPARE(s.popup.width(), MSNPopUpProperties().width); // not the main window's
        QCOMPARE(s.host.plays, 1);
        s.find<QLineEdit>("eAlarmFile")->clear();
        s.find<QPushButton>("sbPreview")->click();
        QCOMPARE(s.host.plays, 1); // a blank sound field plays nothing
        s.find<QToolButton>("sbPlay")->click();
        QCOMPARE(s.host.plays, 2);
    }

    void occurrenceSettingsButton()
    {
        Setup s(m_dir);
        s.host.occurrenceDialog = true;
        s.open();
        auto *button = s.find<QPushButton>("sbOccurrenceSettings");
        s.find<QTabWidget>("PageControl1")->setCurrentIndex(1);
        auto *occurrence = s.find<QComboBox>("cbOccurrence");
        occurrence->setCurrentIndex(0);
        QVERIFY(!button->isVisibleTo(s.dialog.get())); // the button follows the kind
        occurrence->setCurrentIndex(12);
        QVERIFY(button->isVisibleTo(s.dialog.get()));
        button->click();
        QCOMPARE(s.host.calls, QStringList({u"occurrence MonthDay"_s}));
    }

    void capture_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<QString>("text");
        QTest::newRow("control alt left") << int(Qt::Key_Left) << int(Qt::ControlModifier | Qt::AltModifier)
                                          << u"Control + Alt + Left"_s;
        QTest::newRow("control alone") << int(Qt::Key_Control) << int(Qt::ControlModifier) << u"Control + "_s;
        QTest::newRow("shift apostrophe") << int(Qt::Key_QuoteDbl) << int(Qt::ShiftModifier) << u"Shift + '"_s;
        QTest::newRow("apostrophe") << int(Qt::Key_Apostrophe) << 0 << u"'"_s;
        QTest::newRow("win F5") << int(Qt::Key_F5) << int(Qt::MetaModifier) << u"Super + F5"_s;
        QTest::newRow("keypad 7") << int(Qt::Key_7) << int(Qt::KeypadModifier) << u"Numpad7"_s;
        QTest::newRow("control enter") << int(Qt::Key_Return) << int(Qt::ControlModifier) << u"Control + Enter"_s;
        QTest::newRow("all four") << int(Qt::Key_K)
                                  << int(Qt::MetaModifier | Qt::AltModifier | Qt::ControlModifier | Qt::ShiftModifier)
                                  << u"Shift + Control + Alt + Super + K"_s;
        QTest::newRow("alt O stays in the field") << int(Qt::Key_O) << int(Qt::AltModifier) << u"Alt + O"_s;
    }
    void capture()
    {
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(QString, text);
        Setup s(m_dir);
        s.open();
        s.find<QTabWidget>("PageControl1")->setCurrentIndex(4);
        auto *field = s.find<QLineEdit>("eHotkeyDisablePopups");
        field->setFocus();
        QTRY_VERIFY(field->hasFocus());
        QCOMPARE(field->palette().color(QPalette::Text), QColor(Qt::red));
        QTest::keyClick(field, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
        QCOMPARE(field->text(), text);
        QVERIFY(s.dialog->isVisible());
        QCOMPARE(s.find<QLineEdit>("eHotKeyShowNudgewick")->text(), u"Super + 2"_s);
    }

    // Tab moves on and Esc cancels; they are not captured.
    void keysTheDialogKeeps()
    {
        Setup s(m_dir);
        s.open();
        s.find<QTabWidget>("PageControl1")->setCurrentIndex(4);
        auto *field = s.find<QLineEdit>("eHotKeyShowNudgewick");
        field->setFocus();
        QTRY_VERIFY(field->hasFocus());
        QTest::keyClick(field, Qt::Key_Tab);
        QCOMPARE(field->text(), u"Super + 2"_s);
        QVERIFY(!field->hasFocus());
        QCOMPARE(field->palette().color(QPalette::Text), QColor(Qt::black));
        field->setFocus();
        QTest::keyClick(field, Qt::Key_Escape);
        QCOMPARE(field->text(), u"Super + 2"_s);
        QCOMPARE(s.dialog->result(), int(QDialog::Rejected));
        QVERIFY(!s.dialog->isVisible());
    }

    // Without a key file the design texts show; OK writes both, disabled.
    void hotkeysWithoutKeyFile()
    {
        Setup s(m_dir);
        s.open();
        QVERIFY(!s.find<QCheckBox>("cbHotKeyShowNudgewick")->isChecked());
        s.find<QPushButton>("bbOK")->click();
        const ProfileFile keys(s.keys);
        QCOMPARE(keys.sections(), QStringList({u"Win + 2"_s, u"Win + Pause"_s}));
        QCOMPARE(keys.value(u"Win + Pause"_s, u"Enabled"_s), u"0"_s);
        QCOMPARE(keys.value(u"Win + Pause"_s, u"Command"_s), u"Disable Popups"_s);
        QCOMPARE(keys.value(u"Win + 2"_s, u"Virtkey"_s), u"26"_s);
        QVERIFY(s.backend.registered.isEmpty());
    }

    // The fields follow the order of the file's sections, not the commands;
    // OK replaces the whole file.
    void hotkeysFromFile()
    {
        writeFile(m_dir.filePath(u"Keys.Ini"_s),
                 "[Control + Alt + D]\nVirtkey=37\nControl=1\nAlt=1\nEnabled=1\nCommand=Disable Popups\n"
                 "[Hand made]\nVirtkey=76\nEnabled=1\nCommand=Add Task\n[Third]\nVirtkey=77\n");
        Setup s(m_dir);
        s.open();
        QCOMPARE(s.find<QLineEdit>("eHotKeyShowNudgewick")->text(), u"Control + Alt + D"_s);
        QVERIFY(s.find<QCheckBox>("cbHotKeyShowNudgewick")->isChecked());
        QCOMPARE(s.find<QLineEdit>("eHotkeyDisablePopups")->text(), u"F1"_s);
        // Control alone is stored as no key, never registered.
        auto *field = s.find<QLineEdit>("eHotkeyDisablePopups");
        field->setFocus();
        QTest::keyClick(field, Qt::Key_Control, Qt::ControlModifier);
        s.find<QPushButton>("bbOK")->click();
        const ProfileFile keys(s.keys);
        QCOMPARE(keys.sections(), QStringList({u"Control + Alt + D"_s, u"None"_s}));
        QCOMPARE(keys.value(u"None"_s, u"Control"_s), u"0"_s);
        QCOMPARE(keys.value(u"Control + Alt + D"_s, u"Command"_s), u"Show Nudgewick"_s);
        QCOMPARE(s.backend.registered.size(), 1); // the old ones are released
        QCOMPARE(s.manager.HotKeys().count(), 2);
        QVERIFY(s.manager.HotKeys()[0].Registered());
    }

    // The Quick Add field shows the entry of that command wherever it stands
    // in the file; OK keeps it after the other two.
    void quickAddHotkey()
    {
        writeFile(m_dir.filePath(u"Keys.Ini"_s),
                 "[Win + 2]\nVirtkey=26\nWin=1\nCommand=Show Nudgewick\n"
                 "[Win + Pause]\nVirtkey=6\nWin=1\nCommand=Disable Popups\n"
                 "[Shift + Control + Q]\nVirtkey=50\nShift=1\nControl=1\nEnabled=1\nCommand=quick_add\n");
        Setup s(m_dir);
        s.open();
        QCOMPARE(s.find<QLineEdit>("eHotkeyQuickAdd")->text(), u"Shift + Control + Q"_s);
        QVERIFY(s.find<QCheckBox>("cbHotkeyQuickAdd")->isChecked());
        s.find<QPushButton>("bbOK")->click();
        const ProfileFile keys(s.keys);
        QCOMPARE(keys.sections().last(), u"Shift + Control + Q"_s);
        QCOMPARE(keys.value(u"Shift + Control + Q"_s, u"Command"_s), u"Quick Add"_s);
        QCOMPARE(hotKeyCommand(s.manager.HotKeys()[2].Command), cQuick_Add);
        QVERIFY(s.manager.HotKeys()[2].Registered());
    }

    // A combination that cannot be registered is shown as not available,
    // when the dialog opens and after OK.
    void unavailableHotkeys()
    {
        writeFile(m_dir.filePath(u"Keys.Ini"_s), "[Win + 2]\nVirtkey=26\nWin=1\nEnabled=1\nCommand=Show Nudgewick\n");
        Setup s(m_dir);
        s.backend.heldElsewhere.append({HotKeyBackend::Super, 0x32});
        s.open();
        QVERIFY(!s.find<QLabel>("lShowNudgewickState")->text().isEmpty());
        QVERIFY(s.find<QLabel>("lDisablePopupsState")->text().isEmpty());
        // The same combination in both fields: only the first registers.
        s.find<QLineEdit>("eHotKeyShowNudgewick")->setText(u"Super + 3"_s);
        s.find<QLineEdit>("eHotkeyDisablePopups")->setText(u"Super + 3"_s);
        s.find<QCheckBox>("cbHotkeyDisablePopups")->setChecked(true);
        s.find<QPushButton>("bbOK")->click();
        QVERIFY(s.manager.HotKeys()[0].Registered());
        QVERIFY(!s.manager.HotKeys()[1].Registered());
        QCOMPARE(s.prompter.shown.size(), 1);
        QVERIFY(s.prompter.shown.at(0).startsWith(u"exclamation: "_s));
        QVERIFY(s.prompter.shown.at(0).endsWith(u"\nWin + 3"_s));
        // Each entry keeps a section of its own, so both come back.
        const ProfileFile keys(s.keys);
        QCOMPARE(keys.sections(), QStringList({u"Win + 3"_s, u"Win + 3 (2)"_s}));
        QCOMPARE(hotKeyCommand(keys.value(u"Win + 3"_s, u"Command"_s)), cShow_Nudgewick);
        QCOMPARE(hotKeyCommand(keys.value(u"Win + 3 (2)"_s, u"Command"_s)), cDisable_Popups);
    }

    // The Sync page shows the account of the settings file and the stored
    // password (and where it is kept); OK writes the account into [Sync],
    // never the password, and hands account and password to the program.
    void syncPageSavesAndLoads()
    {
        writeFile(m_dir.filePath(u"Nudgewick.ini"_s),
                  "[Sync]\nAddress=https://dav.example.org/\nUser=ann\nInterval=30\n");
        Setup s(m_dir);
        tasksync::SecretStore store(m_dir.path());
        writeFile(store.filePath(), "old secret");
        s.host.secrets = &store;
        s.open();
        QCOMPARE(s.find<QLineEdit>("eSyncAddress")->text(), u"https://dav.example.org/"_s);
        QCOMPARE(s.find<QLineEdit>("eSyncUser")->text(), u"ann"_s);
        QCOMPARE(s.find<SpinEdit>("seSyncInterval")->value(), 30);
        auto *password = s.find<QLineEdit>("eSyncPassword");
        QCOMPARE(password->echoMode(), QLineEdit::Password);
        QTRY_COMPARE(password->text(), u"old secret"_s);
        // No secret service in the tests: the page says where the file is.
        const QString place = s.find<QLabel>("lSyncPasswordPlace")->text();
        QVERIFY2(place.contains(u"No secret service"_s) && place.contains(store.filePath()), qPrintable(place));

        s.find<QLineEdit>("eSyncAddress")->setText(u"https://tasks.example.org/ann/todo/"_s);
        s.find<QLineEdit>("eSyncUser")->setText(u"bob"_s);
        s.find<SpinEdit>("seSyncInterval")->setValue(0);
        password->selectAll();
        QTest::keyClicks(password, u"new secret"_s);
        s.find<QPushButton>("bbOK")->click();
        QCOMPARE(s.dialog->result(), int(QDialog::Accepted));

        const ProfileFile file(s.ini);
        QCOMPARE(file.value(u"Sync"_s, u"Address"_s), u"https://tasks.example.org/ann/todo/"_s);
        QCOMPARE(file.value(u"Sync"_s, u"User"_s), u"bob"_s);
        QCOMPARE(file.value(u"Sync"_s, u"Interval"_s), u"0"_s);
        QVERIFY(!readFile(s.ini).contains("secret"));
        QVERIFY(s.host.syncAccount.has_value());
        QCOMPARE(s.host.syncAccount->address, QUrl(u"https://tasks.example.org/ann/todo/"_s));
        QCOMPARE(s.host.syncAccount->user, u"bob"_s);
        QCOMPARE(s.host.syncAccount->intervalMinutes, 0);
        QCOMPARE(s.host.syncPassword, std::optional<QString>(u"new secret"_s));
    }

    // A password field the user did not touch is no new password, and what
    // the user types before the store answers is not overwritten by it.
    void syncPasswordUntouchedOrTypedFirst()
    {
        Setup s(m_dir);
        tasksync::SecretStore store(m_dir.path());
        writeFile(store.filePath(), "stored");
        s.host.secrets = &store;
        s.open();
        auto *password = s.find<QLineEdit>("eSyncPassword");
        QTest::keyClicks(password, u"typed"_s);
        QTRY_VERIFY(!s.find<QLabel>("lSyncPasswordPlace")->text().contains(u"Looking"_s));
        QCOMPARE(password->text(), u"typed"_s);
        s.find<QPushButton>("bbOK")->click();
        QCOMPARE(s.host.syncPassword, std::optional<QString>(u"typed"_s));

        Setup again(m_dir);
        again.host.secrets = &store;
        again.open();
        QTRY_COMPARE(again.find<QLineEdit>("eSyncPassword")->text(), u"stored"_s);
        again.find<QPushButton>("bbOK")->click();
        QVERIFY(again.host.syncAccount.has_value());
        QVERIFY(!again.host.syncPassword.has_value());
    }

    // What OK makes of the typed address: a blank one turns sync off, one
    // that is not http(s) (or carries a password) is refused in words and
    // keeps the dialog open with nothing saved, plain http to another
    // machine is taken with a warning.
    void syncAddress_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<bool>("configured");
        QTest::addColumn<QString>("said");
        QTest::newRow("blank") << u""_s << true << false << u"this computer only"_s;
        QTest::newRow("https") << u"https://dav.example.org/"_s << true << true << QString();
        QTest::newRow("http to this machine") << u"http://127.0.0.1:5232/ann/"_s << true << true << QString();
        QTest::newRow("http to another machine") << u"http://nas.home/dav/"_s << true << true << u"unencrypted"_s;
        QTest::newRow("not http") << u"webcal://example.org/tasks"_s << false << false << u"https://"_s;
        QTest::newRow("no scheme") << u"dav.example.org"_s << false << false << u"https://"_s;
        QTest::newRow("password in it") << u"https://ann:pw@example.org/"_s << false << false << u"plain text"_s;
    }
    void syncAddress()
    {
        QFETCH(QString, address);
        QFETCH(bool, accepted);
        QFETCH(bool, configured);
        QFETCH(QString, said);
        Setup s(m_dir);
        s.open();
        s.find<QLineEdit>("eSyncAddress")->setText(address);
        const QString label = s.find<QLabel>("lSyncAddressState")->text();
        QVERIFY2(label.contains(said), qPrintable(label));
        s.find<QPushButton>("bbOK")->click();
        if (accepted) {
            QCOMPARE(s.dialog->result(), int(QDialog::Accepted));
            QVERIFY(s.prompter.shown.isEmpty());
            QVERIFY(s.host.syncAccount.has_value());
            QCOMPARE(s.host.syncAccount->configured(), configured);
            QCOMPARE(ProfileFile(s.ini).value(u"Sync"_s, u"Address"_s), address);
        } else {
            QVERIFY(s.dialog->isVisible());
            QCOMPARE(s.prompter.shown.size(), 1);
            QVERIFY2(s.prompter.shown.at(0).startsWith(u"message: "_s) && s.prompter.shown.at(0).contains(said),
                     qPrintable(s.prompter.shown.at(0)));
            QCOMPARE(s.find<QTabWidget>("PageControl1")->currentWidget()->objectName(), u"tsSync"_s);
            QVERIFY(!QFile::exists(s.ini));
            QVERIFY(!s.host.syncAccount.has_value());
            QVERIFY(s.host.calls.isEmpty());
        }
    }

    // Opened on the Sync page, Tab alone reaches each of its controls.
    void syncPageByKeyboard()
    {
        Setup s(m_dir);
        tasksync::SecretStore store(m_dir.path());
        s.host.secrets = &store;
        s.manager.LoadFromIni();
        s.dialog = std::make_unique<TfSettings>(s.state, s.popup, &s.manager, s.host, s.prompter, s.clock, s.ini);
        s.dialog->setStartPage(u"tsSync"_s);
        s.dialog->show();
        QApplication::setActiveWindow(s.dialog.get());
        QVERIFY(QTest::qWaitForWindowActive(s.dialog.get()));
        QCOMPARE(s.find<QTabWidget>("PageControl1")->currentWidget()->objectName(), u"tsSync"_s);
        s.find<QLineEdit>("eSyncAddress")->setFocus();
        const QSet<QWidget *> reached = TabWalk::walk(s.dialog.get());
        QVERIFY(TabWalk::controls(s.dialog.get()).size() >= 6);
        const QStringList missed = TabWalk::missed(s.dialog.get(), reached);
        QVERIFY2(missed.isEmpty(), qPrintable(missed.join(u", "_s)));
    }
};

QTEST_MAIN(TestTfSettings)
#include "tst_TfSettings.moc"
