#pragma once

#include "sync/RemoteCollection.h"

#include <QMap>
#include <QMutex>
#include <QMutexLocker>

#include <functional>

// A collection held in memory that answers as a CalDAV server does: ETags
// that change with every write, a ctag that changes with any, If-Match and
// If-None-Match, deleted resources forgotten. It counts the requests and
// can be taken offline. Several FakeCollection views may share one server
// (two databases syncing through it, or a pass on another thread).
struct FakeServer
{
    struct Resource
    {
        QString etag;
        QByteArray ics;
    };

    mutable QMutex mutex;
    QMap<QString, Resource> resources;
    int ctag = 1;
    int nextEtag = 1;
    int requests = 0;
    bool offline = false;
    bool etagOnPut = true; // false: writes are answered without the new ETag
    // Called before a put is answered, with the href (the lock is not held):
    // lets a test change the resource "meanwhile".
    std::function<void(const QString &href)> beforePut;
    // Requests after which the server stops answering (-1: never).
    int answersLeft = -1;

    // Writes a resource as another client would.
    void write(const QString &href, const QByteArray &ics)
    {
        QMutexLocker lock(&mutex);
        resources[href] = {QStringLiteral("\"%1\"").arg(nextEtag++), ics};
        ++ctag;
    }
    void erase(const QString &href)
    {
        QMutexLocker lock(&mutex);
        resources.remove(href);
        ++ctag;
    }
    QByteArray read(const QString &href) const
    {
        QMutexLocker lock(&mutex);
        return resources.value(href).ics;
    }
    QStringList hrefs() const
    {
        QMutexLocker lock(&mutex);
        return resources.keys();
    }
};

class FakeCollection final : public tasksync::RemoteCollection
{
public:
    explicit FakeCollection(FakeServer &server) : m_server(server) {}

    QString url() const override { return QStringLiteral("http://127.0.0.1:1/tasks/"); }
    QString ctag() override
    {
        QMutexLocker lock(answer());
        return QString::number(m_server.ctag);
    }
    QList<tasksync::RemoteEntry> list() override
    {
        QMutexLocker lock(answer());
        QList<tasksync::RemoteEntry> all;
        for (auto it = m_server.resources.cbegin(); it != m_server.resources.cend(); ++it)
            all << tasksync::RemoteEntry{it.key(), it->etag};
        return all;
    }
    QList<tasksync::RemoteObject> fetch(const QStringList &hrefs) override
    {
        QMutexLocker lock(answer());
        QList<tasksync::RemoteObject> found;
        for (const QString &h : hrefs)
            if (m_server.resources.contains(h))
                found << tasksync::RemoteObject{h, m_server.resources[h].etag, m_server.resources[h].ics};
        return found;
    }
    QString put(const QString &href, const QByteArray &ics, const QString &ifMatch) override
    {
        if (m_server.beforePut) {
            auto hook = std::exchange(m_server.beforePut, nullptr);
            hook(href);
        }
        QMutexLocker lock(answer());
        const bool exists = m_server.resources.contains(href);
        if (ifMatch.isEmpty() ? exists : (!exists || m_server.resources[href].etag != ifMatch))
            throw tasksync::RemoteError(tasksync::RemoteError::Kind::PreconditionFailed, QStringLiteral("412"));
        const QString etag = QStringLiteral("\"%1\"").arg(m_server.nextEtag++);
        m_server.resources[href] = {etag, ics};
        ++m_server.ctag;
        return m_server.etagOnPut ? etag : QString();
    }
    void remove(const QString &href, const QString &ifMatch) override
    {
        QMutexLocker lock(answer());
        if (!m_server.resources.contains(href))
            return;
        if (!ifMatch.isEmpty() && m_server.resources[href].etag != ifMatch)
            throw tasksync::RemoteError(tasksync::RemoteError::Kind::PreconditionFailed, QStringLiteral("412"));
        m_server.resources.remove(href);
        ++m_server.ctag;
    }
    QString hrefFor(const QString &uid) const override { return QStringLiteral("/tasks/") + uid + QStringLiteral(".ics"); }

private:
    // Counts a request and holds the server for it; throws when offline.
    QMutex *answer()
    {
        QMutexLocker lock(&m_server.mutex);
        if (m_server.answersLeft == 0)
            m_server.offline = true;
        if (m_server.offline)
            throw tasksync::RemoteError(tasksync::RemoteError::Kind::Unreachable, QStringLiteral("Connection refused."));
        if (m_server.answersLeft > 0)
            --m_server.answersLeft;
        ++m_server.requests;
        lock.unlock();
        return &m_server.mutex;
    }

    FakeServer &m_server;
};
