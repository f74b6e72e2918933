#pragma once

#include <QString>

// The file-system steps that put a new database file in place of the old
// one. An interface, so tests can make a step fail; every failure throws
// Error with the system's reason and leaves the files as they were.
class FileOperations
{
public:
    virtual ~FileOperations() = default;
    // Makes the file at path also reachable as copyPath (a second name for
    // the same file where the file system allows it, else a copy). Never
    // replaces an existing copyPath.
    virtual void keepAs(const QString &path, const QString &copyPath) = 0;
    // Moves from onto to in one step: to names either the old or the new
    // file at every moment, never neither.
    virtual void replace(const QString &from, const QString &to) = 0;
};

// The real file system; each completed step is flushed to the disk.
class SystemFileOperations final : public FileOperations
{
public:
    void keepAs(const QString &path, const QString &copyPath) override;
    void replace(const QString &from, const QString &to) override;
};
