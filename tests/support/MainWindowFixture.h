#pragma once

#include "app/TfNudgewick.h"
#include "core/AppState.h"
#include "core/Clock.h"
#include "store/DataModule.h"
#include "toolkit/ScriptedPrompter.h"

#include <QApplication>
#include <QSignalSpy>
#include <QTimer>
#include <QTemporaryDir>

#include <memory>

// A main window on a database in its own temporary folder, with a fixed
// clock and a scripted prompter. create() runs the start-up sequence; a test
// that prepares the settings file writes it before.
struct MainWindowFixture
{
    QTemporaryDir dir;
    FixedClock clock{DateTime::fromQDateTime(QDateTime(QDate(2026, 12, 10), QTime(8, 0)))};
    AppState state;
    ScriptedPrompter prompter;
    TDM dm{clock, state};
    std::unique_ptr<TfNudgewick> window;
    std::unique_ptr<QSignalSpy> ended; // the window's "ended" signal

    QString ini() const { return dir.filePath(QStringLiteral("Nudgewick.ini")); }

    void create()
    {
        // Start at login is looked up and rewritten at start-up: in the
        // test's own folder, never in the user's.
        qputenv("XDG_CONFIG_HOME", dir.filePath(QStringLiteral("config")).toLocal8Bit());
        window = std::make_unique<TfNudgewick>(dm, state, prompter, clock, dir.path());
        ended = std::make_unique<QSignalSpy>(window.get(), &TfNudgewick::ended);
        window->FormCreate();
    }
};

// Closes the modal dialog that the next action opens (the task editor, for
// one) as soon as the event loop runs, and returns its caption through
// `caption`: the action under test returns instead of waiting for a user.
inline void closeNextModal(QString *caption)
{
    QTimer::singleShot(0, qApp, [caption] {
        if (QWidget *dialog = QApplication::activeModalWidget()) {
            *caption = dialog->windowTitle();
            dialog->close();
        }
    });
}
