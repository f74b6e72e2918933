#include "store/SqlText.h"

#include "store/TasksTable.h"
#include "store/TextFunctions.h"

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

namespace {
// Where the last "order by" outside quotes ends (and, in `keyword`, where
// it starts), or -1.
qsizetype lastOrderBy(const QString &sql, qsizetype *keyword = nullptr)
{
    qsizetype found = -1;
    QChar quote;
    for (qsizetype i = 0; i < sql.size(); ++i) {
        const QChar c = sql.at(i);
        if (!quote.isNull()) {
            if (c == quote)
                quote = QChar();
        } else if (c == QLatin1Char('\'') || c == QLatin1Char('"')) {
            quote = c;
        } else if ((i == 0 || !isNameChar(sql.at(i - 1)))
                   && QStringView(sql).mid(i, 5).compare(QLatin1String("order"), Qt::CaseInsensitive) == 0) {
            qsizetype j = i + 5;
            if (j >= sql.size() || !sql.at(j).isSpace())
                continue;
            while (j < sql.size() && sql.at(j).isSpace())
                ++j;
            if (QStringView(sql).mid(j, 2).compare(QLatin1String("by"), Qt::CaseInsensitive) == 0
                && (j + 2 >= sql.size() || !isNameChar(sql.at(j + 2)))) {
                found = j + 2;
                if (keyword)
                    *keyword = i;
            }
        }
    }
    return found;
}
}

QString withTextOrdering(const QString &sql)
{
    const qsizetype start = lastOrderBy(sql);
    if (start < 0)
        return sql;
    QString out = sql.left(start);
    qsizetype i = start;
    while (i < sql.size()) {
        // One item: leading blanks, a name, then up to the next comma.
        while (i < sql.size() && sql.at(i).isSpace())
            out += sql.at(i++);
        qsizetype end = i;
        while (end < sql.size() && isNameChar(sql.at(end)))
            ++end;
        const QString name = sql.mid(i, end - i);
        qsizetype itemEnd = end;
        while (itemEnd < sql.size() && sql.at(itemEnd) != QLatin1Char(',') && sql.at(itemEnd) != QLatin1Char(';')
               && sql.at(itemEnd) != QLatin1Char('(') && sql.at(itemEnd) != QLatin1Char('\''))
            ++itemEnd;
        if (itemEnd < sql.size() && sql.at(itemEnd) != QLatin1Char(',') && sql.at(itemEnd) != QLatin1Char(';'))
            return sql; // an expression: left as it is
        const QString rest = sql.mid(end, itemEnd - end);
        out += name;
        const FieldInfo *field = TasksTable::find(name);
        if (field && (field->type == FieldType::Text || field->type == FieldType::Memo)
            && !rest.contains(QLatin1String("collate"), Qt::CaseInsensitive))
            out += QStringLiteral(" collate ") + QLatin1String(TextCollation);
        out += rest;
        i = itemEnd;
        if (i < sql.size() && sql.at(i) == QLatin1Char(',')) {
            out += sql.at(i++);
            continue;
        }
        out += sql.mid(i);
        break;
    }
    return out;
}

std::optional<TrailingOrder> splitTrailingOrder(const QString &sql)
{
    qsizetype keyword = -1;
    const qsizetype start = lastOrderBy(sql, &keyword);
    if (start < 0)
        return std::nullopt;
    QString clause = sql.mid(start).trimmed();
    if (clause.endsWith(QLatin1Char(';')))
        clause.chop(1);
    TrailingOrder out;
    for (const QString &item : clause.split(QLatin1Char(','))) {
        const QStringList words = item.simplified().split(QLatin1Char(' '));
        if (words.size() > 2 || words.first().isEmpty() || words.first().at(0).isDigit())
            return std::nullopt;
        for (const QChar c : words.first())
            if (!isNameChar(c))
                return std::nullopt;
        bool descending = false;
        if (words.size() == 2) {
            if (words.last().compare(QLatin1String("desc"), Qt::CaseInsensitive) == 0)
                descending = true;
            else if (words.last().compare(QLatin1String("asc"), Qt::CaseInsensitive) != 0)
                return std::nullopt;
        }
        out.keys.append({words.first(), descending});
    }
    out.head = sql.left(keyword);
    return out;
}

bool hasOrderBy(const QString &sql)
{
    return lastOrderBy(sql) >= 0;
}

namespace {
// Reads `keyword` (any case) at `i`, not followed by a name character, and
// moves past it.
bool readKeyword(QStringView sql, qsizetype &i, QLatin1StringView keyword)
{
    if (sql.mid(i, keyword.size()).compare(keyword, Qt::CaseInsensitive) != 0)
        return false;
    const qsizetype end = i + keyword.size();
    if (end < sql.size() && isNameChar(sql.at(end)))
        return false;
    i = end;
    return true;
}

// Moves past blanks; false when there were none.
bool skipBlanks(QStringView sql, qsizetype &i)
{
    const qsizetype start = i;
    while (i < sql.size() && sql.at(i).isSpace())
        ++i;
    return i > start;
}
}

std::optional<SelectAll> splitSelectAll(const QString &sql)
{
    const QStringView text(sql);
    qsizetype i = 0;
    if (!readKeyword(text, i, QLatin1StringView("select")) || !skipBlanks(text, i) || i >= text.size()
        || text.at(i) != QLatin1Char('*'))
        return std::nullopt;
    ++i;
    if (!skipBlanks(text, i))
        return std::nullopt;
    const qsizetype fromStart = i;
    if (!readKeyword(text, i, QLatin1StringView("from")) || !skipBlanks(text, i))
        return std::nullopt;
    const qsizetype nameStart = i;
    while (i < text.size() && isNameChar(text.at(i)))
        ++i;
    if (i == nameStart)
        return std::nullopt;
    const SelectAll out{sql.mid(nameStart, i - nameStart), sql.mid(fromStart)};
    if (i == text.size())
        return out;
    // " where" and at least one blank before the condition.
    if (!skipBlanks(text, i) || !readKeyword(text, i, QLatin1StringView("where")) || i >= text.size()
        || !text.at(i).isSpace())
        return std::nullopt;
    return out;
}

bool containsName(const QString &text, const QString &name)
{
    if (name.isEmpty())
        return false;
    for (qsizetype at = text.indexOf(name, 0, Qt::CaseInsensitive); at >= 0;
         at = text.indexOf(name, at + 1, Qt::CaseInsensitive)) {
        const qsizetype end = at + name.size();
        if ((at == 0 || !isNameChar(text.at(at - 1))) && (end == text.size() || !isNameChar(text.at(end))))
            return true;
    }
    return false;
}
