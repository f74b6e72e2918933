#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>

// Where the sync password is kept: in the desktop's secret service when one
// runs (through QtKeychain), otherwise in a file of the data folder that
// only its owner may read or write (mode 0600).
//
// Every operation is asynchronous: the secret service answers over D-Bus,
// and may even ask the user to unlock it. The answer arrives through a
// callback from the event loop, never from inside the call, and not at all
// once its context object is gone; no operation runs an event loop of its
// own.
namespace tasksync {

class SecretStore : public QObject
{
    Q_OBJECT
public:
    enum class Place {
        Unknown,       // nothing asked yet
        SecretService, // the desktop's secret service
        File,          // the file of the data folder
    };
    struct Result
    {
        QString password;            // what was read or written; empty when none is kept
        Place place = Place::Unknown; // where it is kept (where it would be, when none is)
        QString error;               // a sentence for the user when it could not be kept
    };
    using Done = std::function<void(const Result &)>;

    explicit SecretStore(const QString &dataFolder, QObject *parent = nullptr);

    // The file used without a secret service.
    QString filePath() const { return m_file; }
    // Where the last finished operation found or put the password.
    Place place() const { return m_place; }
    // With the service off only the file is used.
    void setSecretServiceEnabled(bool on) { m_useService = on; }

    // Reads the password. One found in the file while a secret service runs
    // is moved into the service.
    void read(QObject *context, Done done);
    // Keeps the password; a blank one is removed from both places. A
    // password put into the service leaves no copy in the file.
    void write(const QString &password, QObject *context, Done done);
    void remove(QObject *context, Done done);

private:
    Result readFile();
    QString writeFile(const QString &password);
    QString removeFile();
    void finish(const QPointer<QObject> &context, const Done &done, const Result &result);

    QString m_file;
    bool m_useService = true;
    Place m_place = Place::Unknown;
};

} // namespace tasksync
