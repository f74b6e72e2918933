#include "reports/ReportPreview.h"

#include "core/CheckedSaveFile.h"
#include "core/Error.h"
#include "reports/ReportDocument.h"
#include "toolkit/ErrorReport.h"

#include <QAction>
#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QGuiApplication>
#include <QPaintEngine>
#include <QPdfWriter>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QScreen>
#include <QStandardPaths>
#include <QTimer>
#include <QToolBar>

using namespace Qt::StringLiterals;

WaitCursor::WaitCursor()
{
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
}

WaitCursor::~WaitCursor()
{
    restore();
}

void WaitCursor::restore()
{
    if (m_active) {
        m_active = false;
        QGuiApplication::restoreOverrideCursor();
    }
}

void saveReportAsPdf(const ReportDocument &document, const QString &fileName)
{
    const auto failed = [&](const QString &reason) {
        return Error(QObject::tr("The report could not be saved as %1: %2")
                         .arg(QDir::toNativeSeparators(fileName), reason));
    };
    // The PDF writer reports no failed write: the report is made in memory
    // and then written whole through a checked save, so that a refused write
    // (a full disk) is reported and leaves any file of that name as it was.
    QByteArray pdf;
    {
        QBuffer buffer(&pdf);
        buffer.open(QIODevice::WriteOnly);
        QPdfWriter writer(&buffer);
        writer.setTitle(document.title());
        writer.setCreator(QGuiApplication::applicationDisplayName());
        document.print(writer);
    }
    if (!isCompletePdf(pdf))
        throw failed(QObject::tr("the PDF file was not made completely."));
    if (const QString failure = saveFileContents(fileName, pdf); !failure.isEmpty())
        throw failed(failure);
}

bool isCompletePdf(QByteArrayView pdf)
{
    // A PDF file ends with its end-of-file marker, only line ends after it.
    QByteArrayView tail = pdf.last(std::min<qsizetype>(pdf.size(), 64));
    while (!tail.isEmpty() && (tail.back() == '\n' || tail.back() == '\r' || tail.back() == ' '))
        tail.chop(1);
    return pdf.startsWith("%PDF-") && tail.endsWith("%%EOF");
}

bool isCompletePdfFile(const QString &fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly) || file.size() < 16)
        return false;
    const QByteArray head = file.read(8);
    if (!file.seek(std::max<qint64>(0, file.size() - 64)))
        return false;
    const QByteArray tail = file.readAll();
    return file.error() == QFileDevice::NoError && isCompletePdf(head + tail);
}

namespace {
QString suggestedPdfName(const QString &title)
{
    QString name = title;
    for (QChar &c : name)
        if (c == u'/' || c == u'\\' || c == u':')
            c = u'-';
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return QDir(folder).filePath(name.simplified() + u".pdf"_s);
}
}

void previewReport(const ReportDocument &document, QWidget *parent, Prompter &prompter, WaitCursor *waitCursor)
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(document.title());
    QPrintPreviewDialog dialog(&printer, parent);
    dialog.setObjectName(u"ReportPreview"_s);
    dialog.setWindowTitle(QObject::tr("Print Preview - %1").arg(document.title()));
    QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog, [&](QPrinter *target) {
        guarded(prompter, [&] {
            document.print(*target);
            // Printed to a PDF file, the file is written directly and no
            // failed write is reported: a file cut short (a full disk) is
            // found by its missing end.
            const QPaintEngine *engine = target->paintEngine();
            if (engine && engine->type() == QPaintEngine::Pdf && target->outputFormat() == QPrinter::PdfFormat
                && !target->outputFileName().isEmpty() && !isCompletePdfFile(target->outputFileName()))
                throw Error(QObject::tr("The report could not be printed to %1: the file was cut short. "
                                        "Is the disk full?")
                                .arg(QDir::toNativeSeparators(target->outputFileName())));
        });
    });

    auto *savePdf = new QAction(QObject::tr("Save as &PDF..."), &dialog);
    savePdf->setObjectName(u"aSaveAsPdf"_s);
    savePdf->setToolTip(QObject::tr("Save the report as a PDF file"));
    savePdf->setShortcut(QKeySequence::Save);
    dialog.addAction(savePdf);
    if (auto *toolBar = dialog.findChild<QToolBar *>()) {
        toolBar->addSeparator();
        toolBar->addAction(savePdf);
    }
    QObject::connect(savePdf, &QAction::triggered, &dialog, [&] {
        guarded(prompter, [&] {
            const QString fileName = QFileDialog::getSaveFileName(&dialog, QObject::tr("Save Report as PDF"),
                                                                  suggestedPdfName(document.title()),
                                                                  QObject::tr("PDF files (*.pdf)"));
            if (fileName.isEmpty())
                return;
            WaitCursor wait;
            saveReportAsPdf(document, fileName);
        });
    });

    // A page should be readable at once: the preview takes most of the screen.
    if (const QScreen *screen = parent ? parent->screen() : QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        dialog.resize(area.width() * 3 / 4, area.height() * 9 / 10);
    }
    if (waitCursor)
        QTimer::singleShot(0, &dialog, [waitCursor] { waitCursor->restore(); });
    dialog.exec();
}
