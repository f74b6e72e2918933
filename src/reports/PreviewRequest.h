#pragma once

#include <QString>

#include <functional>

class Prompter;
class QPagedPaintDevice;
class QWidget;

// What the preview window of a report is handed. The window and printing
// from it (Qt's print support) are the print module, libnw_print.so, loaded
// at the first preview; the report itself stays in the program and is
// reached through these functions.
struct PreviewRequest
{
    QString title;
    QWidget *parent = nullptr;
    Prompter *prompter = nullptr;
    // Paints every page onto the device; throws Error when it cannot.
    std::function<void(QPagedPaintDevice &device)> print;
    // Saves the report as a PDF file; throws Error when it cannot.
    std::function<void(const QString &fileName)> saveAsPdf;
    // Whether a PDF file printed from the preview was written whole.
    std::function<bool(const QString &fileName)> isCompletePdfFile;
    // The preview is on screen.
    std::function<void()> shown;
};

// The module's entry: shows the preview modally and returns when it is closed.
using PreviewFunction = void(const PreviewRequest &request);
