#include "reports/PdfReader.h"

#include "core/DateFormat.h"
#include "store/DataModule.h"
#include "support/FileSizeLimit.h"
#include "support/MainWindowFixture.h"

#include <QAction>
#include <QApplication>
#include <QCalendarWidget>
#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QScopeGuard>
#include <QSqlQuery>
#include <QTabWidget>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <optional>

using namespace Qt::StringLiterals;

namespace {
// A started main window over a few tasks.
struct Frame : MainWindowFixture
{
    Frame()
    {
        create();
        QSqlQuery insert(dm.ADOConnection.database());
        insert.prepare(u"insert into Tasks (Task, Category, Priority, Occurrence, DueDateTime, AlarmDateTime, Notes) "
                       "values (?, ?, ?, 'Scheduled', 46366.375, 46366.25, ?)"_s);
        const QList<QStringList> tasks = {{u"Buy apples"_s, u"Home"_s, u"3"_s, u"Green ones"_s},
                                          {u"Call the bank"_s, u"Finance"_s, u"7"_s, u"About the loan"_s},
                                          {u"Renew insurance"_s, u"Car"_s, u"5"_s, u"Before the end of the year"_s}};
        for (const QStringList &t : tasks) {
            for (const QString &value : t)
                insert.addBindValue(value);
            if (!insert.exec())
                qFatal("insert failed");
        }
        dm.RequeryTaskList();
    }

    QAction *action(const QString &name) const { return window->findChild<QAction *>(name); }
};

// What one preview showed.
struct Preview
{
    bool opened = false;
    int pages = 0;
    bool waitCursorGone = false;
    QString text; // of the report, printed from the preview to a PDF file
    int pdfPages = 0;
    QSizeF pageSize; // of that file, in points
};

// Runs a print command; when its preview is on screen, prints it from
// there to a PDF file, reads that back and closes the preview. `whileOpen`
// runs with the preview open.
Preview preview(const std::function<void()> &command, const std::function<void(QPrintPreviewDialog *)> &whileOpen = {})
{
    Preview seen;
    QTemporaryDir dir;
    const QString file = dir.filePath(u"report.pdf"_s);
    QTimer poll;
    poll.setInterval(10);
    QObject::connect(&poll, &QTimer::timeout, &poll, [&] {
        auto *dialog = qobject_cast<QPrintPreviewDialog *>(QApplication::activeModalWidget());
        if (!dialog || QGuiApplication::overrideCursor())
            return;
        poll.stop();
        seen.opened = true;
        seen.waitCursorGone = true;
        auto *widget = dialog->findChild<QPrintPreviewWidget *>();
        seen.pages = widget->pageCount();
        if (whileOpen)
            whileOpen(dialog);
        dialog->printer()->setOutputFormat(QPrinter::PdfFormat);
        dialog->printer()->setOutputFileName(file);
        widget->print();
        dialog->reject();
    });
    poll.start();
    command();
    if (seen.opened) {
        seen.text = PdfReader::text(file);
        seen.pdfPages = PdfReader::pageCount(file);
        seen.pageSize = PdfReader::pageSize(file);
    }
    return seen;
}

int indexIn(const QString &text, const QString &what)
{
    return int(text.indexOf(what));
}
}

class TestPrintCommands : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        if (!PdfReader::available())
            QSKIP("pdftotext, pdftoppm and pdfinfo (poppler-utils) are needed to read the reports back");
    }

    void cleanup()
    {
        while (QWidget *modal = QApplication::activeModalWidget())
            modal->close();
        QVERIFY(!QGuiApplication::overrideCursor());
    }

    // The list commands print the rows of the task list in the grid's
    // order; only "Description && Notes" prints the notes.
    void listCommands_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<bool>("notes");
        QTest::newRow("single line") << u"PrintDescriptionSingleLine1"_s << false;
        QTest::newRow("double line") << u"PrintDescriptionDoubleLine1"_s << false;
        QTest::newRow("notes") << u"PrintDescriptionNotes1"_s << true;
    }
    void listCommands()
    {
        QFETCH(QString, command);
        QFETCH(bool, notes);
        Frame f;
        f.dm.qTasks.sortBy(u"Task DESC"_s);
        const Preview p = preview([&] { f.action(command)->trigger(); });
        QVERIFY(p.opened);
        QCOMPARE(p.pages, 1);
        const int renew = indexIn(p.text, u"Renew insurance"_s);
        const int call = indexIn(p.text, u"Call the bank"_s);
        const int buy = indexIn(p.text, u"Buy apples"_s);
        QVERIFY2(renew >= 0 && renew < call && call < buy, qPrintable(p.text));
        QCOMPARE(p.text.contains(u"About the loan"_s), notes);
        QCOMPARE(p.text.contains(u"Before the end of the year"_s), notes);
        QVERIFY(p.text.contains(dateTimeText(DateTime(46366.375), f.state.Formats).left(10)));
        QVERIFY(f.prompter.shown.isEmpty());
    }

    // The paper follows the user's locale: Letter in the United States, A4
    // in Germany.
    void paperFollowsTheLocale_data()
    {
        QTest::addColumn<QByteArray>("locale");
        QTest::addColumn<QSizeF>("points");
        QTest::newRow("en_US") << QByteArray("en_US.UTF-8") << QSizeF(612, 792);
        QTest::newRow("de_DE") << QByteArray("de_DE.UTF-8") << QSizeF(595.3, 841.9);
    }
    void paperFollowsTheLocale()
    {
        QFETCH(QByteArray, locale);
        QFETCH(QSizeF, points);
        // Read when a report is made; LC_ALL stands before LC_PAPER and LANG.
        const QByteArray saved = qgetenv("LC_ALL");
        const auto restore = qScopeGuard([&] { saved.isNull() ? qunsetenv("LC_ALL") : qputenv("LC_ALL", saved); });
        qputenv("LC_ALL", locale);
        Frame f;
        for (const QString &command : {u"PrintDescriptionSingleLine1"_s, u"PrintSelectedTaskOnly1"_s}) {
            const Preview p = preview([&] { f.action(command)->trigger(); });
            QVERIFY(p.opened);
            QVERIFY2(qAbs(p.pageSize.width() - points.width()) < 1 && qAbs(p.pageSize.height() - points.height()) < 1,
                     qPrintable(u"%1: %2 x %3"_s.arg(command).arg(p.pageSize.width()).arg(p.pageSize.height())));
        }
    }

    // The title follows the view that ran last.
    void titles_data()
    {
        QTest::addColumn<QString>("lastView");
        QTest::addColumn<int>("tab");
        QTest::addColumn<QString>("title");
        QTest::newRow("all, outstanding") << u"All"_s << 0 << u"All - Outstanding Tasks"_s;
        QTest::newRow("date range") << u"Date"_s << 4 << u"Date Range - This Week"_s;
        QTest::newRow("calendar") << u"Calendar"_s << 5 << u"Calendar - %1"_s;
        QTest::newRow("search") << u"Search bank"_s << 3 << u"Category"_s;
        QTest::newRow("unknown") << u"Elsewhere"_s << 2 << u"Tasks"_s;
    }
    void titles()
    {
        QFETCH(QString, lastView);
        QFETCH(int, tab);
        QFETCH(QString, title);
        Frame f;
        // The view panel's period box and calendar, as the window holds them.
        auto *period = new QComboBox(f.window.get());
        period->setObjectName(u"cbViewTasks"_s);
        period->addItems({u"Today"_s, u"This Week"_s});
        period->setCurrentIndex(1);
        auto *calendar = new QCalendarWidget(f.window.get());
        calendar->setObjectName(u"PlannerCalendar1"_s);
        calendar->setSelectedDate(QDate(2026, 12, 24));
        if (title.contains(u"%1"_s))
            title = title.arg(dateText(DateTime::fromDate(QDate(2026, 12, 24)), f.state.Formats));
        f.window->statusPanel(0)->setText(u"Outstanding Tasks"_s);
        f.window->findChild<QTabWidget *>(u"pcSelections"_s)->setCurrentIndex(tab);
        f.state.LastView = lastView;

        const Preview p = preview([&] { f.window->PrintDescriptionSingleLine1Click(); });
        QVERIFY(p.opened);
        // The title stands in the middle of the header, beside the page number.
        const QStringList head = p.text.split(QLatin1Char('\n')).mid(0, 4);
        QVERIFY2(std::any_of(head.begin(), head.end(),
                             [&](const QString &line) { return line.simplified() == title + u" 1"_s; }),
                 qPrintable(p.text));
    }

    // An empty view and an empty grid still print one page with the
    // headers and the footer.
    void emptyGrid_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("columnTitle");
        QTest::newRow("list") << u"PrintDescriptionSingleLine1"_s << u"Tasks"_s << u"Task Description"_s;
        QTest::newRow("selected task") << u"PrintSelectedTaskOnly1"_s << u"Selected Task"_s
                                       << u"Alarm Date & Time"_s;
    }
    void emptyGrid()
    {
        QFETCH(QString, command);
        QFETCH(QString, title);
        QFETCH(QString, columnTitle);
        Frame f;
        f.dm.qTasks.setSql({u"select *"_s, u"from Tasks"_s, u"where ID < 0"_s});
        f.dm.RequeryTaskList();
        QCOMPARE(f.dm.qTasks.recordCount(), 0);
        const Preview p = preview([&] { f.action(command)->trigger(); });
        QVERIFY(p.opened);
        QCOMPARE(p.pages, 1);
        QCOMPARE(p.pdfPages, 1);
        for (const QString &text : {u"Printed on :"_s, title, u"Page"_s, u"Priority"_s, columnTitle, u"Nudgewick"_s})
            QVERIFY2(p.text.contains(text), qPrintable(text));
        for (const QString &task : {u"Buy apples"_s, u"Call the bank"_s, u"Renew insurance"_s})
            QVERIFY(!p.text.contains(task));
    }

    // The grid's item prints the current task with its notes; the editor's
    // command prints the task as stored, not what is being edited.
    void selectedTask()
    {
        Frame f;
        f.dm.qTasks.moveTo(1);
        const int id = int(f.dm.qTasks.fieldByName(u"ID"_s).asInteger());
        Preview p = preview([&] { f.action(u"PrintSelectedTask1"_s)->trigger(); });
        QVERIFY(p.text.contains(u"Selected Task"_s));
        QVERIFY(p.text.contains(u"Call the bank"_s) && p.text.contains(u"About the loan"_s));
        QVERIFY(!p.text.contains(u"Buy apples"_s) && !p.text.contains(u"Renew insurance"_s));

        f.dm.qTasks.edit();
        f.dm.qTasks.setFieldValue(u"Task"_s, u"Unsaved change"_s);
        p = preview([&] { f.window->PrintTask(id); });
        QVERIFY(p.text.contains(u"Call the bank"_s));
        QVERIFY(!p.text.contains(u"Unsaved change"_s));
        f.dm.qTasks.cancel();
    }

    // The alarm timer goes on while the preview is open.
    void alarmTimerRunsDuringPreview()
    {
        Frame f;
        QTimer *timer = f.window->popupTimer();
        timer->setInterval(5);
        timer->start();
        QSignalSpy ticks(timer, &QTimer::timeout);
        const Preview p = preview([&] { f.window->PrintDescriptionDoubleLine1Click(); },
                                  [&](QPrintPreviewDialog *) { QTRY_VERIFY(ticks.size() >= 3); });
        QVERIFY(p.opened && p.waitCursorGone);
        QVERIFY(ticks.size() >= 3);
    }

    // A failure while the report is built is reported, shows no preview and
    // leaves the normal cursor.
    void failureIsReported()
    {
        Frame f;
        f.dm.qPrintSelected.setSql({u"select *"_s, u"from NoSuchTable"_s, u"where ID = :ID"_s});
        const Preview p = preview([&] { f.window->PrintSelectedTaskOnly1Click(); });
        QVERIFY(!p.opened);
        QCOMPARE(f.prompter.shown.size(), 1);
        QVERIFY(f.prompter.shown.first().startsWith(u"error: "_s));
        QVERIFY(!QGuiApplication::overrideCursor());
    }

    // Without the print module the user is told so, in words; nothing opens.
    void missingPrintModuleIsReported()
    {
        Frame f;
        QTemporaryDir empty;
        const QByteArray modules = qgetenv("NUDGEWICK_MODULE_DIR");
        qputenv("NUDGEWICK_MODULE_DIR", QFile::encodeName(empty.path()));
        const auto restore = qScopeGuard([&] { qputenv("NUDGEWICK_MODULE_DIR", modules); });
        const Preview p = preview([&] { f.window->PrintDescriptionSingleLine1Click(); });
        QVERIFY(!p.opened);
        QCOMPARE(f.prompter.shown.size(), 1);
        QVERIFY2(f.prompter.shown.first().startsWith(u"error: Printing is not available: libnw_print.so was not found in "_s
                                                     + empty.path()),
                 qPrintable(f.prompter.shown.first()));
        QVERIFY(!QGuiApplication::overrideCursor());
    }

    // Printed to a PDF file on a full disk, the file is cut short: that is
    // reported, never passed over as a success.
    void printingToAFullDiskIsReported()
    {
        Frame f;
        std::optional<FileSizeLimit> full;
        const Preview p = preview([&] { f.window->PrintDescriptionNotes1Click(); },
                                  [&](QPrintPreviewDialog *) { full.emplace(512); });
        full.reset();
        QVERIFY(p.opened);
        QCOMPARE(f.prompter.shown.size(), 1);
        QVERIFY2(f.prompter.shown.first().startsWith(u"error: "_s) && f.prompter.shown.first().contains(u"cut short"_s),
                 qPrintable(f.prompter.shown.first()));
    }

    // The preview saves the report as a PDF file.
    void saveAsPdfFromThePreview()
    {
        Frame f;
        QTemporaryDir dir;
        const QString file = dir.filePath(u"tasks.pdf"_s);
        const Preview p = preview([&] { f.window->PrintDescriptionNotes1Click(); }, [&](QPrintPreviewDialog *dialog) {
            QTimer::singleShot(0, dialog, [file] {
                QTRY_VERIFY(qobject_cast<QFileDialog *>(QApplication::activeModalWidget()));
                auto *chooser = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
                chooser->selectFile(file);
                static_cast<QDialog *>(chooser)->accept();
            });
            dialog->findChild<QAction *>(u"aSaveAsPdf"_s)->trigger();
        });
        QVERIFY(p.opened);
        QVERIFY(f.prompter.shown.isEmpty());
        const QString saved = PdfReader::text(file);
        QVERIFY2(saved.contains(u"Renew insurance"_s) && saved.contains(u"About the loan"_s), qPrintable(saved));
    }
};

QTEST_MAIN(TestPrintCommands)
#include "tst_PrintCommands.moc"
