#include "views/TaskGridModel.h"

#include "core/DateFormat.h"
#include "store/Query.h"
#include "toolkit/ErrorReport.h"

#include <QFont>
#include <QGuiApplication>
#include <QPalette>

using namespace Qt::StringLiterals;

TaskGridModel::TaskGridModel(Query &query, const FormatSettings &formats, QObject *parent)
    : QAbstractTableModel(parent), m_query(query), m_formats(formats), m_fieldNames(defaultColumnFields())
{
    connect(&query, &Query::aboutToChangeRows, this, [this] {
        if (!m_resetting) {
            m_resetting = true;
            beginResetModel();
        }
    });
    connect(&query, &Query::rowsChanged, this, [this] {
        mapColumns();
        if (m_resetting) {
            m_resetting = false;
            endResetModel();
        } else {
            // Rows were added or dropped without a reset (an insert or cancel).
            beginResetModel();
            endResetModel();
        }
    });
    connect(&query, &Query::fieldChanged, this, [this] {
        const int row = m_query.recNo();
        if (row >= 0 && row < rowCount())
            emit dataChanged(index(row, 0), index(row, columnCount() - 1));
    });
    mapColumns();
}

QStringList TaskGridModel::defaultColumnFields()
{
    return {u"Completed"_s, u"Priority"_s, u"TaskCreated"_s, u"Category"_s, u"Task"_s, u"Occurrence"_s,
            u"Frequency"_s, u"DueDateTime"_s, u"AlarmDateTime"_s, u"PercentageComplete"_s, u"CompletedDate"_s};
}

void TaskGridModel::setColumnFields(const QStringList &fieldNames)
{
    beginResetModel();
    m_fieldNames = fieldNames;
    mapColumns();
    endResetModel();
}

void TaskGridModel::mapColumns()
{
    m_queryColumns.clear();
    for (const QString &name : m_fieldNames)
        m_queryColumns << (m_query.isOpen() ? m_query.fieldIndex(name) : -1);
    m_completedField = m_query.isOpen() ? m_query.fieldIndex(u"Completed"_s) : -1;
}

bool TaskGridModel::isCompleted(int row) const
{
    return m_completedField >= 0 && m_query.valueAt(row, m_completedField).toDouble() != 0;
}

int TaskGridModel::queryColumn(int column) const
{
    return column >= 0 && column < m_queryColumns.size() ? m_queryColumns.at(column) : -1;
}

int TaskGridModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() || !m_query.isOpen() ? 0 : m_query.recordCount();
}

int TaskGridModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_fieldNames.size());
}

QString TaskGridModel::displayText(int row, int column) const
{
    const int field = queryColumn(column);
    if (field < 0)
        return {};
    const QVariant value = m_query.valueAt(row, field);
    if (value.isNull())
        return {};
    switch (m_query.fieldInfo(field).type) {
    case FieldType::DateTime: {
        if (!isShownDateTime(DateTime(value.toDouble())))
            return {};
        const QString pattern = m_query.displayFormat(field);
        return formatDateTime(pattern.isEmpty() ? u"c"_s : pattern, DateTime(value.toDouble()), m_formats);
    }
    case FieldType::Boolean:
        return value.toDouble() != 0 ? u"True"_s : u"False"_s;
    default:
        return value.toString();
    }
}

QString TaskGridModel::sampleText(int column, DateTime value) const
{
    const int field = queryColumn(column);
    const QString pattern = field >= 0 ? m_query.displayFormat(field) : QString();
    return formatDateTime(pattern.isEmpty() ? u"c"_s : pattern, value, m_formats);
}

QVariant TaskGridModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid())
        return {};
    const int field = queryColumn(index.column());
    // A task deleted since the list was read shows as an empty row until
    // the list is read again.
    if (field < 0 || m_query.rowMissing(index.row()))
        return {};
    const bool isCheck = m_query.fieldInfo(field).type == FieldType::Boolean;
    switch (role) {
    case Qt::DisplayRole:
        return isCheck ? QVariant() : QVariant(displayText(index.row(), index.column()));
    case Qt::CheckStateRole:
        if (!isCheck)
            return {};
        return m_query.valueAt(index.row(), field).toDouble() != 0 ? Qt::Checked : Qt::Unchecked;
    case Qt::TextAlignmentRole:
        if (m_query.fieldInfo(field).type == FieldType::Integer)
            return int(Qt::AlignRight | Qt::AlignVCenter);
        return {};
    // A completed task reads as done: struck through, in the palette's
    // dimmed text colour.
    case Qt::FontRole:
        if (isCheck || !isCompleted(index.row()))
            return {};
        {
            QFont font;
            font.setStrikeOut(true);
            return font;
        }
    case Qt::ForegroundRole:
        if (!isCompleted(index.row()))
            return {};
        return QGuiApplication::palette().brush(QPalette::PlaceholderText);
    default:
        return {};
    }
}

QVariant TaskGridModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role == Qt::ToolTipRole && orientation == Qt::Horizontal)
        role = Qt::DisplayRole;
    if (role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    if (orientation == Qt::Vertical)
        return {};
    const int field = queryColumn(section);
    if (field >= 0)
        return m_query.field(field).displayLabel();
    return section < m_fieldNames.size() ? QVariant(m_fieldNames.at(section)) : QVariant();
}

Qt::ItemFlags TaskGridModel::flags(const QModelIndex &index) const
{
    Qt::ItemFlags f = QAbstractTableModel::flags(index);
    const int field = queryColumn(index.column());
    if (field >= 0 && m_query.fieldInfo(field).name.compare(u"Completed"_s, Qt::CaseInsensitive) == 0
        && !m_query.rowMissing(index.row()))
        f |= Qt::ItemIsUserCheckable;
    return f;
}

bool TaskGridModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    const int field = queryColumn(index.column());
    if (role != Qt::CheckStateRole || field < 0 || !(flags(index) & Qt::ItemIsUserCheckable))
        return false;
    const auto tick = [&] {
        m_query.moveTo(index.row());
        m_query.edit();
        // A change of Completed may requery the list (the completion rule); the
        // edit is then already gone, otherwise it is posted here.
        m_query.setFieldValue(field, value.toInt() == Qt::Checked);
        if (m_query.state() == Query::State::Edit)
            m_query.post();
    };
    // setData is called from the view's delegate inside the event loop, so an
    // error must end here; without a report to go to it is the caller's.
    if (!m_prompter) {
        tick();
        return true;
    }
    if (guarded(*m_prompter, tick))
        return true;
    // An edit the failure left open is dropped: the row keeps its values.
    if (m_query.state() == Query::State::Edit)
        m_query.cancel();
    return false;
}
