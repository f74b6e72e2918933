#pragma once

#include <QAbstractTableModel>
#include <QStringList>

#include "core/DateTime.h"

class Prompter;
class Query;
struct FormatSettings;

// The task grid's view of a result set: one column per chosen field, the
// field's display label as its title, date-times in the field's display
// format and the Completed field as a check box whose change goes through
// the result set (where the completion rule picks it up). Values are read
// from the result set as rows are painted; nothing is copied, and a result
// set that reads lazily reads only the rows the grid asks for.
class TaskGridModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    TaskGridModel(Query &query, const FormatSettings &formats, QObject *parent = nullptr);

    // The grid's columns by field name, in display order.
    void setColumnFields(const QStringList &fieldNames);
    const QStringList &columnFields() const { return m_fieldNames; }
    static QStringList defaultColumnFields();

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    // A failed write (the completion update) is reported through the
    // prompter once the list has been read again, and answers false.
    bool setData(const QModelIndex &index, const QVariant &value, int role) override;
    void setErrorReport(Prompter &prompter) { m_prompter = &prompter; }

    // The text a cell shows; also what reports and tests read.
    QString displayText(int row, int column) const;
    // The text a date column would show for a value (for sizing columns).
    QString sampleText(int column, DateTime value) const;

private:
    int queryColumn(int column) const;
    void mapColumns();
    bool isCompleted(int row) const;

    Query &m_query;
    const FormatSettings &m_formats;
    QStringList m_fieldNames;
    QList<int> m_queryColumns; // result-set field of each column, -1 when absent
    int m_completedField = -1;
    bool m_resetting = false;
    Prompter *m_prompter = nullptr;
};
