#include "sync/WebDavXml.h"

#include <QUrl>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

#include <stdexcept>

using namespace Qt::StringLiterals;

namespace webdav {

QString clark(QStringView ns, QStringView local)
{
    return u'{' + ns.toString() + u'}' + local.toString();
}

namespace {

QString nameOf(const QXmlStreamReader &xml)
{
    return clark(xml.namespaceUri(), xml.name());
}

bool is(const QXmlStreamReader &xml, QStringView ns, QStringView local)
{
    return xml.namespaceUri() == ns && xml.name() == local;
}

// "HTTP/1.1 404 Not Found" -> 404; 0 when unreadable.
int statusCode(const QString &line)
{
    const QStringList parts = line.simplified().split(u' ');
    return parts.size() >= 2 ? parts.at(1).toInt() : 0;
}

bool isSuccess(int status)
{
    return status >= 200 && status < 300;
}

// Reads one property element; the reader stands on its start and ends on its end.
Property readProperty(QXmlStreamReader &xml)
{
    Property prop;
    int depth = 0; // of the element the reader is in, below the property
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isEndElement()) {
            if (depth == 0)
                break;
            --depth;
        } else if (xml.isCharacters() && depth == 0) {
            prop.text += xml.text();
        } else if (xml.isStartElement()) {
            prop.children << nameOf(xml);
            if (is(xml, DavNs, u"href")) {
                prop.hrefs << xml.readElementText(QXmlStreamReader::IncludeChildElements).trimmed();
            } else {
                if (is(xml, CalDavNs, u"comp"))
                    prop.compNames << xml.attributes().value(u"name"_s).toString().toUpper();
                ++depth;
            }
        }
    }
    // Values such as ETags and tokens never carry meaningful outer blanks,
    // and calendar data keeps its meaning without them.
    prop.text = prop.text.trimmed();
    return prop;
}

// Reads a DAV:propstat; its properties go into props when its status is a success.
void readPropstat(QXmlStreamReader &xml, QHash<QString, Property> &props)
{
    QList<std::pair<QString, Property>> found;
    int status = 0;
    while (xml.readNextStartElement()) {
        if (is(xml, DavNs, u"prop")) {
            while (xml.readNextStartElement()) {
                const QString name = nameOf(xml);
                found.append({name, readProperty(xml)});
            }
        } else if (is(xml, DavNs, u"status")) {
            status = statusCode(xml.readElementText(QXmlStreamReader::IncludeChildElements));
        } else {
            xml.skipCurrentElement();
        }
    }
    if (isSuccess(status)) {
        for (auto &[name, prop] : found)
            props.insert(name, std::move(prop));
    }
}

Response readResponse(QXmlStreamReader &xml)
{
    Response response;
    while (xml.readNextStartElement()) {
        if (is(xml, DavNs, u"href")) {
            const QString href = xml.readElementText(QXmlStreamReader::IncludeChildElements).trimmed();
            if (response.href.isEmpty())
                response.href = href;
        } else if (is(xml, DavNs, u"status")) {
            response.status = statusCode(xml.readElementText(QXmlStreamReader::IncludeChildElements));
        } else if (is(xml, DavNs, u"propstat")) {
            readPropstat(xml, response.props);
        } else {
            xml.skipCurrentElement();
        }
    }
    return response;
}

// A writer with the three namespaces declared under their usual prefixes.
class Body
{
public:
    Body() : m_xml(&m_bytes)
    {
        m_xml.writeStartDocument();
        m_xml.writeNamespace(QString::fromUtf16(DavNs), u"D"_s);
        m_xml.writeNamespace(QString::fromUtf16(CalDavNs), u"C"_s);
        m_xml.writeNamespace(QString::fromUtf16(CalServerNs), u"CS"_s);
    }
    QXmlStreamWriter &xml() { return m_xml; }
    void start(QStringView ns, const QString &local) { m_xml.writeStartElement(ns.toString(), local); }
    void empty(QStringView ns, const QString &local) { m_xml.writeEmptyElement(ns.toString(), local); }
    void end() { m_xml.writeEndElement(); }
    // An empty element for each Clark name.
    void props(const QStringList &names)
    {
        start(DavNs, u"prop"_s);
        for (const QString &name : names) {
            const qsizetype close = name.indexOf(u'}');
            empty(QStringView(name).mid(1, close - 1), name.mid(close + 1));
        }
        end();
    }
    QByteArray finish()
    {
        m_xml.writeEndDocument();
        return m_bytes;
    }

private:
    QByteArray m_bytes;
    QXmlStreamWriter m_xml;
};

} // namespace

Multistatus parseMultistatus(const QByteArray &text)
{
    QXmlStreamReader xml(text);
    Multistatus result;
    if (!xml.readNextStartElement() || !is(xml, DavNs, u"multistatus"))
        throw std::runtime_error("the answer is no WebDAV multistatus");
    while (xml.readNextStartElement()) {
        if (is(xml, DavNs, u"response"))
            result.responses << readResponse(xml);
        else if (is(xml, DavNs, u"sync-token"))
            result.syncToken = xml.readElementText(QXmlStreamReader::IncludeChildElements).trimmed();
        else
            xml.skipCurrentElement();
    }
    if (xml.hasError())
        throw std::runtime_error("the server's XML is not well-formed: " + xml.errorString().toStdString());
    return result;
}

QString decodeHref(const QString &href)
{
    return QUrl(href).path(QUrl::FullyDecoded);
}

QString encodeHref(const QString &path)
{
    // Everything but the unreserved characters is escaped: servers split
    // unescaped ";" or "?" off a path, and some read "+" as a blank.
    return QString::fromLatin1(QUrl::toPercentEncoding(path, "/"));
}

bool samePath(const QString &a, const QString &b)
{
    auto trimmed = [](const QString &path) {
        return path.endsWith(u'/') ? QStringView(path).chopped(1) : QStringView(path);
    };
    return trimmed(a) == trimmed(b);
}

QByteArray propfindBody(const QStringList &props)
{
    Body body;
    body.start(DavNs, u"propfind"_s);
    body.props(props);
    body.end();
    return body.finish();
}

QByteArray todoQueryBody()
{
    Body body;
    body.start(CalDavNs, u"calendar-query"_s);
    body.props({clark(DavNs, u"getetag")});
    body.start(CalDavNs, u"filter"_s);
    body.start(CalDavNs, u"comp-filter"_s);
    body.xml().writeAttribute(u"name"_s, u"VCALENDAR"_s);
    body.empty(CalDavNs, u"comp-filter"_s);
    body.xml().writeAttribute(u"name"_s, u"VTODO"_s);
    body.end();
    body.end();
    body.end();
    return body.finish();
}

QByteArray multigetBody(const QStringList &paths)
{
    Body body;
    body.start(CalDavNs, u"calendar-multiget"_s);
    body.props({clark(DavNs, u"getetag"), clark(CalDavNs, u"calendar-data")});
    for (const QString &path : paths)
        body.xml().writeTextElement(QString::fromUtf16(DavNs), u"href"_s, encodeHref(path));
    body.end();
    return body.finish();
}

QByteArray syncCollectionBody(const QString &syncToken)
{
    Body body;
    body.start(DavNs, u"sync-collection"_s);
    body.xml().writeTextElement(QString::fromUtf16(DavNs), u"sync-token"_s, syncToken);
    body.xml().writeTextElement(QString::fromUtf16(DavNs), u"sync-level"_s, u"1"_s);
    body.props({clark(DavNs, u"getetag")});
    body.end();
    return body.finish();
}

QByteArray mkcalendarBody(const QString &displayName, const QStringList &components)
{
    Body body;
    body.start(CalDavNs, u"mkcalendar"_s);
    body.start(DavNs, u"set"_s);
    body.start(DavNs, u"prop"_s);
    body.xml().writeTextElement(QString::fromUtf16(DavNs), u"displayname"_s, displayName);
    body.start(CalDavNs, u"supported-calendar-component-set"_s);
    for (const QString &component : components) {
        body.empty(CalDavNs, u"comp"_s);
        body.xml().writeAttribute(u"name"_s, component);
    }
    body.end();
    body.end();
    body.end();
    body.end();
    return body.finish();
}

} // namespace webdav
