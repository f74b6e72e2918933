#include "reports/TaskReports.h"

#include "store/Query.h"

#include <algorithm>
#include <iterator>

using namespace Qt::StringLiterals;

namespace {
const QColor Navy(0, 0, 128);
constexpr qreal Width = 210 - 2 * 12.7;
// The field at the right of every page footer that holds the web address.
const QString WebAddressField = u"qrlWebAddress"_s;

// The height of one line of text in a font of that size, with some room.
qreal lineHeight(qreal pointSize)
{
    return pointSize * 25.4 / 72 * 1.25;
}

ReportField label(const QString &text, qreal x, qreal y, qreal width, qreal pointSize, bool bold = false,
                  Qt::Alignment alignment = Qt::AlignLeft)
{
    ReportField f;
    f.name = text;
    f.text = text;
    f.rect = QRectF(x, y, width, lineHeight(pointSize));
    f.font = {pointSize, bold};
    f.alignment = alignment;
    return f;
}

ReportField sysField(FieldSource source, const QString &name, qreal x, qreal y, qreal width, qreal pointSize,
                   bool bold, Qt::Alignment alignment)
{
    ReportField f = label(QString(), x, y, width, pointSize, bold, alignment);
    f.name = name;
    f.source = source;
    return f;
}

ReportField dataField(const QString &fieldName, qreal x, qreal y, qreal width, qreal pointSize, bool bold = false,
                 qreal height = 0)
{
    ReportField f = label(QString(), x, y, width, pointSize, bold);
    f.name = u"qrdb"_s + fieldName;
    f.source = FieldSource::Data;
    f.text = fieldName;
    if (height > 0)
        f.rect.setHeight(height);
    return f;
}

// Navy frame; "Printed on :" and the print time at the left, the title in
// the middle, "Page" and the page number at the right.
ReportBand pageHeader(qreal labelSize, qreal titleSize)
{
    const qreal line = lineHeight(labelSize);
    ReportBand band;
    band.name = u"PageHeaderBand1"_s;
    band.height = 2 * line + 3;
    band.frameColor = Navy;
    band.fields << label(u"Printed on :"_s, 2, 1.2, 48, labelSize)
                << sysField(FieldSource::PrintedAt, u"qrsDateTime"_s, 2, 1.2 + line + 0.4, 48, labelSize, false,
                          Qt::AlignLeft)
                << sysField(FieldSource::Title, u"qrsTitle"_s, 52, (band.height - lineHeight(titleSize)) / 2,
                          Width - 104, titleSize, true, Qt::AlignHCenter)
                << label(u"Page"_s, Width - 27, 1.2, 25, labelSize, false, Qt::AlignHCenter)
                << sysField(FieldSource::PageNumber, u"qrsPageNumber"_s, Width - 27, 1.2 + line + 0.4, 25, labelSize,
                          false, Qt::AlignHCenter);
    return band;
}

// Navy frame; the product at the left, the web address (when the report
// is given one, applyPaper) at the right.
ReportBand pageFooter(qreal size)
{
    ReportBand band;
    band.name = u"PageFooterBand1"_s;
    band.height = lineHeight(size) + 2;
    band.frameColor = Navy;
    ReportField address = label(QString(), Width - 92, 1, 90, size, true, Qt::AlignRight);
    address.name = WebAddressField;
    band.fields << label(u"Nudgewick"_s, 2, 1, 60, size, true) << address;
    return band;
}

ReportBand columnHeader(qreal height, qreal size, const QList<std::pair<QString, QRectF>> &titles)
{
    ReportBand band;
    band.name = u"ChildBand1"_s;
    band.height = height;
    const qreal y = (height - lineHeight(size)) / 2;
    // A title may use the room up to the next column, so none is cut.
    for (qsizetype i = 0; i < titles.size(); ++i) {
        const auto &[text, box] = titles.at(i);
        const qreal next = i + 1 < titles.size() ? titles.at(i + 1).second.x() : Width;
        band.fields << label(text, box.x(), y, std::max(box.width(), next - box.x() - 0.3), size, true);
    }
    return band;
}

// The top of a smaller font's box that puts its first baseline on the
// baseline of the larger font's box at `top`.
qreal sameBaseline(qreal top, qreal largerSize, qreal smallerSize)
{
    // Ascent and box padding both scale with the size; 0.93 em of ascent
    // plus half of the 0.25 em room of lineHeight().
    return top + (largerSize - smallerSize) * 25.4 / 72 * 0.93;
}

ReportLayout baseLayout(const QString &title, qreal labelSize, qreal titleSize, qreal footerSize)
{
    ReportLayout layout;
    layout.title = title;
    layout.pageHeader = pageHeader(labelSize, titleSize);
    layout.pageFooter = pageFooter(footerSize);
    return layout;
}

QStringList reportFields(bool withNotes)
{
    QStringList fields = {u"Priority"_s, u"Category"_s, u"Task"_s, u"DueDateTime"_s, u"AlarmDateTime"_s};
    if (withNotes)
        fields << u"Notes"_s;
    return fields;
}
}

ReportLayout TQuickReport0()
{
    ReportLayout layout = baseLayout(u"Tasks"_s, 8, 10, 7);
    layout.columnHeader = columnHeader(6.6, 7,
                                       {{u"Priority"_s, QRectF(0, 0, 10.3, 0)},
                                        {u"Category"_s, QRectF(13.6, 0, 18.5, 0)},
                                        {u"Task Description"_s, QRectF(32.4, 0, 21.8, 0)},
                                        {u"Due Date&Time"_s, QRectF(156.4, 0, 27.5, 0)}});
    ReportBand &detail = layout.detail;
    detail.name = u"DetailBand1"_s;
    detail.height = 5.6;
    const qreal y = (detail.height - lineHeight(7)) / 2;
    detail.fields << dataField(u"Priority"_s, 0, y, 11.9, 7) << dataField(u"Category"_s, 13.6, y, 18.9, 7)
                  << dataField(u"Task"_s, 32.7, y, 122.7, 7)
                  << dataField(u"DueDateTime"_s, 156.4, sameBaseline(y, 7, 6), 27.5, 6);
    detail.beforePrint = DetailBand1BeforePrint;
    layout.dimCompleted = true;
    return layout;
}

void DetailBand1BeforePrint(ReportBand &band)
{
    band.color = band.color == BandingGrey ? QColor(Qt::white) : BandingGrey;
}

ReportLayout TQuickReport2(bool withNotes)
{
    ReportLayout layout = baseLayout(u"Tasks"_s, 8, 10, 7);
    layout.columnHeader = columnHeader(6.6, 7,
                                       {{u"Priority"_s, QRectF(0.3, 0, 11.9, 0)},
                                        {u"Category"_s, QRectF(12.9, 0, 19.2, 0)},
                                        {u"Due Date&Time"_s, QRectF(127.3, 0, 27.5, 0)},
                                        {u"Alarm Date&Time"_s, QRectF(156.1, 0, 27.5, 0)}});
    ReportBand &detail = layout.detail;
    detail.name = u"qrbTask"_s;
    // Heights of 48 and 68 layout units at the layout's 80 % zoom.
    detail.height = withNotes ? 22.5 : 15.9;
    detail.lines << ReportLine{QLineF(0, 0.15, Width, 0.15), Qt::black};
    const qreal y = 1;
    detail.fields << dataField(u"Priority"_s, 0, y, 12.6, 7, true) << dataField(u"Category"_s, 13.2, y, 18.9, 7, true)
                  << dataField(u"DueDateTime"_s, 127.3, sameBaseline(y, 7, 6), 27.5, 6)
                  << dataField(u"AlarmDateTime"_s, 156.1, sameBaseline(y, 7, 6), 27.5, 6)
                  << dataField(u"Task"_s, 0, 6.3, Width, 7, false, 9.3);
    ReportField notes = dataField(u"Notes"_s, 0, 16.5, Width, 7, false, 5.5);
    notes.stretch = true;
    notes.visible = withNotes;
    detail.fields << notes;
    layout.dimCompleted = true;
    return layout;
}

ReportLayout TQuickReport1()
{
    ReportLayout layout = baseLayout(u"Selected Task"_s, 9, 11, 8);
    layout.columnHeader = columnHeader(5.6, 8,
                                       {{u"Priority"_s, QRectF(0, 0, 13.2, 0)},
                                        {u"Category"_s, QRectF(13.8, 0, 35.2, 0)},
                                        {u"Due Date & Time"_s, QRectF(116.9, 0, 33.1, 0)},
                                        {u"Alarm Date & Time"_s, QRectF(150.8, 0, 33.3, 0)}});
    ReportBand &detail = layout.detail;
    detail.name = u"qrbTask"_s;
    detail.height = 18.0; // 68 layout units at 100 % zoom
    detail.lines << ReportLine{QLineF(0, 0.15, Width, 0.15), Navy};
    const qreal y = 1;
    detail.fields << dataField(u"Priority"_s, 0, y, 13.2, 8, true) << dataField(u"Category"_s, 13.8, y, 35.2, 8, true)
                  << dataField(u"DueDateTime"_s, 116.9, sameBaseline(y, 8, 7), 33.3, 7)
                  << dataField(u"AlarmDateTime"_s, 150.8, sameBaseline(y, 8, 7), 33.3, 7)
                  << dataField(u"Task"_s, 0, 5.3, Width, 8, false, 7.4);
    ReportField notes = dataField(u"Notes"_s, 0, 13.2, Width, 7, false, 4.3);
    notes.stretch = true;
    detail.fields << notes;
    return layout;
}

QString ViewReportTitle(const ViewTitleSources &s)
{
    const QString &view = s.lastView;
    if (view.contains(u"Search"_s))
        return s.activeTabCaption;
    if (view == u"All"_s)
        return s.activeTabCaption + u" - "_s + s.viewStateText;
    if (view == u"Priority"_s || view == u"Occurrence"_s || view == u"Category"_s)
        return s.activeTabCaption;
    if (view == u"Date"_s)
        return s.activeTabCaption + u" - "_s + s.period;
    if (view == u"Calendar"_s)
        return s.activeTabCaption + u" - "_s + s.calendarDate;
    return u"Tasks"_s;
}

QPageSize::PageSizeId localePageSize(const QLocale &locale)
{
    // The territories whose C library locales print on Letter.
    using T = QLocale::Territory;
    static const T letter[] = {T::UnitedStates, T::Canada,   T::Mexico,     T::Philippines, T::Chile,
                               T::Colombia,     T::CostaRica, T::Guatemala, T::Nicaragua,   T::Panama,
                               T::PuertoRico,   T::ElSalvador, T::Venezuela, T::Bolivia};
    return std::find(std::begin(letter), std::end(letter), locale.territory()) != std::end(letter)
               ? QPageSize::Letter
               : QPageSize::A4;
}

QPageSize::PageSizeId systemPageSize()
{
    for (const char *variable : {"LC_ALL", "LC_PAPER", "LANG"}) {
        // "en_US.UTF-8@euro" names the locale en_US.
        const QString name = qEnvironmentVariable(variable).section(u'.', 0, 0).section(u'@', 0, 0);
        if (!name.isEmpty())
            return localePageSize(QLocale(name));
    }
    return localePageSize(QLocale::system());
}

void applyPaper(ReportLayout &layout, const ReportPaper &paper)
{
    placeOnPage(layout, paper.size);
    for (ReportField &f : layout.pageFooter.fields)
        if (f.name == WebAddressField)
            f.text = paper.webAddress;
}

ReportDocument taskListReport(TaskListReport kind, const Query &tasks, const FormatSettings &formats,
                              const QString &title, const QString &printedAt, const ReportPaper &paper)
{
    const bool withNotes = kind == TaskListReport::DescriptionAndNotes;
    ReportLayout layout = kind == TaskListReport::SingleLine ? TQuickReport0() : TQuickReport2(withNotes);
    applyPaper(layout, paper);
    if (!title.isEmpty())
        layout.title = title;
    return ReportDocument(std::move(layout), ReportData::fromQuery(tasks, reportFields(withNotes), formats),
                          printedAt);
}

ReportDocument selectedTaskReport(Query &printSelected, qint64 taskId, const FormatSettings &formats,
                                  const QString &printedAt, const ReportPaper &paper)
{
    printSelected.close();
    printSelected.setParam(u"ID"_s, taskId);
    printSelected.open();
    ReportLayout layout = TQuickReport1();
    applyPaper(layout, paper);
    return ReportDocument(std::move(layout), ReportData::fromQuery(printSelected, reportFields(true), formats),
                          printedAt);
}
