// Editing the rows of a result set: changes are written to the update table
// as they are posted, and the snapshot follows.

#include "store/Query.h"

#include "core/Error.h"
#include "store/Connection.h"
#include "store/Statement.h"

#include <algorithm>
#include <cmath>
#include <limits>

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
        int storage;
        if (m_lazy) {
            storage = int(m_keys.size());
            m_keys.push_back(NoKey);
            m_slotOf.push_back(-1);
        } else {
            m_cells.resize(m_cells.size() + columns);
            storage = int(m_cells.size() / columns) - 1;
        }
        m_order.insert(m_order.begin() + position, storage);
        m_buffer.assign(columns, QVariant());
        emit rowsChanged();
    } else if (const QVariant *cells = rowCells(storageRow(position), position)) {
        m_buffer.assign(cells, cells + columns);
    } else {
        // A lazy read whose row cannot be read now: only its key is known.
        m_buffer.assign(columns, QVariant());
        m_buffer[size_t(m_keyColumn)] = m_keys[size_t(storageRow(position))];
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
    QVariant stored = value;
    for (const FieldDef &def : m_defs) {
        if (def.name.compare(f.name(), Qt::CaseInsensitive) != 0 || value.isNull() || (!def.min && !def.max))
            continue;
        // A field with a range holds whole numbers: text such as "1e3" or a
        // fraction such as 60.4 is refused, not rounded or widened.
        bool ok = false;
        const double number = value.typeId() == QMetaType::Bool ? double(value.toBool()) : value.toDouble(&ok);
        ok = ok || value.typeId() == QMetaType::Bool;
        const double lowest = double(def.min.value_or(std::numeric_limits<qint64>::min()));
        const double highest = double(def.max.value_or(std::numeric_limits<qint64>::max()));
        if (!ok || !std::isfinite(number) || number != std::trunc(number) || number < lowest || number > highest)
            throw Error(QStringLiteral("%1 is not a valid value for field '%2'. The allowed range is %3 to %4.")
                            .arg(value.toString(), f.displayLabel())
                            .arg(def.min ? QString::number(*def.min) : QStringLiteral("any"),
                                 def.max ? QString::number(*def.max) : QStringLiteral("any")));
        stored = qint64(number);
    }
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
    if (m_state == State::Edit) {
        if (!names.isEmpty()) {
            QStringList sets;
            for (const QString &n : names)
                sets << n + QStringLiteral(" = ?");
            Statement update(m_connection.handle(), QStringLiteral("update %1 set %2 where %3 = ?")
                                                        .arg(m_updateTable, sets.join(QStringLiteral(", ")), m_keyField));
            for (const QVariant &v : values)
                update.bind(v);
            update.bind(m_buffer[size_t(keyColumn)]);
            update.execute();
        }
        if (m_lazy)
            std::copy(m_buffer.begin(), m_buffer.end(), cacheRow(storage));
        else
            std::copy(m_buffer.begin(), m_buffer.end(), m_cells.begin() + qsizetype(storage * columns));
    } else {
        const QString sql = names.isEmpty()
            ? QStringLiteral("insert into %1 default values").arg(m_updateTable)
            : QStringLiteral("insert into %1 (%2) values (%3)")
                  .arg(m_updateTable, names.join(QStringLiteral(", ")),
                       QStringList(names.size(), QStringLiteral("?")).join(QStringLiteral(", ")));
        Statement insert(m_connection.handle(), sql);
        for (const QVariant &v : values)
            insert.bind(v);
        insert.execute();
        refetchRow(storage, insert.lastInsertId());
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
    Statement select(m_connection.handle(),
                     QStringLiteral("select * from %1 where %2 = ?").arg(m_updateTable, m_keyField));
    select.bind(key);
    const size_t columns = size_t(m_columns.size());
    if (m_lazy)
        m_keys[size_t(storage)] = key.toLongLong();
    QVariant *cells = m_lazy ? cacheRow(storage) : m_cells.data() + size_t(storage) * columns;
    if (select.step()) {
        for (int c = 0; c < fieldCount(); ++c) {
            const int source = select.columnIndex(m_columns.at(c).name);
            cells[c] = source >= 0 ? select.value(source) : m_buffer[size_t(c)];
        }
    } else {
        std::copy(m_buffer.begin(), m_buffer.end(), cells);
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
    Statement remove(m_connection.handle(), QStringLiteral("delete from %1 where %2 = ?").arg(m_updateTable, m_keyField));
    remove.bind(key);
    remove.execute();
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

