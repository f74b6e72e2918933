#include "sync/SecretStore.h"

#include "core/CheckedSaveFile.h"
#include "core/PrivateFiles.h"

#include <qt6keychain/keychain.h>

#include <QDir>
#include <QFile>
#include <QLoggingCategory>
#include <QTimer>

using namespace Qt::StringLiterals;

Q_LOGGING_CATEGORY(lcSecrets, "nudgewick.sync.secrets", QtWarningMsg)

namespace tasksync {

namespace {
// The entry of the secret service: one account, one password.
const QString ServiceName = u"Nudgewick"_s;
const QString EntryKey = u"CalDAV sync"_s;
} // namespace

// The keychain jobs below have no parent: each deletes itself once it has
// finished, not with the store, because the secret service's answer still
// arrives for a job that has been started (libsecret calls back into it) and
// would reach a job deleted earlier. Its connection to the store ends with
// the store, so a late answer reaches nothing that is gone.

SecretStore::SecretStore(const QString &dataFolder, QObject *parent)
    : QObject(parent), m_file(QDir(dataFolder).filePath(u"SyncPassword"_s))
{
}

void SecretStore::finish(const QPointer<QObject> &context, const Done &done, const Result &result)
{
    m_place = result.place;
    if (context && done)
        done(result);
}

SecretStore::Result SecretStore::readFile()
{
    Result result{{}, Place::File, {}};
    QFile file(m_file);
    if (!file.exists())
        return result;
    // A copy that others could read (restored from a backup, copied by
    // hand) is closed to them before anything else.
    if (privatefiles::isOpenToOthers(m_file) && !privatefiles::narrowToOwner(m_file))
        qCWarning(lcSecrets) << "the password file is open to other users:" << m_file;
    if (!file.open(QIODevice::ReadOnly)) {
        result.error = tr("The password file %1 cannot be read: %2").arg(QDir::toNativeSeparators(m_file),
                                                                          file.errorString());
        return result;
    }
    result.password = QString::fromUtf8(file.readAll());
    return result;
}

QString SecretStore::writeFile(const QString &password)
{
    const QString failure = saveFileContents(m_file, password.toUtf8(), CheckedSaveFile::Access::OwnerOnly);
    if (failure.isEmpty())
        return {};
    return tr("The password could not be saved in %1: %2").arg(QDir::toNativeSeparators(m_file), failure);
}

QString SecretStore::removeFile()
{
    QFile file(m_file);
    if (!file.exists() || file.remove())
        return {};
    return tr("The password file %1 could not be removed: %2").arg(QDir::toNativeSeparators(m_file),
                                                                    file.errorString());
}

void SecretStore::read(QObject *context, Done done)
{
    const QPointer<QObject> guard(context);
    if (!m_useService) {
        QTimer::singleShot(0, this, [this, guard, done] { finish(guard, done, readFile()); });
        return;
    }
    auto *job = new QKeychain::ReadPasswordJob(ServiceName);
    job->setAutoDelete(true);
    job->setKey(EntryKey);
    connect(job, &QKeychain::Job::finished, this, [this, guard, done, job] {
        if (job->error() == QKeychain::NoError) {
            finish(guard, done, {job->textData(), Place::SecretService, {}});
            return;
        }
        const Result inFile = readFile();
        if (job->error() != QKeychain::EntryNotFound) {
            // No service to ask: the file is the store.
            qCInfo(lcSecrets) << "no secret service:" << job->errorString();
            finish(guard, done, inFile);
            return;
        }
        if (inFile.password.isEmpty() || !inFile.error.isEmpty()) {
            finish(guard, done, {{}, Place::SecretService, inFile.error});
            return;
        }
        // A password kept in the file while no service ran goes into the
        // service now that one does.
        write(inFile.password, guard, done);
    });
    job->start();
}

void SecretStore::write(const QString &password, QObject *context, Done done)
{
    if (password.isEmpty()) {
        remove(context, std::move(done));
        return;
    }
    const QPointer<QObject> guard(context);
    if (!m_useService) {
        QTimer::singleShot(0, this, [this, guard, done, password] {
            finish(guard, done, {password, Place::File, writeFile(password)});
        });
        return;
    }
    auto *job = new QKeychain::WritePasswordJob(ServiceName);
    job->setAutoDelete(true);
    job->setKey(EntryKey);
    job->setTextData(password);
    connect(job, &QKeychain::Job::finished, this, [this, guard, done, job, password] {
        if (job->error() == QKeychain::NoError) {
            // No copy stays in the file.
            finish(guard, done, {password, Place::SecretService, removeFile()});
            return;
        }
        qCInfo(lcSecrets) << "no secret service to keep the password:" << job->errorString();
        finish(guard, done, {password, Place::File, writeFile(password)});
    });
    job->start();
}

void SecretStore::remove(QObject *context, Done done)
{
    const QPointer<QObject> guard(context);
    if (!m_useService) {
        QTimer::singleShot(0, this, [this, guard, done] { finish(guard, done, {{}, Place::File, removeFile()}); });
        return;
    }
    auto *job = new QKeychain::DeletePasswordJob(ServiceName);
    job->setAutoDelete(true);
    job->setKey(EntryKey);
    connect(job, &QKeychain::Job::finished, this, [this, guard, done, job] {
        // Whatever the service says, no copy stays in the file.
        Result result{{}, Place::File, removeFile()};
        switch (job->error()) {
        case QKeychain::NoError:
        case QKeychain::EntryNotFound:
            result.place = Place::SecretService;
            break;
        case QKeychain::CouldNotDeleteEntry:
        case QKeychain::AccessDenied:
        case QKeychain::AccessDeniedByUser:
            // The service is there but still holds the password.
            result.place = Place::SecretService;
            result.error = tr("The password could not be removed from the secret service: %1").arg(job->errorString());
            break;
        default:
            break;
        }
        finish(guard, done, result);
    });
    job->start();
}

} // namespace tasksync
