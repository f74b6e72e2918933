#pragma once

#include "sync/SyncRunner.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <memory>
#include <stdexcept>

// One calendar collection on a CalDAV server, as the sync engine uses it.
//
// Every call waits for the server's answer, so a collection is used on the
// sync pass's own thread, never on the window's. A call that fails throws
// RemoteError with the kind of failure and a sentence for the user.
namespace tasksync {

// What went wrong talking to the server.
struct RemoteError : std::runtime_error
{
    enum class Kind {
        Unreachable,        // no answer: offline, wrong host or port, timed out
        Unauthorized,       // 401/403: the user or the password was refused
        Certificate,        // the TLS certificate was not trusted
        PreconditionFailed, // 412: the resource changed (or exists) since its ETag was read
        NotFound,           // 404/410: the resource is gone
        Protocol,           // any other answer the client cannot use
    };
    RemoteError(Kind kind, const QString &message)
        : std::runtime_error(message.toStdString()), kind(kind), text(message) {}
    Kind kind;
    QString text;
};

// A to-do resource of the collection: its address (a path relative to the
// server, as the server names it) and its ETag.
struct RemoteEntry
{
    QString href;
    QString etag;
    friend bool operator==(const RemoteEntry &, const RemoteEntry &) = default;
};

// A to-do resource with its iCalendar text.
struct RemoteObject
{
    QString href;
    QString etag;
    QByteArray ics;
};

class RemoteCollection
{
public:
    virtual ~RemoteCollection() = default;

    // The collection's own address, after discovery.
    virtual QString url() const = 0;
    // A token that changes whenever anything in the collection changes
    // (getctag, else the sync-token); empty when the server offers neither.
    virtual QString ctag() = 0;
    // Every to-do resource of the collection with its ETag.
    virtual QList<RemoteEntry> list() = 0;
    // The resources named (calendar-multiget); names the server does not
    // know are left out of the answer.
    virtual QList<RemoteObject> fetch(const QStringList &hrefs) = 0;
    // Writes a resource. An empty ifMatch creates it (If-None-Match: *);
    // otherwise it replaces the version with that ETag. Returns the new
    // ETag, or an empty string when the server did not say.
    virtual QString put(const QString &href, const QByteArray &ics, const QString &ifMatch) = 0;
    // Deletes the resource if it still has the given ETag (any version when
    // empty). A resource already gone counts as deleted.
    virtual void remove(const QString &href, const QString &ifMatch) = 0;
    // The address a new to-do with this UID is created at.
    virtual QString hrefFor(const QString &uid) const = 0;
};

// Connects to the account's server and finds its to-do collection: the
// address itself when it is one, else through the principal and its
// calendar home, the first collection that holds to-dos. Throws RemoteError.
std::unique_ptr<RemoteCollection> openCollection(const Account &account, const QString &password);

} // namespace tasksync
