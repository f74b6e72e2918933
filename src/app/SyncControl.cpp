#include "app/SyncControl.h"

#include "core/Clock.h"
#include "core/DateFormat.h"
#include "core/Logging.h"
#include "settings/SettingsKeys.h"
#include "sync/SecretStore.h"
#include "toolkit/Prompter.h"

#include <QTimer>

using namespace Qt::StringLiterals;
using tasksync::Outcome;

SyncControl::SyncControl(Prompter &prompter, const Clock &clock, const FormatSettings &formats,
                         const QString &dataFolder, QObject *parent)
    : QObject(parent), m_prompter(prompter), m_clock(clock), m_formats(formats), m_dataFolder(dataFolder)
{
    m_timer = new QTimer(this);
    m_timer->setObjectName(u"tSync"_s);
    m_timer->setSingleShot(true);
    connect(m_timer, &QTimer::timeout, this, &SyncControl::timerElapsed);
}

SyncControl::~SyncControl() = default;

void SyncControl::setRunner(tasksync::SyncRunner *runner)
{
    if (m_runner)
        disconnect(m_runner, nullptr, this, nullptr);
    m_runner = runner;
    if (!runner) {
        m_timer->stop();
        return;
    }
    connect(runner, &tasksync::SyncRunner::started, this, &SyncControl::passStarted);
    connect(runner, &tasksync::SyncRunner::finished, this, &SyncControl::passFinished);
    connect(runner, &tasksync::SyncRunner::tasksChanged, this, &SyncControl::tasksChanged);
    if (m_passwordKnown)
        applyToRunner();
    // A runner that arrives after start-up gets its first pass all the same.
    if (m_started && m_account.intervalMinutes > 0 && !m_timer->isActive())
        armIn(m_startDelayMs);
}

bool SyncControl::configured() const
{
    return m_runner && m_account.configured() && !m_stopped;
}

tasksync::SecretStore &SyncControl::secrets()
{
    if (!m_secrets)
        m_secrets = new tasksync::SecretStore(m_dataFolder, this);
    return *m_secrets;
}

void SyncControl::start(const tasksync::Account &account)
{
    m_started = true;
    m_account = account;
    // The password is read when the first pass is due, so the secret
    // service (and the session bus) is not asked while the program starts.
    if (m_account.intervalMinutes > 0)
        armIn(m_startDelayMs);
}

void SyncControl::setAccount(const tasksync::Account &account, const std::optional<QString> &password)
{
    const bool wasConfigured = m_account.configured();
    const bool intervalChanged = account.intervalMinutes != m_account.intervalMinutes;
    const bool changed = account.address != m_account.address || account.user != m_account.user
        || (password && (!m_passwordKnown || *password != m_password));
    m_account = account;
    if (changed) {
        // A new account is told about its own problems.
        m_problemSaid = false;
        m_last.reset();
        setStatus({}, {});
    }
    const auto reportStoreError = [this](const tasksync::SecretStore::Result &result) {
        if (!result.error.isEmpty())
            m_prompter.exclamation(result.error);
    };

    if (!m_account.configured()) {
        // Sync is off: the runner stops, and the password of the account
        // that is gone is not kept.
        m_timer->stop();
        m_password.clear();
        m_passwordKnown = true;
        applyToRunner();
        if (wasConfigured || password)
            secrets().remove(this, reportStoreError);
        setStatus({}, {});
        return;
    }
    if (password) {
        m_password = *password;
        m_passwordKnown = true;
        secrets().write(*password, this, reportStoreError);
    }
    withPassword([this, changed, intervalChanged] {
        if (m_runner && m_runner->running())
            return; // the end of the pass arms the timer
        if (m_account.intervalMinutes <= 0)
            m_timer->stop();
        else if (changed)
            armIn(m_startDelayMs);
        else if (intervalChanged || !m_timer->isActive())
            armForInterval();
        // Otherwise the next pass stays when it was planned: an OK in the
        // settings that changed nothing here does not put it off.
    });
}

// Runs `then` once the password is known, reading it from the store first
// when needed. The account is handed to the runner before `then` runs.
void SyncControl::withPassword(std::function<void()> then)
{
    if (m_passwordKnown) {
        applyToRunner();
        then();
        return;
    }
    secrets().read(this, [this, then](const tasksync::SecretStore::Result &stored) {
        // A password set meanwhile is newer than the one read.
        if (!m_passwordKnown) {
            m_password = stored.password;
            m_passwordKnown = true;
        }
        if (!stored.error.isEmpty())
            qCWarning(lcApp) << "sync password:" << stored.error;
        applyToRunner();
        then();
    });
}

void SyncControl::applyToRunner()
{
    if (m_runner)
        m_runner->setAccount(m_account, m_password);
}

void SyncControl::syncNow()
{
    if (!configured())
        return;
    if (m_passwordKnown) {
        m_runner->syncNow();
        return;
    }
    m_passWanted = true;
    withPassword([this] {
        if (m_passWanted && configured()) {
            m_passWanted = false;
            m_runner->syncNow();
        }
    });
}

void SyncControl::stop()
{
    m_stopped = true;
    m_timer->stop();
}

void SyncControl::armIn(int ms)
{
    if (configured())
        m_timer->start(ms);
}

void SyncControl::armForInterval()
{
    if (!configured() || m_account.intervalMinutes <= 0) {
        m_timer->stop();
        return;
    }
    m_timer->start(minutesToQtTimerInterval(m_account.intervalMinutes));
}

void SyncControl::timerElapsed()
{
    if (configured() && !m_runner->running())
        syncNow();
}

void SyncControl::passStarted()
{
    // One pass at a time: the next is planned when this one ends.
    m_timer->stop();
    setStatus(tr("Syncing…"), m_statusToolTip);
}

QString SyncControl::timeOf(const QDateTime &when) const
{
    const DateTime at = when.isValid() ? DateTime::fromQDateTime(when) : m_clock.now();
    if (at.dayNumber() == m_clock.now().dayNumber())
        return formatDateTime(u"t"_s, at, m_formats);
    return formatDateTime(u"ddddd t"_s, at, m_formats);
}

void SyncControl::passFinished(const tasksync::Report &report)
{
    if (m_stopped)
        return;
    m_last = report;
    QString sentence = report.error;
    if (sentence.isEmpty()) {
        switch (report.outcome) {
        case Outcome::AuthFailed:
            sentence = tr("The server refused the user name or the password.");
            break;
        case Outcome::CertificateFailed:
            sentence = tr("The server's certificate is not trusted.");
            break;
        default:
            sentence = tr("The server gave an answer Nudgewick cannot use.");
            break;
        }
    }
    QString text;
    switch (report.outcome) {
    case Outcome::Synced:
        text = tr("Synced at %1").arg(timeOf(report.finished));
        m_problemSaid = false;
        break;
    case Outcome::Offline:
        text = tr("Offline — changes will be sent when the server can be reached");
        break;
    default:
        text = tr("Sync failed: %1").arg(sentence);
        break;
    }
    QStringList tip;
    tip << tr("Last sync: %1").arg(timeOf(report.finished));
    tip << tr("Sent: %1 · Received: %2 · Deleted: %3 · Conflicts: %4")
               .arg(report.sent)
               .arg(report.received)
               .arg(report.deleted)
               .arg(report.conflicts);
    if (report.outcome != Outcome::Synced)
        tip << sentence;
    setStatus(text, tip.join(u'\n'));

    armForInterval();
    if (report.outcome == Outcome::AuthFailed || report.outcome == Outcome::CertificateFailed)
        sayProblemOnce(sentence);
}

void SyncControl::sayProblemOnce(const QString &sentence)
{
    if (m_problemSaid)
        return;
    m_problemSaid = true;
    m_prompter.exclamation(tr("Nudgewick could not sync with %1.\n\n%2\n\n"
                              "Check the account on the Sync page of the settings. Until it changes or a sync "
                              "succeeds, only the status bar says so.")
                               .arg(m_account.address.host(), sentence));
}

void SyncControl::setStatus(const QString &text, const QString &toolTip)
{
    if (text == m_statusText && toolTip == m_statusToolTip)
        return;
    m_statusText = text;
    m_statusToolTip = toolTip;
    emit statusChanged();
}
