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
#include "toolkit/InstanceGuard.h"
#include "toolkit/Prompter.h"
#include "toolkit/TerminationWatcher.h"

#include <QAction>
#include <QApplication>
#include <QSessionManager>

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

    QApplication app(argc, argv);
    // Any argument (autostart passes "Startup") starts the program hidden.
    const bool startHidden = argc > 1;
    QApplication::setApplicationName(u"Nudgewick"_s);
    QApplication::setApplicationDisplayName(u"Nudgewick"_s);
    QApplication::setApplicationVersion(QStringLiteral(NW_VERSION_TEXT));
    QApplication::setQuitOnLastWindowClosed(false);

    SystemClock clock;
    AppState state;
    MessageBoxPrompter prompter;

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
    } catch (const Error &e) {
        // A database that cannot be used is left as it is; say why and end.
        prompter.error(e.text());
        return 1;
    }

    QObject::connect(&window, &TfNudgewick::ended, &app, &QCoreApplication::quit, Qt::QueuedConnection);
    TerminationWatcher termination;
    QObject::connect(&termination, &TerminationWatcher::terminationRequested, &window, &TfNudgewick::endSession);
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &window,
                     [&window](QSessionManager &) { window.endSession(); });

    QObject::connect(&instance, &InstanceGuard::activationRequested, window.aShowNudgewick, &QAction::trigger);

    if (startHidden)
        window.startHidden();
    else
        window.show();
    qCInfo(lcApp) << (startHidden ? "window hidden" : "window shown");
    return app.exec();
}
