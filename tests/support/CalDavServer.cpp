#include "support/CalDavServer.h"

#include "sync/CalDavClient.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>

using namespace Qt::StringLiterals;

namespace {

// Debian's interpreter, which has the servers' modules (another python3
// earlier on PATH may not).
const QString Python = u"/usr/bin/python3"_s;

quint16 freePort()
{
    QTcpServer probe;
    if (!probe.listen(QHostAddress::LocalHost, 0))
        return 0;
    return probe.serverPort();
}

bool writeFile(const QString &path, const QByteArray &text)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(text) == text.size();
}

} // namespace

CalDavServer::CalDavServer(Kind kind) : m_kind(kind)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(u"PYTHONPATH"_s);
    environment.remove(u"PYTHONHOME"_s);
    m_process.setProcessEnvironment(environment);
}

CalDavServer::~CalDavServer()
{
    stop();
}

QString CalDavServer::name(Kind kind)
{
    return kind == Kind::Radicale ? u"Radicale"_s : u"Xandikos"_s;
}

void CalDavServer::stop()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.terminate();
    if (!m_process.waitForFinished(5000)) {
        m_process.kill();
        m_process.waitForFinished(3000);
    }
}

void CalDavServer::useTls(const QString &certificateFile, const QString &keyFile)
{
    m_certificate = certificateFile;
    m_key = keyFile;
}

QUrl CalDavServer::root() const
{
    return QUrl((m_certificate.isEmpty() ? u"http://127.0.0.1:%1/"_s : u"https://127.0.0.1:%1/"_s).arg(m_port));
}

tasksync::Account CalDavServer::account(const QUrl &address) const
{
    tasksync::Account account;
    account.address = address.isEmpty() ? root() : address;
    account.user = user();
    return account;
}

QString CalDavServer::homePath() const
{
    return m_kind == Kind::Radicale ? u"/%1/"_s.arg(user()) : u"/user/calendars/"_s;
}

bool CalDavServer::start()
{
    if (!QFileInfo(Python).isExecutable()) {
        m_why = Python + u" is not installed"_s;
        return false;
    }
    if (!m_dir.isValid()) {
        m_why = u"no temporary folder: "_s + m_dir.errorString();
        return false;
    }
    // Another program may take the port between the probe and the server's
    // start; then the server ends at once and another port is tried.
    for (int attempt = 0; attempt < 5; ++attempt) {
        const quint16 port = freePort();
        if (port != 0 && launch(port)) {
            if (!m_certificate.isEmpty())
                return true;
            m_collection = addCalendar(u"tasks"_s, {u"VTODO"_s});
            return !m_collection.isEmpty();
        }
        if (m_why.contains(u"No module named"_s))
            break;
    }
    return false;
}

bool CalDavServer::launch(quint16 port)
{
    m_port = port;
    const QString storage = m_dir.filePath(u"storage"_s);
    QStringList arguments;
    if (m_kind == Kind::Radicale) {
        const QString users = m_dir.filePath(u"users"_s);
        const QString config = m_dir.filePath(u"config"_s);
        QString text = u"[server]\nhosts = 127.0.0.1:%1\n"_s.arg(port);
        if (!m_certificate.isEmpty())
            text += u"ssl = True\ncertificate = %1\nkey = %2\n"_s.arg(m_certificate, m_key);
        text += u"[auth]\ntype = htpasswd\nhtpasswd_filename = %1\nhtpasswd_encryption = plain\ndelay = 0\n"
                "[rights]\ntype = owner_only\n"
                "[storage]\nfilesystem_folder = %2\n"
                "[web]\ntype = none\n"
                "[logging]\nlevel = warning\n"_s.arg(users, storage);
        if (!writeFile(users, (user() + u':' + password() + u'\n').toUtf8()) || !writeFile(config, text.toUtf8())) {
            m_why = u"cannot write the server's configuration"_s;
            return false;
        }
        arguments = {u"-m"_s, u"radicale"_s, u"--config"_s, config};
    } else {
        arguments = {u"-m"_s, u"xandikos"_s, u"-d"_s, storage, u"--autocreate"_s,
                     u"-l"_s, u"127.0.0.1"_s, u"-p"_s, QString::number(port)};
    }
    // The servers log every request; into a pipe nobody reads that would
    // stall them after a few thousand, so the log goes to a file.
    m_process.setStandardOutputFile(QProcess::nullDevice());
    m_process.setStandardErrorFile(m_dir.filePath(u"server.log"_s));
    m_process.start(Python, arguments);
    if (!m_process.waitForStarted(5000)) {
        m_why = name(m_kind) + u" did not start: "_s + m_process.errorString();
        return false;
    }

    const QDeadlineTimer deadline(20000);
    while (!deadline.hasExpired()) {
        if (m_process.state() == QProcess::NotRunning || m_process.waitForFinished(50)) {
            QFile log(m_dir.filePath(u"server.log"_s));
            log.open(QIODevice::ReadOnly);
            m_why = name(m_kind) + u" ended at once: "_s + QString::fromLocal8Bit(log.readAll());
            return false;
        }
        QTcpSocket probe;
        probe.connectToHost(QHostAddress::LocalHost, port);
        if (probe.waitForConnected(500))
            return true;
    }
    m_why = name(m_kind) + u" did not answer on port "_s + QString::number(port);
    stop();
    return false;
}

QUrl CalDavServer::addCalendar(const QString &calendarName, const QStringList &components)
{
    const QString path = homePath() + calendarName + u'/';
    try {
        tasksync::DavConnection dav(root(), user(), password());
        tasksync::makeCalendar(dav, path, calendarName, components);
        return dav.urlOf(path);
    } catch (const tasksync::RemoteError &error) {
        m_why = u"cannot create the calendar "_s + path + u": "_s + error.text;
        return {};
    }
}
