// The main window's hotkeys and its Settings command.

#include "support/FakeHotKeyBackend.h"
#include "support/MainWindowFixture.h"

#include "app/AppTrayIcon.h"
#include "hotkeys/HotKeyManager.h"
#include "popup/MSNPopUp.h"
#include "settingsdialog/TfSettings.h"
#include "views/TaskGridModel.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QSpinBox>
#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {
constexpr quint32 KeysymF1 = 0xffbe;
constexpr quint32 KeysymF2 = 0xffbf;
constexpr quint32 KeysymF3 = 0xffc0;
constexpr quint32 KeysymF4 = 0xffc1;
}

class TestMainWindowHotkeys : public QObject
{
    Q_OBJECT
private:
    // Answers the settings dialog once it is open.
    template <typename Answer>
    void whenSettingsOpen(Answer answer)
    {
        QTimer::singleShot(0, this, [answer] {
            for (QWidget *w : QApplication::topLevelWidgets())
                if (auto *dialog = qobject_cast<TfSettings *>(w); dialog && dialog->isVisible())
                    return answer(dialog);
            QFAIL("the settings dialog did not open");
        });
    }

private slots:
    void cleanup()
    {
        // A dialog left open by a failed test must not hang the next one.
        while (QWidget *modal = QApplication::activeModalWidget())
            modal->close();
    }

    // The key file is read at start-up; each command runs its action.
    void commandsRunTheirActions()
    {
        MainWindowFixture f;
        QFile keys(f.dir.filePath(u"Keys.Ini"_s));
        QVERIFY(keys.open(QIODevice::WriteOnly));
        keys.write("[F1]\nVirtkey=76\nEnabled=1\nCommand=show_nudgewick\n"
                   "[F2]\nVirtkey=77\nEnabled=1\nCommand=Disable Popups\n"
                   "[F3]\nVirtkey=78\nEnabled=1\nCommand=add task\n"
                   "[F4]\nVirtkey=79\nEnabled=1\nCommand=Format disk\n");
        keys.close();
        auto backend = std::make_unique<FakeHotKeyBackend>();
        FakeHotKeyBackend *fake = backend.get();
        f.window = std::make_unique<TfNudgewick>(f.dm, f.state, f.prompter, f.clock, f.dir.path());
        f.window->setHotKeyBackend(std::move(backend));
        f.window->FormCreate();
        QCOMPARE(fake->registered.size(), 4);

        QSignalSpy shows(f.window->aShowNudgewick, &QAction::triggered);
        QSignalSpy adds(f.window->aTaskAdd, &QAction::triggered);
        QVERIFY(!f.window->isVisible());
        QVERIFY(fake->press(0, KeysymF1));
        QCOMPARE(shows.count(), 1);
        QVERIFY(f.window->isVisible());
        QVERIFY(fake->press(0, KeysymF2));
        QVERIFY(f.window->aDisablePopups->isChecked());
        QString editorCaption;
        closeNextModal(&editorCaption);
        QVERIFY(fake->press(0, KeysymF3));
        QCOMPARE(adds.count(), 1);
        QVERIFY(!editorCaption.isEmpty());
        QVERIFY(fake->press(0, KeysymF4));
        QCOMPARE(shows.count(), 1);
        QVERIFY(f.window->aDisablePopups->isChecked());
        QVERIFY(f.prompter.shown.isEmpty());
    }

    // The alarm timer stops around the dialog and starts again unless the
    // popups are disabled; open popups are closed first.
    void settingsStopsTheAlarmTimer_data()
    {
        QTest::addColumn<bool>("popupsDisabled");
        QTest::newRow("popups on") << false;
        QTest::newRow("popups disabled") << true;
    }
    void settingsStopsTheAlarmTimer()
    {
        QFETCH(bool, popupsDisabled);
        MainWindowFixture f;
        f.create();
        f.window->aDisablePopups->setChecked(popupsDisabled);
        f.window->popupTimer()->start();
        f.window->MSNPopUp->ShowPopupWindow();
        bool timerDuring = true;
        int popupsDuring = -1;
        whenSettingsOpen([&](TfSettings *dialog) {
            timerDuring = f.window->popupTimer()->isActive();
            popupsDuring = int(f.window->MSNPopUp->popupWindows().size());
            dialog->findChild<QPushButton *>(u"bbCancel"_s)->click();
        });
        f.window->findChild<QAction *>(u"Settings2"_s)->trigger();
        QVERIFY(!timerDuring);
        QCOMPARE(popupsDuring, 0);
        QCOMPARE(f.window->popupTimer()->isActive(), !popupsDisabled);
    }

    // OK shows the new date patterns in the grid at once, and the dialog's
    // hotkeys replace the window's.
    void okAppliesToTheWindow()
    {
        MainWindowFixture f;
        f.create();
        f.dm.tImport.open();
        f.dm.tImport.append();
        f.dm.tImport.setFieldValue(u"Task"_s, u"Dentist"_s);
        f.dm.tImport.setFieldValue(u"Category"_s, u"Health"_s);
        f.dm.tImport.setFieldValue(u"DueDateTime"_s,
                                   DateTime::fromQDateTime(QDateTime(QDate(2026, 3, 4), QTime(14, 30))).toDouble());
        f.dm.tImport.post();
        f.window->FormActivate();
        f.window->RefreshValueLists();
        QCOMPARE(f.window->gridModel()->displayText(0, 7), u"2026/03/04 14:30"_s);
        QVERIFY(f.window->trayIcon()->minimizeToTray()); // on for a new settings file

        QStringList categories;
        whenSettingsOpen([&categories](TfSettings *dialog) {
            auto *category = dialog->findChild<QComboBox *>(u"cbCategory"_s);
            for (int i = 0; i < category->count(); ++i)
                categories << category->itemText(i);
            dialog->findChild<QCheckBox *>(u"cbMinimizetoSystemTray"_s)->click();
            dialog->findChild<QSpinBox *>(u"sePopupInterval"_s)->setValue(3);
            dialog->findChild<QLineEdit *>(u"eShortDateFormat"_s)->setText(u"dd.mm.yy"_s);
            dialog->findChild<QLineEdit *>(u"eHotKeyShowNudgewick"_s)->setText(u"Control + F9"_s);
            dialog->findChild<QPushButton *>(u"bbOK"_s)->click();
        });
        f.window->Settings2Click();
        QCOMPARE(categories, QStringList{u"Health"_s});
        QVERIFY(!f.window->trayIcon()->minimizeToTray());
        QCOMPARE(f.window->popupIntervalTimer()->interval(), 3 * 60000);
        QVERIFY(f.window->popupIntervalTimer()->isActive());
        QCOMPARE(f.window->gridModel()->displayText(0, 7), u"04.03.26 14:30"_s);
        QCOMPARE(f.window->hotKeyManager()->HotKeys()[0].GetDisplayName(), u"Control + F9"_s);
        QVERIFY(QFile::exists(f.dir.filePath(u"Keys.Ini"_s)));
        QVERIFY(f.prompter.shown.isEmpty());
    }
};

QTEST_MAIN(TestMainWindowHotkeys)
#include "tst_MainWindowHotkeys.moc"
