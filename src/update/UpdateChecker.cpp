#include "update/UpdateChecker.h"

#include "core/CheckedSaveFile.h"
#include "toolkit/ErrorReport.h"
#include "update/Version.h"
#include "update/WebAddresses.h"

#include <QDir>
#include <QFile>
#include <QCursor>
#include <QGuiApplication>
#include <QLoggingCategory>
#include <QNetworkAccessManager>
#include <QNetworkReply>

using namespace Qt::StringLiterals;

Q_LOGGING_CATEGORY(lcUpdate, "nudgewick.update", QtWarningMsg)

namespace {
constexpr QStringView OpenTag = u"<Program_Version>";
// A version number is short; a longer text is no version.
constexpr qsizetype MaxVersionLength = 64;

// Failures that mean the site could not be reached at all (a check that ran
// out of time ends as cancelled). Anything else - a redirect loop, a refused
// secure connection, an answer that is no description - reached a server
// whose answer could not be read.
bool isConnectionFailure(QNetworkReply::NetworkError error)
{
    switch (error) {
    case QNetworkReply::ConnectionRefusedError:
    case QNetworkReply::HostNotFoundError:
    case QNetworkReply::TimeoutError:
    case QNetworkReply::OperationCanceledError:
    case QNetworkReply::TemporaryNetworkFailureError:
    case QNetworkReply::NetworkSessionFailedError:
    case QNetworkReply::UnknownNetworkError:
    case QNetworkReply::ProxyConnectionRefusedError:
    case QNetworkReply::ProxyNotFoundError:
    case QNetworkReply::ProxyTimeoutError:
        return true;
    default:
        return false;
    }
}
}

UpdateChecker::UpdateChecker(Prompter &prompter, QString dataFolder, QObject *parent)
    : QObject(parent), m_prompter(prompter), m_dataFolder(std::move(dataFolder)),
      m_url(WebAddresses::updateDescriptor()), m_ownVersion(OwnVersion())
{
}

UpdateChecker::~UpdateChecker()
{
    if (m_reply) {
        // Ending with the program: the check ends without a report.
        m_reply->disconnect(this);
        m_reply->abort();
        if (!m_silent)
            QGuiApplication::restoreOverrideCursor();
    }
}

QString UpdateChecker::padFilePath() const
{
    return QDir(m_dataFolder).filePath(u"padfile.xml"_s);
}

void UpdateChecker::UpdateCheck(bool silent)
{
    if (isRunning()) {
        if (!silent && m_silent) {
            m_silent = false;
            QGuiApplication::setOverrideCursor(Qt::BusyCursor);
        }
        return;
    }
    m_silent = silent;
    if (!silent)
        QGuiApplication::setOverrideCursor(Qt::BusyCursor);
    FetchUpdateInfo(m_url);
}

void UpdateChecker::FetchUpdateInfo(const QUrl &url)
{
    if (!m_network)
        m_network = new QNetworkAccessManager(this);
    QNetworkRequest request(url);
    request.setTransferTimeout(m_timeoutMs);
    m_tooLarge = false;
    m_reply = m_network->get(request);
    qCDebug(lcUpdate) << "fetching" << url;

    // A description larger than the limit is not read any further.
    const auto checkSize = [this](qint64 received, qint64 total) {
        if (received > SizeLimit || total > SizeLimit) {
            m_tooLarge = true;
            m_reply->abort();
        }
    };
    connect(m_reply, &QNetworkReply::downloadProgress, this, checkSize);
    connect(m_reply, &QNetworkReply::finished, this, [this] { guarded(m_prompter, [this] { replyFinished(); }); });
}

void UpdateChecker::replyFinished()
{
    QNetworkReply *reply = m_reply;
    reply->deleteLater();
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    qCDebug(lcUpdate) << "reply" << reply->error() << status << "too large:" << m_tooLarge;

    const QString unreadable = tr("Nudgewick could not read the published version from %1.")
                                   .arg(reply->url().toDisplayString());
    if (m_tooLarge)
        return finish({}, unreadable);
    if (reply->error() != QNetworkReply::NoError) {
        return finish({}, isConnectionFailure(reply->error()) ? u"You are not connected to the internet"_s : unreadable);
    }

    // The description is kept in the data folder only while it is read; a
    // refused write (a full disk) leaves no cut-off file to be read.
    if (const QString failure = saveFileContents(padFilePath(), reply->readAll()); !failure.isEmpty())
        return finish({}, tr("Nudgewick could not write %1: %2").arg(padFilePath(), failure));
    const QString published = readProgramVersion(padFilePath());
    finish(published, published.isEmpty() ? unreadable : QString());
}

void UpdateChecker::finish(const QString &published, const QString &failure)
{
    const bool silent = m_silent;
    m_reply = nullptr;
    m_silent = true;
    if (!silent)
        QGuiApplication::restoreOverrideCursor();

    // The report comes last: a message box runs a nested event loop, and
    // the check is over before it opens.
    struct Finished {
        UpdateChecker *checker;
        ~Finished() { emit checker->finished(); }
    } finished{this};
    if (!failure.isEmpty()) {
        qCInfo(lcUpdate) << "check failed:" << failure;
        if (!silent)
            m_prompter.message(failure);
    } else if (compareVersions(m_ownVersion, published) < 0) {
        emit newerVersionFound(published, silent);
    } else if (!silent) {
        m_prompter.message(u"Nudgewick v"_s + m_ownVersion + u" is the latest version!"_s);
    }
}

QString UpdateChecker::readProgramVersion(const QString &padFile)
{
    QString version;
    QFile file(padFile);
    if (file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        while (!file.atEnd()) {
            const QString line = QString::fromUtf8(file.readLine()).trimmed();
            const qsizetype tag = line.indexOf(OpenTag);
            if (tag < 0)
                continue;
            // The text from the end of the tag to the first closing tag after it.
            const qsizetype start = tag + OpenTag.size();
            const qsizetype end = line.indexOf(u"</"_s, start);
            version = end < 0 ? QString() : line.mid(start, end - start).trimmed();
        }
        if (version.size() > MaxVersionLength)
            version.clear();
        file.close();
    }
    QFile::remove(padFile);
    return version;
}
