#pragma once

#include "core/DateTime.h"
#include "core/TaskEditorMode.h"
#include "editor/OccurrenceRules.h"
#include "editor/SnoozeMenu.h"
#include "editor/TaskEditorHost.h"
#include "editor/TaskRecord.h"

#include <QDialog>
#include <QPointer>

#include <memory>

class Query;
class QLabel;
class QMenu;
class QStatusBar;
namespace Ui { class TfTaskEdit; }

// The task editor: one task on three pages (the task, its notes and its
// snooze settings), filled for one of four modes and saved by appending a
// row (Add, Duplicate) or by updating the task's row (Edit, Prompt).
class TfTaskEdit : public QDialog
{
    Q_OBJECT
public:
    TfTaskEdit(const TaskEditorHost &host, QWidget *parent = nullptr);
    ~TfTaskEdit() override;

    // Opens an editor in the given mode, shows it modally and returns when
    // it has closed. In Edit and Duplicate mode the source is the current
    // row of the task list, in Prompt mode the task host.state.PromptedTaskID
    // names; without such a task nothing is shown. A new task's editor stays
    // over parent; an existing task's editor is a window of its own. The
    // editor is handed to prepared before it shows, so the caller can
    // connect its signals.
    static void open(const TaskEditorHost &host, TaskEditorMode mode, QWidget *parent,
                     const std::function<void(TfTaskEdit *)> &prepared = {});

    // Filling: a new task from the settings' defaults, or the current row
    // of a result set. fillFrom returns false when the source has no row.
    void fillNew();
    bool fillFrom(const Query &source, TaskEditorMode mode);
    // A new task's editor filled with values worked out elsewhere (the
    // quick-add line): text, category, priority, occurrence, due and alarm.
    void fillValues(const TaskValues &values);

    TaskEditorMode mode() const { return m_mode; }
    int editedTaskId() const { return m_editedTaskId; }
    QString statusText(int panel) const;

    // Handlers, also run by tests.
    void ValidateTaskInput();
    bool sbSaveClick();  // false when the input was refused or the save failed
    void bbOKClick();
    void sbDelete0Click();
    void sbTaskDateInsertClick();
    void sbNotesDateInsertClick();
    void sbDateTaskDescriptionClick();
    void cbOccurrenceChange();
    void sbOccurrenceSettingsClick();
    void sbApplyOccurrenceClick();
    void sbSnoozeClick();
    void snoozeBy(SnoozeUnit unit, int n);
    void cbCompletedClick();
    void sePercentageCompleteChange();
    void cbAutoSnoozeClick();
    bool UsesOccurrenceSettings() const;

    // The values a save would store, as the controls hold them now; throws
    // Error for input that cannot be stored.
    TaskValues gatherValues() const;

    QMenu *snoozeMenu() const { return pmSnooze; }

    // The repeat values this editor holds, as a save would store them.
    occurrence::Working workingOccurrence() const;

signals:
    // Tasks were added, changed or deleted: value lists and calendar marks
    // need a refresh.
    void tasksChanged();
    // The user asked to print the task with this ID.
    void printTaskRequested(int taskId);

protected:
    void showEvent(QShowEvent *event) override;
    void done(int result) override;
    // Esc and the close box: asks first when the task was changed since it
    // was shown or last saved.
    void reject() override;

private:
    void connectHandlers();
    void guard(const std::function<void()> &handler);
    void FormShow();
    void FormClose();
    void mTaskChange();
    void mNotesChange();
    void insertDateTime(class QPlainTextEdit *memo);
    void fillCategories();
    void setOccurrenceText(const QString &kind);
    void showOccurrenceRule();
    void setDue(DateTime value);
    void setAlarm(DateTime value);
    DateTime due() const;
    DateTime alarm() const;
    void dueChangedByUser();
    void setAutoSnoozeAction(std::optional<int> action);
    std::optional<int> autoSnoozeAction() const;
    void setCompletedPanel(const QString &text);
    TaskTimes shownTimes() const;
    void showTimes(const TaskValues &values);
    void applyLook();
    // The values of every input control and of the occurrence settings, to
    // tell whether anything was changed.
    QStringList inputSnapshot() const;

    std::unique_ptr<Ui::TfTaskEdit> ui;
    TaskEditorHost m_host;
    TaskEditorMode m_mode = TaskEditorMode::Add;
    int m_editedTaskId = 0;
    // The repeat values of this editor alone, so an editor opened over
    // another one cannot change them.
    occurrence::Working m_working;
    // False while a new task's valid days are nobody's choice: the kind's
    // default days are used then.
    bool m_daysChosen = true;
    // The day of the month the edited task keeps as stored; 0: none.
    int m_storedAnchorDay = 0;
    // The copy a Duplicate editor saved first; later saves update it.
    int m_savedCopyId = 0;
    bool m_occurrenceApplied = false; // Apply Occurrence was pressed since the last save
    // The task's completion, due and alarm as the editor read (or last
    // saved) them, and as its controls showed them then: a save tells by
    // them what was changed in the database meanwhile and what by the user.
    TaskTimes m_timesLoaded;
    TaskTimes m_timesShown;
    QStatusBar *sbTaskEdit = nullptr;
    QLabel *m_panels[3] = {};
    QMenu *pmSnooze = nullptr;
    QAction *Save1 = nullptr;
    QPointer<QAction> m_windowItem;
    QPointer<QObject> m_previousEditor;
    bool m_closed = false;
    QStringList m_shownInput;
};
