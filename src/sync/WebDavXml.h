#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

// The XML of WebDAV and CalDAV: reading a multistatus answer and writing the
// request bodies the client sends.
//
// Element names are kept in Clark notation ("{DAV:}getetag"), so a server's
// choice of prefixes never matters. Hrefs are kept as written; decodeHref()
// gives the form they are compared in (percent escapes resolved, a full URL
// cut down to its path), because servers differ in what they escape and the
// same resource must compare equal however it is written.
namespace webdav {

inline constexpr char16_t DavNs[] = u"DAV:";
inline constexpr char16_t CalDavNs[] = u"urn:ietf:params:xml:ns:caldav";
inline constexpr char16_t CalServerNs[] = u"http://calendarserver.org/ns/";

// "{namespace}local"
QString clark(QStringView ns, QStringView local);

// One property of a resource as the server reported it.
struct Property
{
    QString text;          // the text content (getetag, getctag, calendar-data...)
    QStringList hrefs;     // DAV:href children, as written (current-user-principal, calendar-home-set)
    QStringList children;  // Clark names of the elements inside, at any depth (resourcetype, supported-report-set)
    QStringList compNames; // name attributes of CalDAV comp children (supported-calendar-component-set)
};

// One DAV:response of a multistatus.
struct Response
{
    QString href;   // as written
    int status = 0; // the response's own status (0 when it reports per property)
    // The properties reported with a 2xx status; the ones the server does
    // not have are left out.
    QHash<QString, Property> props;

    bool has(const QString &name) const { return props.contains(name); }
    QString text(const QString &name) const { return props.value(name).text; }
};

struct Multistatus
{
    QList<Response> responses;
    QString syncToken; // the top-level sync-token of a sync-collection answer
};

// Reads a 207 Multi-Status body. Throws std::runtime_error when it is no
// well-formed multistatus document.
Multistatus parseMultistatus(const QByteArray &xml);

// The path of an href, percent escapes resolved: "/a%20b/" and
// "http://host/a b/" both give "/a b/".
QString decodeHref(const QString &href);
// The href of a decoded path as sent on the wire (escaped where needed).
QString encodeHref(const QString &path);
// Two paths naming the same collection, whatever the trailing slash.
bool samePath(const QString &a, const QString &b);

// Request bodies. The property names are Clark names.
QByteArray propfindBody(const QStringList &props);
// calendar-query for every VTODO, asking for the ETags only.
QByteArray todoQueryBody();
// calendar-multiget of the given decoded paths, asking for the ETags and the data.
QByteArray multigetBody(const QStringList &paths);
// sync-collection from a token (empty: from the start), asking for the ETags.
QByteArray syncCollectionBody(const QString &syncToken);
// MKCALENDAR of a calendar holding the given components ("VTODO").
QByteArray mkcalendarBody(const QString &displayName, const QStringList &components);

} // namespace webdav
