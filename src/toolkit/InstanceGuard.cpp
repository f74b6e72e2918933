#include "toolkit/InstanceGuard.h"

#include "core/Logging.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QSocketNotifier>

#include <cerrno>
#include <cstring>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {
constexpr QByteArrayView ActivateRequest = "activate\n";
// The most read from one connection: a request is one short line, so more
// without a line end is no request, and the connection is dropped rather
// than buffered.
constexpr qsizetype MaxRequestSize = 64;
// The part of a connection's request read so far.
const char *const RequestProperty = "request";

// The address of a socket file; false when the path does not fit in one.
bool socketAddress(const QString &path, sockaddr_un &address)
{
    const QByteArray encoded = QFile::encodeName(path);
    std::memset(&address, 0, sizeof address);
    address.sun_family = AF_UNIX;
    if (encoded.isEmpty() || size_t(encoded.size()) >= sizeof address.sun_path)
        return false;
    std::memcpy(address.sun_path, encoded.constData(), size_t(encoded.size()));
    return true;
}

int streamSocket()
{
    return ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
}

// Waits for `events` on fd until the deadline; false on time-out or error.
bool waitFor(int fd, short events, const QDeadlineTimer &deadline)
{
    pollfd entry{fd, events, 0};
    for (;;) {
        const int result = ::poll(&entry, 1, int(std::min<qint64>(deadline.remainingTime(), 60000)));
        if (result > 0)
            return true;
        if (result == 0 || errno != EINTR)
            return false;
    }
}
}

InstanceGuard::InstanceGuard(const QString &folder, const QString &name, QObject *parent)
    : QObject(parent), m_folder(folder), m_name(name), m_lock(QDir(folder).filePath(name + u".lock"_s))
{
    // Never stale by age: only a lock whose process is gone is taken over.
    m_lock.setStaleLockTime(0);
}

InstanceGuard::~InstanceGuard()
{
    for (QSocketNotifier *client : findChildren<QSocketNotifier *>(Qt::FindDirectChildrenOnly))
        if (client != m_server)
            ::close(int(client->socket()));
    if (m_server) {
        ::close(int(m_server->socket()));
        ::unlink(QFile::encodeName(socketPath()).constData());
    }
}

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
    if (!listen())
        qCWarning(lcApp) << "cannot listen on" << socketPath() << "- later copies cannot bring this one forward";
    return true;
}

// The socket is made in a private folder of its own, given to the user alone
// and only then moved to its name, so at no moment can anyone else connect.
bool InstanceGuard::listen()
{
    const QString path = socketPath();
    sockaddr_un address;
    QByteArray privateFolder = QFile::encodeName(QDir(m_folder).filePath(m_name + u".XXXXXX"_s));
    if (!socketAddress(path, address) || !::mkdtemp(privateFolder.data()))
        return false;
    const QByteArray inside = privateFolder + "/s";
    sockaddr_un insideAddress;
    const int fd = streamSocket();
    const bool made = fd >= 0 && socketAddress(QFile::decodeName(inside), insideAddress)
                      && ::bind(fd, reinterpret_cast<const sockaddr *>(&insideAddress), sizeof insideAddress) == 0
                      && ::chmod(inside.constData(), S_IRUSR | S_IWUSR) == 0 && ::listen(fd, 16) == 0
                      // The lock is ours, so a socket left behind by a dead copy goes.
                      && ::rename(inside.constData(), address.sun_path) == 0;
    const int error = errno;
    ::unlink(inside.constData());
    ::rmdir(privateFolder.constData());
    if (!made) {
        qCWarning(lcApp) << "instance socket:" << std::strerror(error);
        if (fd >= 0)
            ::close(fd);
        return false;
    }
    m_server = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    connect(m_server, &QSocketNotifier::activated, this, &InstanceGuard::acceptConnections);
    return true;
}

void InstanceGuard::acceptConnections()
{
    for (;;) {
        const int fd = ::accept4(int(m_server->socket()), nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (fd < 0)
            return; // none left (or one that went away meanwhile)
        auto *client = new QSocketNotifier(fd, QSocketNotifier::Read, this);
        client->setProperty(RequestProperty, QByteArray());
        connect(client, &QSocketNotifier::activated, this, [this, client] { readRequest(client); });
        readRequest(client); // the request may have arrived with the connection
    }
}

void InstanceGuard::readRequest(QSocketNotifier *client)
{
    QByteArray request = client->property(RequestProperty).toByteArray();
    char buffer[MaxRequestSize];
    const ssize_t got = ::read(int(client->socket()), buffer, size_t(MaxRequestSize - request.size()));
    if (got < 0 && (errno == EAGAIN || errno == EINTR))
        return;
    if (got <= 0) // hung up before a whole request, or a failed read
        return hangUp(client);
    request.append(buffer, got);
    if (const qsizetype end = request.indexOf('\n'); end >= 0) {
        const bool activate = QByteArrayView(request).first(end + 1) == ActivateRequest;
        hangUp(client);
        if (activate)
            emit activationRequested();
        return;
    }
    if (request.size() >= MaxRequestSize) {
        qCWarning(lcApp) << "dropped an instance request without a line end";
        return hangUp(client);
    }
    client->setProperty(RequestProperty, request);
}

void InstanceGuard::hangUp(QSocketNotifier *client)
{
    client->setEnabled(false);
    ::close(int(client->socket()));
    client->deleteLater();
    // Its descriptor is closed: the destructor must not close it again.
    client->setParent(nullptr);
}

bool InstanceGuard::requestActivation(int timeoutMs) const
{
    const QDeadlineTimer deadline(timeoutMs);
    sockaddr_un address;
    if (!socketAddress(socketPath(), address))
        return false;
    const int fd = streamSocket();
    if (fd < 0)
        return false;
    const auto answered = [&] {
        // A full queue of waiting connections refuses at once: try again.
        while (::connect(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address) != 0) {
            if (errno == EINTR)
                continue;
            if (errno != EAGAIN || deadline.hasExpired())
                return false;
            ::poll(nullptr, 0, 10);
        }
        qsizetype sent = 0;
        while (sent < ActivateRequest.size()) {
            const ssize_t n = ::send(fd, ActivateRequest.data() + sent, size_t(ActivateRequest.size() - sent),
                                     MSG_NOSIGNAL);
            if (n > 0)
                sent += n;
            else if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
                if (!waitFor(fd, POLLOUT, deadline))
                    return false;
            } else
                return false;
        }
        // The running copy hangs up once it has read the request.
        for (;;) {
            char ignored[16];
            const ssize_t n = ::read(fd, ignored, sizeof ignored);
            if (n == 0)
                return true;
            if (n < 0 && errno == ECONNRESET)
                return true;
            if (n < 0 && errno != EAGAIN && errno != EINTR)
                return false;
            if (n < 0 && !waitFor(fd, POLLIN, deadline))
                return false;
        }
    }();
    ::close(fd);
    return answered;
}
