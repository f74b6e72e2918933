#include "reports/PdfReader.h"

#include "core/Error.h"
#include "reports/ReportPreview.h"
#include "reports/TaskReports.h"

#include <QFile>
#include <QScopeGuard>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {
// Rows of the fields the task reports print.
ReportData rows(int count, const QString &notes = {})
{
    ReportData data({u"Priority"_s, u"Category"_s, u"Task"_s, u"DueDateTime"_s, u"AlarmDateTime"_s, u"Notes"_s});
    for (int i = 1; i <= count; ++i)
        data.appendRow({QString::number(i % 10 + 1), u"Work"_s, u"Task %1"_s.arg(i, 3, 10, QLatin1Char('0')),
                        u"2026/12/10 09:00"_s, u"2026/12/10 08:45"_s, notes});
    return data;
}

ReportDocument document(ReportLayout layout, ReportData data)
{
    return ReportDocument(std::move(layout), std::move(data), u"2026/12/10 08:00"_s);
}

QString lines(int count, const QString &prefix)
{
    QStringList out;
    for (int i = 1; i <= count; ++i)
        out << prefix + u" %1"_s.arg(i, 4, 10, QLatin1Char('0'));
    return out.join(u"\r\n"_s);
}

// Every occurrence of `prefix NNNN` in the text, in order.
QStringList numbered(const QString &text, const QString &prefix)
{
    QStringList found;
    const QRegularExpression pattern(QRegularExpression::escape(prefix) + u" \\d{3,4}"_s);
    for (auto it = pattern.globalMatch(text); it.hasNext();)
        found << it.next().captured();
    return found;
}

bool isGrey(QRgb c)
{
    return qAbs(qRed(c) - 224) <= 4 && qAbs(qGreen(c) - 224) <= 4 && qAbs(qBlue(c) - 224) <= 4;
}
}

class TestReportDocument : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

    QString pdf(const ReportDocument &report, const QString &name)
    {
        const QString file = m_dir.filePath(name + u".pdf"_s);
        saveReportAsPdf(report, file);
        return file;
    }

private slots:
    void initTestCase()
    {
        if (!PdfReader::available())
            QSKIP("pdftotext, pdftoppm and pdfinfo (poppler-utils) are needed to read the reports back");
    }

    void titles_data()
    {
        QTest::addColumn<QString>("lastView");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("title");
        QTest::newRow("all") << u"All"_s << u"All"_s << u"All - Outstanding Tasks"_s;
        QTest::newRow("priority") << u"Priority"_s << u"Priority"_s << u"Priority"_s;
        QTest::newRow("category") << u"Category"_s << u"Category"_s << u"Category"_s;
        QTest::newRow("date range") << u"Date"_s << u"Date Range"_s << u"Date Range - This Week"_s;
        QTest::newRow("calendar") << u"Calendar"_s << u"Calendar"_s << u"Calendar - 2026/12/24"_s;
        QTest::newRow("search") << u"Search invoice"_s << u"Category"_s << u"Category"_s;
        QTest::newRow("unknown") << u"Something"_s << u"All"_s << u"Tasks"_s;
        QTest::newRow("none yet") << QString() << u"All"_s << u"Tasks"_s;
    }
    void titles()
    {
        QFETCH(QString, lastView);
        QFETCH(QString, caption);
        QFETCH(QString, title);
        const ViewTitleSources sources{lastView, caption, u"Outstanding Tasks"_s, u"This Week"_s, u"2026/12/24"_s};
        QCOMPARE(ViewReportTitle(sources), title);
    }

    // A list of several pages: every page has its header, column header and
    // footer, every row prints once and in order, and a page holds as many
    // rows as fit between its header and footer.
    void severalPages()
    {
        const int count = 130;
        const ReportDocument report = document(TQuickReport0(), rows(count));
        const ReportLayout &l = report.layout();
        const int perPage = int((l.bodyHeight() - l.pageHeader.height - l.columnHeader.height - l.pageFooter.height)
                                / l.detail.height);
        QCOMPARE(report.rowsOnPage(0).size(), perPage);
        QCOMPARE(report.pageCount(), (count + perPage - 1) / perPage);

        const QString file = pdf(report, u"pages"_s);
        QCOMPARE(PdfReader::pageCount(file), report.pageCount());
        const QString text = PdfReader::text(file);
        QStringList expected;
        for (int i = 1; i <= count; ++i)
            expected << u"Task %1"_s.arg(i, 3, 10, QLatin1Char('0'));
        QCOMPARE(numbered(text, u"Task"_s), expected);
        const QStringList pages = text.split(QLatin1Char('\f'), Qt::SkipEmptyParts);
        QCOMPARE(pages.size(), report.pageCount());
        for (int p = 0; p < pages.size(); ++p) {
            const QString &page = pages.at(p);
            QVERIFY2(page.contains(u"Printed on :"_s) && page.contains(u"2026/12/10 08:00"_s), qPrintable(page));
            QVERIFY(page.contains(u"Task Description"_s) && page.contains(u"Due Date&Time"_s));
            // No web address unless the report is given one.
            QVERIFY(page.contains(u"Nudgewick"_s) && !page.contains(u"www."_s) && !page.contains(u"example"_s));
            // The page number stands at the right of the header, under "Page".
            const QStringList head = page.split(QLatin1Char('\n')).mid(0, 4);
            QVERIFY(head.first().trimmed().endsWith(u"Page"_s));
            QVERIFY2(std::any_of(head.begin(), head.end(),
                                 [p](const QString &line) { return line.trimmed().endsWith(u" %1"_s.arg(p + 1)); }),
                     qPrintable(head.join(u'\n')));
        }
    }

    // Notes longer than a page continue on the next pages, line by line;
    // without notes the same task takes one band.
    void notesLongerThanAPage()
    {
        ReportData data = rows(1, lines(300, u"Line"_s));
        data.appendRow({u"2"_s, u"Home"_s, u"Task after"_s, {}, {}, u"short note"_s});
        const ReportDocument withNotes = document(TQuickReport2(true), data);
        QVERIFY(withNotes.pageCount() >= 3);
        const QString text = PdfReader::text(pdf(withNotes, u"notes"_s));
        QStringList expected = lines(300, u"Line"_s).split(u"\r\n"_s);
        QCOMPARE(numbered(text, u"Line"_s), expected);
        QVERIFY(text.contains(u"Task after"_s) && text.contains(u"short note"_s));

        const ReportDocument withoutNotes = document(TQuickReport2(false), data);
        QCOMPARE(withoutNotes.pageCount(), 1);
        const QString plain = PdfReader::text(pdf(withoutNotes, u"nonotes"_s));
        QVERIFY(plain.contains(u"Task 001"_s) && plain.contains(u"Task after"_s));
        QVERIFY(!plain.contains(u"Line 0001"_s) && !plain.contains(u"short note"_s));
    }

    // A band that fits on a page is never split: it moves to the next page.
    void bandsThatFitStayWhole()
    {
        const ReportDocument report = document(TQuickReport2(true), rows(60, lines(5, u"Note"_s)));
        QVERIFY(report.pageCount() > 1);
        QList<int> printed;
        for (int page = 0; page < report.pageCount(); ++page)
            printed << report.rowsOnPage(page);
        QCOMPARE(printed.size(), 60);
        for (int row = 0; row < 60; ++row)
            QCOMPARE(printed.at(row), row);
    }

    // Text without any place to break, longer than many pages, still ends.
    void unbreakableNotes()
    {
        const QString word(20000, QLatin1Char('q'));
        const ReportDocument report = document(TQuickReport1(), rows(1, word + u" End"_s));
        QVERIFY(report.pageCount() > 1);
        const QString text = PdfReader::text(pdf(report, u"word"_s));
        QCOMPARE(text.count(QLatin1Char('q')), word.size());
        QVERIFY(text.contains(u"End"_s));
    }

    // The single-line list cuts a long task at one line and keeps every
    // text inside its box, headers included.
    void singleLineCutsLongText()
    {
        ReportData data = rows(0);
        data.appendRow({u"10"_s, u"Family"_s, u"Begin "_s + u"reminder "_s.repeated(40) + u"Finish"_s,
                        u"2026/12/31 23:59"_s, {}, {}});
        const QString text = PdfReader::text(pdf(document(TQuickReport0(), data), u"cut"_s));
        QVERIFY(text.contains(u"Begin reminder"_s));
        QVERIFY(!text.contains(u"Finish"_s));
        for (const QString &header : {u"Priority"_s, u"Category"_s, u"Task Description"_s, u"Due Date&Time"_s})
            QVERIFY2(text.contains(header), qPrintable(header));
        QVERIFY(text.contains(u"2026/12/31 23:59"_s));
    }

    // Rows alternate light grey and white, starting with grey, and the
    // frames of the header and footer and the rules of the detail bands
    // are painted.
    void bandingAndLines()
    {
        const int dpi = 150;
        const auto px = [dpi](qreal mm) { return int(mm / 25.4 * dpi); };
        const ReportDocument list = document(TQuickReport0(), rows(4));
        const QImage page = PdfReader::page(pdf(list, u"banding"_s), 1, dpi);
        QVERIFY(!page.isNull());
        const ReportLayout &l = list.layout();
        const qreal detailTop = l.margin + l.pageHeader.height + l.columnHeader.height;
        const int x = px(l.margin + 120); // right of the short task texts
        for (int row = 0; row < 4; ++row) {
            const QRgb c = page.pixel(x, px(detailTop + (row + 0.5) * l.detail.height));
            QVERIFY2(row % 2 == 0 ? isGrey(c) : c == qRgb(255, 255, 255),
                     qPrintable(u"row %1: %2"_s.arg(row).arg(c, 8, 16)));
        }
        // Below the last row nothing is banded.
        QCOMPARE(page.pixel(x, px(detailTop + 4.5 * l.detail.height)), qRgb(255, 255, 255));

        const auto navyAlong = [&](const QImage &image, qreal yMm) {
            for (int dy = -2; dy <= 2; ++dy) {
                const QRgb c = image.pixel(x, px(yMm) + dy);
                if (qBlue(c) > 90 && qRed(c) < 60 && qGreen(c) < 60)
                    return true;
            }
            return false;
        };
        QVERIFY(navyAlong(page, l.margin));                                       // header frame, top
        QVERIFY(navyAlong(page, l.margin + l.pageHeader.height));                 // header frame, bottom
        QVERIFY(navyAlong(page, l.margin + l.bodyHeight() - l.pageFooter.height)); // footer frame, top

        const ReportDocument twoLines = document(TQuickReport2(false), rows(2));
        const QImage page2 = PdfReader::page(pdf(twoLines, u"rules"_s), 1, dpi);
        const ReportLayout &l2 = twoLines.layout();
        const qreal firstBand = l2.margin + l2.pageHeader.height + l2.columnHeader.height;
        bool black = false;
        for (int dy = -2; dy <= 2; ++dy)
            black = black || qGray(page2.pixel(x, px(firstBand + l2.detail.height) + dy)) < 80;
        QVERIFY2(black, "black rule over the second task");
    }

    // A completed task reads as done in the list layouts: its texts are
    // grey and struck through; an open task's texts stay black.
    void completedTasksAreStruckThroughAndGrey_data()
    {
        QTest::addColumn<int>("layout");
        QTest::newRow("single line") << 0;
        QTest::newRow("double line") << 2;
    }
    void completedTasksAreStruckThroughAndGrey()
    {
        QFETCH(int, layout);
        const int dpi = 300;
        const auto px = [dpi](qreal mm) { return int(mm / 25.4 * dpi); };
        ReportData data({u"Priority"_s, u"Category"_s, u"Task"_s, u"DueDateTime"_s, u"AlarmDateTime"_s, u"Notes"_s});
        const QString task = u"MMMMMMMMMMMMMMMMMMMM"_s;
        data.appendRow({u"3"_s, u"Work"_s, task, u"2026/12/10 09:00"_s, u"2026/12/10 08:45"_s, {}}, true);
        data.appendRow({u"3"_s, u"Work"_s, task, u"2026/12/10 09:00"_s, u"2026/12/10 08:45"_s, {}}, false);
        const ReportDocument report = document(layout == 0 ? TQuickReport0() : TQuickReport2(false), data);
        const QImage page = PdfReader::page(pdf(report, u"completed%1"_s.arg(layout)), 1, dpi);
        QVERIFY(!page.isNull());
        const ReportLayout &l = report.layout();
        QVERIFY(l.dimCompleted);
        const ReportField *text = nullptr;
        for (const ReportField &f : l.detail.fields)
            if (f.text == u"Task"_s)
                text = &f;
        QVERIFY(text);
        const qreal detailTop = l.margin + l.pageHeader.height + l.columnHeader.height;
        // The task text's box on the page, a little inside it at the left.
        const int left = px(l.margin + text->rect.left() + 1.5);
        const int right = px(l.margin + text->rect.left() + 20);
        const auto box = [&](int row) {
            const int top = px(detailTop + row * l.detail.height + text->rect.top());
            return QRect(QPoint(left, top), QPoint(right, top + px(text->rect.height()) - 1));
        };
        const auto darkest = [&](const QRect &r) {
            int dark = 255;
            for (int y = r.top(); y <= r.bottom(); ++y)
                for (int x = r.left(); x <= r.right(); ++x)
                    dark = std::min(dark, qGray(page.pixel(x, y)));
            return dark;
        };
        // A line through the whole width of the text, darker than the
        // band's background (white, or the light grey of the banding).
        const auto struck = [&](const QRect &r) {
            for (int y = r.top(); y <= r.bottom(); ++y) {
                bool whole = true;
                for (int x = r.left(); x <= r.right() && whole; ++x)
                    whole = qGray(page.pixel(x, y)) < 205;
                if (whole)
                    return true;
            }
            return false;
        };
        const int doneInk = darkest(box(0));
        const int openInk = darkest(box(1));
        QVERIFY2(doneInk > 90 && doneInk < 170, qPrintable(u"completed text %1"_s.arg(doneInk)));
        QVERIFY2(openInk < 60, qPrintable(u"open text %1"_s.arg(openInk)));
        QVERIFY(struck(box(0)));
        QVERIFY(!struck(box(1)));
        // pdftotext still reads the text.
        QCOMPARE(PdfReader::text(pdf(report, u"completed-text"_s)).count(task), 2);
    }

    // A web address given to the report stands at the right of every footer.
    void footerAddress()
    {
        ReportLayout layout = TQuickReport2(false);
        applyPaper(layout, {QPageSize::A4, u"nudgewick.example.org"_s});
        const ReportDocument report = document(layout, rows(60));
        QVERIFY(report.pageCount() > 1);
        const QStringList pages = PdfReader::text(pdf(report, u"address"_s)).split(QLatin1Char('\f'), Qt::SkipEmptyParts);
        QCOMPARE(pages.size(), report.pageCount());
        for (const QString &page : pages) {
            const QStringList lines = page.trimmed().split(QLatin1Char('\n'));
            QVERIFY2(lines.last().contains(u"Nudgewick"_s) && lines.last().trimmed().endsWith(u"nudgewick.example.org"_s),
                     qPrintable(lines.last()));
        }
    }

    // The paper follows the locale: Letter where that is the custom.
    void paperOfTheLocale_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<int>("size");
        QTest::newRow("en_US") << u"en_US"_s << int(QPageSize::Letter);
        QTest::newRow("en_CA") << u"en_CA"_s << int(QPageSize::Letter);
        QTest::newRow("fr_CA") << u"fr_CA"_s << int(QPageSize::Letter);
        QTest::newRow("es_MX") << u"es_MX"_s << int(QPageSize::Letter);
        QTest::newRow("en_PH") << u"en_PH"_s << int(QPageSize::Letter);
        QTest::newRow("en_GB") << u"en_GB"_s << int(QPageSize::A4);
        QTest::newRow("de_DE") << u"de_DE"_s << int(QPageSize::A4);
        QTest::newRow("ja_JP") << u"ja_JP"_s << int(QPageSize::A4);
        QTest::newRow("es_ES") << u"es_ES"_s << int(QPageSize::A4);
        QTest::newRow("C") << u"C"_s << int(QPageSize::A4);
    }
    void paperOfTheLocale()
    {
        QFETCH(QString, locale);
        QFETCH(int, size);
        QCOMPARE(int(localePageSize(QLocale(locale))), size);
    }

    // LC_ALL before LC_PAPER before LANG, as the C library reads them.
    void paperOfTheEnvironment()
    {
        const QByteArray saved[] = {qgetenv("LC_ALL"), qgetenv("LC_PAPER"), qgetenv("LANG")};
        const auto restore = qScopeGuard([&] {
            const char *names[] = {"LC_ALL", "LC_PAPER", "LANG"};
            for (int i = 0; i < 3; ++i)
                saved[i].isNull() ? qunsetenv(names[i]) : qputenv(names[i], saved[i]);
        });
        qunsetenv("LC_ALL");
        qputenv("LC_PAPER", "en_US.UTF-8");
        qputenv("LANG", "de_DE.UTF-8");
        QCOMPARE(systemPageSize(), QPageSize::Letter);
        qunsetenv("LC_PAPER");
        QCOMPARE(systemPageSize(), QPageSize::A4);
        qputenv("LC_ALL", "en_CA.UTF-8");
        QCOMPARE(systemPageSize(), QPageSize::Letter);
    }

    // On Letter the bands keep their width, centred on the wider and
    // shorter paper, and a page holds the rows that fit its height.
    void letterPaper()
    {
        ReportLayout layout = TQuickReport0();
        const qreal width = layout.bandWidth();
        placeOnPage(layout, QPageSize::Letter);
        QCOMPARE(layout.bandWidth(), width);
        QVERIFY(qAbs(layout.sideMargin - (215.9 - width) / 2) < 0.01);
        QVERIFY(qAbs(layout.bodyHeight() - (279.4 - 2 * layout.margin)) < 0.01);
        const ReportDocument report = document(layout, rows(130));
        const ReportLayout &l = report.layout();
        const int perPage = int((l.bodyHeight() - l.pageHeader.height - l.columnHeader.height - l.pageFooter.height)
                                / l.detail.height);
        QCOMPARE(report.rowsOnPage(0).size(), perPage);
        const QString file = pdf(report, u"letter"_s);
        const QSizeF points = PdfReader::pageSize(file);
        QVERIFY2(qAbs(points.width() - 612) < 1 && qAbs(points.height() - 792) < 1,
                 qPrintable(u"%1 x %2"_s.arg(points.width()).arg(points.height())));
        // The header's frame starts at the side margin.
        const int dpi = 100;
        const QImage page = PdfReader::page(file, 1, dpi);
        const auto px = [dpi](qreal mm) { return int(mm / 25.4 * dpi); };
        const int y = px(l.margin + l.pageHeader.height / 2);
        int first = -1;
        for (int x = 0; x < page.width() && first < 0; ++x)
            if (qGray(page.pixel(x, y)) < 160)
                first = x;
        QVERIFY2(qAbs(first - px(l.sideMargin)) <= 2, qPrintable(u"frame at %1 px"_s.arg(first)));
    }

    void emptyReportPrintsOnePage()
    {
        const ReportDocument report = document(TQuickReport0(), rows(0));
        QCOMPARE(report.pageCount(), 1);
        const QString file = pdf(report, u"empty"_s);
        QCOMPARE(PdfReader::pageCount(file), 1);
        const QString text = PdfReader::text(file);
        QVERIFY(text.contains(u"Printed on :"_s) && text.contains(u"Tasks"_s));
        QVERIFY(text.contains(u"Task Description"_s) && text.contains(u"Nudgewick"_s));
    }

    // A whole PDF file is told from one cut short.
    void cutOffPdfIsNotComplete()
    {
        const QString file = pdf(document(TQuickReport0(), rows(3)), u"whole"_s);
        QVERIFY(isCompletePdfFile(file));
        QFile whole(file);
        QVERIFY(whole.open(QIODevice::ReadOnly));
        const QByteArray bytes = whole.readAll();
        QVERIFY(isCompletePdf(bytes));
        QVERIFY(!isCompletePdf(bytes.first(bytes.size() / 2)));
        QVERIFY(!isCompletePdf(bytes.first(bytes.size() - 8)));
        QVERIFY(!isCompletePdf(QByteArray()));
        const QString cut = m_dir.filePath(u"cut.pdf"_s);
        QFile half(cut);
        QVERIFY(half.open(QIODevice::WriteOnly));
        half.write(bytes.first(bytes.size() / 2));
        half.close();
        QVERIFY(!isCompletePdfFile(cut));
        QVERIFY(!isCompletePdfFile(m_dir.filePath(u"none.pdf"_s)));
    }

    // A refused write leaves no file behind and says why.
    void savingToAFolderThatIsNotThere()
    {
        const QString file = m_dir.filePath(u"missing/report.pdf"_s);
        QVERIFY_THROWS_EXCEPTION(Error, saveReportAsPdf(document(TQuickReport0(), rows(1)), file));
        QVERIFY(!QFile::exists(file));
    }
};

QTEST_MAIN(TestReportDocument)
#include "tst_ReportDocument.moc"
