#include "toolkit/InstanceGuard.h"

#include "core/Logging.h"

#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>

using namespace Qt::StringLiterals;

namespace {
constexpr QByteArrayView ActivateRequest = "activate\n";
// The most read from one connection: a request is one short line, so more
// without a line end is no request, and the connection is dropped rather
// than buffered.
constexpr qint64 MaxRequestSize = 64;
}

InstanceGuard::InstanceGuard(const QString &folder, const QString &name, QObject *parent)
    : QObject(parent), m_folder(folder), m_name(name), m_lock(QDir(folder).filePath(name + u".lock"_s))
{
    // Never stale by age: only a lock whose process is gone is taken over.
    m_lock.setStaleLockTime(0);
}

InstanceGuard::~InstanceGuard() = default;

QString InstanceGuard::lockFilePath() const
{
    return QDir(m_folder).filePath(m_name + u".lock"_s);
}

QString InstanceGuard::socketPath() const
{
    return QDir(m_folder).filePath(m_name + u".socket"_s);
}

bool InstanceGuard::acquire()
{
    QDir().mkpath(m_folder);
    if (!m_lock.tryLock(0)) {
        if (m_lock.error() == QLockFile::LockFailedError)
            return false;
        qCWarning(lcApp) << "cannot create the instance lock" << lockFilePath() << "- running without it";
        return true;
    }
    // The lock is ours, so a socket left behind by a dead copy can go.
    QLocalServer::removeServer(socketPath());
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_server->listen(socketPath()))
        qCWarning(lcApp) << "cannot listen on" << socketPath() << m_server->errorString();
    connect(m_server, &QLocalServer::newConnection, this, &InstanceGuard::readRequest);
    return true;
}

void InstanceGuard::readRequest()
{
    while (QLocalSocket *socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        socket->setReadBufferSize(MaxRequestSize);
        const auto handle = [this, socket] {
            if (!socket->canReadLine()) {
                if (socket->bytesAvailable() >= MaxRequestSize) {
                    qCWarning(lcApp) << "dropped an instance request without a line end";
                    socket->abort();
                    socket->deleteLater();
                }
                return;
            }
            const bool activate = socket->readLine(MaxRequestSize + 1) == ActivateRequest;
            socket->disconnectFromServer();
            if (activate)
                emit activationRequested();
        };
        connect(socket, &QLocalSocket::readyRead, this, handle);
        handle(); // the request may have arrived with the connection
    }
}

bool InstanceGuard::requestActivation(int timeoutMs) const
{
    QLocalSocket socket;
    socket.connectToServer(socketPath());
    if (!socket.waitForConnected(timeoutMs))
        return false;
    socket.write(ActivateRequest.data(), ActivateRequest.size());
    if (!socket.waitForBytesWritten(timeoutMs))
        return false;
    // The running copy hangs up once it has read the request.
    return socket.state() == QLocalSocket::UnconnectedState || socket.waitForDisconnected(timeoutMs);
}
