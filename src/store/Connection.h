#pragma once

#include <QString>
#include <QtGlobal>

class QSqlDatabase;
struct sqlite3;

// The one connection to the task database, an SQLite file. Opening checks
// that the file really is a database the program can use and creates the
// Tasks table in a new file; an existing file that cannot be used is never
// replaced or altered. Every failure throws Error with the engine's text.
class Connection
{
public:
    Connection();
    ~Connection();
    Connection(const Connection &) = delete;
    Connection &operator=(const Connection &) = delete;

    void setDatabaseFile(const QString &path);
    const QString &databaseFile() const { return m_file; }

    void open();
    void close();
    bool isOpen() const;

    // The engine handle; opens the connection first when it is closed.
    QSqlDatabase database();
    sqlite3 *handle();
    // Rows changed through this connection since it opened; 0 when closed.
    qint64 totalChanges() const;

    // Tells whether the database may have changed: the engine's count of
    // commits by other connections and this connection's own row changes.
    struct ChangeStamp
    {
        qint64 otherCommits = -1;
        qint64 ownChanges = -1;
        friend bool operator==(const ChangeStamp &, const ChangeStamp &) = default;
    };
    ChangeStamp changeStamp();

    // Runs several writes as one transaction; rolls back when fn throws.
    template <typename Fn>
    void transaction(Fn &&fn)
    {
        begin();
        try {
            fn();
        } catch (...) {
            rollback();
            throw;
        }
        commit();
    }

private:
    void begin();
    void commit();
    void rollback();
    void exec(const QString &sql);
    void addMissingIndexes();

    QString m_name; // Qt's name for this connection
    QString m_file;
};
