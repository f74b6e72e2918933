#pragma once

#include <QDateTime>
#include <QObject>
#include <QString>
#include <QUrl>

// Keeping the task database in step with one CalDAV collection.
//
// The window sees sync through SyncRunner alone: it hands over the account
// and the password, asks for a pass, and hears when a pass starts and ends.
// The pass itself runs away from the window's thread on a connection of its
// own, so the window never waits for the network.
namespace tasksync {

// Where the tasks are kept on a server. The address is a server root (the
// collection is then discovered) or a collection's own address.
struct Account
{
    QUrl address;
    QString user;
    int intervalMinutes = 15; // between automatic passes; 0: only on request

    bool configured() const { return address.isValid() && !address.isEmpty(); }
};

// How the last pass ended.
enum class Outcome {
    Synced,            // both sides hold the same tasks
    Offline,           // the server could not be reached; changes wait here
    AuthFailed,        // the server refused the user or the password
    CertificateFailed, // the server's certificate was not trusted
    Failed,            // anything else; the report says what in words
};

struct Report
{
    Outcome outcome = Outcome::Synced;
    QDateTime finished;  // local time the pass ended
    int sent = 0;        // tasks written to the server (added or changed)
    int received = 0;    // tasks added or changed here from the server
    int deleted = 0;     // tasks deleted on either side
    int conflicts = 0;   // tasks kept twice, one marked "(conflict)"
    QString error;       // a sentence for the user when outcome is not Synced
};

class SyncRunner : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    // The account the next pass uses; an unconfigured account stops passes.
    virtual void setAccount(const Account &account, const QString &password) = 0;
    // True while a pass runs.
    virtual bool running() const = 0;

public slots:
    // Starts a pass now, unless one runs already (then nothing happens).
    virtual void syncNow() = 0;

signals:
    void started();
    void finished(const tasksync::Report &report);
    // A pass changed tasks in the database: the lists should be read again.
    void tasksChanged();
};

// The runner that syncs the database file with the account's collection,
// owned by parent.
SyncRunner *createRunner(const QString &databaseFile, QObject *parent);

} // namespace tasksync

Q_DECLARE_METATYPE(tasksync::Report)
