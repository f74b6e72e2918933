#include "reports/ReportData.h"

#include "store/DisplayText.h"
#include "store/Query.h"

ReportData ReportData::fromQuery(const Query &query, const QStringList &fieldNames, const FormatSettings &formats)
{
    ReportData data(fieldNames);
    if (!query.isOpen())
        return data;
    QList<int> columns;
    for (const QString &name : fieldNames)
        columns << query.fieldIndex(name);
    const int completed = query.fieldIndex(QStringLiteral("Completed"));
    const int rows = query.recordCount();
    data.m_cells.reserve(size_t(rows) * size_t(columns.size()));
    data.m_completed.reserve(size_t(rows));
    for (int row = 0; row < rows; ++row) {
        for (int column : columns)
            data.m_cells.push_back(column < 0 ? QString() : fieldDisplayText(query, row, column, formats));
        data.m_completed.push_back(completed >= 0 && query.valueAt(row, completed).toDouble() != 0);
    }
    return data;
}

void ReportData::appendRow(const QStringList &values, bool completed)
{
    for (qsizetype i = 0; i < m_fieldNames.size(); ++i)
        m_cells.push_back(values.value(i));
    m_completed.push_back(completed);
}
