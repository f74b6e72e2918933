#pragma once

#include <QString>
#include <QtGlobal>

#include <functional>

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

    // Health also runs the engine's check and the task list's checks on
    // the file before anything is written to it (see
    // databasecopy::problemOf); a file that fails them is not opened.
    enum class OpenCheck { None, Health };
    void open(OpenCheck check = OpenCheck::None);
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
    // Nested calls are savepoints of the outer transaction.
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

    // Runs the writes fn makes as one transaction that is also one step of
    // the undo journal, named label: the rows it changes in Tasks are
    // recorded in that transaction, so a change is never kept without its
    // record. A step inside a step belongs to the outer one.
    template <typename Fn>
    void step(const QString &label, Fn &&fn)
    {
        transaction([&] {
            const bool outer = m_stepDepth == 0 && m_journalled;
            if (outer)
                openStep(label);
            ++m_stepDepth;
            try {
                fn();
            } catch (...) {
                --m_stepDepth;
                throw;
            }
            --m_stepDepth;
            if (outer)
                closeStep();
        });
    }
    bool journalled() const { return m_journalled; }
    // Called after a step was recorded or the journal was replayed.
    void setJournalListener(std::function<void()> listener) { m_journalListener = std::move(listener); }
    void notifyJournalChanged() const
    {
        if (m_journalListener)
            m_journalListener();
    }
    // Installs the journal's tables and recorder again, e.g. after a restore
    // replaced the database's content.
    void prepareJournal();

private:
    void begin();
    void commit();
    void rollback();
    void openStep(const QString &label);
    void closeStep();
    void exec(const QString &sql);
    void addMissingIndexes();

    QString m_name; // Qt's name for this connection
    QString m_file;
    int m_depth = 0;          // open transactions and savepoints
    int m_stepDepth = 0;      // open journal steps
    bool m_journalled = false; // changes to Tasks are recorded
    bool m_stepRecorded = false;
    std::function<void()> m_journalListener;
};
