// The shell around the main window: the tray icon and hiding into it, start
// at login, the update check, the About box and the help pages.

#include "app/TfNudgewick.h"

#include "app/AppTrayIcon.h"
#include "core/AppState.h"
#include "core/Logging.h"
#include "toolkit/AutostartEntry.h"
#include "toolkit/ErrorReport.h"
#include "toolkit/Prompter.h"
#include "toolkit/UrlOpener.h"
#include "update/TfAbout.h"
#include "update/UpdateChecker.h"
#include "update/HelpWindow.h"
#include "update/WebAddresses.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QTimer>
#include <QToolButton>

using namespace Qt::StringLiterals;

namespace {
// A hidden start waits this long for a tray host, which may start after
// this program when both start at login.
constexpr int TrayStartGraceMs = 6000;
constexpr int BalloonMs = 60000;
}

void TfNudgewick::createShell()
{
    m_desktopOpener = std::make_unique<DesktopUrlOpener>();
    m_urlOpener = m_desktopOpener.get();

    TrayIcon = new AppTrayIcon({aTaskAdd, aQuickAdd, aDisablePopups, aSyncNow, aShowNudgewick, aMinimizeNudgewick, aExitNudgewick}, this);
    setWindowIcon(TrayIcon->icon()->icon());
    connect(TrayIcon, &AppTrayIcon::clicked, aShowNudgewick, &QAction::trigger);
    connect(TrayIcon, &AppTrayIcon::balloonClicked, this, [this] { guard([this] { TrayIconBalloonClick(); }); });
    // Without a tray to bring it back, a hidden window shows itself.
    connect(TrayIcon, &AppTrayIcon::trayLost, this, [this] {
        if (isHidden() && !m_shutDown)
            show();
    });

    abfAutoRun1 = std::make_unique<AutostartEntry>(AutostartEntry::defaultFolder());

    m_updateChecker = new UpdateChecker(m_prompter, m_dataFolder, this);
    connect(m_updateChecker, &UpdateChecker::newerVersionFound, this, &TfNudgewick::announceNewerVersion);

    OnlineHelp1->setObjectName(u"OnlineHelp1"_s);
    CheckforUpdate1->setObjectName(u"CheckforUpdate1"_s);
    CheckforUpdate1->setVisible(!WebAddresses::updateDescriptor().isEmpty());
    OnlineSupport1->setObjectName(u"OnlineSupport1"_s);
    // The pages of the program's own web site show only when the build
    // names one (-DNW_HOME_URL=...).
    OnlineSupport1->setVisible(!WebAddresses::supportPage().isEmpty());
    sbDonate->setVisible(!WebAddresses::productPage().isEmpty());
    About1->setObjectName(u"About1"_s);
    // F1 works wherever the focus is in the window.
    addAction(OnlineHelp1);
    connect(OnlineHelp1, &QAction::triggered, this, [this] { guard([this] { OnlineHelp1Click(); }); });
    connect(CheckforUpdate1, &QAction::triggered, this, [this] { guard([this] { CheckforUpdate1Click(); }); });
    connect(OnlineSupport1, &QAction::triggered, this, [this] { guard([this] { OnlineSupport1Click(); }); });
    connect(About1, &QAction::triggered, this, [this] { guard([this] { About1Click(); }); });
    connect(sbDonate, &QToolButton::clicked, this, [this] { guard([this] { sbDonateClick(); }); });
}

// Start at login ---------------------------------------------------------------

// The entry on disk says whether start at login is on; each start rewrites
// it with the executable's current path.
void TfNudgewick::applyAutostart()
{
    m_state.WindowsStartup = abfAutoRun1->isEnabled();
    abfAutoRun1->setCommand(QCoreApplication::applicationFilePath(), {u"Startup"_s});
    setWindowsStartup(m_state.WindowsStartup);
}

void TfNudgewick::setWindowsStartup(bool on)
{
    // A refused write leaves start at login off, and the setting says so.
    if (!abfAutoRun1->setEnabled(on))
        qCWarning(lcApp).noquote() << "cannot change the autostart entry" << abfAutoRun1->filePath() << "-"
                                   << abfAutoRun1->errorString();
    m_state.WindowsStartup = abfAutoRun1->isEnabled();
}

// Tray --------------------------------------------------------------------------

void TfNudgewick::setMinimizeToTray(bool on)
{
    m_state.MinimizeToTray = on;
    TrayIcon->setMinimizeToTray(on);
}

// Switched on, the check after the next prompt is armed again.
void TfNudgewick::setAutoUpdate(bool on)
{
    m_state.AutoUpdate = on;
    m_state.UpdateCheckPending = on;
}

// Minimising hides the window into the tray, when there is one to bring it
// back; otherwise it stays an ordinary minimised window.
void TfNudgewick::ApplicationMinimize()
{
    if (!TrayIcon->minimizeToTray() || !TrayIcon->available())
        return;
    // Hidden once the minimise has been handled by the window system.
    QTimer::singleShot(0, this, [this] {
        if (!isMinimized() || m_shutDown)
            return;
        hide();
        TrayIcon->watchHiddenWindow();
        qCInfo(lcApp) << "window hidden in the tray";
        if (!m_state.TrayHintShown) {
            m_state.TrayHintShown = true;
            m_balloonOffersUpdate = false;
            TrayIcon->showBalloon(u"Nudgewick"_s,
                                  tr("Nudgewick keeps running here and goes on reminding you. "
                                     "File \u203a Exit (Ctrl+Q) quits."),
                                  10000);
        }
    });
}

void TfNudgewick::startHidden()
{
    TrayIcon->watchHiddenWindow(TrayStartGraceMs);
}

void TfNudgewick::TrayIconBalloonClick()
{
    if (!m_balloonOffersUpdate || WebAddresses::homePage().isEmpty())
        return;
    m_urlOpener->open(WebAddresses::homePage());
}

// Update check ------------------------------------------------------------------

void TfNudgewick::CheckforUpdate1Click()
{
    if (m_prompter.confirm(u"Are you connected to the Internet?"_s))
        UpdateCheck(false);
}

void TfNudgewick::UpdateCheck(bool silent)
{
    m_state.UpdateCheckPending = false;
    m_updateChecker->UpdateCheck(silent);
}

void TfNudgewick::announceNewerVersion(const QString &published, bool silent)
{
    const QString text = u"A newer version of Nudgewick ("_s + published + u") has been released."_s;
    if (TrayIcon->available() && QSystemTrayIcon::supportsMessages()) {
        // Without a home page to go to, the balloon only tells.
        m_balloonOffersUpdate = !WebAddresses::homePage().isEmpty();
        TrayIcon->showBalloon(u"Nudgewick"_s, m_balloonOffersUpdate ? text + u" Click here to download it?"_s : text,
                              BalloonMs);
    } else if (!silent) { // a balloon nobody can see would leave the user's question unanswered
        guard([&] { m_prompter.message(text); });
    }
}

// About box and pages -------------------------------------------------------------

void TfNudgewick::About1Click()
{
    TfAbout about(*m_urlOpener, this);
    about.exec();
}

// The help page installed with the program opens in a window of its own;
// without one the online help opens in the browser.
void TfNudgewick::OnlineHelp1Click()
{
    const QUrl page = helpPageAddress(QCoreApplication::applicationDirPath());
    if (page.isEmpty()) {
        m_prompter.message(tr("The help page is not installed. It comes with the program as "
                              "share/nudgewick/help.html; installing Nudgewick again brings it back."));
        return;
    }
    if (!page.isLocalFile()) {
        m_urlOpener->open(page);
        return;
    }
    if (!m_helpWindow)
        m_helpWindow = new HelpWindow(*m_urlOpener, this);
    m_helpWindow->showPage(page);
}

void TfNudgewick::OnlineSupport1Click()
{
    m_urlOpener->open(WebAddresses::supportPage());
}

void TfNudgewick::sbDonateClick()
{
    m_urlOpener->open(WebAddresses::productPage());
}
