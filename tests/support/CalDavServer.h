#pragma once

#include "sync/SyncRunner.h"

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QUrl>

// A real CalDAV server for tests: Radicale or Xandikos, on the loopback
// address at a free port, storing into a temporary folder that goes with it.
// start() waits until the server answers and creates a to-do collection
// for the user; the destructor stops the server.
//
// Radicale checks the user and password (a plain htpasswd file); Xandikos
// has no passwords at all and answers anyone.
class CalDavServer
{
public:
    enum class Kind { Radicale, Xandikos };

    explicit CalDavServer(Kind kind);
    ~CalDavServer();
    CalDavServer(const CalDavServer &) = delete;
    CalDavServer &operator=(const CalDavServer &) = delete;

    static QString name(Kind kind);

    // Radicale only, before start(): serve https with this certificate and
    // key. No client trusts the certificate, so start() creates no
    // collection then; the server is good for the handshake alone.
    void useTls(const QString &certificateFile, const QString &keyFile);

    // False (with why()) when the server is not installed or did not come up.
    bool start();
    QString why() const { return m_why; }
    void stop();

    Kind kind() const { return m_kind; }
    bool checksPasswords() const { return m_kind == Kind::Radicale; }
    QString user() const { return QStringLiteral("alice"); }
    QString password() const { return QStringLiteral("correct horse"); }

    // http://127.0.0.1:port/ (https with TLS)
    QUrl root() const;
    // The to-do collection start() created.
    QUrl collection() const { return m_collection; }
    // The account of the user with the given address (the root by default).
    tasksync::Account account(const QUrl &address = {}) const;

    // Makes another calendar in the user's calendar home holding the given
    // components; returns its address, or an empty one (with why()) on failure.
    QUrl addCalendar(const QString &name, const QStringList &components);

private:
    bool launch(quint16 port);
    QString homePath() const;

    Kind m_kind;
    QTemporaryDir m_dir;
    QProcess m_process;
    quint16 m_port = 0;
    QUrl m_collection;
    QString m_why;
    QString m_certificate;
    QString m_key;
};
