// The network module, libnw_network.so: downloads through Qt Network.

#include "core/ModuleExport.h"
#include "update/PageDownload.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QPointer>

namespace {
// Failures that mean the site could not be reached at all (a download that
// ran out of time ends as cancelled). Anything else - a redirect loop, a
// refused secure connection, an answer that is no page - reached a server
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

class NetworkPageDownload final : public PageDownload
{
public:
    ~NetworkPageDownload() override
    {
        if (m_reply) {
            m_reply->disconnect();
            m_reply->abort();
        }
    }

    void start(const QUrl &url, int timeoutMs, qint64 sizeLimit, std::function<void(const Result &)> done) override
    {
        QNetworkRequest request(url);
        request.setTransferTimeout(timeoutMs);
        QNetworkReply *reply = m_network.get(request);
        m_reply = reply;
        auto tooLarge = std::make_shared<bool>(false);
        // A page larger than the limit is not read any further.
        QObject::connect(reply, &QNetworkReply::downloadProgress, reply,
                         [reply, sizeLimit, tooLarge](qint64 received, qint64 total) {
                             if (received > sizeLimit || total > sizeLimit) {
                                 *tooLarge = true;
                                 reply->abort();
                             }
                         });
        QObject::connect(reply, &QNetworkReply::finished, reply, [this, reply, tooLarge, done = std::move(done)] {
            reply->deleteLater();
            m_reply = nullptr;
            Result result;
            result.url = reply->url();
            const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
            result.detail = QStringLiteral("%1 (HTTP %2)").arg(reply->errorString()).arg(status);
            if (*tooLarge)
                result.failure = Failure::TooLarge;
            else if (reply->error() != QNetworkReply::NoError)
                result.failure = isConnectionFailure(reply->error()) ? Failure::NotConnected : Failure::Unreadable;
            else
                result.body = reply->readAll();
            done(result);
        });
    }

private:
    QNetworkAccessManager m_network;
    QPointer<QNetworkReply> m_reply;
};
}

NW_MODULE_EXPORT PageDownload *nw_create_page_download()
{
    return new NetworkPageDownload;
}
