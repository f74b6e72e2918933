#include "views/GridLayout.h"

#include "core/CheckedSaveFile.h"
#include "core/Error.h"

#include <QFile>
#include <QMap>

using namespace Qt::StringLiterals;

namespace {
QString flag(bool on)
{
    return on ? u"1"_s : u"0"_s;
}
}

QStringList GridLayout::toLines() const
{
    QStringList lines;
    lines << u"AutoLoadLayout="_s + flag(autoLoad) << u"AutoSaveLayout="_s + flag(autoSave)
          << u"Columns="_s + QString::number(columns.size());
    for (int i = 0; i < columns.size(); ++i) {
        const Column &c = columns.at(i);
        lines << u"Column%1=%2,%3,%4,%5"_s.arg(i + 1).arg(c.field).arg(c.width).arg(flag(c.visible), flag(c.expanded));
    }
    lines << u"OrderFields="_s + orderFields << u"LinesCount="_s + QString::number(linesCount)
          << u"StretchMode="_s + flag(stretchMode);
    return lines;
}

GridLayout GridLayout::fromLines(const QStringList &lines, int *columnCount)
{
    GridLayout layout;
    int count = -1;
    QMap<int, Column> columns;
    for (const QString &line : lines) {
        const qsizetype eq = line.indexOf(u'=');
        if (eq < 0)
            continue;
        const QString name = line.left(eq).trimmed();
        const QString value = line.mid(eq + 1).trimmed();
        if (name.compare(u"AutoLoadLayout"_s, Qt::CaseInsensitive) == 0) {
            layout.autoLoad = value == u"1"_s;
        } else if (name.compare(u"AutoSaveLayout"_s, Qt::CaseInsensitive) == 0) {
            layout.autoSave = value == u"1"_s;
        } else if (name.compare(u"Columns"_s, Qt::CaseInsensitive) == 0) {
            bool ok = false;
            count = value.toInt(&ok);
            if (!ok)
                count = -1;
        } else if (name.compare(u"OrderFields"_s, Qt::CaseInsensitive) == 0) {
            layout.orderFields = value;
        } else if (name.compare(u"LinesCount"_s, Qt::CaseInsensitive) == 0) {
            layout.linesCount = std::max(1, value.toInt());
        } else if (name.compare(u"StretchMode"_s, Qt::CaseInsensitive) == 0) {
            layout.stretchMode = value == u"1"_s;
        } else if (name.startsWith(u"Column"_s, Qt::CaseInsensitive)) {
            bool ok = false;
            const int index = name.mid(6).toInt(&ok);
            const QStringList parts = value.split(u',');
            if (!ok || index < 1 || parts.size() < 2)
                continue;
            Column c;
            c.field = parts.at(0).trimmed();
            c.width = std::max(0, parts.at(1).trimmed().toInt());
            c.visible = parts.size() < 3 || parts.at(2).trimmed() != u"0"_s;
            c.expanded = parts.size() >= 4 && parts.at(3).trimmed() == u"1"_s;
            columns.insert(index, c);
        }
    }
    layout.columns = columns.values();
    if (columnCount)
        *columnCount = count;
    return layout;
}

bool GridLayout::read(const QString &path, GridLayout &layout, int *columnCount)
{
    QFile file(path);
    if (!file.exists())
        return false;
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        throw Error(u"The grid layout \"%1\" cannot be read: %2"_s.arg(path, file.errorString()));
    layout = fromLines(QString::fromUtf8(file.readAll()).split(u'\n'), columnCount);
    return true;
}

void GridLayout::write(const QString &path) const
{
    const QByteArray text = toLines().join(u"\r\n"_s).toUtf8() + "\r\n";
    // A refused write (a full disk) leaves the old layout file as it was.
    if (const QString failure = saveFileContents(path, text, CheckedSaveFile::Access::OwnerOnly); !failure.isEmpty())
        throw Error(u"The grid layout \"%1\" cannot be saved: %2"_s.arg(path, failure));
}
