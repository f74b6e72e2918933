#include "sync/CalDavClient.h"

#include "sync/WebDavXml.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QRegularExpression>

#include <stdexcept>
#include <utility>

using namespace Qt::StringLiterals;
using namespace webdav;

namespace tasksync {

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("CalDavClient", text);
}

const QString ResourceType = clark(DavNs, u"resourcetype");
const QString ComponentSet = clark(CalDavNs, u"supported-calendar-component-set");
const QString UserPrincipal = clark(DavNs, u"current-user-principal");
const QString CalendarHome = clark(CalDavNs, u"calendar-home-set");
const QString ReportSet = clark(DavNs, u"supported-report-set");
const QString GetEtag = clark(DavNs, u"getetag");
const QString GetCtag = clark(CalServerNs, u"getctag");
const QString SyncToken = clark(DavNs, u"sync-token");
const QString ContentType = clark(DavNs, u"getcontenttype");
const QString CalendarData = clark(CalDavNs, u"calendar-data");

bool isSuccess(int status)
{
    return status >= 200 && status < 300;
}

Multistatus readMultistatus(const DavConnection &dav, const DavReply &reply, const QString &what)
{
    try {
        return parseMultistatus(reply.body);
    } catch (const std::runtime_error &error) {
        throw RemoteError(RemoteError::Kind::Protocol,
                          tr("%1 failed: the answer of the server %2 could not be read (%3).")
                              .arg(what, dav.address().host(), QString::fromUtf8(error.what())));
    }
}

// A PROPFIND; nothing when the server has no such resource or refuses
// PROPFIND there (and missingIsFine), else its multistatus.
std::optional<Multistatus> propfind(DavConnection &dav, const QString &path, int depth, const QStringList &props,
                                    const QString &what, bool missingIsFine)
{
    const DavReply reply = dav.send("PROPFIND", path, propfindBody(props),
                                    {{"Depth", QByteArray::number(depth)}});
    if (reply.status == 207)
        return readMultistatus(dav, reply, what);
    if (missingIsFine && (reply.status == 404 || reply.status == 405 || reply.status == 501))
        return std::nullopt;
    dav.fail(reply, what);
}

// The response about the resource a Depth 0 PROPFIND asked for.
std::optional<Response> single(const std::optional<Multistatus> &answer)
{
    if (!answer || answer->responses.isEmpty())
        return std::nullopt;
    return answer->responses.first();
}

bool holdsTodos(const Response &response)
{
    if (!response.props.value(ResourceType).children.contains(clark(CalDavNs, u"calendar")))
        return false;
    // A calendar that does not say what it holds takes every component.
    const QStringList components = response.props.value(ComponentSet).compNames;
    return components.isEmpty() || components.contains(u"VTODO"_s);
}

// True unless the server says which reports it offers and sync-collection
// is not one of them.
bool offersSyncCollection(const Response &response)
{
    return !response.has(ReportSet)
        || response.props.value(ReportSet).children.contains(clark(DavNs, u"sync-collection"));
}

// The collection's tag: getctag, else the sync-token, else empty.
QString tagOf(const Response &response)
{
    const QString ctag = response.text(GetCtag);
    return ctag.isEmpty() ? response.text(SyncToken) : ctag;
}

QString withSlash(QString path)
{
    if (!path.endsWith(u'/'))
        path += u'/';
    return path;
}

// An If-Match value: the ETag as the server gave it, quoted if it came bare.
QByteArray quotedEtag(const QString &etag)
{
    if (etag.startsWith(u'"') || etag.startsWith(u"W/"))
        return etag.toUtf8();
    return '"' + etag.toUtf8() + '"';
}

} // namespace

CalDavClient::CalDavClient(std::unique_ptr<DavConnection> connection, QString path, bool syncCollection)
    : m_dav(std::move(connection)), m_path(withSlash(std::move(path))), m_syncCollection(syncCollection)
{
}

std::unique_ptr<CalDavClient> CalDavClient::open(const Account &account, const QString &password,
                                                 std::chrono::milliseconds timeout)
{
    const QString scheme = account.address.scheme();
    if (!account.configured() || (scheme != u"http"_s && scheme != u"https"_s) || account.address.host().isEmpty())
        throw RemoteError(RemoteError::Kind::Protocol,
                          tr("The server address \"%1\" is no http or https address.")
                              .arg(account.address.toDisplayString(QUrl::RemoveUserInfo)));

    auto dav = std::make_unique<DavConnection>(account.address, account.user, password, timeout);
    const QString what = tr("Looking for the task list");
    const QStringList props{ResourceType, ComponentSet, UserPrincipal, CalendarHome, ReportSet, GetCtag, SyncToken};
    auto found = [&](const Response &response) {
        const QString path = dav->pathOf(response.href);
        std::unique_ptr<CalDavClient> client(new CalDavClient(std::move(dav), path, offersSyncCollection(response)));
        // The tag read along saves the first ctag() a request of its own.
        client->m_knownCtag = tagOf(response);
        return client;
    };

    // The address itself may be the collection.
    const QString start = dav->address().path(QUrl::FullyDecoded);
    const std::optional<Response> here = single(propfind(*dav, start, 0, props, what, true));
    if (here && holdsTodos(*here))
        return found(*here);

    // Else the calendar home: the address's own (a principal), else that of
    // the address's principal, else that of the principal the well-known
    // address or the server root names.
    QStringList homes = here ? here->props.value(CalendarHome).hrefs : QStringList();
    if (homes.isEmpty()) {
        QStringList principals = here ? here->props.value(UserPrincipal).hrefs : QStringList();
        for (const QString &path : {u"/.well-known/caldav"_s, u"/"_s}) {
            if (!principals.isEmpty())
                break;
            if (samePath(path, start))
                continue;
            if (const auto answer = single(propfind(*dav, path, 0, {UserPrincipal}, what, true)))
                principals = answer->props.value(UserPrincipal).hrefs;
        }
        if (!principals.isEmpty()) {
            if (const auto principal = single(propfind(*dav, dav->pathOf(principals.first()), 0, {CalendarHome}, what, true)))
                homes = principal->props.value(CalendarHome).hrefs;
        }
    }
    // A plain collection given as the address may hold the calendars itself.
    if (here && here->props.value(ResourceType).children.contains(clark(DavNs, u"collection")))
        homes << here->href;

    for (const QString &href : std::as_const(homes)) {
        const QString home = dav->pathOf(href);
        const auto answer = propfind(*dav, home, 1, {ResourceType, ComponentSet, ReportSet, GetCtag, SyncToken}, what, true);
        if (!answer)
            continue;
        for (const Response &response : answer->responses) {
            if (!samePath(dav->pathOf(response.href), home) && holdsTodos(response))
                return found(response);
        }
    }
    throw RemoteError(RemoteError::Kind::Protocol,
                      tr("No task list was found at %1: the server has no calendar for to-dos that this user can reach.")
                          .arg(account.address.toDisplayString(QUrl::RemoveUserInfo)));
}

QString CalDavClient::url() const
{
    return m_dav->urlOf(m_path).toString();
}

QString CalDavClient::ctag()
{
    if (m_knownCtag) {
        // Nothing was sent through this client since the tag was read.
        return *std::exchange(m_knownCtag, std::nullopt);
    }
    const QString what = tr("Checking the task list for changes");
    const auto answer = single(propfind(*m_dav, m_path, 0, {GetCtag, SyncToken}, what, false));
    return answer ? tagOf(*answer) : QString();
}

QList<RemoteEntry> CalDavClient::entriesOf(const QByteArray &body)
{
    const Multistatus answer = readMultistatus(*m_dav, {0, body, {}, {}}, tr("Reading the task list"));
    QList<RemoteEntry> entries;
    entries.reserve(answer.responses.size());
    for (const Response &response : answer.responses) {
        if (response.status != 0 && !isSuccess(response.status))
            continue;
        const QString path = m_dav->pathOf(response.href);
        if (samePath(path, m_path) || response.props.value(ResourceType).children.contains(clark(DavNs, u"collection")))
            continue;
        // Only a PROPFIND names the content type; a calendar query holds to-dos only.
        if (response.has(ContentType) && !response.text(ContentType).contains(u"text/calendar"_s, Qt::CaseInsensitive))
            continue;
        entries.append(RemoteEntry{path, response.text(GetEtag)});
    }
    return entries;
}

QList<RemoteEntry> CalDavClient::list()
{
    m_knownCtag.reset();
    const QString what = tr("Reading the task list");
    DavReply reply = m_dav->send("REPORT", m_path, todoQueryBody(), {{"Depth", "1"}});
    if (reply.status == 207)
        return entriesOf(reply.body);
    // A server without calendar queries still lists its resources.
    if (reply.status != 400 && reply.status != 405 && reply.status != 415 && reply.status != 501)
        m_dav->fail(reply, what);
    reply = m_dav->send("PROPFIND", m_path, propfindBody({ResourceType, GetEtag, ContentType}), {{"Depth", "1"}});
    if (reply.status != 207)
        m_dav->fail(reply, what);
    return entriesOf(reply.body);
}

QList<RemoteObject> CalDavClient::fetch(const QStringList &hrefs)
{
    m_knownCtag.reset();
    const QString what = tr("Reading tasks");
    QList<RemoteObject> objects;
    objects.reserve(hrefs.size());
    for (qsizetype first = 0; first < hrefs.size(); first += m_fetchBatch) {
        const DavReply reply = m_dav->send("REPORT", m_path, multigetBody(hrefs.mid(first, m_fetchBatch)),
                                           {{"Depth", "1"}});
        if (reply.status != 207)
            m_dav->fail(reply, what);
        for (const Response &response : readMultistatus(*m_dav, reply, what).responses) {
            if (!response.has(CalendarData))
                continue;
            // XML turns the CRLF line ends of iCalendar into LF (unless the
            // server escaped the CR); they are put back, folded lines included.
            QByteArray ics = response.text(CalendarData).toUtf8();
            if (!ics.contains('\r'))
                ics.replace('\n', "\r\n");
            ics += "\r\n";
            objects.append({m_dav->pathOf(response.href), response.text(GetEtag), std::move(ics)});
        }
    }
    return objects;
}

QString CalDavClient::put(const QString &href, const QByteArray &ics, const QString &ifMatch)
{
    m_knownCtag.reset();
    DavConnection::Headers headers{{"Content-Type", "text/calendar; charset=utf-8"}};
    if (ifMatch.isEmpty())
        headers.append({QByteArrayLiteral("If-None-Match"), QByteArrayLiteral("*")});
    else
        headers.append({QByteArrayLiteral("If-Match"), quotedEtag(ifMatch)});
    const DavReply reply = m_dav->send("PUT", href, ics, headers);
    if (!isSuccess(reply.status))
        m_dav->fail(reply, tr("Saving a task"));
    // A weak ETag means the server changed what was sent; it cannot be
    // matched later, so the caller must read the resource again.
    if (reply.etag.startsWith("W/"))
        return {};
    return QString::fromUtf8(reply.etag);
}

void CalDavClient::remove(const QString &href, const QString &ifMatch)
{
    m_knownCtag.reset();
    DavConnection::Headers headers;
    if (!ifMatch.isEmpty())
        headers.append({QByteArrayLiteral("If-Match"), quotedEtag(ifMatch)});
    const DavReply reply = m_dav->send("DELETE", href, {}, headers);
    if (!isSuccess(reply.status) && reply.status != 404 && reply.status != 410)
        m_dav->fail(reply, tr("Deleting a task"));
}

QString CalDavClient::hrefFor(const QString &uid) const
{
    // A UID of plain characters names its own file; any other is hashed,
    // which keeps the name safe in every server's file system and URL.
    static const QRegularExpression plain(u"^[A-Za-z0-9_@-][A-Za-z0-9._@-]{0,199}$"_s);
    const QString name = plain.match(uid).hasMatch()
        ? uid
        : QString::fromLatin1(QCryptographicHash::hash(uid.toUtf8(), QCryptographicHash::Sha1).toHex());
    return m_path + name + u".ics"_s;
}

std::optional<RemoteChanges> CalDavClient::changesSince(const QString &syncToken)
{
    m_knownCtag.reset();
    if (!m_syncCollection)
        return std::nullopt;
    const QString what = tr("Reading the changes of the task list");
    const DavReply reply = m_dav->send("REPORT", m_path, syncCollectionBody(syncToken), {{"Depth", "0"}});
    if (reply.status != 207) {
        const bool refusedLogin = reply.status == 401;
        const bool unavailable = reply.status >= 502 && reply.status <= 504;
        // RFC 6578 refuses a token the server does not know any more with
        // 403 and the valid-sync-token precondition; some servers fail
        // otherwise (Xandikos: 500). Either way the token is no use, and
        // the caller reads the whole list instead of failing every time.
        if (!syncToken.isEmpty() && !refusedLogin && !unavailable)
            throw RemoteError(RemoteError::Kind::PreconditionFailed,
                              tr("%1 failed: the server %2 no longer knows the last sync.").arg(what, m_dav->address().host()));
        if (syncToken.isEmpty() && (reply.status == 400 || reply.status == 405 || reply.status == 501)) {
            m_syncCollection = false;
            return std::nullopt;
        }
        m_dav->fail(reply, what);
    }
    const Multistatus answer = readMultistatus(*m_dav, reply, what);
    RemoteChanges changes;
    changes.syncToken = answer.syncToken;
    for (const Response &response : answer.responses) {
        const QString path = m_dav->pathOf(response.href);
        if (samePath(path, m_path))
            continue;
        if (response.status == 404 || response.status == 410)
            changes.removed << path;
        else if (response.has(GetEtag))
            changes.changed.append(RemoteEntry{path, response.text(GetEtag)});
    }
    return changes;
}

void makeCalendar(DavConnection &dav, const QString &path, const QString &displayName,
                  const QStringList &components)
{
    const DavReply reply = dav.send("MKCALENDAR", path, mkcalendarBody(displayName, components));
    if (reply.status != 201)
        dav.fail(reply, QCoreApplication::translate("CalDavClient", "Creating a task list"));
}

std::unique_ptr<RemoteCollection> openCollection(const Account &account, const QString &password)
{
    return CalDavClient::open(account, password);
}

} // namespace tasksync
