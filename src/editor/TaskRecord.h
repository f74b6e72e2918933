#pragma once

#include "core/DateFormat.h"
#include "core/DateTime.h"

#include <QString>

#include <optional>

class Connection;
class Query;
class TDM;

// The values of one task as the editor's controls hold them, gathered for a
// save. Texts are already trimmed.
struct TaskValues
{
    QString task;
    QString category;
    int priority = 10;
    QString occurrence;
    int frequency = 1;
    QString validHours;
    QString validDays;
    DateTime due;
    DateTime alarm;
    bool completed = false;
    int percentageComplete = 0;
    std::optional<DateTime> completedDate; // none: stored as null
    QString notes;
    int snoozeTime = 5;
    bool autoSnooze = false;
    int repeatAutoSnooze = 0;
    std::optional<int> autoSnoozeAction; // 1, 2 or 3; none: stored as null
    // The day of the month a task stepping by months or years keeps (1 to
    // 31), stored beside the task; 0: none.
    int anchorDay = 0;
};

// The fields of a task that its prompts' Done and snooze (or an undo) may
// change while an editor is open on it: the completion, the due and the
// alarm date-time.
struct TaskTimes
{
    bool completed = false;
    int percentageComplete = 0;
    std::optional<DateTime> completedDate;
    DateTime due;
    DateTime alarm;
    friend bool operator==(const TaskTimes &, const TaskTimes &) = default;

    static TaskTimes of(const TaskValues &values);
    // From the current row of a result set that holds the Tasks columns.
    static TaskTimes fromRow(const Query &row);
    // As the database holds them now; none when the task is gone.
    static std::optional<TaskTimes> read(Connection &connection, qint64 id);
};

// The values an editor's save stores when the task's times were changed in
// the database since the editor read them (loaded, now stored): where the
// user left a part as it was shown (the completion, the due, the alarm),
// the stored part is taken, so a Done or a snooze from a prompt is not
// undone by the save; a part the user changed keeps the user's value.
// `shown` is what the controls showed for `loaded` (whole minutes).
TaskValues withStoredTimes(TaskValues values, const TaskTimes &shown, const TaskTimes &loaded,
                           const TaskTimes &stored);

// Longest values the Tasks table takes.
inline constexpr int MaxTaskLength = 255;
inline constexpr int MaxCategoryLength = 20;
inline constexpr int MaxSnoozeMinutes = 60;

// The text a task's notes and description are stored with: line breaks as
// carriage return and line feed, as the stored files hold them; and back.
QString toStoredText(const QString &plain);
QString fromStoredText(const QString &stored);

// Characters a stored text takes, counting a line break as two.
int storedLength(const QString &plain);

// The snooze time typed into the editor as whole minutes from 0 to 60;
// nothing when the text is anything else.
std::optional<int> parseSnoozeMinutes(const QString &text);

// The completion date a save stores, from the completion box and the text
// of the status panel that shows it ("Task completed on " + date-time): the
// moment shown there, now when the box is ticked and nothing is shown, and
// none otherwise. Throws Error when the shown text is not a date-time.
std::optional<DateTime> completedDateToStore(bool completed, const QString &panelText, const FormatSettings &formats,
                                             DateTime now);

// The status panel text for a completion moment.
QString completedPanelText(DateTime when, const FormatSettings &formats);

// Builds the update of an existing task: the statement's lines and its typed
// parameters, ready to run.
void prepareTaskUpdate(Query &update, int id, const TaskValues &values);

// Appends the task as a new row of the task list and posts it. When posting
// fails the pending row is cancelled and the error is thrown on. Returns the
// new row's ID.
int appendTask(Query &taskList, const TaskValues &values, DateTime created);

// A new task as the editor's Add saves it: appended to the data module's task
// list, with the day it keeps, as one undo step named `undoLabel`, then the
// list is read again. Returns the new row's ID.
int saveNewTask(TDM &dm, const TaskValues &values, DateTime created, const QString &undoLabel);
