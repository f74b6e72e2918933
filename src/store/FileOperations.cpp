#include "store/FileOperations.h"

#include "core/Error.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {
QString tr(const char *text)
{
    return QCoreApplication::translate("FileOperations", text);
}

QString systemReason(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

// A rename or a new name lasts a power cut only once the folder that holds
// it is on the disk.
void syncFolderOf(const QString &path)
{
    const int fd = ::open(QFile::encodeName(QFileInfo(path).absolutePath()).constData(), O_RDONLY | O_DIRECTORY);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}
}

void SystemFileOperations::keepAs(const QString &path, const QString &copyPath)
{
    if (::link(QFile::encodeName(path).constData(), QFile::encodeName(copyPath).constData()) == 0) {
        syncFolderOf(copyPath);
        return;
    }
    const int error = errno;
    if (error == EEXIST)
        throw Error(tr("The file %1 already exists.").arg(copyPath));
    // File systems without a second name for a file get a copy.
    if (error != EPERM && error != EXDEV && error != EMLINK && error != ENOTSUP && error != ENOSYS)
        throw Error(tr("Cannot keep %1 as %2: %3").arg(path, copyPath, systemReason(error)));
    if (QFileInfo::exists(copyPath))
        throw Error(tr("The file %1 already exists.").arg(copyPath));
    QFile source(path);
    if (!source.copy(copyPath))
        throw Error(tr("Cannot copy %1 to %2: %3").arg(path, copyPath, source.errorString()));
    // A copy of the tasks is for its owner only, whatever the original allowed.
    QFile::setPermissions(copyPath, QFile::ReadOwner | QFile::WriteOwner);
    syncFolderOf(copyPath);
}

void SystemFileOperations::replace(const QString &from, const QString &to)
{
    if (std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) != 0)
        throw Error(tr("Cannot rename %1 to %2: %3").arg(from, to, systemReason(errno)));
    syncFolderOf(to);
}
