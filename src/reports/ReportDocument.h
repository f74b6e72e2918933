#pragma once

#include "reports/ReportData.h"
#include "reports/ReportLayout.h"

#include <QColor>
#include <QFont>
#include <QFontMetricsF>
#include <QString>

#include <vector>

class QPagedPaintDevice;
class QPainter;

// A report laid out on pages: built once from its layout and its rows,
// then painted page by page as often as a preview or a printer asks. The
// layout is in millimetres and the painting is scaled to the device, so the
// pages look the same at any printer resolution.
class ReportDocument
{
public:
    // Painting units: hundredths of a millimetre.
    static constexpr qreal UnitsPerMm = 100;

    ReportDocument(ReportLayout layout, ReportData data, QString printedAt);

    const ReportLayout &layout() const { return m_layout; }
    const QString &title() const { return m_layout.title; }
    int pageCount() const { return int(m_pages.size()); }
    // The rows that start or continue on a page, in print order.
    QList<int> rowsOnPage(int page) const;

    // Paints one page. The painter's unit is 1/UnitsPerMm mm and its origin
    // the top-left corner of the area inside the page margins.
    void paintPage(QPainter &painter, int page) const;

    // Sets the layout's paper size and margins on the device and prints
    // every page. Throws Error when the device cannot be painted on.
    void print(QPagedPaintDevice &device) const;

    // Verdana when it is installed, otherwise its stand-in.
    static QString fontFamily();

private:
    // The part [from, to) of the detail band of one row, in mm from the
    // band's top, placed at `top` mm from the top of the printable area.
    struct Placement
    {
        int row;
        qreal top;
        qreal from;
        qreal to;
        QColor color;
        qreal height; // the whole band's height for this row
    };
    struct FieldFont
    {
        QFont font;
        QFontMetricsF metrics;
        qreal ascent;      // painting units
        qreal lineSpacing; // painting units
    };

    void prepareFonts();
    void paginate();
    qreal detailHeight(int row, std::vector<qreal> &breaks) const;
    QString fieldText(const ReportField &field, int row, int page) const;
    void paintBand(QPainter &painter, const ReportBand &band, const std::vector<FieldFont> &fonts, qreal top,
                   qreal from, qreal to, qreal height, const QColor &color, int row, int page) const;

    ReportLayout m_layout;
    ReportData m_data;
    QString m_printedAt;
    std::vector<std::vector<Placement>> m_pages;
    std::vector<FieldFont> m_headerFonts, m_columnFonts, m_detailFonts, m_footerFonts;
};
