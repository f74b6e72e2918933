#pragma once

#include <QColor>
#include <QLineF>
#include <QList>
#include <QPageSize>
#include <QRectF>
#include <QString>

#include <functional>

// The description of a banded report, free of any paint device: bands with
// their fields and lines, all positions and sizes in millimetres from the
// band's top-left corner. ReportDocument lays it out on pages and paints it.

// Where a field's text comes from.
enum class FieldSource {
    Label,      // the fixed text in ReportField::text
    Data,       // the row's value of the data field named in ReportField::text
    PrintedAt,  // the date and time of printing
    PageNumber, // the number of the page, counted from 1
    Title,      // the report's title
};

struct ReportFont
{
    qreal pointSize = 8;
    bool bold = false;
};

struct ReportField
{
    QString name;
    FieldSource source = FieldSource::Label;
    QString text;
    QRectF rect; // mm within the band
    ReportFont font;
    Qt::Alignment alignment = Qt::AlignLeft;
    // A stretching field shows all of its word-wrapped text and makes its
    // band taller to hold it; any other field shows the whole lines that fit
    // its box (always the first), and never draws outside the box.
    bool stretch = false;
    bool visible = true;
};

struct ReportLine
{
    QLineF line; // mm within the band
    QColor color;
};

struct ReportBand
{
    QString name;
    qreal height = 0; // mm; a band with stretching fields may grow
    QColor color = Qt::white;
    QColor frameColor; // a frame on all four sides when valid
    QList<ReportLine> lines;
    QList<ReportField> fields;
    // Runs before each printing of the band, with the band as it stands, and
    // may change the band's colour for this printing and the ones after. The
    // pages are laid out once, so a page painted again keeps its colours.
    std::function<void(ReportBand &)> beforePrint;
};

// Page header (on every page, the first included), column header under it
// on every page, one detail band per row, and the page footer at the foot of
// every page (the last included). Portrait, A4 unless placed on another
// paper size (placeOnPage), the bands centred between the sides.
struct ReportLayout
{
    QString title;
    QPageSize::PageSizeId pageSize = QPageSize::A4;
    qreal pageWidth = 210;
    qreal pageHeight = 297;
    qreal margin = 12.7;     // top and bottom
    qreal sideMargin = 12.7; // left and right
    ReportBand pageHeader;
    ReportBand columnHeader;
    ReportBand detail;
    ReportBand pageFooter;
    // A list of tasks: the detail band of a completed task prints its texts
    // struck through and in grey, as the grid shows them.
    bool dimCompleted = false;

    qreal bandWidth() const { return pageWidth - 2 * sideMargin; }
    qreal bodyHeight() const { return pageHeight - 2 * margin; }
};

// Puts the layout on paper of that size: the bands keep their width, centred
// between the sides, and the pages hold as many rows as fit their height.
void placeOnPage(ReportLayout &layout, QPageSize::PageSizeId size);
