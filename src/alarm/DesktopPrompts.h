#pragma once

#include "alarm/PromptAnswers.h"
#include "alarm/PromptRoute.h"
#include "toolkit/DesktopNotifications.h"

#include <QHash>
#include <QImage>
#include <QObject>

#include <memory>

class PopupSnooze;
class Prompter;
class QTimer;
class TMSNPopUp;
struct AppState;

// Prompts due tasks as the desktop's own notifications, with the buttons
// "Open" (also a click on the notification), "Done" (which says what it
// does for a repeating task) and "Snooze N min",
// when "Use desktop notifications" is on and the desktop's service can show
// buttons; otherwise the program's own popup shows them.
//
// A notification counts as open from the moment it is asked for until the
// service reports it closed, its answer has run, its time-out has passed or
// the service went away, so the scan never prompts a task twice at once and
// never waits for good. Only the notifications this program showed are
// answered, each at most once.
class DesktopPrompts : public QObject, public PromptRoute
{
    Q_OBJECT
public:
    // popup gives the time-out; snooze answers the buttons.
    DesktopPrompts(AppState &state, Prompter &prompter, PopupSnooze &snooze, const TMSNPopUp &popup,
                   QObject *parent = nullptr);
    // Takes the open notifications off the desktop: their answers would
    // have no one to go to.
    ~DesktopPrompts() override;

    // The service to use; without one every prompt goes to the popup.
    void setService(std::unique_ptr<DesktopNotifications> service);
    DesktopNotifications *service() const { return m_service.get(); }
    // The program's picture on each notification, a PNG file read at the
    // first notification: start-up does not pay for decoding it.
    void setIconFile(const QString &file) { m_iconFile = file; }

    int openCount() const override;
    QSet<qint64> openTaskIds() const override;
    bool deciding() const override { return waitingForService(); }
    bool prompt(const DuePrompt &prompt) override;

    // Takes every open notification off the desktop ("Disable Popups").
    void closeAll();
    // Takes off the desktop the notifications whose prompt no longer
    // stands (its task was completed, deleted or given another alarm).
    void closeStale(PromptAnswers &answers);

    // Why "Use desktop notifications" has no effect at the moment; empty
    // when the desktop's service is there and can show buttons.
    QString unavailableReason() const;

private:
    struct Pending
    {
        PromptKey key;
        bool cancelled = false; // closed before the service gave its id
    };
    struct Open
    {
        PromptKey key;
        bool answering = false; // its answer is running (it may ask questions)
        bool closed = false;    // gone from the desktop: answered, or closed by the service
        QTimer *expiry = nullptr;
    };

    bool waitingForService() const;
    void notified(quint64 request, quint32 id);
    void actionInvoked(quint32 id, const QString &action);
    void notificationClosed(quint32 id);
    void expired(quint32 id);
    void serviceReset();
    void forget(quint32 id, bool closeIt);
    void forgetAll();
    int timeoutMs() const;

    AppState &m_state;
    Prompter &m_prompter;
    PopupSnooze &m_snooze;
    const TMSNPopUp &m_popup;
    std::unique_ptr<DesktopNotifications> m_service;
    QString m_iconFile;
    QImage m_icon;
    QHash<quint64, Pending> m_pending; // by request number
    QHash<quint32, Open> m_open;       // by the service's id
};
