#pragma once

#include <QByteArrayView>
#include <QString>

class Prompter;
class QWidget;
class ReportDocument;

// The wait cursor over the whole program while a report is built; put back
// when restore() is called or this object goes, whichever comes first.
class WaitCursor
{
public:
    WaitCursor();
    ~WaitCursor();
    WaitCursor(const WaitCursor &) = delete;
    WaitCursor &operator=(const WaitCursor &) = delete;
    void restore();

private:
    bool m_active = true;
};

// Shows the report in a modal preview window and returns when the user has
// closed it; the window is the print module's, loaded at the first preview
// (throws Error saying printing is not available when it cannot be loaded). The user prints from there through the print dialog, or saves
// the report as a PDF file. The wait cursor, when given, is restored once
// the preview is on screen. Errors while painting or saving are reported
// through the prompter; the preview stays open.
void previewReport(const ReportDocument &document, QWidget *parent, Prompter &prompter,
                   WaitCursor *waitCursor = nullptr);

// Writes the report as a PDF file, replacing the file only when the whole
// report was written. Throws Error when it cannot (the file is then as it was).
void saveReportAsPdf(const ReportDocument &document, const QString &fileName);

// Whether PDF data, or a PDF file, is whole: it starts with the PDF header
// and ends with the end-of-file marker that a PDF writer puts last.
bool isCompletePdf(QByteArrayView pdf);
bool isCompletePdfFile(const QString &fileName);
