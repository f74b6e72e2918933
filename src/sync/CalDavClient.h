#pragma once

#include "sync/DavConnection.h"
#include "sync/RemoteCollection.h"

#include <chrono>
#include <memory>
#include <optional>

// The to-do collection of a CalDAV server (RFC 4791), reached over HTTP.
//
// Every call blocks until the server answered, so a client lives on the
// thread of a sync pass. Paths handed in and out are decoded server paths
// ("/alice/tasks/a b.ics"); they are escaped only on the wire.
namespace tasksync {

// What a sync-collection report (RFC 6578) says changed since a token.
struct RemoteChanges
{
    QList<RemoteEntry> changed; // added or changed to-dos with their new ETags
    QStringList removed;        // paths of resources that are gone
    QString syncToken;          // the token to ask from next time
};

class CalDavClient final : public RemoteCollection
{
public:
    // Finds the to-do collection of the account (see openCollection) and
    // returns a client for it. Throws RemoteError.
    static std::unique_ptr<CalDavClient> open(const Account &account, const QString &password,
                                              std::chrono::milliseconds timeout = std::chrono::seconds(30));

    QString url() const override;
    QString ctag() override;
    QList<RemoteEntry> list() override;
    QList<RemoteObject> fetch(const QStringList &hrefs) override;
    QString put(const QString &href, const QByteArray &ics, const QString &ifMatch) override;
    void remove(const QString &href, const QString &ifMatch) override;
    QString hrefFor(const QString &uid) const override;

    // The collection's decoded path.
    QString path() const { return m_path; }

    // The changes since a sync token (empty: everything) through the
    // sync-collection report; nothing when the server does not offer it.
    // A token the server refuses throws RemoteError PreconditionFailed:
    // then list() everything and start again from an empty token.
    std::optional<RemoteChanges> changesSince(const QString &syncToken);

    // How many resources one calendar-multiget asks for.
    static constexpr int DefaultFetchBatch = 200;
    void setFetchBatch(int size) { m_fetchBatch = qMax(1, size); }

private:
    CalDavClient(std::unique_ptr<DavConnection> connection, QString path, bool syncCollection);
    QList<RemoteEntry> entriesOf(const QByteArray &multistatus);

    std::unique_ptr<DavConnection> m_dav;
    QString m_path;
    bool m_syncCollection; // the server offers the sync-collection report here
    int m_fetchBatch = DefaultFetchBatch;
    // The tag discovery read, until anything else is asked of the server.
    std::optional<QString> m_knownCtag;
};

// MKCALENDAR of a new calendar collection at path holding the given
// components. Throws RemoteError.
void makeCalendar(DavConnection &dav, const QString &path, const QString &displayName,
                  const QStringList &components);

} // namespace tasksync
