#include "app/AppTrayIcon.h"

#include "core/Logging.h"
#include "toolkit/DeferredIcon.h"

#include <QAction>
#include <QGuiApplication>
#include <QMenu>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {
QIcon programIcon()
{
    // Its eight images are decoded when the tray or the window manager
    // first asks for one, not while the program starts.
    return deferredIcon([] {
        QIcon icon;
        for (int size : {16, 22, 24, 32, 48, 64, 128, 256})
            icon.addFile(u":/icons/nudgewick-%1.png"_s.arg(size), QSize(size, size));
        return icon;
    });
}
}

AppTrayIcon::AppTrayIcon(const Actions &actions, QObject *parent)
    : QObject(parent), m_icon(new QSystemTrayIcon(this)), m_menu(std::make_unique<QMenu>()),
      m_watch(new QTimer(this))
{
    m_menu->setObjectName(u"pmTrayIcon"_s);
    // "Add a Task" is the add action under the tray's own caption.
    QAction *add = m_menu->addAction(u"Add a Task"_s);
    add->setObjectName(u"miTrayAddTask"_s);
    connect(add, &QAction::triggered, actions.addTask, &QAction::trigger);
    if (actions.quickAdd)
        m_menu->addAction(actions.quickAdd);
    m_menu->addAction(actions.disablePopups);
    if (actions.syncNow)
        m_menu->addAction(actions.syncNow);
    m_menu->addSeparator();
    m_menu->addActions({actions.show, actions.minimize, actions.exit});

    m_icon->setObjectName(u"TrayIcon"_s);
    m_icon->setIcon(programIcon());
    m_icon->setToolTip(u"Nudgewick"_s);
    m_icon->setContextMenu(m_menu.get());
    connect(m_icon, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger)
            emit clicked();
    });
    connect(m_icon, &QSystemTrayIcon::messageClicked, this, &AppTrayIcon::balloonClicked);
    // Shown even while no tray host runs, so that one starting later docks
    // it; platforms that draw nothing on screen never have one.
    const QString platform = QGuiApplication::platformName();
    if (platform != u"offscreen"_s && platform != u"minimal"_s)
        m_icon->show();

    m_watch->setInterval(WatchIntervalMs);
    connect(m_watch, &QTimer::timeout, this, &AppTrayIcon::checkTray);
}

AppTrayIcon::~AppTrayIcon() = default;

bool AppTrayIcon::available() const
{
    return m_probe ? m_probe() : QSystemTrayIcon::isSystemTrayAvailable();
}

void AppTrayIcon::watchHiddenWindow(int graceMs)
{
    m_graceMs = graceMs;
    m_missingMs = 0;
    m_watch->start();
}

void AppTrayIcon::stopWatching()
{
    m_watch->stop();
}

bool AppTrayIcon::watching() const
{
    return m_watch->isActive();
}

void AppTrayIcon::checkTray()
{
    if (available()) {
        m_missingMs = 0;
        return;
    }
    m_missingMs += m_watch->interval();
    if (m_missingMs < m_graceMs)
        return;
    qCInfo(lcApp) << "no notification area for the hidden window";
    m_watch->stop();
    emit trayLost();
}

void AppTrayIcon::showBalloon(const QString &title, const QString &text, int ms)
{
    if (QSystemTrayIcon::supportsMessages())
        m_icon->showMessage(title.left(TitleLimit), text.left(TextLimit), QSystemTrayIcon::Information, ms);
}
