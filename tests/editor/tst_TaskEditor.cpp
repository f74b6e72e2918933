#include "EditorFixture.h"

#include "alarm/AlarmEngine.h"
#include "alarm/PromptAnswers.h"
#include "core/Error.h"
#include "settings/SettingsKeys.h"
#include "store/AnchorDays.h"
#include "store/DataModule.h"
#include "support/TabWalk.h"

#include <QAction>
#include <QClipboard>
#include <QMenu>
#include <QSignalSpy>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>

#include <functional>

namespace {
const QString Discard = u"confirm: Discard your changes to this task?"_s;
}

// Fill and save of each mode, validation, delete, the Window menu of nested
// editors, and the refusals that keep the user's input.
class TestTaskEditor : public QObject
{
    Q_OBJECT
private slots:
    void cleanup()
    {
        // A failed test must not leave a modal dialog for the next one.
        while (QWidget *modal = QApplication::activeModalWidget())
            modal->close();
    }

    void addModeDefaults_data()
    {
        QTest::addColumn<QStringList>("defaults"); // key=value lines of [Defaults]
        QTest::addColumn<QString>("category");
        QTest::addColumn<int>("priority");
        QTest::addColumn<QString>("occurrence");
        QTest::addColumn<QString>("snooze");
        QTest::addColumn<QString>("validDays");
        QTest::newRow("no section") << QStringList() << u"None"_s << 10 << u"Scheduled"_s << u"5"_s << u"M______"_s;
        QTest::newRow("configured") << QStringList{u"Category=Work"_s, u"Priority=2"_s, u"Occurrence=6"_s,
                                                   u"SnoozeTime=7"_s, u"ValidDays=_T_T___"_s}
                                    << u"Work"_s << 2 << u"Daily"_s << u"30"_s << u"_T_T___"_s;
        QTest::newRow("out of range") << QStringList{u"Occurrence=15"_s, u"SnoozeTime=10"_s, u"ValidDays=MT"_s}
                                      << u"None"_s << 10 << u"Scheduled"_s << u"5"_s << u"M______"_s;
        QTest::newRow("negative") << QStringList{u"Occurrence=-1"_s, u"SnoozeTime=-1"_s}
                                  << u"None"_s << 10 << u"Scheduled"_s << u"5"_s << u"M______"_s;
    }
    void addModeDefaults()
    {
        QFETCH(QStringList, defaults);
        EditorFixture f;
        for (const QString &line : defaults)
            f.writeSetting(u"Defaults"_s, line.section(u'=', 0, 0), line.section(u'=', 1));
        auto e = f.editor(TaskEditorMode::Add);
        QCOMPARE(e->windowTitle(), u"Task Add"_s);
        QTEST(child<QComboBox>(e.get(), "cbCategory")->currentText(), "category");
        QTEST(child<QSpinBox>(e.get(), "sePriority")->value(), "priority");
        QTEST(child<QComboBox>(e.get(), "cbOccurrence")->currentText(), "occurrence");
        QTEST(child<QComboBox>(e.get(), "cbSnoozeTime")->currentText(), "snooze");
        QTEST(e->workingOccurrence().validDays, "validDays");
        QCOMPARE(e->workingOccurrence().frequency, 1);
        QCOMPARE(e->workingOccurrence().validHours, u"00-23"_s);
        // Today at the current time of day, due and alarm alike.
        QCOMPARE(child<QDateEdit>(e.get(), "dtpDueDate")->date(), QDate(2026, 12, 10));
        QCOMPARE(child<QTimeEdit>(e.get(), "meDueTime")->time(), QTime(8, 0));
        QCOMPARE(child<QDateEdit>(e.get(), "dtpAlarmDate")->date(), QDate(2026, 12, 10));
        QCOMPARE(child<QTimeEdit>(e.get(), "meAlarmTime")->time(), QTime(8, 0));
        // Nothing that needs a stored task is offered.
        for (const char *name : {"sbDelete0", "sbPrint0", "sbSnooze", "sbSave", "sbApplyOccurrence"})
            QVERIFY2(!child<QWidget>(e.get(), name)->isVisible(), name);
        QCOMPARE(child<QLabel>(e.get(), "pCount")->text(), u"255 characters left"_s);
    }

    // A new task's valid days: the kind's default days while nobody chose
    // any (every day for Daily and Hourly), else the settings' days, else
    // the days chosen in the editor's occurrence dialog.
    void newTaskValidDays_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("defaultDays"); // [Defaults] ValidDays; null: no key
        QTest::addColumn<bool>("toggleSaturday"); // Saturday toggled in the editor's dialog
        QTest::addColumn<QString>("stored");
        const QString none;
        const QString set = u"_T_T___"_s;
        QTest::newRow("Daily, no default") << u"Daily"_s << none << false << u"MTWTFSS"_s;
        QTest::newRow("Hourly, no default") << u"Hourly"_s << none << false << u"MTWTFSS"_s;
        QTest::newRow("MonthDay, no default") << u"MonthDay"_s << none << false << u"M______"_s;
        QTest::newRow("Weekly, no default") << u"Weekly"_s << none << false << u"M______"_s;
        QTest::newRow("Daily, unreadable default") << u"Daily"_s << u"MT"_s << false << u"MTWTFSS"_s;
        QTest::newRow("Daily, default set") << u"Daily"_s << set << false << set;
        QTest::newRow("Hourly, default set") << u"Hourly"_s << set << false << set;
        QTest::newRow("MonthDay, default set") << u"MonthDay"_s << set << false << set;
        QTest::newRow("Daily, chosen in the editor") << u"Daily"_s << none << true << u"MTWTF_S"_s;
        QTest::newRow("Hourly, chosen over a default") << u"Hourly"_s << set << true << u"_T_T_S_"_s;
    }
    void newTaskValidDays()
    {
        QFETCH(QString, kind);
        QFETCH(QString, defaultDays);
        QFETCH(bool, toggleSaturday);
        EditorFixture f;
        if (!defaultDays.isNull())
            f.writeSetting(u"Defaults"_s, u"ValidDays"_s, defaultDays);
        auto e = f.editor(TaskEditorMode::Add);
        child<QPlainTextEdit>(e.get(), "mTask")->setPlainText(u"Take pills"_s);
        child<QComboBox>(e.get(), "cbOccurrence")->setCurrentText(kind);
        if (toggleSaturday) {
            whenModal([](QWidget *d) {
                auto *saturday = child<QCheckBox>(d, "cbSaturday");
                saturday->setChecked(!saturday->isChecked());
                QTest::mouseClick(child<QPushButton>(d, "bbOK"), Qt::LeftButton);
            });
            e->sbOccurrenceSettingsClick();
        }
        QVERIFY(e->sbSaveClick());
        QTEST(f.row(1)[u"ValidDays"_s].toString(), "stored");
    }

    // Beside the occurrence: the repeat in words and the next three alarms,
    // following the kind and the alarm as they change.
    void occurrenceRuleFollowsTheFields()
    {
        EditorFixture f;
        auto e = f.editor(TaskEditorMode::Add);
        auto *rule = child<QLabel>(e.get(), "lOccurrenceRule");
        auto *kind = child<QComboBox>(e.get(), "cbOccurrence");
        kind->setCurrentText(u"Scheduled"_s);
        QCOMPARE(rule->text(), QString());
        kind->setCurrentText(u"Daily"_s);
        QVERIFY2(rule->text().startsWith(u"Every day \u2014 next alarms: "_s), qPrintable(rule->text()));
        QCOMPARE(rule->text().count(u';'), 2);
        const QString before = rule->text();
        child<QDateEdit>(e.get(), "dtpAlarmDate")->setDate(QDate(2026, 12, 20));
        QVERIFY(rule->text() != before);
        kind->setCurrentText(u"MonthDay"_s);
        QVERIFY2(rule->text().contains(u"of every month"_s), qPrintable(rule->text()));
    }

    void addModeTakesTheCalendarDay()
    {
        EditorFixture f;
        TaskEditorHost host = f.host();
        host.calendarDate = [] { return std::optional<QDate>(QDate(2027, 3, 12)); };
        TfTaskEdit e(host);
        e.fillNew();
        QCOMPARE(child<QDateEdit>(&e, "dtpDueDate")->date(), QDate(2027, 3, 12));
        QCOMPARE(child<QDateEdit>(&e, "dtpAlarmDate")->date(), QDate(2027, 3, 12));
    }

    void addSavesANewRow()
    {
        EditorFixture f;
        QSignalSpy changed(f.window.get(), &TfNudgewick::tasksChanged);
        whenModal([&f](QWidget *e) {
            f.clock.advanceSeconds(90);
            child<QPlainTextEdit>(e, "mTask")->setPlainText(u"  Call the plumber\nabout the leak  "_s);
            child<QSpinBox>(e, "sePriority")->setValue(4);
            child<QComboBox>(e, "cbOccurrence")->setCurrentText(u"Weekly"_s);
            child<QPlainTextEdit>(e, "mNotes")->setPlainText(u"Ask for a quote"_s);
            child<QComboBox>(e, "cbSnoozeTime")->setCurrentText(u"15"_s);
            QTest::mouseClick(child<QPushButton>(e, "bbOK"), Qt::LeftButton);
        });
        f.window->OpenTaskEditor(TaskEditorMode::Add);

        QCOMPARE(f.taskCount(), 1);
        const QVariantMap r = f.row(1);
        QCOMPARE(r[u"Task"_s].toString(), u"Call the plumber\r\nabout the leak"_s);
        QCOMPARE(r[u"Category"_s].toString(), u"None"_s);
        QCOMPARE(r[u"Priority"_s].toInt(), 4);
        QCOMPARE(r[u"Occurrence"_s].toString(), u"Weekly"_s);
        QCOMPARE(r[u"ValidHours"_s].toString(), u"00-23"_s);
        QCOMPARE(r[u"ValidDays"_s].toString(), u"M______"_s);
        QCOMPARE(r[u"Notes"_s].toString(), u"Ask for a quote"_s);
        QCOMPARE(r[u"SnoozeTime"_s].toInt(), 15);
        QCOMPARE(DateTime(r[u"TaskCreated"_s].toDouble()), at(2026, 12, 10, 8, 1, 30));
        QCOMPARE(DateTime(r[u"DueDateTime"_s].toDouble()), at(2026, 12, 10, 8, 0));
        QCOMPARE(r[u"Completed"_s].toInt(), 0);
        QCOMPARE(r[u"PercentageComplete"_s].toInt(), 0);
        QVERIFY(r[u"CompletedDate"_s].isNull());
        QCOMPARE(r[u"AutoSnoozeAction"_s].toInt(), 1);
        QCOMPARE(changed.size(), 1);
        QVERIFY(f.state.ScanPending);
        QVERIFY(!f.state.CurrentTaskEditor);
        QCOMPARE(f.dm.qTasks.recordCount(), 1);
    }

    // The pickers show minutes only, so an alarm taken from a clock with
    // seconds and milliseconds is stored on the whole minute: otherwise it
    // comes that many seconds late. The same holds for the editor's snooze.
    void timesAreWholeMinutes()
    {
        EditorFixture f;
        f.clock.set(QDateTime(QDate(2026, 12, 10), QTime(9, 30, 17, 989)));
        whenModal([](QWidget *e) {
            child<QPlainTextEdit>(e, "mTask")->setPlainText(u"Stand-up"_s);
            QTest::mouseClick(child<QPushButton>(e, "bbOK"), Qt::LeftButton);
        });
        f.window->OpenTaskEditor(TaskEditorMode::Add);
        QCOMPARE(f.taskCount(), 1);
        QCOMPARE(DateTime(f.row(1)[u"DueDateTime"_s].toDouble()), at(2026, 12, 10, 9, 30));
        QCOMPARE(DateTime(f.row(1)[u"AlarmDateTime"_s].toDouble()), at(2026, 12, 10, 9, 30));

        f.select(1);
        whenModal([](QWidget *e) {
            child<QComboBox>(e, "cbSnoozeTime")->setEditText(u"15"_s);
            QTest::mouseClick(child<QToolButton>(e, "sbSnooze"), Qt::LeftButton);
            QTest::mouseClick(child<QPushButton>(e, "bbOK"), Qt::LeftButton);
        });
        f.window->OpenTaskEditor(TaskEditorMode::Edit);
        QCOMPARE(DateTime(f.row(1)[u"AlarmDateTime"_s].toDouble()), at(2026, 12, 10, 9, 45));
    }

    void editFillsFromTheCurrentRow()
    {
        EditorFixture f;
        f.addTask({{u"Task"_s, u"Other"_s}});
        const int id = f.addTask({{u"Frequency"_s, 0}, {u"ValidHours"_s, u""_s}, {u"ValidDays"_s, u"MTW"_s}});
        f.select(id);
        auto e = f.editor(TaskEditorMode::Edit);
        QCOMPARE(e->windowTitle(), u"Task Edit"_s);
        QCOMPARE(e->editedTaskId(), id);
        QCOMPARE(child<QPlainTextEdit>(e.get(), "mTask")->toPlainText(), u"Water the plants"_s);
        QCOMPARE(child<QComboBox>(e.get(), "cbCategory")->currentText(), u"Home"_s);
        QCOMPARE(child<QSpinBox>(e.get(), "sePriority")->value(), 3);
        QCOMPARE(child<QComboBox>(e.get(), "cbOccurrence")->currentText(), u"Daily"_s);
        QCOMPARE(child<QTimeEdit>(e.get(), "meAlarmTime")->time(), QTime(6, 45));
        QCOMPARE(child<QPlainTextEdit>(e.get(), "mNotes")->toPlainText(), u"Line one\nLine two"_s);
        QCOMPARE(child<QComboBox>(e.get(), "cbSnoozeTime")->currentText(), u"10"_s);
        QVERIFY(child<QCheckBox>(e.get(), "cbAutoSnooze")->isChecked());
        QVERIFY(child<QSpinBox>(e.get(), "seRepeatAutoSnooze")->isEnabled());
        QVERIFY(child<QRadioButton>(e.get(), "rbDeleteTask")->isChecked());
        QCOMPARE(child<QSpinBox>(e.get(), "sePercentageComplete")->value(), 40);
        QCOMPARE(e->statusText(0), u"Task created on 2026/11/10 10:00"_s);
        QCOMPARE(e->statusText(1), u"4 Weeks old"_s);
        QCOMPARE(e->statusText(2), QString());
        QVERIFY(child<QPushButton>(e.get(), "bbOK")->isEnabled());
        QVERIFY(child<QToolButton>(e.get(), "sbOccurrenceSettings")->isVisible());
        QVERIFY(child<QToolButton>(e.get(), "sbApplyOccurrence")->isVisible());
        QVERIFY(!child<QToolButton>(e.get(), "sbApplyOccurrence")->isEnabled());
        // Values too short to use are replaced, and saved back so.
        QCOMPARE(e->workingOccurrence().frequency, 1);
        QCOMPARE(e->workingOccurrence().validHours, u"00-23"_s);
        QCOMPARE(e->workingOccurrence().validDays, u"M______"_s);
        QVERIFY(e->sbSaveClick());
        const QVariantMap r = f.row(id);
        QCOMPARE(r[u"Frequency"_s].toInt(), 1);
        QCOMPARE(r[u"ValidHours"_s].toString(), u"00-23"_s);
        QCOMPARE(r[u"ValidDays"_s].toString(), u"M______"_s);
        QCOMPARE(r[u"Notes"_s].toString(), u"Line one\r\nLine two"_s);
    }

    // A task repeating by months keeps the day it was saved with: saving
    // it again after a step cut the date to the 30th keeps the 31st, a new
    // due day replaces it, and a kind that does not step by months drops it.
    void monthlyTaskKeepsItsDay()
    {
        EditorFixture f;
        const int id = f.addTask({{u"Occurrence"_s, u"Monthly"_s},
                                  {u"DueDateTime"_s, at(2026, 10, 31, 9, 0).toDouble()},
                                  {u"AlarmDateTime"_s, at(2026, 10, 31, 8, 45).toDouble()}});
        const auto save = [&](const std::function<void(TfTaskEdit *)> &change) {
            f.dm.RequeryTaskList();
            f.select(id);
            auto e = f.editor(TaskEditorMode::Edit);
            change(e.get());
            QVERIFY(e->sbSaveClick());
        };
        save([](TfTaskEdit *) {});
        QCOMPARE(anchordays::read(f.dm.ADOConnection, id), 31);

        Query step(f.dm.ADOConnection);
        step.setSql({u"update Tasks set DueDateTime = :Due where ID = :ID"_s});
        step.setParam(u"Due"_s, at(2026, 11, 30, 9, 0));
        step.setParam(u"ID"_s, id);
        step.execSql();
        save([](TfTaskEdit *) {});
        QCOMPARE(anchordays::read(f.dm.ADOConnection, id), 31);

        save([](TfTaskEdit *e) { child<QDateEdit>(e, "dtpDueDate")->setDate(QDate(2026, 11, 15)); });
        QCOMPARE(anchordays::read(f.dm.ADOConnection, id), 15);

        save([](TfTaskEdit *e) {
            auto *kind = child<QComboBox>(e, "cbOccurrence");
            kind->setCurrentIndex(kind->findText(u"Daily"_s));
        });
        QCOMPARE(anchordays::read(f.dm.ADOConnection, id), 0);
    }

    void updateStatement()
    {
        EditorFixture f;
        TaskValues v;
        v.task = u"Pay rent"_s;
        v.category = u"Money"_s;
        v.priority = 2;
        v.occurrence = u"Months"_s;
        v.frequency = 1;
        v.validHours = u"00-23"_s;
        v.validDays = u"M______"_s;
        v.due = at(2027, 1, 1, 9, 0);
        v.alarm = at(2027, 1, 1, 8, 0);
        v.completed = true;
        v.percentageComplete = 100;
        v.completedDate = at(2026, 12, 9, 17, 30);
        v.notes = u"Standing order"_s;
        v.snoozeTime = 30;
        v.autoSnooze = true;
        v.repeatAutoSnooze = 2;
        v.autoSnoozeAction = std::nullopt;
        Query update(f.dm.ADOConnection);
        prepareTaskUpdate(update, 7, v);
        QCOMPARE(update.sql(), (QStringList{u"update Tasks"_s, u"set"_s, u"Task = :Task,"_s,
                                            u"Category = :Category,"_s, u"Priority = :Priority,"_s,
                                            u"Occurrence = :Occurrence,"_s, u"Frequency = :Frequency,"_s,
                                            u"ValidHours = :ValidHours,"_s, u"ValidDays = :ValidDays,"_s,
                                            u"DueDateTime = :DueDateTime,"_s, u"AlarmDateTime = :AlarmDateTime,"_s,
                                            u"Completed = :Completed,"_s, u"PercentageComplete = :PercentageComplete,"_s,
                                            u"CompletedDate = :CompletedDate,"_s, u"Notes = :Notes,"_s,
                                            u"SnoozeTime = :SnoozeTime,"_s, u"AutoSnooze = :AutoSnooze,"_s,
                                            u"RepeatAutoSnooze = :RepeatAutoSnooze,"_s,
                                            u"AutoSnoozeAction = :AutoSnoozeAction"_s, u"where ID = :ID"_s}));
        const auto param = [&update](const char *name) { return update.param(QString::fromLatin1(name)); };
        QCOMPARE(param("ID"), QVariant(qint64(7)));
        QCOMPARE(param("Priority"), QVariant(u"2"_s));
        QCOMPARE(param("SnoozeTime"), QVariant(u"30"_s));
        QCOMPARE(param("Frequency"), QVariant(qint64(1)));
        QCOMPARE(param("Completed"), QVariant(qint64(1)));
        QCOMPARE(param("AutoSnooze"), QVariant(qint64(1)));
        QCOMPARE(param("DueDateTime"), QVariant(at(2027, 1, 1, 9, 0).toDouble()));
        QCOMPARE(param("CompletedDate"), QVariant(at(2026, 12, 9, 17, 30).toDouble()));
        QVERIFY(param("AutoSnoozeAction").isNull());

        v.completedDate = std::nullopt;
        prepareTaskUpdate(update, 7, v);
        QCOMPARE(update.sql().at(13), u"CompletedDate = null,"_s);
    }

    // A stored action that names none of the three is written back as null.
    void unknownAutoSnoozeActionIsStoredAsNull()
    {
        EditorFixture f;
        const int id = f.addTask({{u"AutoSnoozeAction"_s, 7}});
        f.select(id);
        auto e = f.editor(TaskEditorMode::Edit);
        for (const char *name : {"rbApplyOccurence", "rbDeleteTask", "rbMarkAsComplete"})
            QVERIFY2(!child<QRadioButton>(e.get(), name)->isChecked(), name);
        QVERIFY(e->sbSaveClick());
        QVERIFY(f.row(id)[u"AutoSnoozeAction"_s].isNull());
        QCOMPARE(f.row(id)[u"Task"_s].toString(), u"Water the plants"_s);
    }

    void completedTaskDates_data()
    {
        QTest::addColumn<QVariant>("storedDate");
        QTest::addColumn<DateTime>("savedDate");
        // Without a stored date the moment the dialog opened is shown and saved.
        QTest::newRow("no stored date") << QVariant() << at(2026, 12, 10, 8, 0);
        // A stored date is saved back as the panel shows it: without seconds.
        QTest::newRow("stored date") << QVariant(at(2026, 12, 1, 14, 5, 59).toDouble()) << at(2026, 12, 1, 14, 5);
    }
    void completedTaskDates()
    {
        QFETCH(QVariant, storedDate);
        QFETCH(DateTime, savedDate);
        EditorFixture f;
        f.clock.set(at(2026, 12, 10, 8, 0, 20));
        const int id = f.addTask({{u"Completed"_s, 1}, {u"PercentageComplete"_s, 100}, {u"CompletedDate"_s, storedDate}});
        f.select(id);
        auto e = f.editor(TaskEditorMode::Edit);
        QVERIFY(child<QCheckBox>(e.get(), "cbCompleted")->isChecked());
        f.clock.advanceSeconds(600);
        QVERIFY(e->sbSaveClick());
        QCOMPARE(DateTime(f.row(id)[u"CompletedDate"_s].toDouble()), savedDate);
        QCOMPARE(f.row(id)[u"Completed"_s].toInt(), 1);
    }

    void duplicateAppendsACopyAndThenUpdatesIt()
    {
        EditorFixture f;
        const int source = f.addTask({{u"Completed"_s, 1}, {u"PercentageComplete"_s, 100}, {u"CompletedDate"_s, at(2026, 12, 1, 9, 0).toDouble()}});
        f.select(source);
        auto e = f.editor(TaskEditorMode::Duplicate);
        QCOMPARE(e->windowTitle(), u"Task Duplicate"_s);
        QCOMPARE(e->statusText(0), u"Task created on 2026/11/10 10:00"_s);
        f.clock.advanceSeconds(60);
        QVERIFY(e->sbSaveClick());
        QCOMPARE(f.taskCount(), 2);
        const int copy = source + 1;
        QVariantMap r = f.row(copy);
        QCOMPARE(DateTime(r[u"TaskCreated"_s].toDouble()), at(2026, 12, 10, 8, 1));
        QCOMPARE(r[u"Task"_s].toString(), u"Water the plants"_s);
        QCOMPARE(r[u"PercentageComplete"_s].toInt(), 100);
        QCOMPARE(DateTime(r[u"CompletedDate"_s].toDouble()), at(2026, 12, 1, 9, 0));

        child<QPlainTextEdit>(e.get(), "mTask")->setPlainText(u"Water the garden"_s);
        QVERIFY(e->sbSaveClick());
        QCOMPARE(f.taskCount(), 2);
        QCOMPARE(f.row(copy)[u"Task"_s].toString(), u"Water the garden"_s);
        QCOMPARE(f.row(source)[u"Task"_s].toString(), u"Water the plants"_s);

        // Delete in the same dialog removes the saved copy, not its source.
        f.prompter.answers = {true};
        QTest::mouseClick(child<QToolButton>(e.get(), "sbDelete0"), Qt::LeftButton);
        QCOMPARE(f.taskCount(), 1);
        QVERIFY(f.row(copy).isEmpty());
        QCOMPARE(f.row(source)[u"Task"_s].toString(), u"Water the plants"_s);
    }

    void promptModeAndMissingSources()
    {
        EditorFixture f;
        const int id = f.addTask();
        f.state.PromptedTaskID = id;
        bool shown = false;
        whenModal([&](QWidget *e) {
            shown = true;
            QCOMPARE(e->windowTitle(), u"Nudgewick"_s);
            QCOMPARE(static_cast<TfTaskEdit *>(e)->editedTaskId(), id);
            QVERIFY(child<QToolButton>(e, "sbApplyOccurrence")->isEnabled());
            child<QSpinBox>(e, "sePriority")->setValue(9);
            QTest::mouseClick(child<QPushButton>(e, "bbOK"), Qt::LeftButton);
        });
        f.window->OpenTaskEditor(TaskEditorMode::Prompt);
        QVERIFY(shown);
        QCOMPARE(f.row(id)[u"Priority"_s].toInt(), 9);
        QVERIFY(!f.dm.qPrompt.isOpen());

        // A prompted task that is gone, and an empty task list: nothing shows.
        f.state.PromptedTaskID = 999;
        f.window->OpenTaskEditor(TaskEditorMode::Prompt);
        f.dm.qTasks.setSql({u"select *"_s, u"from Tasks"_s, u"where ID < 0"_s});
        f.dm.RequeryTaskList();
        f.window->OpenTaskEditor(TaskEditorMode::Edit);
        f.window->OpenTaskEditor(TaskEditorMode::Duplicate);
        QVERIFY(!f.state.CurrentTaskEditor);
        QVERIFY(!f.window->windowMenu()->menuAction()->isVisible());
        QVERIFY(f.prompter.shown.isEmpty());
    }

    void okFollowsTheInput_data()
    {
        QTest::addColumn<QString>("task");
        QTest::addColumn<QString>("category");
        QTest::addColumn<bool>("enabled");
        QTest::newRow("empty") << u""_s << u"None"_s << false;
        QTest::newRow("blank task") << u"  \n "_s << u"None"_s << false;
        QTest::newRow("blank category") << u"Task"_s << u"   "_s << false;
        QTest::newRow("both") << u"Task"_s << u"None"_s << true;
    }
    void okFollowsTheInput()
    {
        QFETCH(QString, task);
        QFETCH(QString, category);
        QFETCH(bool, enabled);
        EditorFixture f;
        auto e = f.editor(TaskEditorMode::Add);
        child<QPlainTextEdit>(e.get(), "mTask")->setPlainText(task);
        child<QComboBox>(e.get(), "cbCategory")->setEditText(category);
        QCOMPARE(child<QPushButton>(e.get(), "bbOK")->isEnabled(), enabled);
    }

    void descriptionHolds255Characters()
    {
        EditorFixture f;
        auto e = f.editor(TaskEditorMode::Add);
        auto *memo = child<QPlainTextEdit>(e.get(), "mTask");
        memo->setFocus();
        memo->insertPlainText(QString(254, u'a'));
        QCOMPARE(child<QLabel>(e.get(), "pCount")->text(), u"1 characters left"_s);
        // A line break counts two, so it does not fit; a letter does, and
        // then nothing more.
        memo->insertPlainText(u"\n"_s);
        QCOMPARE(memo->toPlainText(), QString(254, u'a'));
        memo->insertPlainText(u"bcd"_s);
        QCOMPARE(memo->toPlainText(), QString(254, u'a') + u"b"_s);
        QCOMPARE(child<QLabel>(e.get(), "pCount")->text(), u"0 characters left"_s);
    }

    // Enter in the priority or percentage field presses OK only when OK is
    // offered and the input can be saved.
    void enterInNumberFields()
    {
        EditorFixture f;
        auto e = f.editor(TaskEditorMode::Add);
        QTest::keyClick(child<QSpinBox>(e.get(), "sePriority"), Qt::Key_Return);
        QTest::keyClick(child<QSpinBox>(e.get(), "sePercentageComplete"), Qt::Key_Enter);
        QCOMPARE(f.taskCount(), 0);
        QVERIFY(e->isVisible());

        child<QPlainTextEdit>(e.get(), "mTask")->setPlainText(u"Buy milk"_s);
        QTest::keyClick(child<QSpinBox>(e.get(), "sePriority"), Qt::Key_Return);
        QCOMPARE(f.taskCount(), 1);
        QVERIFY(!e->isVisible());
    }

    void inputAtTheLimits_data()
    {
        QTest::addColumn<QString>("category");
        QTest::addColumn<QString>("snooze");
        QTest::addColumn<QString>("message"); // empty: saved
        QTest::newRow("category of 20") << QString(20, u'c') << u"5"_s << QString();
        QTest::newRow("snooze 60") << u"Home"_s << u"60"_s << QString();
        QTest::newRow("category of 21") << QString(21, u'c') << u"5"_s << u"at most 20 characters"_s;
        QTest::newRow("snooze 61") << u"Home"_s << u"61"_s << u"from 0 to 60"_s;
        QTest::newRow("snooze negative") << u"Home"_s << u"-5"_s << u"from 0 to 60"_s;
        QTest::newRow("snooze letters") << u"Home"_s << u"soon"_s << u"whole number"_s;
    }
    // Input the table cannot hold is refused before anything is written, for
    // a new task and an existing one alike, and the dialog stays as it was;
    // input at the very limit is saved.
    void inputAtTheLimits()
    {
        QFETCH(QString, category);
        QFETCH(QString, snooze);
        QFETCH(QString, message);
        for (TaskEditorMode mode : {TaskEditorMode::Add, TaskEditorMode::Edit}) {
            EditorFixture f;
            const int id = f.addTask();
            f.select(id);
            auto e = f.editor(mode);
            child<QPlainTextEdit>(e.get(), "mTask")->setPlainText(u"Changed"_s);
            child<QComboBox>(e.get(), "cbCategory")->setEditText(category);
            child<QComboBox>(e.get(), "cbSnoozeTime")->setEditText(snooze);
            QTest::mouseClick(child<QPushButton>(e.get(), "bbOK"), Qt::LeftButton);
            if (message.isEmpty()) {
                QVERIFY2(f.prompter.shown.isEmpty(), qPrintable(f.prompter.shown.value(0)));
                QVERIFY(!e->isVisible());
                QCOMPARE(f.taskCount(), mode == TaskEditorMode::Add ? 2 : 1);
                const int saved = mode == TaskEditorMode::Add ? id + 1 : id;
                QCOMPARE(f.row(saved)[u"Category"_s].toString(), category);
                QCOMPARE(f.row(saved)[u"SnoozeTime"_s].toInt(), snooze.toInt());
                continue;
            }
            QCOMPARE(f.prompter.shown.size(), 1);
            QVERIFY2(f.prompter.shown.first().startsWith(u"exclamation: "_s) && f.prompter.shown.first().contains(message),
                     qPrintable(f.prompter.shown.first()));
            QVERIFY(e->isVisible());
            QCOMPARE(child<QComboBox>(e.get(), "cbCategory")->currentText(), category);
            QCOMPARE(f.taskCount(), 1);
            QCOMPARE(f.row(id)[u"Task"_s].toString(), u"Water the plants"_s);
            QCOMPARE(f.dm.qTasks.recordCount(), 1);
            QCOMPARE(f.dm.qTasks.state(), Query::State::Browse);
        }
    }

    // The engine refuses the write: the error is shown, nothing is pending
    // in the task list, and the dialog stays open and usable with the input.
    void failedSaveKeepsTheDialog()
    {
        for (TaskEditorMode mode : {TaskEditorMode::Add, TaskEditorMode::Edit}) {
            EditorFixture f;
            const int id = f.addTask();
            f.select(id);
            Query trigger(f.dm.ADOConnection);
            trigger.setSql({u"create trigger refuse_insert before insert on Tasks begin select raise(abort, 'disk is full'); end"_s});
            trigger.execSql();
            trigger.setSql({u"create trigger refuse_update before update on Tasks begin select raise(abort, 'disk is full'); end"_s});
            trigger.execSql();

            bool checked = false;
            whenModal([&](QWidget *e) {
                child<QPlainTextEdit>(e, "mTask")->setPlainText(u"Keep me"_s);
                QTest::mouseClick(child<QPushButton>(e, "bbOK"), Qt::LeftButton);
                QCOMPARE(f.prompter.shown.size(), 1);
                QVERIFY2(f.prompter.shown.first().startsWith(u"error: "_s) && f.prompter.shown.first().contains(u"disk is full"_s),
                         qPrintable(f.prompter.shown.first()));
                QVERIFY(e->isVisible());
                QVERIFY(child<QPushButton>(e, "bbOK")->isEnabled());
                QCOMPARE(child<QPlainTextEdit>(e, "mTask")->toPlainText(), u"Keep me"_s);
                QCOMPARE(f.dm.qTasks.recordCount(), 1);
                QCOMPARE(f.dm.qTasks.state(), Query::State::Browse);
                checked = true;
                f.prompter.answers = {true}; // discard the unsaved text
                e->close();
            });
            f.window->OpenTaskEditor(mode);
            QVERIFY(checked);
            QCOMPARE(f.taskCount(), 1);
            QCOMPARE(f.row(id)[u"Task"_s].toString(), u"Water the plants"_s);
        }
    }

    // A task deleted while its editor was open is not reported as saved.
    void savingAGoneTaskIsReported()
    {
        EditorFixture f;
        const int id = f.addTask();
        f.select(id);
        auto e = f.editor(TaskEditorMode::Edit);
        Query remove(f.dm.ADOConnection);
        remove.setSql({u"delete from Tasks where ID = :ID"_s});
        remove.setParam(u"ID"_s, id);
        remove.execSql();
        QTest::mouseClick(child<QPushButton>(e.get(), "bbOK"), Qt::LeftButton);
        QCOMPARE(f.prompter.shown, QStringList{u"error: The task could not be saved: it is no longer in the task list."_s});
        QVERIFY(e->isVisible());
    }

    // The snooze time of a kind that is never prompted cannot be changed by
    // the user, so it never stops a save.
    void unusedSnoozeTimeDoesNotBlockTheSave()
    {
        EditorFixture f;
        const int id = f.addTask({{u"Occurrence"_s, u"Todo"_s}, {u"SnoozeTime"_s, 90}});
        f.select(id);
        auto e = f.editor(TaskEditorMode::Edit);
        QVERIFY(!child<QWidget>(e.get(), "tsTaskSettings")->isEnabled());
        QVERIFY(e->sbSaveClick());
        QCOMPARE(f.row(id)[u"SnoozeTime"_s].toInt(), 60);
        QVERIFY(f.prompter.shown.isEmpty());
    }

    void ctrlSSavesAndStaysOpen()
    {
        EditorFixture f;
        const int id = f.addTask();
        f.select(id);
        auto e = f.editor(TaskEditorMode::Edit);
        auto *notes = child<QPlainTextEdit>(e.get(), "mNotes");
        child<QTabWidget>(e.get(), "pcTaskEdit")->setCurrentIndex(1);
        notes->setPlainText(u"New notes"_s);
        QVERIFY(child<QToolButton>(e.get(), "sbSave")->isVisible());
        e->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(e.get()));
        QTest::keyClick(notes, Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(f.row(id)[u"Notes"_s].toString(), u"New notes"_s);
        QVERIFY(e->isVisible());
        QVERIFY(!child<QToolButton>(e.get(), "sbSave")->isVisible());
        notes->setPlainText(u"Newer notes"_s);
        QVERIFY(child<QToolButton>(e.get(), "sbSave")->isVisible());
    }

    void cancelAndEscStoreNothing()
    {
        EditorFixture f;
        const int id = f.addTask();
        for (int way = 0; way < 3; ++way) {
            f.select(id);
            whenModal([way](QWidget *e) {
                child<QPlainTextEdit>(e, "mNotes")->setPlainText(u"Lost"_s);
                if (way == 0)
                    QTest::mouseClick(child<QPushButton>(e, "bbCancel"), Qt::LeftButton);
                else if (way == 1)
                    QTest::keyClick(child<QPlainTextEdit>(e, "mTask"), Qt::Key_Escape);
                else
                    e->close();
            });
            f.state.ScanPending = false;
            // Esc and the close box ask first; Cancel says what it does.
            f.prompter.shown.clear();
            f.prompter.answers = {true};
            f.window->OpenTaskEditor(TaskEditorMode::Edit);
            QCOMPARE(f.prompter.shown, way == 0 ? QStringList() : QStringList{Discard});
            QCOMPARE(f.row(id)[u"Notes"_s].toString(), u"Line one\r\nLine two"_s);
            QVERIFY(f.state.ScanPending);
            QVERIFY(!f.window->windowMenu()->menuAction()->isVisible());
        }
    }

    // Esc asks only when something was changed since the editor showed or
    // last saved; "Keep editing" (the default answer) keeps the typed text.
    void escapeAsksBeforeDiscarding_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("change");
        QTest::addColumn<bool>("asks");
        const int add = int(TaskEditorMode::Add);
        const int edit = int(TaskEditorMode::Edit);
        QTest::newRow("new, untouched") << add << QString() << false;
        QTest::newRow("new, typed") << add << u"task"_s << true;
        QTest::newRow("existing, untouched") << edit << QString() << false;
        QTest::newRow("existing, notes typed") << edit << u"notes"_s << true;
        QTest::newRow("existing, priority") << edit << u"priority"_s << true;
        QTest::newRow("existing, completed") << edit << u"completed"_s << true;
        QTest::newRow("existing, typed and saved") << edit << u"saved"_s << false;
        QTest::newRow("existing, typed and typed back") << edit << u"undone"_s << false;
    }
    void escapeAsksBeforeDiscarding()
    {
        QFETCH(int, mode);
        QFETCH(QString, change);
        QFETCH(bool, asks);
        EditorFixture f;
        f.select(f.addTask());
        auto e = f.editor(TaskEditorMode(mode));
        auto *task = child<QPlainTextEdit>(e.get(), "mTask");
        const QString before = task->toPlainText();
        if (change == u"task"_s)
            task->setPlainText(u"Call the plumber"_s);
        else if (change == u"notes"_s || change == u"saved"_s)
            child<QPlainTextEdit>(e.get(), "mNotes")->setPlainText(u"More"_s);
        else if (change == u"priority"_s)
            child<QSpinBox>(e.get(), "sePriority")->setValue(7);
        else if (change == u"completed"_s)
            child<QCheckBox>(e.get(), "cbCompleted")->setChecked(true);
        else if (change == u"undone"_s) {
            task->setPlainText(u"Something else"_s);
            task->setPlainText(before);
        }
        if (change == u"saved"_s)
            QVERIFY(e->sbSaveClick());
        const QString typed = task->toPlainText();

        f.prompter.answers = {false}; // Keep editing
        QTest::keyClick(task, Qt::Key_Escape);
        QCOMPARE(f.prompter.shown, asks ? QStringList{Discard} : QStringList());
        QCOMPARE(e->isVisible(), asks);
        if (!asks)
            return;
        QCOMPARE(task->toPlainText(), typed);
        f.prompter.answers = {true}; // Discard
        e->close();
        QVERIFY(!e->isVisible());
    }

    // Done from a prompt while an editor is open on the task: the editor's
    // save keeps what Done did where the user left those fields as they
    // were, and keeps what the user changed; the editor then shows it.
    void promptDoneWhileEditing_data()
    {
        QTest::addColumn<QString>("occurrence");
        QTest::addColumn<bool>("userSnoozes");
        QTest::newRow("one-off, text edited") << u"Scheduled"_s << false;
        QTest::newRow("daily, text edited") << u"Daily"_s << false;
        QTest::newRow("daily, alarm snoozed in the editor") << u"Daily"_s << true;
        QTest::newRow("one-off, alarm snoozed in the editor") << u"Scheduled"_s << true;
    }
    void promptDoneWhileEditing()
    {
        QFETCH(QString, occurrence);
        QFETCH(bool, userSnoozes);
        EditorFixture f;
        const int id = f.addTask({{u"Occurrence"_s, occurrence}, {u"AutoSnooze"_s, 0}});
        f.select(id);
        auto e = f.editor(TaskEditorMode::Edit);
        QVERIFY(e);
        child<QPlainTextEdit>(e.get(), "mTask")->setPlainText(u"Water the plants well"_s);
        if (userSnoozes)
            e->snoozeBy(SnoozeUnit::Minutes, 30);

        const QVariantMap loaded = f.row(id);
        QVERIFY(f.window->alarmEngine()->answers().done({id, DateTime(loaded[u"AlarmDateTime"_s].toDouble())}));
        const QVariantMap done = f.row(id);
        QVERIFY(done != loaded);

        QVERIFY(e->sbSaveClick());
        const QVariantMap saved = f.row(id);
        QCOMPARE(saved[u"Task"_s].toString(), u"Water the plants well"_s);
        for (const QString &field : {u"Completed"_s, u"PercentageComplete"_s, u"CompletedDate"_s, u"DueDateTime"_s})
            QCOMPARE(saved[field], done[field]);
        if (userSnoozes)
            QCOMPARE(DateTime(saved[u"AlarmDateTime"_s].toDouble()), snoozedAlarm(SnoozeUnit::Minutes, 30, f.clock.now()));
        else
            QCOMPARE(saved[u"AlarmDateTime"_s], done[u"AlarmDateTime"_s]);
        QCOMPARE(child<QCheckBox>(e.get(), "cbCompleted")->isChecked(), done[u"Completed"_s].toBool());

        // The editor shows what it stored: saving again changes nothing.
        QVERIFY(e->sbSaveClick());
        QCOMPARE(f.row(id), saved);
    }

    void deleteAsksFirst()
    {
        EditorFixture f;
        const int id = f.addTask();
        f.select(id);
        auto e = f.editor(TaskEditorMode::Edit);
        f.prompter.answers = {false};
        QTest::mouseClick(child<QToolButton>(e.get(), "sbDelete0"), Qt::LeftButton);
        QCOMPARE(f.prompter.shown, QStringList{u"confirm: Are you sure you want to delete this task?"_s});
        QCOMPARE(f.taskCount(), 1);
        QVERIFY(e->isVisible());
        f.prompter.answers = {true};
        QTest::mouseClick(child<QToolButton>(e.get(), "sbDelete0"), Qt::LeftButton);
        QCOMPARE(f.taskCount(), 0);
        QVERIFY(!e->isVisible());
        QCOMPARE(f.dm.qTasks.recordCount(), 0);
    }

    // A prompt editor opened over an open editor: each has its item in the
    // Window menu, and the lower one is the current editor again once the
    // upper one has closed.
    // An editor opened over another one and cancelled leaves the first
    // editor's repeat values alone.
    void nestedEditorsKeepTheirOwnRepeatValues()
    {
        EditorFixture f;
        const int a = f.addTask({{u"Occurrence"_s, u"Days"_s}, {u"Frequency"_s, 3}, {u"ValidHours"_s, u"08-17"_s},
                                 {u"ValidDays"_s, u"MTWTF__"_s}});
        const int b = f.addTask({{u"Task"_s, u"Other"_s}, {u"Occurrence"_s, u"Days"_s}, {u"Frequency"_s, 7},
                                 {u"ValidHours"_s, u"10-12"_s}, {u"ValidDays"_s, u"______S"_s}});
        f.select(a);
        auto first = f.editor(TaskEditorMode::Edit);
        f.select(b);
        {
            auto second = f.editor(TaskEditorMode::Edit);
            QTest::keyClick(second.get(), Qt::Key_Escape);
        }
        QVERIFY(first->sbSaveClick());
        const QVariantMap r = f.row(a);
        QCOMPARE(r[u"Frequency"_s].toInt(), 3);
        QCOMPARE(r[u"ValidHours"_s].toString(), u"08-17"_s);
        QCOMPARE(r[u"ValidDays"_s].toString(), u"MTWTF__"_s);
    }

    void windowMenuWithNestedEditors()
    {
        EditorFixture f;
        const int edited = f.addTask({{u"Task"_s, u"Plan the holidays in the mountains"_s}, {u"Category"_s, u"Family"_s}});
        const int prompted = f.addTask({{u"Task"_s, u"Dentist"_s}});
        f.select(edited);
        QStringList seen;
        QPointer<QObject> lower;
        whenModal([&](QWidget *outer) {
            lower = outer;
            f.state.PromptedTaskID = prompted;
            whenModal([&, outer](QWidget *inner) {
                QVERIFY(inner != outer);
                QCOMPARE(f.state.CurrentTaskEditor.data(), inner);
                for (QAction *item : f.window->windowMenu()->actions())
                    seen << item->objectName() + u" "_s + item->text();
                // The item brings its editor forward.
                f.window->WindowItemClick(f.window->windowMenu()->actions().first());
                inner->close();
            });
            f.window->OpenTaskEditor(TaskEditorMode::Prompt);
            QCOMPARE(f.state.CurrentTaskEditor.data(), outer);
            QCOMPARE(f.window->windowMenu()->actions().size(), 1);
            QCOMPARE(f.window->windowMenu()->actions().first()->objectName(), u"Item%1"_s.arg(edited));
            outer->close();
        });
        f.window->OpenTaskEditor(TaskEditorMode::Edit);
        QCOMPARE(seen, (QStringList{u"Item%1 [Family] Plan the holiday"_s.arg(edited),
                                    u"Item%1 [Home] Dentist"_s.arg(prompted)}));
        QVERIFY(!f.state.CurrentTaskEditor);
        QVERIFY(f.window->windowMenu()->actions().isEmpty());
        QVERIFY(!f.window->windowMenu()->menuAction()->isVisible());
        QVERIFY(!lower);
    }

    void dateInsertsAndDescription()
    {
        EditorFixture f;
        const int id = f.addTask();
        f.select(id);
        auto e = f.editor(TaskEditorMode::Edit);
        auto *task = child<QPlainTextEdit>(e.get(), "mTask");
        QTextCursor c = task->textCursor();
        c.setPosition(6);
        task->setTextCursor(c);
        e->sbTaskDateInsertClick();
        QCOMPARE(task->toPlainText(), u"Water 2026/12/10 08:00the plants"_s);
        QCOMPARE(QGuiApplication::clipboard()->text(), u"2026/12/10 08:00"_s);

        child<QTabWidget>(e.get(), "pcTaskEdit")->setCurrentIndex(1);
        auto *notes = child<QPlainTextEdit>(e.get(), "mNotes");
        notes->setPlainText(u"Done"_s);
        e->sbDateTaskDescriptionClick();
        QCOMPARE(notes->toPlainText(), u"Done [Water 2026/12/10 08:00the plants] "_s);
        QCOMPARE(notes->textCursor().position(), notes->toPlainText().size());
    }

    // Tab walks the controls of the page in reading order, then the buttons
    // and the page tabs, and comes back round.
    void tabOrder()
    {
        EditorFixture f;
        f.select(f.addTask());
        auto e = f.editor(TaskEditorMode::Edit);
        QStringList order;
        QWidget *first = child<QWidget>(e.get(), "mTask");
        QWidget *w = first;
        do {
            // The editors inside spin and combo boxes take focus for them.
            const bool proxy = qobject_cast<QAbstractSpinBox *>(w->parentWidget())
                               || qobject_cast<QComboBox *>(w->parentWidget());
            if (w->isVisibleTo(e.get()) && w->isEnabled() && (w->focusPolicy() & Qt::TabFocus) && !proxy)
                order << w->objectName();
            w = w->nextInFocusChain();
        } while (w != first && order.size() < 100);
        QCOMPARE(order, (QStringList{u"mTask"_s, u"sbTaskDateInsert"_s, u"cbCategory"_s, u"sePriority"_s,
                                     u"cbOccurrence"_s, u"sbOccurrenceSettings"_s, u"dtpDueDate"_s, u"meDueTime"_s,
                                     u"dtpAlarmDate"_s, u"meAlarmTime"_s, u"sbSnooze"_s, u"sbSnoozeDropDown"_s,
                                     u"sePercentageComplete"_s, u"cbCompleted"_s, u"sbPrint0"_s, u"sbDelete0"_s,
                                     u"bbOK"_s, u"bbCancel"_s, u"pcTaskEdit"_s, u"qt_tabwidget_tabbar"_s}));
    }

    // Tab alone reaches every control of each page; Ctrl+Tab goes to the
    // next page.
    void tabReachesEveryControl()
    {
        EditorFixture f;
        f.select(f.addTask());
        auto e = f.editor(TaskEditorMode::Edit);
        e->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(e.get()));
        auto *pages = child<QTabWidget>(e.get(), "pcTaskEdit");
        QCOMPARE(pages->currentIndex(), 0);
        for (int page = 0; page < pages->count(); ++page) {
            if (page > 0)
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab, Qt::ControlModifier);
            QCOMPARE(pages->currentIndex(), page);
            if (!QApplication::focusWidget() || QApplication::focusWidget()->window() != e.get())
                pages->tabBar()->setFocus();
            const QSet<QWidget *> reached = TabWalk::walk(e.get());
            const QStringList missed = TabWalk::missed(e.get(), reached);
            // Not a walk over nothing.
            QVERIFY(TabWalk::controls(e.get()).size() >= 5);
            QVERIFY2(missed.isEmpty(), qPrintable(u"page %1: %2"_s.arg(page).arg(missed.join(u", "_s))));
        }
    }

    void printAsksForTheTask()
    {
        EditorFixture f;
        const int id = f.addTask();
        f.select(id);
        auto e = f.editor(TaskEditorMode::Edit);
        QSignalSpy print(e.get(), &TfTaskEdit::printTaskRequested);
        QTest::mouseClick(child<QToolButton>(e.get(), "sbPrint0"), Qt::LeftButton);
        QCOMPARE(print.size(), 1);
        QCOMPARE(print.first().first().toInt(), id);
    }
};

QTEST_MAIN(TestTaskEditor)
#include "tst_TaskEditor.moc"
