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

// An ASCII pattern of the form "%text%" whose text holds no wildcard (the
// task search's): over ASCII text it matches where the folded text holds
// the folded text between the "%"s. Kept with the statement while the
// pattern and the escape stay the same.
struct Containment
{
    std::string pattern; // as given
    unsigned char escape = 0;
    bool hasEscape = false;
    bool plain = false;   // of that form
    std::string needle;   // folded, escapes resolved
};

Containment containment(const unsigned char *pattern, int np, unsigned char escape, bool hasEscape)
{
    Containment c{std::string(reinterpret_cast<const char *>(pattern), size_t(np)), escape, hasEscape, false, {}};
    // A "%" or "_" as the escape is a wildcard first: left to the matcher.
    if (np < 2 || pattern[0] != '%' || pattern[np - 1] != '%' || (hasEscape && (escape == '%' || escape == '_')))
        return c;
    for (int i = 1; i < np - 1; ++i) {
        const unsigned char u = lowerAscii(pattern[i]);
        if (hasEscape && u == escape) {
            if (i + 1 >= np - 1)
                return c; // the final "%" is escaped
            c.needle += char(lowerAscii(pattern[++i]));
        } else if (u == '%' || u == '_') {
            return c;
        } else {
            c.needle += char(u);
        }
    }
    c.plain = true;
    return c;
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
    // A search runs this for every task: the usual one-byte escape is taken
    // as it is, and the folded copies reuse their memory from row to row.
    QChar escapeChar;
    bool hasEscape = false;
    if (argc == 3) {
        const auto *escape = sqlite3_value_text(argv[2]);
        const int ne = sqlite3_value_bytes(argv[2]);
        if (ne == 1 && escape[0] < 0x80) {
            escapeChar = QChar(char16_t(escape[0]));
        } else {
            const QString escapeText = QString::fromUtf8(reinterpret_cast<const char *>(escape), ne);
            if (escapeText.size() != 1) {
                sqlite3_result_error(context, "ESCAPE expression must be a single character", -1);
                return;
            }
            escapeChar = escapeText.at(0);
        }
        hasEscape = true;
    }
    bool matched = false;
    if (isAscii(pattern, np) && isAscii(text, nt) && (!hasEscape || escapeChar.unicode() < 0x80)) {
        const unsigned char escape = hasEscape ? lowerAscii(static_cast<unsigned char>(escapeChar.unicode())) : 0;
        auto *known = static_cast<Containment *>(sqlite3_get_auxdata(context, 0));
        if (!known || known->escape != escape || known->hasEscape != hasEscape
            || known->pattern.compare(0, std::string::npos, reinterpret_cast<const char *>(pattern), size_t(np)) != 0) {
            known = new Containment(containment(pattern, np, escape, hasEscape));
            sqlite3_set_auxdata(context, 0, known, [](void *p) { delete static_cast<Containment *>(p); });
            // The engine may have dropped it at once; it is asked for again.
            known = static_cast<Containment *>(sqlite3_get_auxdata(context, 0));
        }
        thread_local std::string t;
        t.assign(reinterpret_cast<const char *>(text), size_t(nt));
        for (char &c : t)
            c = char(lowerAscii(static_cast<unsigned char>(c)));
        if (known && known->plain) {
            sqlite3_result_int(context, t.find(known->needle) != std::string::npos ? 1 : 0);
            return;
        }
        thread_local std::string p;
        p.assign(reinterpret_cast<const char *>(pattern), size_t(np));
        for (char &c : p)
            c = char(lowerAscii(static_cast<unsigned char>(c)));
        matched = matchFolded(reinterpret_cast<const unsigned char *>(t.data()), qsizetype(t.size()),
                              reinterpret_cast<const unsigned char *>(p.data()), qsizetype(p.size()), escape,
                              hasEscape, oneByte);
    } else {
        matched = likeMatch(QString::fromUtf8(reinterpret_cast<const char *>(text), nt),
                            QString::fromUtf8(reinterpret_cast<const char *>(pattern), np),
                            hasEscape ? escapeChar : QChar());
    }
    sqlite3_result_int(context, matched ? 1 : 0);
}
}

int compareUtf8NoCase(const char *a, int na, const char *b, int nb)
{
    return collate(nullptr, na, a, nb, b);
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
