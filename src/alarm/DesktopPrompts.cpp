#include "alarm/DesktopPrompts.h"

#include "alarm/PopupSnooze.h"
#include "core/AppState.h"
#include "core/Logging.h"
#include "popup/MSNPopUp.h"
#include "toolkit/ErrorReport.h"

#include <QTimer>

#include <algorithm>
#include <climits>

using namespace Qt::StringLiterals;

namespace {

// A service that does not close a notification when its time is up (some
// keep them in a list instead) is asked to, this long after.
constexpr int ExpiryGraceMs = 1000;

} // namespace

DesktopPrompts::DesktopPrompts(AppState &state, Prompter &prompter, PopupSnooze &snooze, const TMSNPopUp &popup,
                               QObject *parent)
    : QObject(parent), m_state(state), m_prompter(prompter), m_snooze(snooze), m_popup(popup)
{
}

DesktopPrompts::~DesktopPrompts()
{
    if (m_service) {
        for (auto it = m_open.cbegin(); it != m_open.cend(); ++it)
            if (!it->closed)
                m_service->close(it.key());
    }
}

void DesktopPrompts::setService(std::unique_ptr<DesktopNotifications> service)
{
    forgetAll();
    m_service = std::move(service);
    if (!m_service)
        return;
    DesktopNotifications *s = m_service.get();
    connect(s, &DesktopNotifications::notified, this,
            guardedSlot(m_prompter, [this](quint64 request, quint32 id) { notified(request, id); }));
    connect(s, &DesktopNotifications::actionInvoked, this,
            guardedSlot(m_prompter, [this](quint32 id, const QString &action) { actionInvoked(id, action); }));
    connect(s, &DesktopNotifications::notificationClosed, this,
            guardedSlot(m_prompter, [this](quint32 id, quint32) { notificationClosed(id); }));
    connect(s, &DesktopNotifications::serviceReset, this, guardedSlot(m_prompter, [this] { serviceReset(); }));
    // A scan held while the service was asked runs as soon as it answered.
    connect(s, &DesktopNotifications::statusChanged, this, [this](DesktopNotifications::Status status) {
        if (status != DesktopNotifications::Status::Querying && m_state.UseDesktopNotifications)
            m_state.requestScan();
    });
}

bool DesktopPrompts::waitingForService() const
{
    return m_state.UseDesktopNotifications && m_service
        && m_service->status() == DesktopNotifications::Status::Querying;
}

int DesktopPrompts::openCount() const
{
    int count = int(m_open.size());
    for (const Pending &p : m_pending)
        if (!p.cancelled)
            ++count;
    // Until the service says what it offers, the scan waits rather than
    // prompt where the user did not ask for it.
    if (waitingForService())
        ++count;
    return count;
}

QSet<qint64> DesktopPrompts::openTaskIds() const
{
    QSet<qint64> ids;
    for (const Open &open : m_open)
        ids.insert(open.key.id);
    for (const Pending &p : m_pending)
        if (!p.cancelled)
            ids.insert(p.key.id);
    return ids;
}

int DesktopPrompts::timeoutMs() const
{
    // The popup's seconds; none (0 or less) means until the user answers.
    const qint64 seconds = m_popup.timeOut();
    if (seconds <= 0)
        return 0;
    return int(std::min<qint64>(seconds * 1000, INT_MAX - ExpiryGraceMs));
}

bool DesktopPrompts::prompt(const DuePrompt &prompt)
{
    if (!m_state.UseDesktopNotifications || !m_service
        || m_service->status() != DesktopNotifications::Status::Ready)
        return false;

    DesktopNotifications::Notification n;
    n.appName = u"Nudgewick"_s;
    n.summary = prompt.title;
    n.body = prompt.text;
    // Read as PNG by name: guessing the format would load every image plugin.
    if (m_icon.isNull() && !m_iconFile.isEmpty())
        m_icon = QImage(m_iconFile, "PNG");
    n.icon = m_icon;
    n.actions = {{PopupSnooze::OpenAnswer, tr("Open")},
                 {PopupSnooze::DoneAnswer, prompt.doneLabel.isEmpty() ? tr("Done") : prompt.doneLabel},
                 {PopupSnooze::SnoozeAnswer, tr("Snooze %1 min").arg(PopupSnooze::minutesFor(prompt.snoozeTime))}};
    n.timeoutMs = timeoutMs();
    const quint64 request = m_service->notify(n);
    m_pending.insert(request, {{prompt.id, prompt.alarm}});
    qCDebug(lcAlarm) << "task" << prompt.id << "prompted on the desktop, request" << request;
    return true;
}

void DesktopPrompts::notified(quint64 request, quint32 id)
{
    const auto pending = m_pending.constFind(request);
    if (pending == m_pending.cend())
        return; // asked before the service went away
    const Pending p = *pending;
    m_pending.erase(pending);
    if (id == 0) {
        // The service refused it; the next pass prompts the task again
        // through the popup, at once.
        m_state.requestScan();
        return;
    }
    if (p.cancelled) {
        m_service->close(id);
        return;
    }
    forget(id, false); // an id the service gives again replaces the old one
    Open open{p.key};
    const int ms = timeoutMs();
    if (ms > 0) {
        open.expiry = new QTimer(this);
        open.expiry->setSingleShot(true);
        connect(open.expiry, &QTimer::timeout, this, [this, id] { guarded(m_prompter, [&] { expired(id); }); });
        open.expiry->start(ms + ExpiryGraceMs);
    }
    m_open.insert(id, open);
}

void DesktopPrompts::actionInvoked(quint32 id, const QString &action)
{
    const auto it = m_open.find(id);
    // Another program's notification, one already closed, or a second click
    // while the first is being answered.
    if (it == m_open.end() || it->answering)
        return;
    if (action != PopupSnooze::OpenAnswer && action != PopupSnooze::DoneAnswer && action != PopupSnooze::SnoozeAnswer)
        return;
    it->answering = true;
    const PromptKey key = it->key;
    qCDebug(lcAlarm) << "task" << key.id << "answered" << action << "on the desktop";
    // Answered, it leaves the desktop at once (not every service takes it
    // away itself), but stays counted while the answer runs (a question or
    // the editor may be open), so the scan does not prompt it again meanwhile.
    if (!it->closed) {
        it->closed = true;
        m_service->close(id);
    }
    struct Done {
        DesktopPrompts *self;
        quint32 id;
        ~Done() { self->forget(id, false); }
    } done{this, id};
    m_snooze.answer(key, action);
}

void DesktopPrompts::notificationClosed(quint32 id)
{
    const auto it = m_open.find(id);
    if (it == m_open.end())
        return;
    if (it->answering)
        it->closed = true;
    else
        forget(id, false);
}

void DesktopPrompts::expired(quint32 id)
{
    const auto it = m_open.find(id);
    if (it == m_open.end() || it->answering)
        return;
    forget(id, true);
}

void DesktopPrompts::serviceReset()
{
    // Its notifications went with it; the tasks still due are prompted again
    // at once, through the popup when no service took its place.
    if (m_open.isEmpty() && m_pending.isEmpty())
        return;
    forgetAll();
    m_state.requestScan();
}

void DesktopPrompts::closeAll()
{
    for (Pending &p : m_pending)
        p.cancelled = true;
    const QList<quint32> ids = m_open.keys();
    for (quint32 id : ids)
        if (!m_open.value(id).answering)
            forget(id, true);
}

void DesktopPrompts::closeStale(PromptAnswers &answers)
{
    for (Pending &p : m_pending)
        if (!p.cancelled && !answers.stillCurrent(p.key))
            p.cancelled = true;
    const QList<quint32> ids = m_open.keys();
    for (quint32 id : ids) {
        const auto it = m_open.constFind(id);
        // One being answered is left to its answer, which checks for itself.
        if (it == m_open.cend() || it->answering || answers.stillCurrent(it->key))
            continue;
        qCDebug(lcAlarm) << "task" << it->key.id << "changed; its notification is taken off the desktop";
        forget(id, true);
    }
}

void DesktopPrompts::forget(quint32 id, bool closeIt)
{
    const auto it = m_open.constFind(id);
    if (it == m_open.cend())
        return;
    const Open open = *it;
    m_open.erase(it);
    delete open.expiry;
    if (closeIt && !open.closed && m_service)
        m_service->close(id);
}

void DesktopPrompts::forgetAll()
{
    for (const Open &open : std::as_const(m_open))
        delete open.expiry;
    m_open.clear();
    m_pending.clear();
}

QString DesktopPrompts::unavailableReason() const
{
    const auto status = m_service ? m_service->status() : DesktopNotifications::Status::Absent;
    switch (status) {
    case DesktopNotifications::Status::Absent:
        return tr("No desktop notification service answers, so the program's own popups are shown.");
    case DesktopNotifications::Status::NoActions:
        return tr("The desktop's notification service cannot show buttons, so the program's own popups are shown.");
    case DesktopNotifications::Status::Querying:
    case DesktopNotifications::Status::Ready:
        break;
    }
    return {};
}
