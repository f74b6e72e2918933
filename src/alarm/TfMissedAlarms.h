#pragma once

#include "alarm/DueTask.h"
#include "core/DateFormat.h"

#include <QDialog>

#include <memory>

namespace Ui {
class TfMissedAlarms;
}

// "While you were away": the reminders that came due during a gap, one row
// each (alarm time, category, task) with an Open button, and "Snooze all"
// and "Dismiss" for the whole list. The window only reports the user's
// choices; whoever shows it opens and snoozes the tasks.
class TfMissedAlarms : public QDialog
{
    Q_OBJECT
public:
    explicit TfMissedAlarms(QWidget *parent = nullptr);
    ~TfMissedAlarms() override;

    // Lists the tasks, in the order given, with alarm times in the formats.
    void setTasks(const QList<DueTask> &tasks, const FormatSettings &formats);
    // The IDs of the tasks still listed, top to bottom.
    QList<qint64> taskIds() const;
    // Takes a task off the list (it was opened).
    void removeTask(qint64 id);

signals:
    void openRequested(qint64 id);
    void snoozeAllRequested();

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    void addOpenButton(int row, qint64 id);
    void openRow(int row);

    std::unique_ptr<Ui::TfMissedAlarms> ui;
};
