#pragma once

#include <QByteArrayView>
#include <QSaveFile>
#include <QString>

// Writes a file whole or not at all. QSaveFile writes a new file beside the
// old one and renames it over the old one at commit(); but commit() lets a
// write or a flush that failed pass (a full disk), and would then put a
// cut-off file in place of the old one. This one checks every write, the
// flush and the commit: on any failure the new file is dropped and the old
// one stays as it was.
//
// Every step returns an empty text when it succeeded and otherwise the
// system's reason (for example "File too large"), for the caller to put
// into its own message. After a failure the writing is over: later steps
// fail with the same reason.
class CheckedSaveFile
{
public:
    enum class Access {
        Default,   // a new file gets the usual mode; a replaced file keeps its own
        OwnerOnly, // read and written by its owner only, also when it replaces a file
    };

    explicit CheckedSaveFile(const QString &path, Access access = Access::Default);
    CheckedSaveFile(const CheckedSaveFile &) = delete;
    CheckedSaveFile &operator=(const CheckedSaveFile &) = delete;

    const QString &path() const { return m_path; }

    // Creates the new file (under a temporary name beside the old one).
    QString open();
    // Writes bytes and flushes them to the file, so that a full disk is
    // found here, not missed at the commit.
    QString write(QByteArrayView bytes);
    // Puts the new file in place of the old one.
    QString commit();
    // Drops the new file; the old one stays.
    void cancel();

private:
    QString fail(const QString &reason);

    QString m_path;
    QSaveFile m_file;
    Access m_access;
    QString m_failure;
    bool m_opened = false;
};

// Writes bytes as the whole new content of path through CheckedSaveFile.
// Returns an empty text on success, otherwise the system's reason; the old
// file, if any, is then unchanged.
QString saveFileContents(const QString &path, QByteArrayView bytes,
                         CheckedSaveFile::Access access = CheckedSaveFile::Access::Default);
