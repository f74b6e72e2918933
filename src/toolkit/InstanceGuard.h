#pragma once

#include <QLockFile>
#include <QObject>
#include <QString>

class QSocketNotifier;

// One running copy per name: a lock file in the user's runtime folder says
// which copy runs, and that copy listens on a Unix-domain socket beside it
// (only its user may connect), where later copies ask it to come forward.
// The lock names the process holding it, so the lock of a copy that died
// (even by SIGKILL) is taken over. Plain sockets with a socket notifier keep
// the network library out of the program's start.
class InstanceGuard : public QObject
{
    Q_OBJECT
public:
    // `folder` holds `<name>.lock` and the socket `<name>.socket`.
    InstanceGuard(const QString &folder, const QString &name, QObject *parent = nullptr);
    ~InstanceGuard() override;

    // Takes the lock and starts listening. False when another copy holds
    // the lock; true also when the lock cannot be made at all (a program
    // that cannot tell is better running than missing).
    bool acquire();
    // Asks the running copy to come forward; false when it did not answer.
    bool requestActivation(int timeoutMs = 3000) const;

    QString lockFilePath() const;
    QString socketPath() const;

signals:
    // A later copy asked this one to come forward.
    void activationRequested();

private:
    bool listen();
    void acceptConnections();
    void readRequest(QSocketNotifier *client);
    void hangUp(QSocketNotifier *client);

    QString m_folder;
    QString m_name;
    QLockFile m_lock;
    QSocketNotifier *m_server = nullptr;
};
