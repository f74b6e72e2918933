#include "sync/DavConnection.h"

#include "sync/WebDavXml.h"

#include <QAuthenticator>
#include <QCoreApplication>
#include <QEventLoop>
#include <QLoggingCategory>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSslError>

using namespace Qt::StringLiterals;

Q_LOGGING_CATEGORY(lcDav, "nudgewick.sync.dav", QtWarningMsg)

namespace tasksync {

namespace {

constexpr int MaxRedirects = 5;

QString tr(const char *text)
{
    return QCoreApplication::translate("DavConnection", text);
}

// Failures that mean the server could not be reached at all.
bool isConnectionFailure(QNetworkReply::NetworkError error)
{
    switch (error) {
    case QNetworkReply::ConnectionRefusedError:
    case QNetworkReply::RemoteHostClosedError:
    case QNetworkReply::HostNotFoundError:
    case QNetworkReply::TimeoutError:
    case QNetworkReply::OperationCanceledError:
    case QNetworkReply::TemporaryNetworkFailureError:
    case QNetworkReply::NetworkSessionFailedError:
    case QNetworkReply::UnknownNetworkError:
    case QNetworkReply::ProxyConnectionRefusedError:
    case QNetworkReply::ProxyConnectionClosedError:
    case QNetworkReply::ProxyNotFoundError:
    case QNetworkReply::ProxyTimeoutError:
        return true;
    default:
        return false;
    }
}

bool isRedirect(int status)
{
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

int defaultPort(const QUrl &url)
{
    return url.scheme() == u"https"_s ? 443 : 80;
}

} // namespace

DavConnection::DavConnection(const QUrl &address, QString user, QString password,
                             std::chrono::milliseconds timeout)
    : m_address(address.adjusted(QUrl::RemoveUserInfo | QUrl::RemoveQuery | QUrl::RemoveFragment)),
      m_user(std::move(user)), m_password(std::move(password)), m_timeout(timeout),
      m_network(std::make_unique<QNetworkAccessManager>())
{
    if (m_address.path().isEmpty())
        m_address.setPath(u"/"_s);
}

DavConnection::~DavConnection() = default;

bool DavConnection::sameOrigin(const QUrl &url) const
{
    return url.scheme() == m_address.scheme() && url.host() == m_address.host()
        && url.port(defaultPort(url)) == m_address.port(defaultPort(m_address));
}

QUrl DavConnection::urlOf(const QString &path) const
{
    QUrl url = m_address;
    url.setPath(webdav::encodeHref(path), QUrl::StrictMode);
    return url;
}

QString DavConnection::pathOf(const QString &href) const
{
    const QUrl url = m_address.resolved(QUrl(href));
    if (!sameOrigin(url)) {
        throw RemoteError(RemoteError::Kind::Protocol,
                          tr("The server %1 named an address on another server (%2), which is not used.")
                              .arg(m_address.host(), url.toDisplayString(QUrl::RemoveUserInfo)));
    }
    return url.path(QUrl::FullyDecoded);
}

DavReply DavConnection::send(const QByteArray &verb, const QString &path, const QByteArray &body,
                             const Headers &headers)
{
    QUrl url = urlOf(path);
    for (int hop = 0;; ++hop) {
        DavReply reply = sendOnce(verb, url, body, headers);
        if (!isRedirect(reply.status))
            return reply;
        if (hop == MaxRedirects)
            throw RemoteError(RemoteError::Kind::Protocol,
                              tr("The server %1 sent the request round in circles.").arg(m_address.host()));
        // sendOnce left the Location header's target in reply.url.
        if (!sameOrigin(reply.url)) {
            throw RemoteError(RemoteError::Kind::Protocol,
                              tr("The server %1 sent the request on to another server (%2), which is not used.")
                                  .arg(m_address.host(), reply.url.toDisplayString(QUrl::RemoveUserInfo)));
        }
        qCDebug(lcDav) << verb << url.path() << "redirected to" << reply.url.path();
        url = reply.url;
    }
}

DavReply DavConnection::sendOnce(const QByteArray &verb, const QUrl &url, const QByteArray &body,
                                 const Headers &headers)
{
    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    request.setTransferTimeout(int(m_timeout.count()));
    request.setHeader(QNetworkRequest::UserAgentHeader, QByteArrayLiteral("Nudgewick/" NW_VERSION_TEXT));
    if (!body.isEmpty())
        request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArrayLiteral("application/xml; charset=utf-8"));
    for (const auto &[name, value] : headers)
        request.setRawHeader(name, value);

    std::unique_ptr<QNetworkReply> reply(m_network->sendCustomRequest(request, verb, body));
    int asked = 0;
    QStringList certificateErrors;
    // The password is given once per request; being asked again means it was refused.
    QObject::connect(m_network.get(), &QNetworkAccessManager::authenticationRequired, reply.get(),
                     [&](QNetworkReply *which, QAuthenticator *authenticator) {
                         if (which != reply.get() || ++asked > 1 || m_user.isEmpty())
                             return;
                         authenticator->setUser(m_user);
                         authenticator->setPassword(m_password);
                     });
    QObject::connect(reply.get(), &QNetworkReply::sslErrors, reply.get(), [&](const QList<QSslError> &errors) {
        for (const QSslError &error : errors)
            certificateErrors << error.errorString();
    });
    if (!reply->isFinished()) {
        QEventLoop loop;
        QObject::connect(reply.get(), &QNetworkReply::finished, &loop, &QEventLoop::quit);
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    }

    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    qCDebug(lcDav) << verb << url.path() << status.toInt() << reply->error();
    if (status.isValid() && status.toInt() > 0) {
        DavReply answer;
        answer.status = status.toInt();
        answer.body = reply->readAll();
        answer.etag = reply->rawHeader("ETag");
        answer.url = url;
        if (isRedirect(answer.status))
            answer.url = url.resolved(QUrl::fromEncoded(reply->rawHeader("Location")));
        return answer;
    }

    const QString host = m_address.host();
    const QNetworkReply::NetworkError error = reply->error();
    if (!certificateErrors.isEmpty() || error == QNetworkReply::SslHandshakeFailedError) {
        const QString why = certificateErrors.isEmpty() ? reply->errorString() : certificateErrors.join(u"; "_s);
        throw RemoteError(RemoteError::Kind::Certificate,
                          tr("The secure connection to %1 was refused: %2").arg(host, why));
    }
    if (error == QNetworkReply::OperationCanceledError || error == QNetworkReply::TimeoutError) {
        throw RemoteError(RemoteError::Kind::Unreachable,
                          tr("The server %1 did not answer within %2 seconds.")
                              .arg(host).arg(std::chrono::duration_cast<std::chrono::seconds>(m_timeout).count()));
    }
    if (isConnectionFailure(error)) {
        throw RemoteError(RemoteError::Kind::Unreachable,
                          tr("The server %1 could not be reached: %2").arg(host, reply->errorString()));
    }
    throw RemoteError(RemoteError::Kind::Protocol,
                      tr("The answer of the server %1 could not be read: %2").arg(host, reply->errorString()));
}

void DavConnection::fail(const DavReply &reply, const QString &what) const
{
    const QString host = m_address.host();
    switch (reply.status) {
    case 401:
    case 403:
        throw RemoteError(RemoteError::Kind::Unauthorized,
                          tr("%1 failed: the server %2 refused the user name or the password.").arg(what, host));
    case 404:
    case 410:
        throw RemoteError(RemoteError::Kind::NotFound,
                          tr("%1 failed: %2 is not on the server %3.").arg(what, reply.url.path(), host));
    case 412:
        throw RemoteError(RemoteError::Kind::PreconditionFailed,
                          tr("%1 failed: the task was changed on the server %2 meanwhile.").arg(what, host));
    case 502:
    case 503:
    case 504:
        throw RemoteError(RemoteError::Kind::Unreachable,
                          tr("%1 failed: the server %2 is not available at the moment (HTTP %3).")
                              .arg(what, host).arg(reply.status));
    default:
        throw RemoteError(RemoteError::Kind::Protocol,
                          tr("%1 failed: the server %2 answered with HTTP status %3.")
                              .arg(what, host).arg(reply.status));
    }
}

} // namespace tasksync
