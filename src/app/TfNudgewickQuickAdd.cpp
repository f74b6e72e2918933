// The main window's quick-add box.

#include "app/TfNudgewick.h"

#include "core/AppState.h"
#include "core/Clock.h"
#include "editor/TaskRecord.h"
#include "quickadd/TfQuickAdd.h"
#include "store/DataModule.h"
#include "views/ViewPanel.h"

using namespace Qt::StringLiterals;

void TfNudgewick::aQuickAddExecute()
{
    // One box at a time: a second call brings the open one forward.
    if (auto *open = findChild<TfQuickAdd *>(); open && open->isVisible()) {
        open->raise();
        open->activateWindow();
        return;
    }
    TfQuickAdd::Host host;
    host.makeContext = [this] {
        return quickAddContext(settingsFile(), m_clock, m_state.Formats, pcSelections->categoryCaptions());
    };
    host.save = [this](const TaskValues &values) {
        bool saved = false;
        guard([&] {
            saveNewTask(m_dm, values, m_clock.now(), tr("Add \u201C%1\u201D").arg(values.task.simplified()));
            saved = true;
        });
        if (saved) {
            emit tasksChanged();
            m_state.requestScan();
        }
        return saved;
    };
    TaskValues more;
    bool wantsMore = false;
    host.more = [&](const TaskValues &values) {
        more = values;
        wantsMore = true;
    };
    {
        TfQuickAdd box(host, this);
        box.exec();
    }
    // The full editor opens once the box has gone.
    if (wantsMore)
        OpenTaskEditor(TaskEditorMode::Add, &more);
}
