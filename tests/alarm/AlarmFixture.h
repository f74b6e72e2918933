#pragma once

#include "AlarmTestSupport.h"

#include "alarm/AlarmScan.h"
#include "core/AppState.h"
#include "core/Clock.h"
#include "popup/MSNPopUp.h"
#include "store/DataModule.h"
#include "toolkit/FakeSoundPlayer.h"
#include "toolkit/ScriptedPrompter.h"
#include "toolkit/TaskbarGeometry.h"

#include <QCoreApplication>
#include <QSet>
#include <QTemporaryDir>

#include <memory>

// A task as a test writes it; the defaults are a plain one-off task.
struct TaskSpec
{
    QString task = QStringLiteral("Task");
    QString category = QStringLiteral("Work");
    QString occurrence = QStringLiteral("Scheduled");
    int frequency = 1;
    QString validHours = QStringLiteral("00-23");
    QString validDays = QStringLiteral("_______");
    DateTime due{};
    DateTime alarm{};
    bool completed = false;
    int snoozeTime = 5;
    bool autoSnooze = false;
    int repeatAutoSnooze = 0;
    int autoSnoozeAction = 0;
};

// A real database file in a temporary folder, the data module on it, a set
// clock, a notification component on a fixed 1280 x 1024 screen, a fake
// sound and the alarm scan over all of them.
struct AlarmFixture
{
    QTemporaryDir dir;
    FixedClock clock{at(2026, 12, 10, 9, 0)}; // a Thursday
    AppState state;
    ScriptedPrompter prompter;
    FakeSoundPlayer sound;
    FixedTaskbarGeometry geometry{QRect(0, 0, 1280, 1024), QRect(0, 0, 1280, 994)};
    TDM dm{clock, state};
    TMSNPopUp popup;
    QSet<qint64> editorsOpen;
    int updateChecks = 0;
    QList<QList<qint64>> overflows; // the tasks of each pass the full popup stack refused
    std::unique_ptr<AlarmScan> scan;

    AlarmFixture()
    {
        dm.connectTo(dir.filePath(QStringLiteral("Nudgewick.mdb")));
        popup.applyMainWindowDesign();
        popup.setTaskbarGeometry(&geometry);
        scan = std::make_unique<AlarmScan>(
            dm, state, clock, popup, sound, prompter,
            AlarmScan::Hooks{[this](qint64 id) { return editorsOpen.contains(id); }, [this] { ++updateChecks; }, {},
                             [this](const QList<DueTask> &refused) {
                                 QList<qint64> ids;
                                 for (const DueTask &task : refused)
                                     ids << task.id;
                                 overflows << ids;
                             }});
    }

    ~AlarmFixture() { closeWindows(); }

    qint64 add(const TaskSpec &t)
    {
        Query insert(dm.ADOConnection);
        insert.setSql({QStringLiteral("insert into Tasks (Task, Category, Occurrence, Frequency, ValidHours, ValidDays,"
                                      " DueDateTime, AlarmDateTime, Completed, SnoozeTime, AutoSnooze,"
                                      " RepeatAutoSnooze, AutoSnoozeAction)"),
                       QStringLiteral("values (:Task, :Category, :Occurrence, :Frequency, :ValidHours, :ValidDays,"
                                      " :Due, :Alarm, :Completed, :SnoozeTime, :AutoSnooze, :Repeat, :Action)")});
        insert.setParam(QStringLiteral("Task"), t.task);
        insert.setParam(QStringLiteral("Category"), t.category);
        insert.setParam(QStringLiteral("Occurrence"), t.occurrence);
        insert.setParam(QStringLiteral("Frequency"), t.frequency);
        insert.setParam(QStringLiteral("ValidHours"), t.validHours);
        insert.setParam(QStringLiteral("ValidDays"), t.validDays);
        insert.setParam(QStringLiteral("Due"), t.due.isZero() ? t.alarm : t.due);
        insert.setParam(QStringLiteral("Alarm"), t.alarm);
        insert.setParam(QStringLiteral("Completed"), t.completed);
        insert.setParam(QStringLiteral("SnoozeTime"), t.snoozeTime);
        insert.setParam(QStringLiteral("AutoSnooze"), t.autoSnooze);
        insert.setParam(QStringLiteral("Repeat"), t.repeatAutoSnooze);
        insert.setParam(QStringLiteral("Action"), t.autoSnoozeAction);
        insert.execSql();
        Query last(dm.ADOConnection);
        last.setSql({QStringLiteral("select max(ID) as ID from Tasks")});
        last.open();
        return last.fieldByName(QStringLiteral("ID")).asInteger();
    }

    // One field of a task as the database holds it; invalid when the task is gone.
    QVariant value(qint64 id, const QString &field)
    {
        Query row(dm.ADOConnection);
        row.setSql({QStringLiteral("select * from Tasks where ID = :ID")});
        row.setParam(QStringLiteral("ID"), id);
        row.open();
        return row.eof() ? QVariant() : row.fieldByName(field).value();
    }
    DateTime alarmOf(qint64 id) { return DateTime(value(id, QStringLiteral("AlarmDateTime")).toDouble()); }

    // The notification windows as the user would close them.
    void closeWindows()
    {
        popup.CloseAllPopupWindows();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
};
