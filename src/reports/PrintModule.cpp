// The print module, libnw_print.so: the preview window of a report, and
// printing or saving from there, with Qt's print support.

#include "core/Error.h"
#include "core/ModuleExport.h"
#include "reports/PreviewRequest.h"
#include "toolkit/ErrorReport.h"

#include <QAction>
#include <QCursor>
#include <QDir>
#include <QFileDialog>
#include <QGuiApplication>
#include <QPaintEngine>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QScreen>
#include <QStandardPaths>
#include <QTimer>
#include <QToolBar>

using namespace Qt::StringLiterals;

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

NW_MODULE_EXPORT void nw_preview_report(const PreviewRequest &request)
{
    Prompter &prompter = *request.prompter;
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(request.title);
    QPrintPreviewDialog dialog(&printer, request.parent);
    dialog.setObjectName(u"ReportPreview"_s);
    dialog.setWindowTitle(QObject::tr("Print Preview - %1").arg(request.title));
    QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog, [&](QPrinter *target) {
        guarded(prompter, [&] {
            request.print(*target);
            // Printed to a PDF file, the file is written directly and no
            // failed write is reported: a file cut short (a full disk) is
            // found by its missing end.
            const QPaintEngine *engine = target->paintEngine();
            if (engine && engine->type() == QPaintEngine::Pdf && target->outputFormat() == QPrinter::PdfFormat
                && !target->outputFileName().isEmpty() && !request.isCompletePdfFile(target->outputFileName()))
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
                                                                  suggestedPdfName(request.title),
                                                                  QObject::tr("PDF files (*.pdf)"));
            if (fileName.isEmpty())
                return;
            QGuiApplication::setOverrideCursor(Qt::WaitCursor);
            struct Restore {
                ~Restore() { QGuiApplication::restoreOverrideCursor(); }
            } restore;
            request.saveAsPdf(fileName);
        });
    });

    // A page should be readable at once: the preview takes most of the screen.
    if (const QScreen *screen = request.parent ? request.parent->screen() : QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        dialog.resize(area.width() * 3 / 4, area.height() * 9 / 10);
    }
    if (request.shown)
        QTimer::singleShot(0, &dialog, request.shown);
    dialog.exec();
}
