// Program entry: the data module, then the main window, then the event loop.

#include "app/CommandLine.h"
#include "app/DataFolder.h"
#include "app/OneInstance.h"
#include "app/TfNudgewick.h"
#include "core/AppState.h"
#include "core/Clock.h"
#include "core/Error.h"
#include "core/Logging.h"
#include "store/DataModule.h"
#include "sync/SyncRunner.h"
#include "toolkit/DeferredIcon.h"
#include "toolkit/DialogPlacement.h"
#include "toolkit/InstanceGuard.h"
#include "toolkit/Prompter.h"
#include "toolkit/ReportingApplication.h"
#include "toolkit/TerminationWatcher.h"

#include <QAction>
#include <QApplication>
#include <QSessionManager>

#include <cstdio>

using namespace Qt::StringLiterals;

int main(int argc, char *argv[])
{
    if (const auto exitCode = runInformationOption(argc, argv))
        return *exitCode;

    // Popups are placed and hotkeys grabbed through X11, so a Wayland
    // desktop with XWayland runs the program as an X11 client.
    if (qEnvironmentVariable("XDG_SESSION_TYPE") == u"wayland"_s && qEnvironmentVariableIsSet("DISPLAY")
        && !qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "xcb");

    // Without a display Qt would abort with a message about its platform
    // plugin; one plain line says what is missing instead.
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY")
        && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) {
        std::fputs("Nudgewick needs a graphical session: no display is set (DISPLAY or WAYLAND_DISPLAY).\n", stderr);
        return 1;
    }

    // Any argument (autostart passes "Startup") starts the program hidden.
    // Counted before Qt takes its own options (-style, -reverse...) out.
    const bool startHidden = argc > 1;
    ReportingApplication app(argc, argv);
    // Standard icons are read when first drawn, not while the window is made.
    QApplication::setStyle(new DeferredIconStyle(QApplication::style()));
    QApplication::setApplicationName(u"Nudgewick"_s);
    // No display name of its own: the platform would append it to every
    // window title ("Nudgewick 1.0 — Nudgewick"); the name stands in for it.
    QApplication::setApplicationVersion(QStringLiteral(NW_VERSION_TEXT));
    QApplication::setQuitOnLastWindowClosed(false);

    SystemClock clock;
    AppState state;
    MessageBoxPrompter prompter;
    app.setPrompter(&prompter);
    // Every dialog opens centred on its window and wholly on screen.
    DialogPlacement dialogPlacement;
    app.installEventFilter(&dialogPlacement);

    // A second copy ends here, before it touches any file.
    InstanceGuard instance(instanceFolder(), instanceName());
    if (!claimSingleInstance(instance, prompter))
        return 0;

    QString dataFolder;
    try {
        dataFolder = chooseDataFolder(QCoreApplication::applicationDirPath());
    } catch (const Error &e) {
        prompter.error(e.text());
        return 1;
    }

    TDM dm(clock, state);
    TfNudgewick window(dm, state, prompter, clock, dataFolder);
    prompter.setParent(&window);
    try {
        window.FormCreate();
        // Sync runs through its module, loaded at the first pass.
        window.setSyncRunner(tasksync::createRunner(window.databaseFile(), &window));
    } catch (const Error &e) {
        // A database that cannot be used is left as it is; say why and end.
        prompter.error(e.text());
        return 1;
    }

    // Once the window has shut down and saved, every event loop ends, also a
    // dialog's: quit() would first ask the open windows to close, and a
    // window that refuses (a notification being clicked) would keep the
    // program running with its alarm timer already stopped.
    QObject::connect(&window, &TfNudgewick::ended, &app, [] { QCoreApplication::exit(0); }, Qt::QueuedConnection);
    TerminationWatcher termination;
    QObject::connect(&termination, &TerminationWatcher::terminationRequested, &window, &TfNudgewick::endSession);
    // A logout first asks to save: everything is saved but the program runs
    // on, since the user may still cancel the logout. When the session really
    // ends the desktop quits the application (or sends SIGTERM).
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &window,
                     [&window](QSessionManager &) { window.commitSession(); });

    QObject::connect(&instance, &InstanceGuard::activationRequested, window.aShowNudgewick, &QAction::trigger);

    if (startHidden)
        window.startHidden();
    else
        window.show();
    qCInfo(lcApp) << (startHidden ? "window hidden" : "window shown");
    const int result = app.exec();
    // Ended from outside (the session manager's quit): save as at any end.
    if (!window.hasShutDown())
        window.endSession();
    return result;
}
