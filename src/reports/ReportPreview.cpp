#include "reports/ReportPreview.h"

#include "core/CheckedSaveFile.h"
#include "core/Error.h"
#include "core/ModuleLoader.h"
#include "reports/PreviewRequest.h"
#include "reports/ReportDocument.h"

#include <QBuffer>
#include <QCursor>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QPdfWriter>

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

void previewReport(const ReportDocument &document, QWidget *parent, Prompter &prompter, WaitCursor *waitCursor)
{
    PreviewFunction *preview = nullptr;
    try {
        preview = ModuleLoader().resolve<PreviewFunction>(u"print"_s, "nw_preview_report");
    } catch (const Error &e) {
        throw Error(QObject::tr("Printing is not available: %1").arg(e.text()));
    }
    PreviewRequest request;
    request.title = document.title();
    request.parent = parent;
    request.prompter = &prompter;
    request.print = [&document](QPagedPaintDevice &device) { document.print(device); };
    request.saveAsPdf = [&document](const QString &fileName) { saveReportAsPdf(document, fileName); };
    request.isCompletePdfFile = [](const QString &fileName) { return isCompletePdfFile(fileName); };
    if (waitCursor)
        request.shown = [waitCursor] { waitCursor->restore(); };
    preview(request);
}
