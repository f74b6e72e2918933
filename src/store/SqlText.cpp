#include "store/SqlText.h"

namespace {
bool isNameChar(QChar c)
{
    return c.isLetterOrNumber() || c == QLatin1Char('_');
}
}

PositionalSql toPositional(const QString &sql)
{
    PositionalSql out;
    out.text.reserve(sql.size());
    QChar quote;
    for (qsizetype i = 0; i < sql.size(); ++i) {
        const QChar c = sql.at(i);
        if (!quote.isNull()) {
            if (c == quote)
                quote = QChar();
            out.text += c;
        } else if (c == QLatin1Char('\'') || c == QLatin1Char('"')) {
            quote = c;
            out.text += c;
        } else if (c == QLatin1Char(':') && i + 1 < sql.size() && isNameChar(sql.at(i + 1))
                   && (i == 0 || sql.at(i - 1) != QLatin1Char(':'))) {
            qsizetype end = i + 1;
            while (end < sql.size() && isNameChar(sql.at(end)))
                ++end;
            out.names << sql.mid(i + 1, end - i - 1);
            out.text += QLatin1Char('?');
            i = end - 1;
        } else {
            out.text += c;
        }
    }
    return out;
}
