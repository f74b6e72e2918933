#pragma once

#include "core/DateTime.h"
#include "store/TasksTable.h"

#include <QHash>
#include <QObject>
#include <QStringList>
#include <QVariant>

#include <limits>
#include <memory>
#include <optional>
#include <vector>

class Connection;
class Query;
class Statement;

// A field a query declares: its display label and, optionally, the range a
// value written through the query must keep.
struct FieldDef
{
    QString name;
    QString label;
    std::optional<qint64> min;
    std::optional<qint64> max;
};

// One field of a result set's current row. Reads of a null value give an
// empty text, 0, false or the date-time zero.
class Field
{
public:
    Field(const Query *query, int column) : m_query(query), m_column(column) {}

    int index() const { return m_column; }
    QString name() const;
    QString displayLabel() const;
    FieldType type() const;
    bool isMemo() const { return type() == FieldType::Memo; }

    QVariant value() const;
    bool isNull() const { return value().isNull(); }
    QString asString() const;
    qint64 asInteger() const;
    bool asBoolean() const;
    DateTime asDateTime() const;

private:
    const Query *m_query;
    int m_column;
};

// A statement and its result set. The SQL text is a list of lines joined by
// line breaks; ":name" marks a parameter whose typed value is set by name,
// before or while the text is built. An open result set is a snapshot of
// the rows it read: changes made through other statements are seen after a
// requery. Rows can be edited, inserted and deleted when the query has an
// update table; such changes go to the database as they are posted.
// Engine errors throw Error with the engine's text.
//
// A result set that reads lazily (setLazyRows) reads, when it opens, only
// the key of every row and the columns of a final "order by", and orders
// the keys as a whole read would order the rows; the other columns of a row
// are read when the row is first asked for, a page of rows (in the current
// order) at a time, and kept in a cache of a few pages. Which rows are
// listed, and in what order, is then the snapshot; a row's values are those
// the database held when its page was read (or that were posted through the
// result set). A listed row that is no longer in the database when its page
// is read reads as nulls apart from its key (rowMissing). Only statements
// of the form "select * from <update table> [where ...] [order by ...]"
// read lazily; any other statement is read whole.
class Query : public QObject
{
    Q_OBJECT
public:
    enum class State { Inactive, Browse, Edit, Insert };

    explicit Query(Connection &connection, QObject *parent = nullptr);

    // SQL text.
    void clearSql();
    void addLine(const QString &line);
    void setSql(const QStringList &lines);
    const QStringList &sql() const { return m_lines; }
    QString sqlText() const { return m_lines.join(QLatin1Char('\n')); }

    // Parameters, kept across clearSql so a view may set them at any time.
    void setParam(const QString &name, bool value);
    void setParam(const QString &name, int value) { setParam(name, qint64(value)); }
    void setParam(const QString &name, qint64 value);
    void setParam(const QString &name, const QString &value);
    void setParam(const QString &name, const char *value) = delete;
    void setParam(const QString &name, DateTime value);
    void setNullParam(const QString &name);
    QVariant param(const QString &name) const;
    void clearParams();

    // Declared fields (labels, ranges) and where edited rows are written.
    void setFieldDefs(const QList<FieldDef> &defs);
    void setUpdateTable(const QString &table, const QString &keyField = QStringLiteral("ID"));

    // Whether the next open reads the rows lazily (see above) when the
    // statement allows it; off by default.
    void setLazyRows(bool lazy) { m_lazyWanted = lazy; }
    bool readsLazily() const { return m_lazy; }
    // A lazy read fetches rows a page at a time and keeps this many rows;
    // pages read one after another grow to half the cache.
    static constexpr int PageRows = 128;
    static constexpr int CachedRows = 2048;
    // Pages of rows, and rows, a lazy result set has read since it opened.
    struct ReadCounts
    {
        int pages = 0;
        int rows = 0;
    };
    ReadCounts readCounts() const { return m_reads; }
    // Whether a listed row was gone from the database when its values were
    // read (always false for a result set read whole).
    bool rowMissing(int row) const;

    // Result set.
    void open();
    void close();
    void requery();
    bool isOpen() const { return m_state != State::Inactive; }
    State state() const { return m_state; }

    // Runs a statement that yields no rows; returns the rows it changed.
    int execSql();

    void first();
    void next();
    bool eof() const { return m_eof; }
    int recordCount() const { return int(m_order.size()); }
    int recNo() const { return m_current; } // 0-based, -1 when there is no row
    void moveTo(int row);

    int fieldCount() const { return m_columns.size(); }
    Field field(int index) const;
    Field fieldByName(const QString &name) const; // throws when there is none
    int fieldIndex(const QString &name) const;    // -1 when there is none
    const FieldInfo &fieldInfo(int index) const { return m_columns.at(index); }

    // A value of any row, as the rows stand in the current order.
    QVariant valueAt(int row, int column) const;

    // Editing the current row.
    void edit();
    void insert();
    void append();
    void setFieldValue(int column, const QVariant &value);
    void setFieldValue(const QString &name, const QVariant &value);
    void post();
    void cancel();
    void deleteRow();

    // Moves to the first row whose field equals the value; false when none.
    bool locate(const QString &fieldName, const QVariant &value);
    // Orders the rows by "Field [DESC], Field [DESC], ..." without re-reading.
    void sortBy(const QString &fieldList);
    // Takes new statement lines that differ from the open ones only in their
    // final "order by" over result columns, and orders the rows already read
    // as a fresh read would; the current row stays current. False, with
    // nothing changed, when the new lines need a fresh read.
    bool reorder(const QStringList &lines);

    void setDisplayFormat(const QString &fieldName, const QString &pattern);
    QString displayFormat(int column) const;

signals:
    void aboutToChangeRows(); // before a (re)open, close, sort or delete replaces the rows
    void rowsChanged();       // after the rows were replaced
    void currentRowChanged();
    void fieldChanged(const QString &fieldName);

private:
    friend class Field;
    std::unique_ptr<Statement> prepare() const;
    std::unique_ptr<Statement> prepareText(const QString &sql) const;
    struct SortKey
    {
        int column;
        bool descending;
    };
    void sortRows(const std::vector<SortKey> &keys);
    void describeColumns(const Statement &statement, QList<FieldInfo> &columns, std::vector<int> &sources) const;
    void openWhole();
    bool openLazy();
    // The key and the values of the named columns of every row the
    // statement lists; with `anchored`, in the order a whole read lists
    // them. False when a key is not an integer.
    struct KeyList;
    bool readKeyList(const QStringList &columns, bool anchored, KeyList &list) const;
    // Orders m_order stably by the keys' values read afresh, per row.
    void sortLazy(const std::vector<SortKey> &keys);
    // The columns of the update table that no index holds or names.
    QStringList unindexedColumns() const;
    QStringList plan(const QString &sql) const;
    bool keyIsRowId() const;
    // The values of a row by its snapshot row; for a lazy read the row's
    // page (around the row's position) is read first when it is not cached.
    // Null when the row cannot be read.
    const QVariant *rowCells(int storage, int position) const;
    // Lazy read: the cache entry of a row, taken without reading it.
    QVariant *cacheRow(int storage) const;
    void fetchPage(int position) const;
    // A cache slot for a row, in turn; cleared unless the caller fills it.
    int takeSlot(int storage, bool clear = true) const;
    void clearRows();
    // The statement without its final order and that order's keys as result
    // columns; nothing when the rows are not read in the statement's order.
    std::optional<std::pair<QString, std::vector<SortKey>>> readPlan(const QString &sql) const;
    QVariant currentValue(int column) const;
    int storageRow(int row) const { return m_order[size_t(row)]; }
    void beginRowEdit(State state, int position);
    void requireUpdatable() const;
    void refetchRow(int storage, const QVariant &key);

    Connection &m_connection;
    QStringList m_lines;
    QHash<QString, QVariant> m_params; // keyed by lower-case name
    QList<FieldDef> m_defs;
    QString m_updateTable;
    QString m_keyField;
    QHash<QString, QString> m_displayFormats; // keyed by lower-case name

    State m_state = State::Inactive;
    QList<FieldInfo> m_columns;
    std::vector<QVariant> m_cells; // row-major snapshot
    std::vector<int> m_order;      // row position -> snapshot row
    int m_current = -1;
    bool m_eof = true;

    // A lazy read: the key of each snapshot row (NoKey for a row being
    // inserted), the statement it reads them with, and the cache of rows.
    static constexpr qint64 NoKey = std::numeric_limits<qint64>::min();
    bool m_lazyWanted = false;
    bool m_lazy = false;
    QString m_lazyHead;    // "from <table> [where ...]" of the statement
    QString m_lazyAnchor;  // a column no index holds (see openLazy); empty when not needed
    int m_keyColumn = -1;
    std::vector<qint64> m_keys;
    size_t m_keyCountHint = 0; // rows the last lazy read listed
    size_t m_keyTextHint = 0;  // bytes of text its order's columns held
    mutable std::vector<int> m_slotOf;         // snapshot row -> cache slot, -1
    mutable std::vector<int> m_slotRow;        // cache slot -> snapshot row, -1
    mutable std::vector<QVariant> m_slotCells; // slot-major
    mutable std::vector<bool> m_slotMissing;
    mutable int m_nextSlot = 0;
    mutable int m_fetchEnd = -1;         // the position after the last page read
    mutable int m_readAhead = PageRows; // rows the next page read takes
    mutable ReadCounts m_reads;

    // The current row while it is edited or inserted.
    std::vector<QVariant> m_buffer;
    std::vector<bool> m_modified;
};
