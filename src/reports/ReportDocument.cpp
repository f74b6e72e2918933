#include "reports/ReportDocument.h"

#include "core/Error.h"

#include <QCoreApplication>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QPageLayout>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QTextLayout>

#include <algorithm>
#include <cmath>

using namespace Qt::StringLiterals;

namespace {
constexpr qreal U = ReportDocument::UnitsPerMm;
constexpr qreal PointsPerMm = 72 / 25.4;
// The frame and rule lines are a quarter millimetre wide.
constexpr qreal LineWidthMm = 0.25;
// Text keeps this distance from the left and right sides of its box, so
// it never touches a neighbour or the edge of a coloured band.
constexpr qreal TextPaddingMm = 0.6;
// A grown band keeps at least this much room under its last line.
constexpr qreal MinimumSpaceUnderMm = 1.2;
// A little less than a hair, so rounding never pushes a band to the next page.
constexpr qreal Epsilon = 1e-6;
// The texts of a completed task: grey, as dimmed text on paper.
const QColor DimmedText(128, 128, 128);

// Line breaks of any platform become line separators, which QTextLayout
// honours; tabs are printed as a blank.
QString printable(const QString &text)
{
    QString out = text;
    out.replace(u"\r\n"_s, QString(QChar::LineSeparator));
    out.replace(QLatin1Char('\n'), QChar::LineSeparator);
    out.replace(QLatin1Char('\r'), QChar::LineSeparator);
    out.replace(QLatin1Char('\t'), QLatin1Char(' '));
    return out;
}

bool needsLayout(const QString &text, const QFontMetricsF &metrics, qreal width)
{
    return text.contains(QChar::LineSeparator) || metrics.horizontalAdvance(text) > width;
}

// Breaks the text into lines no wider than width (painting units), at word
// boundaries where possible and anywhere in an overlong word; lines follow
// each other at lineSpacing. Returns the number of lines.
int wrapText(QTextLayout &layout, qreal width, qreal lineSpacing, Qt::Alignment alignment)
{
    QTextOption option(alignment);
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    layout.beginLayout();
    int count = 0;
    for (;;) {
        QTextLine line = layout.createLine();
        if (!line.isValid())
            break;
        line.setLineWidth(width);
        line.setPosition(QPointF(0, count * lineSpacing));
        ++count;
    }
    layout.endLayout();
    return count;
}

qreal alignedX(Qt::Alignment alignment, qreal boxWidth, qreal textWidth)
{
    if (alignment & Qt::AlignRight)
        return boxWidth - textWidth;
    if (alignment & Qt::AlignHCenter)
        return (boxWidth - textWidth) / 2;
    return 0;
}
}

QString ReportDocument::fontFamily()
{
    static const QString family = QFontDatabase::hasFamily(u"Verdana"_s) ? u"Verdana"_s : u"DejaVu Sans"_s;
    return family;
}

ReportDocument::ReportDocument(ReportLayout layout, ReportData data, QString printedAt)
    : m_layout(std::move(layout)), m_data(std::move(data)), m_printedAt(std::move(printedAt))
{
    prepareFonts();
    paginate();
}

void ReportDocument::prepareFonts()
{
    const auto fontsOf = [](const ReportBand &band) {
        std::vector<FieldFont> fonts;
        for (const ReportField &f : band.fields) {
            QFont font(fontFamily());
            font.setPixelSize(qRound(f.font.pointSize / PointsPerMm * U));
            font.setBold(f.font.bold);
            font.setHintingPreference(QFont::PreferNoHinting);
            const QFontMetricsF metrics(font);
            fonts.push_back({font, metrics, metrics.ascent(), metrics.lineSpacing()});
        }
        return fonts;
    };
    m_headerFonts = fontsOf(m_layout.pageHeader);
    m_columnFonts = fontsOf(m_layout.columnHeader);
    m_detailFonts = fontsOf(m_layout.detail);
    m_footerFonts = fontsOf(m_layout.pageFooter);
}

// The height of a row's detail band, grown to hold its stretching fields,
// and the places (mm from the band's top, ascending, the last being the
// height) where the band may be split over two pages without cutting
// through a line of text or a fixed field.
qreal ReportDocument::detailHeight(int row, std::vector<qreal> &breaks) const
{
    const ReportBand &band = m_layout.detail;
    qreal height = band.height;
    breaks.clear();
    for (size_t i = 0; i < size_t(band.fields.size()); ++i) {
        const ReportField &f = band.fields.at(qsizetype(i));
        if (!f.visible || !f.stretch)
            continue;
        const QString text = printable(fieldText(f, row, 0));
        if (text.isEmpty())
            continue;
        const FieldFont &font = m_detailFonts[i];
        int lines = 1;
        const qreal textWidth = (f.rect.width() - 2 * TextPaddingMm) * U;
        if (needsLayout(text, font.metrics, textWidth)) {
            QTextLayout layout(text, font.font);
            lines = wrapText(layout, textWidth, font.lineSpacing, f.alignment);
        }
        const qreal lineMm = font.lineSpacing / U;
        // The room the design leaves under the field stays under the text.
        const qreal space = std::max<qreal>(MinimumSpaceUnderMm, band.height - f.rect.bottom());
        height = std::max(height, f.rect.top() + lines * lineMm + space);
        for (int k = 1; k < lines; ++k)
            breaks.push_back(f.rect.top() + k * lineMm);
    }
    // A split may not cut through the box of a fixed field.
    std::erase_if(breaks, [&](qreal at) {
        return std::any_of(band.fields.begin(), band.fields.end(), [at](const ReportField &f) {
            return f.visible && !f.stretch && at > f.rect.top() + Epsilon && at < f.rect.bottom() - Epsilon;
        });
    });
    std::sort(breaks.begin(), breaks.end());
    breaks.push_back(height);
    return height;
}

void ReportDocument::paginate()
{
    const qreal detailTop = m_layout.pageHeader.height + m_layout.columnHeader.height;
    const qreal detailBottom = m_layout.bodyHeight() - m_layout.pageFooter.height;
    const qreal capacity = detailBottom - detailTop;
    if (capacity < 1)
        throw Error(QCoreApplication::translate("ReportDocument", "The report's bands do not fit on a page."));

    ReportBand band = m_layout.detail; // the band as its before-print handler leaves it
    std::vector<Placement> page;
    qreal y = detailTop;
    const auto newPage = [&] {
        m_pages.push_back(std::move(page));
        page.clear();
        y = detailTop;
    };

    std::vector<qreal> breaks;
    for (int row = 0; row < m_data.rowCount(); ++row) {
        if (band.beforePrint)
            band.beforePrint(band);
        const qreal height = detailHeight(row, breaks);
        qreal from = 0;
        while (from < height - Epsilon) {
            const qreal remaining = detailBottom - y;
            if (height - from <= remaining + Epsilon) {
                page.push_back({row, y, from, height, band.color, height});
                y += height - from;
                break;
            }
            // What fits on an empty page starts on the next page.
            if (height - from <= capacity + Epsilon && !page.empty()) {
                newPage();
                continue;
            }
            // Taller than a page: as many lines as fit go on this page, the
            // rest on the next. A band without a break that fits is cut at
            // the page's foot, so every page takes something and the
            // pagination ends.
            qreal cut = 0;
            for (qreal at : breaks)
                if (at > from + Epsilon && at - from <= remaining + Epsilon)
                    cut = at;
            if (cut == 0) {
                if (!page.empty()) {
                    newPage();
                    continue;
                }
                cut = from + remaining;
            }
            page.push_back({row, y, from, cut, band.color, height});
            from = cut;
            newPage();
        }
    }
    m_pages.push_back(std::move(page));
}

QList<int> ReportDocument::rowsOnPage(int page) const
{
    QList<int> rows;
    if (page >= 0 && page < pageCount())
        for (const Placement &p : m_pages[size_t(page)])
            rows << p.row;
    return rows;
}

QString ReportDocument::fieldText(const ReportField &field, int row, int page) const
{
    switch (field.source) {
    case FieldSource::Label:
        return field.text;
    case FieldSource::Data: {
        const int column = m_data.fieldIndex(field.text);
        return column < 0 || row < 0 ? QString() : m_data.text(row, column);
    }
    case FieldSource::PrintedAt:
        return m_printedAt;
    case FieldSource::PageNumber:
        return QString::number(page + 1);
    case FieldSource::Title:
        return m_layout.title;
    }
    return {};
}

void ReportDocument::paintBand(QPainter &painter, const ReportBand &band, const std::vector<FieldFont> &fonts,
                               qreal top, qreal from, qreal to, qreal height, const QColor &color, int row,
                               int page) const
{
    const qreal width = m_layout.bandWidth();
    const bool slice = from > Epsilon || to < height - Epsilon;
    painter.save();
    painter.translate(0, (top - from) * U);
    const QRectF visible(0, from * U, width * U, (to - from) * U);
    if (slice)
        painter.setClipRect(visible);
    if (color.isValid() && color != QColor(Qt::white) && color.alpha() > 0)
        painter.fillRect(visible, color);

    const qreal half = LineWidthMm / 2;
    if (band.frameColor.isValid()) {
        painter.setPen(QPen(band.frameColor, LineWidthMm * U));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(QRectF(half * U, half * U, (width - LineWidthMm) * U, (height - LineWidthMm) * U));
    }
    for (const ReportLine &l : band.lines) {
        painter.setPen(QPen(l.color, LineWidthMm * U, Qt::SolidLine, Qt::FlatCap));
        painter.drawLine(QLineF(l.line.p1() * U, l.line.p2() * U));
    }

    const bool done = row >= 0 && m_layout.dimCompleted && &band == &m_layout.detail && m_data.completed(row);
    painter.setPen(done ? DimmedText : QColor(Qt::black));
    for (qsizetype i = 0; i < band.fields.size(); ++i) {
        const ReportField &f = band.fields.at(i);
        if (!f.visible)
            continue;
        const QString text = printable(fieldText(f, row, page));
        if (text.isEmpty())
            continue;
        const FieldFont &font = fonts[size_t(i)];
        // A stretching field reaches down to the band's (grown) foot.
        const qreal boxTop = f.rect.top() * U;
        const qreal boxBottom = f.stretch ? std::max(f.rect.bottom(), height) * U : f.rect.bottom() * U;
        const qreal boxWidth = (f.rect.width() - 2 * TextPaddingMm) * U;
        const qreal boxLeft = (f.rect.left() + TextPaddingMm) * U;
        if (boxTop >= to * U || boxBottom <= from * U)
            continue;
        QFont paintFont = font.font;
        paintFont.setStrikeOut(done);
        painter.setFont(paintFont);
        // One line that fits is drawn as it stands, without a layout.
        const qreal advance = text.contains(QChar::LineSeparator) ? boxWidth + 1 : font.metrics.horizontalAdvance(text);
        if (advance <= boxWidth) {
            painter.drawText(QPointF(boxLeft + alignedX(f.alignment, boxWidth, advance), boxTop + font.ascent), text);
            continue;
        }
        QTextLayout layout(text, paintFont);
        const int lines = wrapText(layout, boxWidth, font.lineSpacing, f.alignment);
        for (int n = 0; n < lines; ++n) {
            const qreal lineTop = boxTop + n * font.lineSpacing;
            const qreal lineBottom = lineTop + font.lineSpacing;
            // The first line always shows; further lines only whole.
            if (n > 0 && lineBottom > boxBottom + Epsilon * U)
                break;
            if (lineBottom <= from * U + Epsilon * U)
                continue;
            if (lineTop >= to * U - Epsilon * U)
                break;
            layout.lineAt(n).draw(&painter, QPointF(boxLeft, boxTop));
        }
    }
    painter.restore();
}

void ReportDocument::paintPage(QPainter &painter, int page) const
{
    if (page < 0 || page >= pageCount())
        return;
    const ReportBand &header = m_layout.pageHeader;
    const ReportBand &columns = m_layout.columnHeader;
    const ReportBand &footer = m_layout.pageFooter;
    painter.save();
    painter.setRenderHint(QPainter::TextAntialiasing);
    paintBand(painter, header, m_headerFonts, 0, 0, header.height, header.height, header.color, -1, page);
    paintBand(painter, columns, m_columnFonts, header.height, 0, columns.height, columns.height, columns.color, -1,
              page);
    for (const Placement &p : m_pages[size_t(page)])
        paintBand(painter, m_layout.detail, m_detailFonts, p.top, p.from, p.to, p.height, p.color, p.row, page);
    const qreal footerTop = m_layout.bodyHeight() - footer.height;
    paintBand(painter, footer, m_footerFonts, footerTop, 0, footer.height, footer.height, footer.color, -1, page);
    painter.restore();
}

void placeOnPage(ReportLayout &layout, QPageSize::PageSizeId size)
{
    const qreal width = layout.bandWidth();
    const QSizeF paper = QPageSize(size).size(QPageSize::Millimeter);
    layout.pageSize = size;
    layout.pageWidth = paper.width();
    layout.pageHeight = paper.height();
    layout.sideMargin = (layout.pageWidth - width) / 2;
}

void ReportDocument::print(QPagedPaintDevice &device) const
{
    const qreal m = m_layout.margin;
    const qreal side = m_layout.sideMargin;
    device.setPageLayout(QPageLayout(QPageSize(m_layout.pageSize), QPageLayout::Portrait, QMarginsF(side, m, side, m),
                                     QPageLayout::Millimeter));
    QPainter painter;
    if (!painter.begin(&device))
        throw Error(QCoreApplication::translate("ReportDocument", "The report could not be printed."));
    const qreal sx = device.logicalDpiX() / 25.4 / U;
    const qreal sy = device.logicalDpiY() / 25.4 / U;
    for (int page = 0; page < pageCount(); ++page) {
        if (page > 0 && !device.newPage()) {
            painter.end();
            throw Error(QCoreApplication::translate("ReportDocument", "The report could not be printed."));
        }
        painter.save();
        painter.scale(sx, sy);
        paintPage(painter, page);
        painter.restore();
    }
    if (!painter.end())
        throw Error(QCoreApplication::translate("ReportDocument", "The report could not be printed."));
}
