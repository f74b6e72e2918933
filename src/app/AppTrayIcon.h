#pragma once

#include <QObject>
#include <QSystemTrayIcon>

#include <functional>
#include <memory>

class QAction;
class QMenu;
class QTimer;

// The program's icon in the desktop's notification area: its menu, the
// click that shows the main window, the balloon, and the rule for hiding
// the main window into it. The window is hidden only while a tray host is
// there to bring it back; when the host goes away, the icon asks for the
// window to be shown again.
class AppTrayIcon : public QObject
{
    Q_OBJECT
public:
    // The menu's items, in order; "Add a Task" triggers `addTask`, and
    // "Quick Add…" follows it.
    struct Actions
    {
        QAction *addTask;
        QAction *quickAdd; // may be null
        QAction *disablePopups;
        QAction *syncNow; // may be null
        QAction *show;
        QAction *minimize;
        QAction *exit;
    };
    static constexpr int TitleLimit = 63;
    static constexpr int TextLimit = 255;
    // How often a hidden window checks that the tray is still there.
    static constexpr int WatchIntervalMs = 2000;

    explicit AppTrayIcon(const Actions &actions, QObject *parent = nullptr);
    ~AppTrayIcon() override;

    QMenu *pmTrayIcon() const { return m_menu.get(); }
    QSystemTrayIcon *icon() const { return m_icon; }

    // The "Minimize to tray" setting; takes effect at the next minimise.
    void setMinimizeToTray(bool on) { m_minimizeToTray = on; }
    bool minimizeToTray() const { return m_minimizeToTray; }

    // Whether the desktop has a notification area now. Tests replace the
    // question with their own answer.
    bool available() const;
    void setAvailabilityProbe(std::function<bool()> probe) { m_probe = std::move(probe); }

    // While the main window is hidden, the tray is checked every few
    // seconds; trayLost is emitted once it has been missing for
    // `graceMs` (a tray host may start after this program at login).
    void watchHiddenWindow(int graceMs = 0);
    void stopWatching();
    bool watching() const;

    // A balloon titled `title` (cut to 63 characters) with `text` (cut to
    // 255) shown for `ms` milliseconds; nothing where balloons are missing.
    void showBalloon(const QString &title, const QString &text, int ms);

signals:
    void clicked();
    void balloonClicked();
    // The window is hidden but no tray is there to bring it back.
    void trayLost();

private:
    void checkTray();

    QSystemTrayIcon *m_icon = nullptr;
    std::unique_ptr<QMenu> m_menu;
    QTimer *m_watch = nullptr;
    std::function<bool()> m_probe;
    bool m_minimizeToTray = false;
    int m_missingMs = 0;
    int m_graceMs = 0;
};
