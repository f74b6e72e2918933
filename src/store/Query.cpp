#include "store/Query.h"

#include "core/Error.h"
#include "core/Logging.h"
#include "store/Connection.h"
#include "store/SqlText.h"

#include "store/Statement.h"
#include "store/TextFunctions.h"

#include <QRegularExpression>

#include <algorithm>
#include <cmath>

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

bool isNumeric(const QVariant &v)
{
    switch (v.typeId()) {
    case QMetaType::Int: case QMetaType::UInt: case QMetaType::LongLong: case QMetaType::ULongLong:
    case QMetaType::Double: case QMetaType::Bool:
        return true;
    default:
        return false;
    }
}

// One cell as a sort sees it: nulls first, then numbers by value, then
// text without regard to case (the engine's order of storage classes).
// Text carries its first sixteen characters folded to lower case (when they
// are ASCII), so most comparisons never touch the text itself.
struct CellKey
{
    int rank = 0; // 0 null, 1 number, 2 text, 3 other
    bool asciiPrefix = false;
    quint64 prefix[2] = {};
    double number = 0;
    QStringView text;
};

CellKey cellKey(const QVariant &v)
{
    CellKey key;
    if (v.isNull())
        return key;
    if (isNumeric(v)) {
        key.rank = 1;
        key.number = v.toDouble();
        return key;
    }
    if (v.typeId() != QMetaType::QString) {
        key.rank = 3;
        return key;
    }
    key.rank = 2;
    key.text = *static_cast<const QString *>(v.constData());
    key.asciiPrefix = true;
    for (qsizetype i = 0; i < 16; ++i) {
        quint64 c = 0;
        if (i < key.text.size()) {
            const char16_t u = key.text[i].unicode();
            if (u >= 0x80 || u == 0) {
                key.asciiPrefix = false;
                break;
            }
            c = u >= 'A' && u <= 'Z' ? u + ('a' - 'A') : u;
        }
        key.prefix[i / 8] |= c << (8 * (7 - i % 8));
    }
    return key;
}

int compareKeys(const CellKey &a, const CellKey &b)
{
    if (a.rank != b.rank)
        return a.rank < b.rank ? -1 : 1;
    if (a.rank == 1)
        return a.number < b.number ? -1 : (a.number > b.number ? 1 : 0);
    if (a.rank == 2) {
        if (a.asciiPrefix && b.asciiPrefix) {
            for (int i = 0; i < 2; ++i)
                if (a.prefix[i] != b.prefix[i])
                    return a.prefix[i] < b.prefix[i] ? -1 : 1;
        }
        return compareTextNoCase(a.text, b.text);
    }
    return 0;
}

bool valuesEqual(const QVariant &a, const QVariant &b)
{
    if (a.isNull() || b.isNull())
        return a.isNull() && b.isNull();
    if (isNumeric(a) || isNumeric(b)) {
        bool okA = false, okB = false;
        const double x = a.toDouble(&okA), y = b.toDouble(&okB);
        if (okA && okB)
            return x == y;
    }
    return a.toString() == b.toString();
}
}

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

void Query::open()
{
    if (isOpen())
        return;
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

    // Declared fields are the result set's fields, in their order; without
    // declarations every column of the statement is a field.
    QList<FieldInfo> columns;
    std::vector<int> sources;
    const auto describe = [](const QString &name, const QString &label) {
        FieldInfo info{name, label, FieldType::Unknown};
        if (const FieldInfo *known = TasksTable::find(name))
            info.type = known->type;
        return info;
    };
    if (m_defs.isEmpty()) {
        for (int i = 0; i < statement->columnCount(); ++i) {
            columns << describe(statement->columnName(i), QString());
            sources.push_back(i);
        }
    } else {
        for (const FieldDef &def : m_defs) {
            const int source = statement->columnIndex(def.name);
            if (source < 0)
                throw Error(QStringLiteral("Field '%1' not found.").arg(def.name));
            columns << describe(statement->columnName(source), def.label);
            sources.push_back(source);
        }
    }

    // Read every row. Short texts (categories, occurrence words, masks)
    // repeat from row to row, so equal ones share one string. The snapshot
    // keeps the memory of the previous open, so a requery of the same list
    // reuses it instead of asking the system for fresh pages.
    emit aboutToChangeRows();
    m_columns = columns;
    m_cells.clear();
    m_order.clear();
    m_buffer.clear();
    m_modified.clear();
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

void Query::close()
{
    if (!isOpen())
        return;
    emit aboutToChangeRows();
    m_state = State::Inactive;
    m_cells.clear();
    m_order.clear();
    m_buffer.clear();
    m_modified.clear();
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
    return m_cells[size_t(storageRow(row)) * m_columns.size() + size_t(column)];
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
    sortRows(keys);
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
        static const QRegularExpression orderBy(QStringLiteral("\\border\\s+by\\b"),
                                                QRegularExpression::CaseInsensitiveOption);
        if (sql.contains(orderBy))
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
    sortRows(wanted->second);
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
    std::stable_sort(m_order.begin(), m_order.end(), [&](int a, int b) {
        for (size_t k = 0; k < keys.size(); ++k) {
            const int c = compareKeys(cells[k][size_t(a)], cells[k][size_t(b)]);
            if (c != 0)
                return keys[k].descending ? c > 0 : c < 0;
        }
        return false;
    });
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
