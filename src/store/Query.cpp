#include "store/Query.h"

#include "core/Error.h"
#include "core/Logging.h"
#include "store/CellOrder.h"
#include "store/Connection.h"
#include "store/SqlText.h"

#include "store/Statement.h"
#include "store/TextFunctions.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <string>
#include <utility>

using namespace Qt::StringLiterals;

namespace {
// A stored date-time held within the dates a task can have, 1 January 1 to
// 31 December 9999: one before or after them (1e300, infinity) is the first
// or last moment, NaN is 0 (no date); any other is unchanged.
double boundedToDates(double days)
{
    constexpr double FirstDate = -693593.0; // 0001-01-01 00:00
    constexpr double LastDate = 2958465.0 + 86399999.0 / DateTime::MsPerDay; // 9999-12-31 23:59:59.999
    if (std::isnan(days))
        return 0.0;
    return std::clamp(days, FirstDate, LastDate);
}

QString quotedName(const QString &name)
{
    return u'"' + QString(name).replace(u'"', u"\"\""_s) + u'"';
}

bool valuesEqual(const QVariant &a, const QVariant &b)
{
    if (a.isNull() || b.isNull())
        return a.isNull() && b.isNull();
    if (sortsAsNumber(a) || sortsAsNumber(b)) {
        bool okA = false, okB = false;
        const double x = a.toDouble(&okA), y = b.toDouble(&okB);
        if (okA && okB)
            return x == y;
    }
    return a.toString() == b.toString();
}
}

struct Query::KeyList
{
    std::vector<qint64> keys;
    std::vector<std::vector<KeyCell>> cells; // per column, per row
    std::string text;                        // the UTF-8 of text cells

    // Puts the rows in key order, as a walk of the table reads them.
    void sortByKey()
    {
        if (std::is_sorted(keys.begin(), keys.end()))
            return;
        std::vector<int> order;
        order.reserve(keys.size());
        const auto [low, high] = std::minmax_element(keys.begin(), keys.end());
        if (quint64(*high - *low) < 4 * quint64(keys.size()) + 1024) {
            // Row ids are unique and mostly dense: each row takes its own
            // slot, and the places are read in order.
            std::vector<int> places(size_t(*high - *low) + 1, -1);
            for (size_t i = 0; i < keys.size(); ++i)
                places[size_t(keys[i] - *low)] = int(i);
            for (const int i : places)
                if (i >= 0)
                    order.push_back(i);
        } else {
            order.resize(keys.size());
            std::iota(order.begin(), order.end(), 0);
            std::sort(order.begin(), order.end(), [&](int a, int b) { return keys[size_t(a)] < keys[size_t(b)]; });
        }
        const auto permuted = [&](const auto &values) {
            std::remove_cvref_t<decltype(values)> out;
            out.reserve(values.size());
            for (const int from : order)
                out.push_back(values[size_t(from)]);
            return out;
        };
        keys = permuted(keys);
        for (std::vector<KeyCell> &column : cells)
            column = permuted(column);
    }
};

// ---------------------------------------------------------------- Field

QString Field::name() const
{
    return m_query->m_columns.at(m_column).name;
}

QString Field::displayLabel() const
{
    const FieldInfo &info = m_query->m_columns.at(m_column);
    return info.label.isEmpty() ? info.name : info.label;
}

FieldType Field::type() const
{
    return m_query->m_columns.at(m_column).type;
}

QVariant Field::value() const
{
    return m_query->currentValue(m_column);
}

QString Field::asString() const
{
    const QVariant v = value();
    return v.isNull() ? QString() : v.toString();
}

qint64 Field::asInteger() const
{
    const QVariant v = value();
    return v.isNull() ? 0 : qint64(v.toDouble() < 0 ? v.toDouble() - 0.5 : v.toDouble() + 0.5);
}

bool Field::asBoolean() const
{
    const QVariant v = value();
    if (v.isNull())
        return false;
    if (v.typeId() == QMetaType::QString) {
        const QString s = v.toString().trimmed();
        return s.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0 || s.toDouble() != 0;
    }
    return v.toDouble() != 0;
}

DateTime Field::asDateTime() const
{
    const QVariant v = value();
    return v.isNull() ? DateTime() : DateTime(v.toDouble());
}

// ---------------------------------------------------------------- Query

Query::Query(Connection &connection, QObject *parent)
    : QObject(parent), m_connection(connection)
{
}

void Query::clearSql()
{
    m_lines.clear();
}

void Query::addLine(const QString &line)
{
    m_lines << line;
}

void Query::setSql(const QStringList &lines)
{
    m_lines = lines;
}

void Query::setParam(const QString &name, bool value)
{
    m_params.insert(name.toLower(), qint64(value ? 1 : 0));
}

void Query::setParam(const QString &name, qint64 value)
{
    m_params.insert(name.toLower(), value);
}

void Query::setParam(const QString &name, const QString &value)
{
    m_params.insert(name.toLower(), value);
}

void Query::setParam(const QString &name, DateTime value)
{
    m_params.insert(name.toLower(), value.toDouble());
}

void Query::setNullParam(const QString &name)
{
    m_params.insert(name.toLower(), QVariant());
}

QVariant Query::param(const QString &name) const
{
    return m_params.value(name.toLower());
}

void Query::clearParams()
{
    m_params.clear();
}

void Query::setFieldDefs(const QList<FieldDef> &defs)
{
    m_defs = defs;
}

void Query::setUpdateTable(const QString &table, const QString &keyField)
{
    m_updateTable = table;
    m_keyField = keyField;
}

std::unique_ptr<Statement> Query::prepare() const
{
    return prepareText(withTextOrdering(sqlText()));
}

std::unique_ptr<Statement> Query::prepareText(const QString &sql) const
{
    const PositionalSql positional = toPositional(sql);
    auto statement = std::make_unique<Statement>(m_connection.handle(), positional.text);
    for (const QString &name : positional.names) {
        const auto it = m_params.constFind(name.toLower());
        if (it == m_params.constEnd())
            throw Error(QStringLiteral("The parameter \"%1\" has no value.").arg(name));
        statement->bind(*it);
    }
    return statement;
}

// Declared fields are the result set's fields, in their order; without
// declarations every column of the statement is a field.
void Query::describeColumns(const Statement &statement, QList<FieldInfo> &columns, std::vector<int> &sources) const
{
    const auto describe = [](const QString &name, const QString &label) {
        FieldInfo info{name, label, FieldType::Unknown};
        if (const FieldInfo *known = TasksTable::find(name))
            info.type = known->type;
        return info;
    };
    if (m_defs.isEmpty()) {
        for (int i = 0; i < statement.columnCount(); ++i) {
            columns << describe(statement.columnName(i), QString());
            sources.push_back(i);
        }
    } else {
        for (const FieldDef &def : m_defs) {
            const int source = statement.columnIndex(def.name);
            if (source < 0)
                throw Error(QStringLiteral("Field '%1' not found.").arg(def.name));
            columns << describe(statement.columnName(source), def.label);
            sources.push_back(source);
        }
    }
}

void Query::open()
{
    if (isOpen())
        return;
    if (m_lazyWanted && openLazy())
        return;
    openWhole();
}

void Query::openWhole()
{
    // A final "order by" over columns of the result is done here, after the
    // rows are read: sorting row numbers in memory is several times quicker
    // than the engine sorting whole rows, and gives the same order.
    std::unique_ptr<Statement> statement;
    QList<std::pair<QString, bool>> sortKeys;
    if (const std::optional<TrailingOrder> trailing = splitTrailingOrder(sqlText())) {
        statement = prepareText(trailing->head);
        sortKeys = trailing->keys;
        for (const auto &key : sortKeys) {
            if (statement->columnIndex(key.first) < 0) {
                statement.reset();
                sortKeys.clear();
                break;
            }
        }
    }
    if (!statement)
        statement = prepare();
    bool hasRow = statement->step();

    QList<FieldInfo> columns;
    std::vector<int> sources;
    describeColumns(*statement, columns, sources);

    // Read every row. Short texts (categories, occurrence words, masks)
    // repeat from row to row, so equal ones share one string. The snapshot
    // keeps the memory of the previous open, so a requery of the same list
    // reuses it instead of asking the system for fresh pages.
    emit aboutToChangeRows();
    m_columns = columns;
    clearRows();
    QHash<QString, QString> shared;
    try {
        for (; hasRow; hasRow = statement->step()) {
            for (qsizetype column = 0; column < qsizetype(sources.size()); ++column) {
                QVariant value = statement->value(sources[size_t(column)]);
                // A date-time past every date (a damaged or hand-edited file)
                // is read as the nearest date a task can have.
                if (value.typeId() == QMetaType::Double && columns.at(column).type == FieldType::DateTime) {
                    const double days = value.toDouble();
                    const double bounded = boundedToDates(days);
                    if (bounded != days)
                        value = bounded;
                } else if (value.typeId() == QMetaType::QString) {
                    const QString text = value.toString();
                    if (text.size() <= 20) {
                        auto it = shared.constFind(text);
                        if (it == shared.constEnd())
                            it = shared.insert(text, text);
                        value = *it;
                    }
                }
                m_cells.push_back(std::move(value));
            }
            m_order.push_back(int(m_order.size()));
        }
    } catch (const Error &) {
        m_cells.clear();
        m_order.clear();
        m_current = -1;
        m_eof = true;
        emit rowsChanged();
        throw;
    }

    if (!sortKeys.isEmpty()) {
        std::vector<SortKey> keys;
        for (const auto &[name, descending] : sortKeys) {
            const int column = fieldIndex(name);
            if (column >= 0)
                keys.push_back({column, descending});
        }
        sortRows(keys);
    }
    m_state = State::Browse;
    m_current = m_order.empty() ? -1 : 0;
    m_eof = m_order.empty();
    qCDebug(lcStore) << "opened" << m_order.size() << "rows of" << sqlText().simplified();
    emit rowsChanged();
    emit currentRowChanged();
}

// The lazy read. The statement "select * from <table> [where ...]" is read
// once for the key, an unindexed column and the order's columns of every
// row; the rows are ordered in memory as a whole read orders them. The
// unindexed column keeps the engine's plan that of the whole read: with only
// indexed columns asked for, the engine may walk an index that holds them
// instead of the table, and rows that tie in the order would then come in
// that index's order instead of the table's.
bool Query::openLazy()
{
    if (m_updateTable.isEmpty())
        return false;
    QString head = sqlText();
    QList<std::pair<QString, bool>> order;
    if (const std::optional<TrailingOrder> trailing = splitTrailingOrder(head)) {
        head = trailing->head;
        order = trailing->keys;
    }
    head = head.trimmed();
    if (head.endsWith(u';'))
        head.chop(1);
    const std::optional<SelectAll> shape = splitSelectAll(head);
    if (!shape || shape->table.compare(m_updateTable, Qt::CaseInsensitive) != 0 || hasOrderBy(shape->from))
        return false;

    // The fields, and the parameters checked, as a whole read would.
    const std::unique_ptr<Statement> statement = prepareText(head);
    QList<FieldInfo> columns;
    std::vector<int> sources;
    describeColumns(*statement, columns, sources);
    int keyColumn = -1;
    for (int c = 0; c < columns.size(); ++c)
        if (columns.at(c).name.compare(m_keyField, Qt::CaseInsensitive) == 0)
            keyColumn = c;
    if (keyColumn < 0)
        return false;
    QStringList orderColumns;
    std::vector<bool> descending;
    for (const auto &[name, desc] : order) {
        if (statement->columnIndex(name) < 0)
            return false; // the engine orders by it, in a whole read
        for (const FieldInfo &info : columns) {
            if (info.name.compare(name, Qt::CaseInsensitive) == 0) {
                orderColumns << info.name;
                descending.push_back(desc);
                break;
            }
        }
    }
    m_lazyHead = shape->from;
    // Rows that tie in the order come in the order the engine's plan for the
    // whole read visits them. When the narrow read would walk the same index
    // the same way, it gives that order by itself, without reading the table;
    // when the whole read walks the table, its order is the key's, and the
    // narrow read may take any walk and be put in key order. Otherwise an
    // unindexed column keeps the narrow read on the whole read's walk.
    m_lazyAnchor.clear();
    bool inKeyOrder = false;
    QStringList narrow{quotedName(m_keyField)};
    for (const QString &column : orderColumns)
        narrow << quotedName(column);
    const QStringList wholePlan = plan(u"select * "_s + m_lazyHead);
    if (plan(u"select "_s + narrow.join(u", "_s) + u" "_s + m_lazyHead) != wholePlan) {
        const QString &table = shape->table;
        if (wholePlan.size() == 1 && keyIsRowId()
            && (wholePlan.first().compare(u"SCAN "_s + table, Qt::CaseInsensitive) == 0
                || wholePlan.first().compare(u"SCAN TABLE "_s + table, Qt::CaseInsensitive) == 0)) {
            inKeyOrder = true;
        } else {
            // An order column no index holds keeps the engine on the table itself.
            const QStringList unindexed = unindexedColumns();
            if (std::none_of(orderColumns.begin(), orderColumns.end(), [&](const QString &c) {
                    return unindexed.contains(c, Qt::CaseInsensitive);
                })) {
                if (unindexed.isEmpty())
                    return false;
                m_lazyAnchor = unindexed.first();
            }
        }
    }
    KeyList list;
    if (!readKeyList(orderColumns, true, list))
        return false;
    if (inKeyOrder)
        list.sortByKey();

    emit aboutToChangeRows();
    m_columns = columns;
    clearRows();
    std::vector<QVariant>().swap(m_cells);
    m_lazy = true;
    m_keyColumn = keyColumn;
    m_keys = std::move(list.keys);
    m_keyCountHint = m_keys.size();
    m_keyTextHint = list.text.size();
    m_order.resize(m_keys.size());
    std::iota(m_order.begin(), m_order.end(), 0);
    m_slotOf.assign(m_keys.size(), -1);
    if (!orderColumns.isEmpty() && m_order.size() > 1)
        sortByKeyCells(m_order, list.cells, descending, list.text.data());
    m_state = State::Browse;
    m_current = m_order.empty() ? -1 : 0;
    m_eof = m_order.empty();
    qCDebug(lcStore) << "opened the keys of" << m_order.size() << "rows of" << sqlText().simplified();
    emit rowsChanged();
    emit currentRowChanged();
    return true;
}

// The engine's plan for a statement, a line per step. An index walked for
// its own columns alone is walked as when the table is read too, so the
// plans of both compare equal.
QStringList Query::plan(const QString &sql) const
{
    const std::unique_ptr<Statement> statement = prepareText(u"explain query plan "_s + sql);
    QStringList steps;
    while (statement->step())
        steps << statement->value(3).toString().replace(u"USING COVERING INDEX"_s, u"USING INDEX"_s);
    return steps;
}

// Whether the key field is the update table's row id (its one integer
// primary key), the order a walk of the table visits rows in.
bool Query::keyIsRowId() const
{
    Statement key(m_connection.handle(), u"select count(*) = 1 and sum(pk = 1 and upper(type) = 'INTEGER' "
                                          "and name = ?2 collate nocase) = 1 from pragma_table_info(?1) where pk > 0"_s);
    key.bind(m_updateTable);
    key.bind(m_keyField);
    return key.step() && key.integer(0) == 1;
}

// The columns of the update table that no index holds or names (in a
// condition or an expression), numbers first: asking for one of them makes
// the engine read the table's rows.
QStringList Query::unindexedColumns() const
{
    sqlite3 *db = m_connection.handle();
    Statement indexes(db, u"select group_concat(coalesce(sql, ''), ' ') from sqlite_master "
                          "where type = 'index' and tbl_name = ? collate nocase"_s);
    indexes.bind(m_updateTable);
    const QString indexText = indexes.step() ? indexes.value(0).toString() : QString();
    Statement columns(db, u"select c.name, upper(c.type) in ('REAL', 'INTEGER', 'NUMERIC') as number "
                          "from pragma_table_info(?1) as c where c.pk = 0 and not exists ("
                          "select 1 from pragma_index_list(?1) as il, pragma_index_info(il.name) as ii "
                          "where ii.name = c.name collate nocase) order by number desc, c.cid"_s);
    columns.bind(m_updateTable);
    QStringList out;
    while (columns.step()) {
        const QString name = columns.value(0).toString();
        if (!containsName(indexText, name))
            out << name;
    }
    return out;
}

bool Query::readKeyList(const QStringList &columns, bool anchored, KeyList &list) const
{
    QStringList select{quotedName(m_keyField)};
    if (anchored && !m_lazyAnchor.isEmpty())
        select << quotedName(m_lazyAnchor);
    const int first = int(select.size());
    for (const QString &column : columns)
        select << quotedName(column);
    const std::unique_ptr<Statement> statement
        = prepareText(u"select "_s + select.join(u", "_s) + u" "_s + m_lazyHead);
    list.cells.resize(size_t(columns.size()));
    // The previous read's size is a good guess at this one's.
    list.keys.reserve(m_keyCountHint);
    for (std::vector<KeyCell> &cells : list.cells)
        cells.reserve(m_keyCountHint);
    list.text.reserve(m_keyTextHint);
    while (statement->step()) {
        if (statement->kind(0) != Statement::Kind::Integer)
            return false;
        list.keys.push_back(statement->integer(0));
        for (qsizetype k = 0; k < columns.size(); ++k)
            list.cells[size_t(k)].push_back(keyCell(*statement, first + int(k), list.text));
    }
    return true;
}

// Orders the listed rows by the keys, as sortRows does for a whole read,
// with each row's values of the key columns read afresh (in any order the
// engine likes: they are matched to the rows by key).
void Query::sortLazy(const std::vector<SortKey> &keys)
{
    if (keys.empty() || m_order.size() < 2)
        return;
    QStringList names;
    std::vector<bool> descending;
    for (const SortKey &key : keys) {
        names << m_columns.at(key.column).name;
        descending.push_back(key.descending);
    }
    KeyList fresh;
    if (!readKeyList(names, false, fresh))
        throw Error(u"The keys of \"%1\" are not whole numbers."_s.arg(m_updateTable));
    // Where each listed row's values are in what was read; a row no longer
    // there sorts as nulls.
    std::vector<int> at(m_keys.size(), -1);
    const auto [low, high] = std::minmax_element(fresh.keys.begin(), fresh.keys.end());
    if (!fresh.keys.empty() && quint64(*high - *low) < 4 * quint64(fresh.keys.size()) + 1024) {
        std::vector<int> byKey(size_t(*high - *low) + 1, -1);
        for (size_t i = 0; i < fresh.keys.size(); ++i)
            byKey[size_t(fresh.keys[i] - *low)] = int(i);
        for (size_t storage = 0; storage < m_keys.size(); ++storage) {
            const qint64 key = m_keys[storage];
            if (key != NoKey && key >= *low && key <= *high)
                at[storage] = byKey[size_t(key - *low)];
        }
    } else {
        QHash<qint64, int> index;
        index.reserve(qsizetype(fresh.keys.size()));
        for (size_t i = 0; i < fresh.keys.size(); ++i)
            index.insert(fresh.keys[i], int(i));
        for (size_t storage = 0; storage < m_keys.size(); ++storage)
            at[storage] = index.value(m_keys[storage], -1);
    }
    std::vector<std::vector<KeyCell>> cells(keys.size());
    for (size_t k = 0; k < keys.size(); ++k) {
        cells[k].resize(m_keys.size());
        for (size_t storage = 0; storage < m_keys.size(); ++storage)
            if (at[storage] >= 0)
                cells[k][storage] = fresh.cells[k][size_t(at[storage])];
    }
    sortByKeyCells(m_order, cells, descending, fresh.text.data());
}

void Query::clearRows()
{
    m_cells.clear();
    m_order.clear();
    m_buffer.clear();
    m_modified.clear();
    m_lazy = false;
    m_keyColumn = -1;
    std::vector<qint64>().swap(m_keys);
    std::vector<int>().swap(m_slotOf);
    m_slotRow.clear();
    m_slotCells.clear();
    m_slotMissing.clear();
    m_nextSlot = 0;
    m_fetchEnd = -1;
    m_readAhead = PageRows;
    m_reads = {};
}

const QVariant *Query::rowCells(int storage, int position) const
{
    const size_t columns = size_t(m_columns.size());
    if (!m_lazy)
        return m_cells.data() + size_t(storage) * columns;
    if (m_slotOf[size_t(storage)] < 0)
        fetchPage(position);
    const int slot = m_slotOf[size_t(storage)];
    return slot < 0 ? nullptr : m_slotCells.data() + size_t(slot) * columns;
}

QVariant *Query::cacheRow(int storage) const
{
    int slot = m_slotOf[size_t(storage)];
    if (slot < 0) {
        slot = takeSlot(storage);
        m_slotMissing[size_t(slot)] = false;
    }
    return m_slotCells.data() + size_t(slot) * size_t(m_columns.size());
}

// The next cache slot, in turn: the row read longest ago leaves the cache.
int Query::takeSlot(int storage, bool clear) const
{
    const size_t columns = size_t(m_columns.size());
    if (m_slotRow.empty()) {
        m_slotRow.assign(CachedRows, -1);
        m_slotCells.resize(size_t(CachedRows) * columns);
        m_slotMissing.assign(CachedRows, false);
    }
    const int slot = m_nextSlot;
    m_nextSlot = (m_nextSlot + 1) % CachedRows;
    if (const int previous = m_slotRow[size_t(slot)]; previous >= 0)
        m_slotOf[size_t(previous)] = -1;
    m_slotRow[size_t(slot)] = storage;
    m_slotOf[size_t(storage)] = slot;
    if (clear)
        std::fill_n(m_slotCells.begin() + qsizetype(size_t(slot) * columns), columns, QVariant());
    return slot;
}

// Reads the rows of the page that holds a position, those not cached yet,
// by their keys. A failure leaves them unread (they read as nulls and are
// asked for again); it is logged, not thrown, as rows are read while the
// grid paints.
void Query::fetchPage(int position) const
{
    // Pages asked for one after another (a report reading every row) are
    // read in longer runs, up to half the cache at a time.
    int start = position - position % PageRows;
    if (position == m_fetchEnd) {
        m_readAhead = std::min(m_readAhead * 2, CachedRows / 2);
        start = position;
    } else {
        m_readAhead = PageRows;
    }
    const int end = std::min(start + m_readAhead, recordCount());
    m_fetchEnd = end;
    std::vector<std::pair<qint64, int>> wanted; // key, snapshot row
    for (int row = start; row < end; ++row) {
        const int storage = storageRow(row);
        if (m_slotOf[size_t(storage)] < 0 && m_keys[size_t(storage)] != NoKey)
            wanted.push_back({m_keys[size_t(storage)], storage});
    }
    // A closed connection is not opened again by painting.
    if (wanted.empty() || !m_connection.isOpen())
        return;
    QStringList select;
    for (const FieldInfo &info : m_columns)
        select << quotedName(info.name);
    try {
        Statement statement(m_connection.handle(),
                            u"select %1 from %2 where %3 in (%4)"_s.arg(
                                select.join(u", "_s), quotedName(m_updateTable), quotedName(m_keyField),
                                QStringList(qsizetype(wanted.size()), u"?"_s).join(u',')));
        for (const auto &[key, storage] : wanted)
            statement.bind(key);
        std::sort(wanted.begin(), wanted.end());
        std::vector<bool> found(wanted.size(), false);
        const size_t columns = size_t(m_columns.size());
        while (statement.step()) {
            const qint64 key = statement.value(m_keyColumn).toLongLong();
            auto it = std::lower_bound(wanted.begin(), wanted.end(), std::pair{key, std::numeric_limits<int>::min()});
            for (; it != wanted.end() && it->first == key; ++it) {
                const int slot = takeSlot(it->second, false);
                QVariant *cells = m_slotCells.data() + size_t(slot) * columns;
                for (size_t c = 0; c < columns; ++c) {
                    // As in a whole read: a date-time past every date is the nearest one.
                    QVariant value = statement.value(int(c));
                    if (value.typeId() == QMetaType::Double && m_columns.at(qsizetype(c)).type == FieldType::DateTime)
                        value = boundedToDates(value.toDouble());
                    cells[c] = std::move(value);
                }
                m_slotMissing[size_t(slot)] = false;
                found[size_t(it - wanted.begin())] = true;
            }
        }
        // Rows deleted since the keys were read: nulls and their key.
        for (size_t i = 0; i < wanted.size(); ++i) {
            if (found[i])
                continue;
            const int slot = takeSlot(wanted[i].second);
            m_slotCells[size_t(slot) * columns + size_t(m_keyColumn)] = wanted[i].first;
            m_slotMissing[size_t(slot)] = true;
        }
        ++m_reads.pages;
        m_reads.rows += int(wanted.size());
    } catch (const Error &e) {
        qCWarning(lcStore) << "cannot read rows of the task list:" << e.text();
    }
}

bool Query::rowMissing(int row) const
{
    if (!m_lazy || row < 0 || row >= recordCount() || (row == m_current && !m_buffer.empty()))
        return false;
    const int storage = storageRow(row);
    if (m_keys[size_t(storage)] == NoKey || !rowCells(storage, row))
        return false;
    return m_slotMissing[size_t(m_slotOf[size_t(storage)])];
}

void Query::close()
{
    if (!isOpen())
        return;
    emit aboutToChangeRows();
    m_state = State::Inactive;
    clearRows();
    m_current = -1;
    m_eof = true;
    emit rowsChanged();
}

void Query::requery()
{
    close();
    open();
}

int Query::execSql()
{
    return prepare()->execute();
}

void Query::first()
{
    moveTo(0);
}

void Query::next()
{
    if (m_current + 1 >= recordCount()) {
        m_eof = true;
        return;
    }
    moveTo(m_current + 1);
}

void Query::moveTo(int row)
{
    if (m_state == State::Edit || m_state == State::Insert)
        post();
    if (recordCount() == 0) {
        m_current = -1;
        m_eof = true;
        return;
    }
    row = std::clamp(row, 0, recordCount() - 1);
    m_eof = false;
    if (row == m_current)
        return;
    m_current = row;
    emit currentRowChanged();
}

Field Query::field(int index) const
{
    if (index < 0 || index >= fieldCount())
        throw Error(QStringLiteral("There is no field number %1.").arg(index));
    return Field(this, index);
}

Field Query::fieldByName(const QString &name) const
{
    const int index = fieldIndex(name);
    if (index < 0)
        throw Error(QStringLiteral("Field '%1' not found.").arg(name));
    return Field(this, index);
}

int Query::fieldIndex(const QString &name) const
{
    for (int i = 0; i < m_columns.size(); ++i)
        if (m_columns.at(i).name.compare(name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

QVariant Query::valueAt(int row, int column) const
{
    if (row < 0 || row >= recordCount() || column < 0 || column >= fieldCount())
        return {};
    if (row == m_current && !m_buffer.empty())
        return m_buffer[size_t(column)];
    const int storage = storageRow(row);
    if (m_lazy && column == m_keyColumn && m_keys[size_t(storage)] != NoKey)
        return m_keys[size_t(storage)];
    const QVariant *cells = rowCells(storage, row);
    return cells ? cells[column] : QVariant();
}

QVariant Query::currentValue(int column) const
{
    if (m_current < 0)
        return {};
    return valueAt(m_current, column);
}

bool Query::locate(const QString &fieldName, const QVariant &value)
{
    const int column = fieldByName(fieldName).index();
    // A lazy read finds a key without reading rows.
    if (m_lazy && column == m_keyColumn && sortsAsNumber(value)) {
        const double wanted = value.toDouble();
        for (int row = 0; row < recordCount(); ++row) {
            const qint64 key = m_keys[size_t(storageRow(row))];
            const bool match = row == m_current && !m_buffer.empty() ? valuesEqual(m_buffer[size_t(column)], value)
                                                                      : key != NoKey && double(key) == wanted;
            if (match) {
                moveTo(row);
                return true;
            }
        }
        return false;
    }
    for (int row = 0; row < recordCount(); ++row) {
        if (valuesEqual(valueAt(row, column), value)) {
            moveTo(row);
            return true;
        }
    }
    return false;
}

void Query::sortBy(const QString &fieldList)
{
    if (!isOpen())
        throw Error(QStringLiteral("The result set is not open."));
    std::vector<SortKey> keys;
    for (const QString &part : fieldList.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        QStringList words = part.simplified().split(QLatin1Char(' '));
        const bool descending = words.size() > 1 && words.last().compare(QLatin1String("desc"), Qt::CaseInsensitive) == 0;
        keys.push_back({fieldByName(words.first()).index(), descending});
    }
    if (m_state != State::Browse)
        post();
    const int currentStorage = m_current >= 0 ? storageRow(m_current) : -1;
    emit aboutToChangeRows();
    try {
        if (m_lazy)
            sortLazy(keys);
        else
            sortRows(keys);
    } catch (const Error &) {
        emit rowsChanged();
        throw;
    }
    if (currentStorage >= 0)
        m_current = int(std::find(m_order.begin(), m_order.end(), currentStorage) - m_order.begin());
    emit rowsChanged();
    emit currentRowChanged();
}

std::optional<std::pair<QString, std::vector<Query::SortKey>>> Query::readPlan(const QString &sql) const
{
    const std::optional<TrailingOrder> trailing = splitTrailingOrder(sql);
    if (!trailing) {
        // No final order at all: the rows come in the engine's order.
        if (hasOrderBy(sql))
            return std::nullopt;
        return std::pair{sql, std::vector<SortKey>{}};
    }
    std::vector<SortKey> keys;
    for (const auto &[name, descending] : trailing->keys) {
        const int column = fieldIndex(name);
        if (column < 0)
            return std::nullopt;
        keys.push_back({column, descending});
    }
    return std::pair{trailing->head, keys};
}

bool Query::reorder(const QStringList &lines)
{
    if (!isOpen() || m_state != State::Browse)
        return false;
    const auto current = readPlan(sqlText());
    const auto wanted = readPlan(lines.join(QLatin1Char('\n')));
    if (!current || !wanted || current->first.trimmed() != wanted->first.trimmed())
        return false;
    m_lines = lines;
    const int currentStorage = m_current >= 0 ? storageRow(m_current) : -1;
    emit aboutToChangeRows();
    // Back to the order the rows were read in, so rows that tie keep the
    // order a fresh read gives them.
    std::sort(m_order.begin(), m_order.end());
    try {
        if (m_lazy)
            sortLazy(wanted->second);
        else
            sortRows(wanted->second);
    } catch (const Error &) {
        if (currentStorage >= 0)
            m_current = int(std::find(m_order.begin(), m_order.end(), currentStorage) - m_order.begin());
        emit rowsChanged();
        emit currentRowChanged();
        throw;
    }
    if (currentStorage >= 0)
        m_current = int(std::find(m_order.begin(), m_order.end(), currentStorage) - m_order.begin());
    emit rowsChanged();
    emit currentRowChanged();
    return true;
}

// Orders the row positions by the keys; rows that compare equal keep their
// order. Each key's cells are read once into a compact form first.
void Query::sortRows(const std::vector<SortKey> &keys)
{
    if (keys.empty() || m_order.size() < 2)
        return;
    const size_t columns = size_t(m_columns.size());
    const size_t rows = m_cells.size() / std::max<size_t>(columns, 1);
    std::vector<std::vector<CellKey>> cells(keys.size());
    for (size_t k = 0; k < keys.size(); ++k) {
        cells[k].resize(rows);
        for (size_t row = 0; row < rows; ++row)
            cells[k][row] = cellKey(m_cells[row * columns + size_t(keys[k].column)]);
    }
    std::vector<bool> descending;
    for (const SortKey &key : keys)
        descending.push_back(key.descending);
    sortByCells(m_order, cells, descending);
}

void Query::setDisplayFormat(const QString &fieldName, const QString &pattern)
{
    m_displayFormats.insert(fieldName.toLower(), pattern);
}

QString Query::displayFormat(int column) const
{
    if (column < 0 || column >= fieldCount())
        return {};
    return m_displayFormats.value(m_columns.at(column).name.toLower());
}
