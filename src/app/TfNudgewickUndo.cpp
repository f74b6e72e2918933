// The main window's part of undo and redo: the Edit menu's two items, named
// after the step they would take back, and what follows a replay.

#include "app/TfNudgewick.h"

#include "core/AppState.h"
#include "store/DataModule.h"
#include "store/UndoJournal.h"
#include "toolkit/Prompter.h"
#include "views/ViewPanel.h"

#include <QAction>
#include <QMenuBar>

using namespace Qt::StringLiterals;

void TfNudgewick::createUndoActions()
{
    aUndo = new QAction(tr("&Undo"), this);
    aUndo->setObjectName(u"aUndo"_s);
    aUndo->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
    aRedo = new QAction(tr("&Redo"), this);
    aRedo->setObjectName(u"aRedo"_s);
    aRedo->setShortcuts({QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)});
    addAction(aUndo);
    addAction(aRedo);
    connect(aUndo, &QAction::triggered, this, [this] { guard([this] { replayStep(true); }); });
    connect(aRedo, &QAction::triggered, this, [this] { guard([this] { replayStep(false); }); });

    QMenu *edit = new QMenu(tr("&Edit"), menuBar());
    edit->setObjectName(u"EditMenu"_s);
    edit->addAction(aUndo);
    edit->addAction(aRedo);
    const QList<QAction *> menus = menuBar()->actions();
    menuBar()->insertMenu(menus.size() > 1 ? menus.at(1) : nullptr, edit);

    // The names follow every recorded step and every new read of the list
    // (which also follows changes made through other connections).
    m_dm.ADOConnection.setJournalListener([this] { updateUndoActions(); });
    connect(&m_dm, &TDM::taskListRequeried, this, [this] { updateUndoActions(); });
    connect(edit, &QMenu::aboutToShow, this, [this] { updateUndoActions(); });
}

void TfNudgewick::updateUndoActions()
{
    QString undo;
    QString redo;
    try {
        if (m_dm.ADOConnection.isOpen()) {
            UndoJournal journal(m_dm.ADOConnection);
            undo = journal.undoLabel();
            redo = journal.redoLabel();
        }
    } catch (const std::exception &) {
        // A journal that cannot be read offers nothing to undo.
    }
    aUndo->setText(undo.isEmpty() ? tr("&Undo") : tr("&Undo %1").arg(undo));
    aUndo->setEnabled(!undo.isEmpty());
    aRedo->setText(redo.isEmpty() ? tr("&Redo") : tr("&Redo %1").arg(redo));
    aRedo->setEnabled(!redo.isEmpty());
}

void TfNudgewick::replayStep(bool undoing)
{
    // A change being typed into the grid is written first, as its own step.
    postPendingEdit();
    UndoJournal journal(m_dm.ADOConnection);
    const UndoOutcome outcome = undoing ? journal.undo() : journal.redo();
    updateUndoActions();
    if (!outcome.done)
        return;
    // As after an editor's save: the list, the value lists, the calendar's
    // marks and the alarm scan follow at once.
    m_dm.RequeryTaskList();
    emit tasksChanged();
    m_state.requestScan();
    if (!outcome.skippedTasks.isEmpty()) {
        QStringList names = outcome.skippedTasks;
        names.removeDuplicates();
        const QString what = undoing ? tr("undone") : tr("redone");
        m_prompter.message(tr("\"%1\" was %2 only in part: %3 of the changes could not be %2, because these tasks "
                              "were changed since:\n\n%4")
                               .arg(outcome.label, what)
                               .arg(outcome.skippedTasks.size())
                               .arg(names.join(u"\n"_s)));
    }
}
