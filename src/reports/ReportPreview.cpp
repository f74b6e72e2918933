#include "reports/ReportPreview.h"

#include "core/Error.h"
#include "reports/ReportDocument.h"
#include "toolkit/ErrorReport.h"

#include <QAction>
#include <QDir>
#include <QFileDialog>
#include <QGuiApplication>
#include <QPdfWriter>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QSaveFile>
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
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly))
        throw Error(QObject::tr("The report could not be saved as %1: %2").arg(QDir::toNativeSeparators(fileName),
                                                                               file.errorString()));
    {
        QPdfWriter writer(&file);
        writer.setTitle(document.title());
        writer.setCreator(QGuiApplication::applicationDisplayName());
        document.print(writer);
    }
    if (!file.commit())
        throw Error(QObject::tr("The report could not be saved as %1: %2").arg(QDir::toNativeSeparators(fileName),
                                                                               file.errorString()));
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
    QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog,
                     [&](QPrinter *target) { guarded(prompter, [&] { document.print(*target); }); });

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
