#pragma once

#include "sync/RemoteCollection.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QUrl>

#include <chrono>
#include <memory>
#include <utility>

class QNetworkAccessManager;

// Blocking HTTP requests to one WebDAV server, for use on a worker thread.
//
// Each request waits in a local event loop for its answer. The connection
// talks only to the scheme, host and port of the address it was made with:
// a redirect or an href pointing anywhere else is refused, so the password
// never travels to another server. A failure to get an answer at all
// throws tasksync::RemoteError; an HTTP status is handed back for the
// caller to judge (fail() turns it into the error of its kind).
namespace tasksync {

struct DavReply
{
    int status = 0;
    QByteArray body;
    QUrl url;     // where the answer came from, after redirects
    QByteArray etag; // the ETag header, empty when absent
};

class DavConnection
{
public:
    using Headers = QList<std::pair<QByteArray, QByteArray>>;

    // Requests wait at most timeout without any data arriving.
    DavConnection(const QUrl &address, QString user, QString password,
                  std::chrono::milliseconds timeout = std::chrono::seconds(30));
    ~DavConnection();
    DavConnection(const DavConnection &) = delete;
    DavConnection &operator=(const DavConnection &) = delete;

    // The configured address, without user information.
    const QUrl &address() const { return m_address; }
    // The URL of a decoded server path on this server.
    QUrl urlOf(const QString &path) const;
    // The decoded path of an href or URL the server named, which must be on
    // this server (else RemoteError Protocol).
    QString pathOf(const QString &href) const;

    // Sends a request to a path of this server and waits for the answer.
    // Redirects on the same server are followed.
    DavReply send(const QByteArray &verb, const QString &path, const QByteArray &body = {},
                  const Headers &headers = {});

    // Throws the RemoteError that the reply's status means; what names the
    // request in the sentence ("Reading the task list").
    [[noreturn]] void fail(const DavReply &reply, const QString &what) const;

private:
    DavReply sendOnce(const QByteArray &verb, const QUrl &url, const QByteArray &body, const Headers &headers);
    bool sameOrigin(const QUrl &url) const;

    QUrl m_address;
    QString m_user;
    QString m_password;
    std::chrono::milliseconds m_timeout;
    std::unique_ptr<QNetworkAccessManager> m_network;
};

} // namespace tasksync
