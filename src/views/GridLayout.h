#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// The layout of the task grid as its layout file holds it, one "name=value"
// line each: the grid's two switches, the columns in their current order
// (field name, width, shown, expanded), the order list, the text lines per
// row and the stretch mode. Widths are in design pixels, so a file keeps its
// meaning at any font size.
struct GridLayout
{
    struct Column
    {
        QString field;
        int width = 64;
        bool visible = true;
        bool expanded = false;
    };

    bool autoLoad = false;
    bool autoSave = false;
    QList<Column> columns;
    QString orderFields;
    int linesCount = 1;
    bool stretchMode = false;

    QStringList toLines() const;
    // Unknown lines are ignored; missing ones keep the defaults above.
    // `columnCount` is the "Columns=" value (-1 when the file has none).
    static GridLayout fromLines(const QStringList &lines, int *columnCount = nullptr);

    // Reads a layout file; nothing when it does not exist.
    static bool read(const QString &path, GridLayout &layout, int *columnCount);
    // Replaces the file with this layout; throws Error when it cannot.
    void write(const QString &path) const;
};
