#include "core/PrivateFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace privatefiles {

namespace {
constexpr mode_t OthersMask = S_IRWXG | S_IRWXO;
}

bool makeFolder(const QString &path, bool *created)
{
    if (created)
        *created = false;
    if (QFileInfo(path).isDir())
        return true;
    const QString absolute = QDir(path).absolutePath();
    const QString parent = QFileInfo(absolute).absolutePath();
    if (!QDir().mkpath(parent))
        return false;
    // Made with the mode it keeps: no moment in which others could enter.
    if (::mkdir(QFile::encodeName(absolute).constData(), S_IRWXU) != 0)
        return errno == EEXIST && QFileInfo(absolute).isDir();
    if (created)
        *created = true;
    return true;
}

bool isOpenToOthers(const QString &path)
{
    struct stat info {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return false;
    return (info.st_mode & (S_IRGRP | S_IXGRP | S_IROTH | S_IXOTH)) != 0;
}

bool createEmptyFile(const QString &path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC,
                          S_IRUSR | S_IWUSR);
    if (fd < 0)
        return false;
    ::close(fd);
    return true;
}

bool narrowToOwner(const QString &path)
{
    const QByteArray name = QFile::encodeName(path);
    struct stat info {};
    if (::stat(name.constData(), &info) != 0)
        return false;
    if ((info.st_mode & OthersMask) == 0 || info.st_uid != ::geteuid())
        return true;
    return ::chmod(name.constData(), info.st_mode & ~OthersMask & 07777) == 0;
}

} // namespace privatefiles
