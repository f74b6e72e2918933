#pragma once

#include <QImage>
#include <QProcess>
#include <QSizeF>
#include <QStandardPaths>
#include <QString>
#include <QTemporaryDir>

// Reads printed reports back through the poppler utilities.
namespace PdfReader {

inline bool available()
{
    return !QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty()
        && !QStandardPaths::findExecutable(QStringLiteral("pdftoppm")).isEmpty()
        && !QStandardPaths::findExecutable(QStringLiteral("pdfinfo")).isEmpty();
}

inline QString run(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(30000) || process.exitCode() != 0)
        return {};
    return QString::fromUtf8(process.readAllStandardOutput());
}

// The text of the whole file, laid out as on the page; pages end with a form feed.
inline QString text(const QString &pdf)
{
    return run(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
}

inline int pageCount(const QString &pdf)
{
    const QString info = run(QStringLiteral("pdfinfo"), {pdf});
    for (const QString &line : info.split(QLatin1Char('\n')))
        if (line.startsWith(QLatin1String("Pages:")))
            return line.mid(6).trimmed().toInt();
    return -1;
}

// The size of the first page in points, as pdfinfo says ("612 x 792 pts").
inline QSizeF pageSize(const QString &pdf)
{
    const QString info = run(QStringLiteral("pdfinfo"), {pdf});
    for (const QString &line : info.split(QLatin1Char('\n'))) {
        if (!line.startsWith(QLatin1String("Page size:")))
            continue;
        const QStringList words = line.mid(10).simplified().split(QLatin1Char(' '));
        if (words.size() >= 3)
            return {words.at(0).toDouble(), words.at(2).toDouble()};
    }
    return {};
}

// One page (counted from 1) as an image at that resolution.
inline QImage page(const QString &pdf, int number, int dpi)
{
    QTemporaryDir dir;
    const QString prefix = dir.filePath(QStringLiteral("page"));
    run(QStringLiteral("pdftoppm"), {QStringLiteral("-r"), QString::number(dpi), QStringLiteral("-f"),
                                     QString::number(number), QStringLiteral("-l"), QString::number(number),
                                     QStringLiteral("-png"), QStringLiteral("-singlefile"), pdf, prefix});
    return QImage(prefix + QStringLiteral(".png"));
}

} // namespace PdfReader
