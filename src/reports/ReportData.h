#pragma once

#include <QString>
#include <QStringList>

#include <vector>

class Query;
struct FormatSettings;

// The rows a report prints, copied as display texts when the report is
// built. The report keeps its own copy, so a requery of the task list while
// the preview is open changes nothing on the pages already laid out.
class ReportData
{
public:
    ReportData() = default;
    explicit ReportData(QStringList fieldNames) : m_fieldNames(std::move(fieldNames)) {}

    // The named fields of every row of the result set, in its current order,
    // and whether each row's task is completed (its Completed field).
    static ReportData fromQuery(const Query &query, const QStringList &fieldNames, const FormatSettings &formats);

    void appendRow(const QStringList &values, bool completed = false);

    int rowCount() const { return m_fieldNames.isEmpty() ? 0 : int(m_cells.size() / size_t(m_fieldNames.size())); }
    int fieldIndex(const QString &name) const { return int(m_fieldNames.indexOf(name)); }
    const QString &text(int row, int field) const
    {
        return m_cells[size_t(row) * size_t(m_fieldNames.size()) + size_t(field)];
    }
    bool completed(int row) const { return row >= 0 && size_t(row) < m_completed.size() && m_completed[size_t(row)]; }

private:
    QStringList m_fieldNames;
    std::vector<QString> m_cells; // row-major
    std::vector<bool> m_completed; // one per row
};
