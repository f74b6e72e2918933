#include "core/CheckedSaveFile.h"

#include <QCoreApplication>

#include <cerrno>
#include <cstring>

namespace {
QString tr(const char *text)
{
    return QCoreApplication::translate("CheckedSaveFile", text);
}
}

CheckedSaveFile::CheckedSaveFile(const QString &path, Access access)
    : m_path(path), m_file(path), m_access(access)
{
}

QString CheckedSaveFile::fail(const QString &reason)
{
    m_failure = reason.isEmpty() ? tr("the file could not be written") : reason;
    if (m_opened)
        m_file.cancelWriting();
    m_opened = false;
    return m_failure;
}

QString CheckedSaveFile::open()
{
    if (!m_failure.isEmpty())
        return m_failure;
    if (!m_file.open(QIODevice::WriteOnly))
        return fail(m_file.errorString());
    m_opened = true;
    // Narrowed before any byte is written, so the data is never readable by
    // others, not even for a moment.
    if (m_access == Access::OwnerOnly && !m_file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner))
        return fail(m_file.errorString());
    return {};
}

QString CheckedSaveFile::write(QByteArrayView bytes)
{
    if (!m_failure.isEmpty())
        return m_failure;
    if (!m_opened)
        return fail(tr("the file is not open for writing"));
    // A failed flush leaves no reason in errorString(); the system's is in errno.
    errno = 0;
    if ((!bytes.isEmpty() && m_file.write(bytes.data(), bytes.size()) != bytes.size()) || !m_file.flush()) {
        const int systemError = errno;
        return fail(systemError != 0 ? QString::fromLocal8Bit(std::strerror(systemError)) : m_file.errorString());
    }
    return {};
}

QString CheckedSaveFile::commit()
{
    if (!m_failure.isEmpty())
        return m_failure;
    if (!m_opened)
        return fail(tr("the file is not open for writing"));
    // Whatever is still buffered is checked first, as every write is.
    if (const QString failure = write({}); !failure.isEmpty())
        return failure;
    errno = 0;
    if (!m_file.commit()) {
        const int systemError = errno;
        m_opened = false; // commit() has dropped the new file itself
        m_failure = m_file.error() != QFileDevice::NoError && !m_file.errorString().isEmpty()
                        ? m_file.errorString()
                        : QString::fromLocal8Bit(std::strerror(systemError != 0 ? systemError : EIO));
        return m_failure;
    }
    m_opened = false;
    return {};
}

void CheckedSaveFile::cancel()
{
    if (m_opened)
        m_file.cancelWriting();
    m_opened = false;
}

QString saveFileContents(const QString &path, QByteArrayView bytes, CheckedSaveFile::Access access)
{
    CheckedSaveFile file(path, access);
    QString failure = file.open();
    if (failure.isEmpty())
        failure = file.write(bytes);
    if (failure.isEmpty())
        failure = file.commit();
    return failure;
}
