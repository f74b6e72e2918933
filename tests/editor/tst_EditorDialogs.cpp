#include "EditorFixture.h"

#include "core/Error.h"

#include "editor/TfMonthDay.h"
#include "editor/TfOccurrenceSettings.h"

#include <QGroupBox>
#include <QMenu>
#include <QTest>

// The occurrence dialogs, Apply Occurrence, the due and alarm pickers, the
// snooze controls and the completion box.
class TestEditorDialogs : public QObject
{
    Q_OBJECT

    static DateTime alarmOf(QWidget *e)
    {
        return DateTime::fromDateAndTime(child<QDateEdit>(e, "dtpAlarmDate")->date(),
                                         child<QTimeEdit>(e, "meAlarmTime")->time());
    }
    static DateTime dueOf(QWidget *e)
    {
        return DateTime::fromDateAndTime(child<QDateEdit>(e, "dtpDueDate")->date(),
                                         child<QTimeEdit>(e, "meDueTime")->time());
    }

private slots:
    void cleanup()
    {
        while (QWidget *modal = QApplication::activeModalWidget())
            modal->close();
    }

    void occurrenceSettingsSections_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<bool>("frequency");
        QTest::addColumn<bool>("hours");
        QTest::addColumn<bool>("days");
        QTest::newRow("Minutes") << u"Minutes"_s << true << true << true;
        QTest::newRow("Hourly") << u"Hourly"_s << false << true << true;
        QTest::newRow("Daily") << u"Daily"_s << false << false << true;
        QTest::newRow("Days") << u"Days"_s << true << false << true;
        QTest::newRow("Weeks") << u"Weeks"_s << true << false << false;
        QTest::newRow("Years") << u"Years"_s << true << false << false;
    }
    void occurrenceSettingsSections()
    {
        QFETCH(QString, kind);
        ScriptedPrompter prompter;
        TfOccurrenceSettings d(prompter);
        d.load(kind, 0, u"10-08"_s, u"MTWTF__"_s);
        QTEST(child<QSpinBox>(&d, "seFrequency")->isEnabled(), "frequency");
        QTEST(child<QGroupBox>(&d, "gbValidHours")->isEnabled(), "hours");
        QTEST(child<QGroupBox>(&d, "gbValidDays")->isEnabled(), "days");
        QCOMPARE(child<QLabel>(&d, "lOccurrence")->text(), kind);
        QVERIFY(child<QCheckBox>(&d, "cbFriday")->isChecked());
        QVERIFY(!child<QCheckBox>(&d, "cbSaturday")->isChecked());
        // Disabled sections give back what they were loaded with; a
        // frequency of 0 comes back as 1.
        QCOMPARE(d.frequency(), 1);
        QCOMPARE(d.validHours(), u"10-08"_s);
        QCOMPARE(d.validDays(), u"MTWTF__"_s);
    }

    void occurrenceSettingsValues()
    {
        ScriptedPrompter prompter;
        TfOccurrenceSettings d(prompter);
        d.load(u"Minutes"_s, 15, u"00-23"_s, u"MTWTF__"_s);
        child<QSpinBox>(&d, "seFrom")->setValue(8);
        child<QSpinBox>(&d, "seTo")->setValue(17);
        for (const char *day : {"cbMonday", "cbTuesday", "cbWednesday", "cbThursday", "cbFriday"})
            child<QCheckBox>(&d, day)->setChecked(false);
        d.bbOKClick();
        QCOMPARE(d.result(), int(QDialog::Accepted));
        QCOMPARE(d.validHours(), u"08-17"_s);
        QCOMPARE(d.validDays(), u"_______"_s);
        QCOMPARE(d.frequency(), 15);

        // Hours that end before they begin are refused with a message.
        TfOccurrenceSettings late(prompter);
        late.load(u"Hourly"_s, 1, u"00-23"_s, u"M______"_s);
        late.show();
        child<QSpinBox>(&late, "seFrom")->setValue(18);
        child<QSpinBox>(&late, "seTo")->setValue(9);
        QTest::mouseClick(child<QPushButton>(&late, "bbOK"), Qt::LeftButton);
        QVERIFY(late.isVisible());
        QCOMPARE(prompter.shown.size(), 1);
        QVERIFY(prompter.shown.first().contains(u"\"From\" must not be later than \"To\""_s));

        // Unreadable hours are reported, not shown.
        QVERIFY_THROWS_EXCEPTION(Error, late.load(u"Hourly"_s, 1, u"ab-cd"_s, u"M______"_s));
    }

    void monthDaySelections_data()
    {
        QTest::addColumn<QString>("validDays");
        QTest::addColumn<int>("frequency");
        QTest::addColumn<QString>("weekday");
        QTest::addColumn<QString>("position");
        QTest::newRow("Wednesday") << u"__W____"_s << 2 << u"rbWednesday"_s << u"rbSecond"_s;
        QTest::newRow("Sunday first") << u"M_____S"_s << -1 << u"rbSunday"_s << u"rbLast"_s;
        QTest::newRow("empty") << u""_s << -4 << u"rbMonday"_s << u"rbFourthLast"_s;
        QTest::newRow("frequency 5") << u"____F__"_s << 5 << u"rbFriday"_s << u"rbFirst"_s;
    }
    void monthDaySelections()
    {
        QFETCH(QString, validDays);
        QFETCH(int, frequency);
        QFETCH(QString, weekday);
        QFETCH(QString, position);
        TfMonthDay d;
        d.load(frequency, validDays);
        QVERIFY(d.findChild<QRadioButton *>(weekday)->isChecked());
        QVERIFY(d.findChild<QRadioButton *>(position)->isChecked());

        child<QRadioButton>(&d, "rbThursday")->setChecked(true);
        child<QRadioButton>(&d, "rbThirdLast")->setChecked(true);
        QCOMPARE(d.validDays(), u"___T___"_s);
        QCOMPARE(d.frequency(), -3);
    }

    // Through the editor: only OK changes the working values.
    void occurrenceDialogFromTheEditor()
    {
        EditorFixture f;
        const int id = f.addTask({{u"Occurrence"_s, u"Hours"_s}, {u"Frequency"_s, 2}});
        f.select(id);
        auto e = f.editor(TaskEditorMode::Edit);
        whenModal([](QWidget *d) {
            child<QSpinBox>(d, "seFrequency")->setValue(6);
            QTest::mouseClick(child<QPushButton>(d, "bbCancel"), Qt::LeftButton);
        });
        e->sbOccurrenceSettingsClick();
        QCOMPARE(e->workingOccurrence().frequency, 2);
        whenModal([](QWidget *d) {
            child<QSpinBox>(d, "seFrequency")->setValue(6);
            child<QCheckBox>(d, "cbSaturday")->setChecked(true);
            QTest::mouseClick(child<QPushButton>(d, "bbOK"), Qt::LeftButton);
        });
        e->sbOccurrenceSettingsClick();
        QCOMPARE(e->workingOccurrence().frequency, 6);
        QCOMPARE(e->workingOccurrence().validDays, u"MTWTFS_"_s);
        QVERIFY(e->sbSaveClick());
        QCOMPARE(f.row(id)[u"Frequency"_s].toInt(), 6);
        QCOMPARE(f.row(id)[u"ValidDays"_s].toString(), u"MTWTFS_"_s);
    }

    void monthDayOkMovesTheDates_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<DateTime>("due");
        QTest::addColumn<DateTime>("alarm");
        // Edit: a week back, at the times shown. Prompt: on to the second
        // Tuesday of the next month that still has it ahead.
        QTest::newRow("edit") << int(TaskEditorMode::Edit) << at(2026, 12, 3, 7, 0) << at(2026, 12, 3, 6, 45);
        QTest::newRow("prompt") << int(TaskEditorMode::Prompt) << at(2027, 1, 12, 7, 0) << at(2027, 1, 12, 6, 45);
    }
    void monthDayOkMovesTheDates()
    {
        QFETCH(int, mode);
        EditorFixture f;
        const int id = f.addTask({{u"Occurrence"_s, u"MonthDay"_s}});
        f.select(id);
        f.state.PromptedTaskID = id;
        auto e = f.editor(TaskEditorMode(mode));
        whenModal([](QWidget *d) {
            child<QRadioButton>(d, "rbTuesday")->setChecked(true);
            child<QRadioButton>(d, "rbSecond")->setChecked(true);
            QTest::mouseClick(child<QPushButton>(d, "bbOK"), Qt::LeftButton);
        });
        e->sbOccurrenceSettingsClick();
        QCOMPARE(e->workingOccurrence().validDays, u"_T_____"_s);
        QCOMPARE(e->workingOccurrence().frequency, 2);
        QTEST(dueOf(e.get()), "due");
        QTEST(alarmOf(e.get()), "alarm");
    }

    void applyOccurrenceInPromptMode_data()
    {
        QTest::addColumn<bool>("autoClose");
        QTest::newRow("stays open") << false;
        QTest::newRow("auto close") << true;
    }
    void applyOccurrenceInPromptMode()
    {
        QFETCH(bool, autoClose);
        EditorFixture f;
        f.clock.set(at(2026, 12, 10, 10, 7));
        const int id = f.addTask({{u"Occurrence"_s, u"Minutes"_s}, {u"Frequency"_s, 15}, {u"ValidHours"_s, u"00-23"_s},
                                  {u"ValidDays"_s, u"_______"_s}, {u"DueDateTime"_s, at(2026, 12, 10, 7, 0).toDouble()},
                                  {u"AlarmDateTime"_s, at(2026, 12, 10, 7, 0).toDouble()}});
        f.state.PromptedTaskID = id;
        f.state.AutoCloseOnApply = autoClose;
        bool stillOpen = false;
        whenModal([&](QWidget *e) {
            QTest::mouseClick(child<QToolButton>(e, "sbApplyOccurrence"), Qt::LeftButton);
            QCOMPARE(dueOf(e), at(2026, 12, 10, 10, 15));
            QCOMPARE(alarmOf(e), at(2026, 12, 10, 10, 15));
            stillOpen = e->isVisible();
            f.prompter.answers = {true}; // discard whatever is left unsaved
            e->close();
        });
        f.window->OpenTaskEditor(TaskEditorMode::Prompt);
        QCOMPARE(stillOpen, !autoClose);
        QCOMPARE(DateTime(f.row(id)[u"DueDateTime"_s].toDouble()),
                 autoClose ? at(2026, 12, 10, 10, 15) : at(2026, 12, 10, 7, 0));
        QCOMPARE(DateTime(f.row(id)[u"AlarmDateTime"_s].toDouble()),
                 autoClose ? at(2026, 12, 10, 10, 15) : at(2026, 12, 10, 7, 0));
    }

    void occurrenceKindSwitchesControls_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<bool>("settingsButton");
        QTest::addColumn<bool>("snooze");
        QTest::addColumn<bool>("apply");
        QTest::newRow("Scheduled") << u"Scheduled"_s << false << true << false;
        QTest::newRow("Todo") << u"Todo"_s << false << false << false;
        QTest::newRow("Immediate") << u"Immediate"_s << false << false << false;
        QTest::newRow("Weekly") << u"Weekly"_s << false << true << true;
        QTest::newRow("MonthDay") << u"MonthDay"_s << true << true << true;
        QTest::newRow("Hourly") << u"Hourly"_s << true << true << true;
    }
    void occurrenceKindSwitchesControls()
    {
        QFETCH(QString, kind);
        EditorFixture f;
        f.state.PromptedTaskID = f.addTask();
        auto e = f.editor(TaskEditorMode::Prompt);
        child<QComboBox>(e.get(), "cbOccurrence")->setCurrentText(kind);
        QTEST(child<QToolButton>(e.get(), "sbOccurrenceSettings")->isVisible(), "settingsButton");
        QTEST(child<QWidget>(e.get(), "tsTaskSettings")->isEnabled(), "snooze");
        QTEST(child<QToolButton>(e.get(), "sbSnooze")->isEnabled(), "snooze");
        QTEST(child<QToolButton>(e.get(), "sbApplyOccurrence")->isEnabled(), "apply");
    }

    // The user's change of the due date or time copies the due moment into
    // the alarm; the alarm changes alone; code never couples them.
    void alarmFollowsTheDue()
    {
        EditorFixture f;
        f.select(f.addTask());
        auto e = f.editor(TaskEditorMode::Edit);
        child<QDateEdit>(e.get(), "dtpDueDate")->setDate(QDate(2027, 3, 12));
        QCOMPARE(alarmOf(e.get()), at(2027, 3, 12, 7, 0));
        child<QTimeEdit>(e.get(), "meDueTime")->setTime(QTime(9, 30));
        QCOMPARE(alarmOf(e.get()), at(2027, 3, 12, 9, 30));
        child<QDateEdit>(e.get(), "dtpAlarmDate")->setDate(QDate(2027, 3, 11));
        QCOMPARE(dueOf(e.get()), at(2027, 3, 12, 9, 30));
        e->snoozeBy(SnoozeUnit::Days, 1);
        QCOMPARE(dueOf(e.get()), at(2027, 3, 12, 9, 30));
        QCOMPARE(alarmOf(e.get()), at(2026, 12, 11, 8, 0));
    }

    void snoozeMenuEntries_data()
    {
        QTest::addColumn<QStringList>("path");
        QTest::addColumn<DateTime>("now");
        QTest::addColumn<DateTime>("alarm");
        const DateTime now = at(2026, 12, 10, 8, 0);
        QTest::newRow("Minutes 60") << QStringList{u"Minutes"_s, u"60"_s} << now << at(2026, 12, 10, 9, 0);
        QTest::newRow("Hours 24") << QStringList{u"Hours"_s, u"21 to 30"_s, u"24"_s} << now << at(2026, 12, 11, 8, 0);
        QTest::newRow("Days 1") << QStringList{u"Days"_s, u"1 to 10"_s, u"1"_s} << now << at(2026, 12, 11, 8, 0);
        QTest::newRow("Days 50") << QStringList{u"Days"_s, u"41 to 50"_s, u"50"_s} << now << at(2027, 1, 29, 8, 0);
        QTest::newRow("Weeks 10") << QStringList{u"Weeks"_s, u"10"_s} << now << at(2027, 2, 18, 8, 0);
        QTest::newRow("Months 1 on 31 January") << QStringList{u"Months"_s, u"1"_s} << at(2027, 1, 31, 8, 0)
                                                << at(2027, 2, 28, 8, 0);
        QTest::newRow("Months 12") << QStringList{u"Months"_s, u"12"_s} << now << at(2027, 12, 10, 8, 0);
        QTest::newRow("Years 1 on 29 February") << QStringList{u"Years"_s, u"1"_s} << at(2028, 2, 29, 8, 0)
                                                << at(2029, 2, 28, 8, 0);
    }
    void snoozeMenuEntries()
    {
        QFETCH(QStringList, path);
        QFETCH(DateTime, now);
        EditorFixture f;
        f.select(f.addTask());
        auto e = f.editor(TaskEditorMode::Edit);
        f.clock.set(now);
        QMenu *menu = e->snoozeMenu();
        QAction *entry = nullptr;
        for (const QString &caption : path) {
            entry = nullptr;
            for (QAction *a : menu->actions())
                if (a->text() == caption)
                    entry = a;
            QVERIFY2(entry, qPrintable(caption));
            if (entry->menu())
                menu = entry->menu();
        }
        entry->trigger();
        QTEST(alarmOf(e.get()), "alarm");
        QCOMPARE(dueOf(e.get()), at(2026, 12, 10, 7, 0));
    }

    void snoozeMenuShape()
    {
        QWidget parent;
        QMenu *menu = createSnoozeMenu(&parent, [](SnoozeUnit, int) {});
        QStringList titles, counts;
        for (QAction *a : menu->actions()) {
            titles << a->text();
            int n = 0;
            for (QAction *sub : a->menu()->actions())
                n += sub->menu() ? int(sub->menu()->actions().size()) : 1;
            counts << QString::number(n);
        }
        QCOMPARE(titles, (QStringList{u"Minutes"_s, u"Hours"_s, u"Days"_s, u"Weeks"_s, u"Months"_s, u"Years"_s}));
        QCOMPARE(counts, (QStringList{u"12"_s, u"50"_s, u"50"_s, u"10"_s, u"12"_s, u"10"_s}));
    }

    void snoozeButton()
    {
        EditorFixture f;
        f.select(f.addTask());
        auto e = f.editor(TaskEditorMode::Edit);
        auto *snooze = child<QComboBox>(e.get(), "cbSnoozeTime");
        snooze->setEditText(u"15"_s);
        QTest::mouseClick(child<QToolButton>(e.get(), "sbSnooze"), Qt::LeftButton);
        QCOMPARE(alarmOf(e.get()), at(2026, 12, 10, 8, 15));
        snooze->setEditText(u" "_s);
        QTest::mouseClick(child<QToolButton>(e.get(), "sbSnooze"), Qt::LeftButton);
        QCOMPARE(alarmOf(e.get()), at(2026, 12, 10, 8, 15));
        snooze->setEditText(u"abc"_s);
        QTest::mouseClick(child<QToolButton>(e.get(), "sbSnooze"), Qt::LeftButton);
        QCOMPARE(alarmOf(e.get()), at(2026, 12, 10, 8, 15));
        QCOMPARE(f.prompter.shown.size(), 1);
        QVERIFY(f.prompter.shown.first().startsWith(u"error: "_s));
    }

    void completionInterplay_data()
    {
        QTest::addColumn<bool>("startCompleted");
        QTest::addColumn<bool>("answer");
        QTest::addColumn<bool>("box");
        QTest::addColumn<int>("percent");
        QTest::addColumn<QString>("panel");
        QTest::addColumn<bool>("asked");
        const QString now = u"Task completed on 2026/12/10 09:00"_s;
        const QString stored = u"Task completed on 2026/12/01 17:30"_s;
        // Ticking asks nothing, whatever the answer would be.
        QTest::newRow("tick, yes") << false << true << true << 100 << now << false;
        QTest::newRow("tick, no") << false << false << true << 100 << now << false;
        QTest::newRow("untick, yes") << true << true << false << 0 << QString() << true;
        // No keeps the task complete, with its date and percentage.
        QTest::newRow("untick, no") << true << false << true << 100 << stored << true;
    }
    void completionInterplay()
    {
        QFETCH(bool, startCompleted);
        QFETCH(bool, answer);
        EditorFixture f;
        f.select(f.addTask({{u"Completed"_s, int(startCompleted)},
                            {u"PercentageComplete"_s, startCompleted ? 100 : 40},
                            {u"CompletedDate"_s, startCompleted ? QVariant(at(2026, 12, 1, 17, 30).toDouble()) : QVariant()}}));
        auto e = f.editor(TaskEditorMode::Edit);
        f.clock.set(at(2026, 12, 10, 9, 0));
        f.prompter.answers = {answer};
        QTest::mouseClick(child<QCheckBox>(e.get(), "cbCompleted"), Qt::LeftButton);
        QTEST(child<QCheckBox>(e.get(), "cbCompleted")->isChecked(), "box");
        QTEST(child<QSpinBox>(e.get(), "sePercentageComplete")->value(), "percent");
        QTEST(e->statusText(2), "panel");
        QTEST(!f.prompter.shown.isEmpty(), "asked");
    }

    void percentageDrivesCompletion()
    {
        EditorFixture f;
        f.select(f.addTask());
        auto e = f.editor(TaskEditorMode::Edit);
        auto *percent = child<QSpinBox>(e.get(), "sePercentageComplete");
        f.clock.set(at(2026, 12, 10, 9, 0));
        percent->setValue(100);
        QVERIFY(child<QCheckBox>(e.get(), "cbCompleted")->isChecked());
        QCOMPARE(e->statusText(2), u"Task completed on 2026/12/10 09:00"_s);
        percent->setValue(90);
        QVERIFY(child<QCheckBox>(e.get(), "cbCompleted")->isChecked());
        QCOMPARE(e->statusText(2), u"Task completed on 2026/12/10 09:00"_s);
        f.clock.set(at(2026, 12, 10, 11, 30));
        percent->setValue(100);
        QCOMPARE(e->statusText(2), u"Task completed on 2026/12/10 11:30"_s);
    }

    void autoSnoozeSwitchesItsControls()
    {
        EditorFixture f;
        f.select(f.addTask());
        auto e = f.editor(TaskEditorMode::Edit);
        child<QCheckBox>(e.get(), "cbAutoSnooze")->setChecked(false);
        for (const char *name : {"seRepeatAutoSnooze", "rbApplyOccurence", "rbDeleteTask", "rbMarkAsComplete",
                                 "lAutoSnoozeFor", "lTimesThen"})
            QVERIFY2(!child<QWidget>(e.get(), name)->isEnabled(), name);
        QCOMPARE(child<QSpinBox>(e.get(), "seRepeatAutoSnooze")->value(), 3);
        QVERIFY(child<QRadioButton>(e.get(), "rbDeleteTask")->isChecked());
    }
};

QTEST_MAIN(TestEditorDialogs)
#include "tst_EditorDialogs.moc"
