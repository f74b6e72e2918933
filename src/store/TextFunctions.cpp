#include "store/TextFunctions.h"

#include "core/Error.h"

#include <QString>

#include <sqlite3.h>

#include <algorithm>
#include <cstring>

namespace {
bool isAscii(const unsigned char *text, int size)
{
    for (int i = 0; i < size; ++i)
        if (text[i] >= 0x80)
            return false;
    return true;
}

char16_t code(unsigned char c)
{
    return c;
}

char16_t code(QChar c)
{
    return c.unicode();
}

unsigned char lowerAscii(unsigned char c)
{
    return c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c;
}

// Most task texts are plain ASCII; they are compared byte by byte without
// being decoded, which gives the same order as compareTextNoCase. Returns
// false (and leaves `result` alone) as soon as a byte is not ASCII.
bool compareAsciiNoCase(const unsigned char *a, int na, const unsigned char *b, int nb, int &result)
{
    const int n = std::min(na, nb);
    int exact = 0;
    int i = 0;
    for (; i < n; ++i) {
        const unsigned char x = a[i], y = b[i];
        if ((x | y) & 0x80)
            return false;
        const unsigned char lx = lowerAscii(x), ly = lowerAscii(y);
        if (lx != ly) {
            // The rest must be ASCII too for the order to be the folded one.
            if (!isAscii(a + i, na - i) || !isAscii(b + i, nb - i))
                return false;
            result = lx < ly ? -1 : 1;
            return true;
        }
        if (exact == 0 && x != y)
            exact = x < y ? -1 : 1;
    }
    if (!isAscii(a + i, na - i) || !isAscii(b + i, nb - i))
        return false;
    result = na != nb ? (na < nb ? -1 : 1) : exact;
    return true;
}

int collate(void *, int na, const void *a, int nb, const void *b)
{
    const auto *x = static_cast<const unsigned char *>(a);
    const auto *y = static_cast<const unsigned char *>(b);
    int result = 0;
    if (compareAsciiNoCase(x, na, y, nb, result))
        return result;
    return compareTextNoCase(QString::fromUtf8(reinterpret_cast<const char *>(x), na),
                             QString::fromUtf8(reinterpret_cast<const char *>(y), nb));
}

// Wildcard matching over already case-folded units. "%" runs backtrack to
// the last star only, which keeps the test linear for the usual patterns.
template <typename Unit, typename Single>
bool matchFolded(const Unit *text, qsizetype nt, const Unit *pattern, qsizetype np, Unit escape, bool hasEscape,
                 Single singleLength)
{
    qsizetype t = 0, p = 0;
    qsizetype starP = -1, starT = 0;
    while (t < nt) {
        if (p < np) {
            const Unit c = pattern[p];
            if (code(c) == u'%') {
                starP = ++p;
                starT = t;
                continue;
            }
            if (code(c) == u'_') {
                t += singleLength(text, nt, t);
                ++p;
                continue;
            }
            qsizetype literal = p;
            if (hasEscape && c == escape && p + 1 < np)
                literal = p + 1;
            if (pattern[literal] == text[t]) {
                p = literal + 1;
                ++t;
                continue;
            }
        }
        if (starP < 0)
            return false;
        p = starP;
        starT += singleLength(text, nt, starT);
        t = starT;
    }
    while (p < np && code(pattern[p]) == u'%')
        ++p;
    return p == np;
}

qsizetype oneByte(const unsigned char *, qsizetype, qsizetype)
{
    return 1;
}

// One character of UTF-16 text: a surrogate pair counts as one.
qsizetype oneCharacter(const QChar *text, qsizetype size, qsizetype at)
{
    return text[at].isHighSurrogate() && at + 1 < size && text[at + 1].isLowSurrogate() ? 2 : 1;
}

void like(sqlite3_context *context, int argc, sqlite3_value **argv)
{
    // "x like y escape z" calls like(y, x, z): the pattern comes first.
    for (int i = 0; i < argc; ++i) {
        if (sqlite3_value_type(argv[i]) == SQLITE_NULL) {
            sqlite3_result_null(context);
            return;
        }
    }
    const auto *pattern = sqlite3_value_text(argv[0]);
    const int np = sqlite3_value_bytes(argv[0]);
    const auto *text = sqlite3_value_text(argv[1]);
    const int nt = sqlite3_value_bytes(argv[1]);
    QString escapeText;
    if (argc == 3) {
        escapeText = QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_value_text(argv[2])),
                                       sqlite3_value_bytes(argv[2]));
        if (escapeText.size() != 1) {
            sqlite3_result_error(context, "ESCAPE expression must be a single character", -1);
            return;
        }
    }
    const bool hasEscape = !escapeText.isEmpty();
    bool matched = false;
    if (isAscii(pattern, np) && isAscii(text, nt) && (!hasEscape || escapeText.at(0).unicode() < 0x80)) {
        std::string p(reinterpret_cast<const char *>(pattern), size_t(np));
        std::string t(reinterpret_cast<const char *>(text), size_t(nt));
        for (char &c : p)
            c = char(lowerAscii(static_cast<unsigned char>(c)));
        for (char &c : t)
            c = char(lowerAscii(static_cast<unsigned char>(c)));
        const unsigned char escape = hasEscape ? lowerAscii(static_cast<unsigned char>(escapeText.at(0).unicode())) : 0;
        matched = matchFolded(reinterpret_cast<const unsigned char *>(t.data()), qsizetype(t.size()),
                              reinterpret_cast<const unsigned char *>(p.data()), qsizetype(p.size()), escape,
                              hasEscape, oneByte);
    } else {
        matched = likeMatch(QString::fromUtf8(reinterpret_cast<const char *>(text), nt),
                            QString::fromUtf8(reinterpret_cast<const char *>(pattern), np),
                            hasEscape ? escapeText.at(0) : QChar());
    }
    sqlite3_result_int(context, matched ? 1 : 0);
}
}

int compareTextNoCase(QStringView a, QStringView b)
{
    // ASCII letters are folded here; from the first difference that involves
    // another character on, the full case folding decides.
    const qsizetype n = std::min(a.size(), b.size());
    int exact = 0;
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t x = a[i].unicode(), y = b[i].unicode();
        if (x == y)
            continue;
        if (x < 0x80 && y < 0x80) {
            const char16_t lx = lowerAscii(uchar(x)), ly = lowerAscii(uchar(y));
            if (lx != ly)
                return lx < ly ? -1 : 1;
            if (exact == 0)
                exact = x < y ? -1 : 1;
            continue;
        }
        const qsizetype from = i > 0 && a[i - 1].isHighSurrogate() ? i - 1 : i;
        const int folded = a.mid(from).compare(b.mid(from), Qt::CaseInsensitive);
        if (folded != 0)
            return folded < 0 ? -1 : 1;
        const int whole = a.compare(b, Qt::CaseSensitive);
        return whole < 0 ? -1 : (whole > 0 ? 1 : 0);
    }
    if (a.size() != b.size())
        return a.size() < b.size() ? -1 : 1;
    return exact;
}

bool likeMatch(QStringView text, QStringView pattern, QChar escape)
{
    const QString t = text.toString().toCaseFolded();
    const QString p = pattern.toString().toCaseFolded();
    const bool hasEscape = !escape.isNull();
    const QChar e = hasEscape ? QString(escape).toCaseFolded().at(0) : QChar();
    return matchFolded(t.constData(), t.size(), p.constData(), p.size(), e, hasEscape, oneCharacter);
}

void registerTextFunctions(sqlite3 *db)
{
    const int flags = SQLITE_UTF8 | SQLITE_DETERMINISTIC;
    if (sqlite3_create_collation(db, TextCollation, SQLITE_UTF8, nullptr, collate) != SQLITE_OK
        || sqlite3_create_function(db, "like", 2, flags, nullptr, like, nullptr, nullptr) != SQLITE_OK
        || sqlite3_create_function(db, "like", 3, flags, nullptr, like, nullptr, nullptr) != SQLITE_OK)
        throw Error(QString::fromUtf8(sqlite3_errmsg(db)));
}
