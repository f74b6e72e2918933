#include "store/Query.h"

#include "core/Error.h"
#include "core/Logging.h"
#include "store/Connection.h"
#include "store/SqlText.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

#include <algorithm>

namespace {
QString engineText(const QSqlError &error)
{
    const QString text = error.databaseText().isEmpty() ? error.text() : error.databaseText();
    return text.trimmed();
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

// Orders values as a sort of the rows would: nulls first, numbers by value,
// text without regard to case.
int compareValues(const QVariant &a, const QVariant &b)
{
    if (a.isNull() || b.isNull())
        return int(!a.isNull()) - int(!b.isNull());
    if (isNumeric(a) && isNumeric(b)) {
        const double x = a.toDouble(), y = b.toDouble();
        return x < y ? -1 : (x > y ? 1 : 0);
    }
    return QString::compare(a.toString(), b.toString(), Qt::CaseInsensitive);
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

struct Query::Bound
{
    QSqlQuery query;
};

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

Query::Bound Query::bind() const
{
    const PositionalSql sql = toPositional(sqlText());
    Bound bound{QSqlQuery(m_connection.database())};
    bound.query.setForwardOnly(true);
    if (!bound.query.prepare(sql.text))
        throw Error(engineText(bound.query.lastError()));
    for (const QString &name : sql.names) {
        const auto it = m_params.constFind(name.toLower());
        if (it == m_params.constEnd())
            throw Error(QStringLiteral("The parameter \"%1\" has no value.").arg(name));
        bound.query.addBindValue(*it);
    }
    return bound;
}

void Query::open()
{
    if (isOpen())
        return;
    Bound bound = bind();
    if (!bound.query.exec())
        throw Error(engineText(bound.query.lastError()));

    // Declared fields are the result set's fields, in their order; without
    // declarations every column of the statement is a field.
    const QSqlRecord record = bound.query.record();
    QList<FieldInfo> columns;
    std::vector<int> sources;
    const auto describe = [](const QString &name, const QString &label) {
        FieldInfo info{name, label, FieldType::Unknown};
        if (const FieldInfo *known = TasksTable::find(name))
            info.type = known->type;
        return info;
    };
    if (m_defs.isEmpty()) {
        for (int i = 0; i < record.count(); ++i) {
            columns << describe(record.fieldName(i), QString());
            sources.push_back(i);
        }
    } else {
        for (const FieldDef &def : m_defs) {
            const int source = record.indexOf(def.name);
            if (source < 0)
                throw Error(QStringLiteral("Field '%1' not found.").arg(def.name));
            columns << describe(record.fieldName(source), def.label);
            sources.push_back(source);
        }
    }

    emit aboutToChangeRows();
    m_columns = columns;
    m_sourceColumns = sources;
    m_cells.clear();
    m_order.clear();
    m_buffer.clear();
    m_modified.clear();
    while (bound.query.next()) {
        for (int source : m_sourceColumns)
            m_cells.push_back(bound.query.value(source));
        m_order.push_back(int(m_order.size()));
    }
    if (bound.query.lastError().isValid()) {
        m_cells.clear();
        m_order.clear();
        m_current = -1;
        m_eof = true;
        emit rowsChanged();
        throw Error(engineText(bound.query.lastError()));
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
    m_cells.shrink_to_fit();
    m_order.clear();
    m_order.shrink_to_fit();
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
    Bound bound = bind();
    if (!bound.query.exec())
        throw Error(engineText(bound.query.lastError()));
    return bound.query.numRowsAffected();
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

void Query::requireUpdatable() const
{
    if (!isOpen())
        throw Error(QStringLiteral("The result set is not open."));
    if (m_updateTable.isEmpty() || fieldIndex(m_keyField) < 0)
        throw Error(QStringLiteral("This result set cannot be changed."));
}

void Query::beginRowEdit(State state, int position)
{
    const size_t columns = size_t(m_columns.size());
    if (state == State::Insert) {
        m_cells.resize(m_cells.size() + columns);
        const int storage = int(m_cells.size() / columns) - 1;
        m_order.insert(m_order.begin() + position, storage);
        m_buffer.assign(columns, QVariant());
        emit rowsChanged();
    } else {
        m_buffer.assign(m_cells.begin() + storageRow(position) * qsizetype(columns),
                        m_cells.begin() + (storageRow(position) + 1) * qsizetype(columns));
    }
    m_modified.assign(columns, false);
    m_state = state;
    m_current = position;
    m_eof = false;
    emit currentRowChanged();
}

void Query::edit()
{
    requireUpdatable();
    if (m_state != State::Browse)
        return;
    if (m_current < 0)
        throw Error(QStringLiteral("There is no row to edit."));
    beginRowEdit(State::Edit, m_current);
}

void Query::insert()
{
    requireUpdatable();
    if (m_state != State::Browse)
        post();
    beginRowEdit(State::Insert, std::max(m_current, 0));
}

void Query::append()
{
    requireUpdatable();
    if (m_state != State::Browse)
        post();
    beginRowEdit(State::Insert, recordCount());
}

void Query::setFieldValue(int column, const QVariant &value)
{
    if (m_state != State::Edit && m_state != State::Insert)
        throw Error(QStringLiteral("The row is not being edited."));
    const Field f = field(column);
    for (const FieldDef &def : m_defs) {
        if (def.name.compare(f.name(), Qt::CaseInsensitive) != 0 || value.isNull())
            continue;
        const qint64 v = value.toLongLong();
        if ((def.min && v < *def.min) || (def.max && v > *def.max))
            throw Error(QStringLiteral("%1 is not a valid value for field '%2'. The allowed range is %3 to %4.")
                            .arg(value.toString(), f.displayLabel())
                            .arg(def.min.value_or(v))
                            .arg(def.max.value_or(v)));
    }
    QVariant stored = value;
    if (value.typeId() == QMetaType::Bool)
        stored = qint64(value.toBool() ? 1 : 0);
    m_buffer[size_t(column)] = stored;
    m_modified[size_t(column)] = true;
    emit fieldChanged(f.name());
}

void Query::setFieldValue(const QString &name, const QVariant &value)
{
    setFieldValue(fieldByName(name).index(), value);
}

void Query::post()
{
    if (m_state != State::Edit && m_state != State::Insert)
        return;
    const int keyColumn = fieldIndex(m_keyField);
    QStringList names;
    QVariantList values;
    for (int c = 0; c < fieldCount(); ++c) {
        if (m_modified[size_t(c)] && c != keyColumn) {
            names << m_columns.at(c).name;
            values << m_buffer[size_t(c)];
        }
    }
    const size_t columns = size_t(m_columns.size());
    const int storage = storageRow(m_current);
    QSqlQuery q(m_connection.database());
    QVariant key = m_buffer[size_t(keyColumn)];
    if (m_state == State::Edit) {
        if (!names.isEmpty()) {
            QStringList sets;
            for (const QString &n : names)
                sets << n + QStringLiteral(" = ?");
            q.prepare(QStringLiteral("update %1 set %2 where %3 = ?")
                          .arg(m_updateTable, sets.join(QStringLiteral(", ")), m_keyField));
            for (const QVariant &v : values)
                q.addBindValue(v);
            q.addBindValue(key);
            if (!q.exec())
                throw Error(engineText(q.lastError()));
        }
        std::copy(m_buffer.begin(), m_buffer.end(), m_cells.begin() + qsizetype(storage * columns));
    } else {
        const QString sql = names.isEmpty()
            ? QStringLiteral("insert into %1 default values").arg(m_updateTable)
            : QStringLiteral("insert into %1 (%2) values (%3)")
                  .arg(m_updateTable, names.join(QStringLiteral(", ")),
                       QStringList(names.size(), QStringLiteral("?")).join(QStringLiteral(", ")));
        q.prepare(sql);
        for (const QVariant &v : values)
            q.addBindValue(v);
        if (!q.exec())
            throw Error(engineText(q.lastError()));
        key = q.lastInsertId();
        refetchRow(storage, key);
    }
    m_buffer.clear();
    m_modified.clear();
    m_state = State::Browse;
    emit currentRowChanged();
}

// Reads an inserted row back, so the snapshot holds its key and the values
// the engine filled in.
void Query::refetchRow(int storage, const QVariant &key)
{
    QSqlQuery q(m_connection.database());
    q.prepare(QStringLiteral("select * from %1 where %2 = ?").arg(m_updateTable, m_keyField));
    q.addBindValue(key);
    if (!q.exec())
        throw Error(engineText(q.lastError()));
    const size_t columns = size_t(m_columns.size());
    if (q.next()) {
        for (int c = 0; c < fieldCount(); ++c) {
            const int source = q.record().indexOf(m_columns.at(c).name);
            m_cells[storage * columns + size_t(c)] = source >= 0 ? q.value(source) : m_buffer[size_t(c)];
        }
    } else {
        std::copy(m_buffer.begin(), m_buffer.end(), m_cells.begin() + qsizetype(storage * columns));
    }
}

void Query::cancel()
{
    if (m_state == State::Insert) {
        emit aboutToChangeRows();
        m_order.erase(m_order.begin() + m_current);
        m_buffer.clear();
        m_state = State::Browse;
        m_current = std::min(m_current, recordCount() - 1);
        m_eof = recordCount() == 0;
        emit rowsChanged();
    } else if (m_state == State::Edit) {
        m_buffer.clear();
        m_state = State::Browse;
        emit rowsChanged();
    }
    m_modified.clear();
    emit currentRowChanged();
}

void Query::deleteRow()
{
    if (m_state == State::Insert) {
        cancel();
        return;
    }
    requireUpdatable();
    if (m_current < 0)
        throw Error(QStringLiteral("There is no row to delete."));
    const QVariant key = valueAt(m_current, fieldIndex(m_keyField));
    QSqlQuery q(m_connection.database());
    q.prepare(QStringLiteral("delete from %1 where %2 = ?").arg(m_updateTable, m_keyField));
    q.addBindValue(key);
    if (!q.exec())
        throw Error(engineText(q.lastError()));
    emit aboutToChangeRows();
    m_buffer.clear();
    m_modified.clear();
    m_state = State::Browse;
    m_order.erase(m_order.begin() + m_current);
    m_current = std::min(m_current, recordCount() - 1);
    m_eof = recordCount() == 0;
    emit rowsChanged();
    emit currentRowChanged();
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
    struct Key { int column; bool descending; };
    std::vector<Key> keys;
    for (const QString &part : fieldList.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        QStringList words = part.simplified().split(QLatin1Char(' '));
        const bool descending = words.size() > 1 && words.last().compare(QLatin1String("desc"), Qt::CaseInsensitive) == 0;
        keys.push_back({fieldByName(words.first()).index(), descending});
    }
    if (m_state != State::Browse)
        post();
    const int currentStorage = m_current >= 0 ? storageRow(m_current) : -1;
    const size_t columns = size_t(m_columns.size());
    emit aboutToChangeRows();
    std::stable_sort(m_order.begin(), m_order.end(), [&](int a, int b) {
        for (const Key &k : keys) {
            const int c = compareValues(m_cells[a * columns + size_t(k.column)], m_cells[b * columns + size_t(k.column)]);
            if (c != 0)
                return k.descending ? c > 0 : c < 0;
        }
        return false;
    });
    if (currentStorage >= 0)
        m_current = int(std::find(m_order.begin(), m_order.end(), currentStorage) - m_order.begin());
    emit rowsChanged();
    emit currentRowChanged();
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
