#include "update/Version.h"

#include <QList>
#include <QStringList>

#include <optional>

using namespace Qt::StringLiterals;

namespace {
std::optional<QList<quint64>> versionNumbers(const QString &text)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return std::nullopt;
    QList<quint64> numbers;
    for (const QString &part : trimmed.split(u'.')) {
        bool ok = false;
        const quint64 n = part.toULongLong(&ok);
        if (!ok || part.isEmpty() || !part.front().isDigit())
            return std::nullopt;
        numbers << n;
    }
    return numbers;
}
}

QString OwnVersion()
{
    QStringList parts = QStringLiteral(NW_VERSION_TEXT).split(u'.');
    while (parts.size() < 4)
        parts << u"0"_s;
    return parts.mid(0, 4).join(u'.');
}

int compareVersions(const QString &a, const QString &b)
{
    const auto x = versionNumbers(a);
    const auto y = versionNumbers(b);
    if (!x || !y)
        return int(bool(x)) - int(bool(y));
    for (qsizetype i = 0; i < std::max(x->size(), y->size()); ++i) {
        const quint64 p = x->value(i, 0);
        const quint64 q = y->value(i, 0);
        if (p != q)
            return p < q ? -1 : 1;
    }
    return 0;
}
