#include "store/CellOrder.h"

#include "store/Statement.h"
#include "store/TextFunctions.h"

#include <algorithm>
#include <cstring>
#include <utility>

bool sortsAsNumber(const QVariant &v)
{
    switch (v.typeId()) {
    case QMetaType::Int: case QMetaType::UInt: case QMetaType::LongLong: case QMetaType::ULongLong:
    case QMetaType::Double: case QMetaType::Bool:
        return true;
    default:
        return false;
    }
}

CellKey cellKey(const QVariant &v)
{
    CellKey key;
    if (v.isNull())
        return key;
    if (sortsAsNumber(v)) {
        key.rank = 1;
        key.number = v.toDouble();
        return key;
    }
    if (v.typeId() != QMetaType::QString) {
        key.rank = 3;
        return key;
    }
    key.rank = 2;
    key.text = *static_cast<const QString *>(v.constData());
    key.asciiPrefix = true;
    for (qsizetype i = 0; i < 16; ++i) {
        quint64 c = 0;
        if (i < key.text.size()) {
            const char16_t u = key.text[i].unicode();
            if (u >= 0x80 || u == 0) {
                key.asciiPrefix = false;
                break;
            }
            c = u >= 'A' && u <= 'Z' ? u + ('a' - 'A') : u;
        }
        key.prefix[i / 8] |= c << (8 * (7 - i % 8));
    }
    return key;
}

namespace {
int compareKeys(const CellKey &a, const CellKey &b)
{
    if (a.rank != b.rank)
        return a.rank < b.rank ? -1 : 1;
    if (a.rank == 1)
        return a.number < b.number ? -1 : (a.number > b.number ? 1 : 0);
    if (a.rank == 2) {
        if (a.asciiPrefix && b.asciiPrefix) {
            for (int i = 0; i < 2; ++i)
                if (a.prefix[i] != b.prefix[i])
                    return a.prefix[i] < b.prefix[i] ? -1 : 1;
        }
        return compareTextNoCase(a.text, b.text);
    }
    return 0;
}
} // namespace

void sortByCells(std::vector<int> &order, const std::vector<std::vector<CellKey>> &cells,
                 const std::vector<bool> &descending)
{
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        for (size_t k = 0; k < cells.size(); ++k) {
            const int c = compareKeys(cells[k][size_t(a)], cells[k][size_t(b)]);
            if (c != 0)
                return descending[k] ? c > 0 : c < 0;
        }
        return false;
    });
}

KeyCell keyCell(const Statement &statement, int column, std::string &text)
{
    KeyCell cell;
    switch (statement.kind(column)) {
    case Statement::Kind::Null:
        return cell;
    case Statement::Kind::Integer:
        cell.rank = 1;
        cell.number = double(statement.integer(column));
        return cell;
    case Statement::Kind::Real:
        cell.rank = 1;
        cell.number = statement.real(column);
        return cell;
    case Statement::Kind::Blob:
        cell.rank = 3;
        return cell;
    case Statement::Kind::Text:
        break;
    }
    const QByteArrayView bytes = statement.utf8(column);
    cell.rank = 2;
    cell.offset = quint32(text.size());
    cell.size = quint32(bytes.size());
    text.append(bytes.data(), size_t(bytes.size()));
    cell.asciiPrefix = true;
    for (qsizetype i = 0; i < 24; ++i) {
        quint64 c = 0;
        if (i < bytes.size()) {
            const uchar u = uchar(bytes[i]);
            if (u >= 0x80 || u == 0) {
                cell.asciiPrefix = false;
                break;
            }
            c = u >= 'A' && u <= 'Z' ? u + ('a' - 'A') : u;
        }
        cell.prefix[i / 8] |= c << (8 * (7 - i % 8));
        cell.asciiLead = quint8(i + 1);
    }
    return cell;
}

namespace {
int compareCells(const KeyCell &a, const KeyCell &b, const char *text)
{
    if (a.rank != b.rank)
        return a.rank < b.rank ? -1 : 1;
    if (a.rank == 1)
        return a.number < b.number ? -1 : (a.number > b.number ? 1 : 0);
    if (a.rank == 2) {
        if (a.asciiPrefix && b.asciiPrefix) {
            for (int i = 0; i < 3; ++i)
                if (a.prefix[i] != b.prefix[i])
                    return a.prefix[i] < b.prefix[i] ? -1 : 1;
        }
        // Equal texts (the many rows of one category) need no folding.
        if (a.size == b.size && std::memcmp(text + a.offset, text + b.offset, a.size) == 0)
            return 0;
        // A leading part that is the same to the byte (and ASCII, so it
        // ends between characters) decides nothing, not even which case
        // comes first: the comparison starts after it.
        quint32 same = 0;
        if (a.asciiPrefix && b.asciiPrefix) {
            const quint32 lead = std::min({a.size, b.size, quint32(a.asciiLead), quint32(b.asciiLead)});
            while (same < lead && text[a.offset + same] == text[b.offset + same])
                ++same;
        }
        return compareUtf8NoCase(text + a.offset + same, int(a.size - same), text + b.offset + same,
                                 int(b.size - same));
    }
    return 0;
}

// A cell as a 64-bit number in the cells' order, as far as it goes: a
// number that is smaller (or greater) only when the cell is. The rank takes
// the top two bits; numbers follow their value, texts their first eight
// characters folded (seven bits each). False for a text that does not start
// with eight ASCII characters (or end before), whose place no number holds.
bool majorKey(const KeyCell &cell, quint64 &major)
{
    switch (cell.rank) {
    case 1: {
        const double value = cell.number == 0 ? 0.0 : cell.number; // -0 equals 0
        quint64 bits;
        std::memcpy(&bits, &value, sizeof bits);
        bits = bits >> 63 ? ~bits : bits | (quint64(1) << 63);
        major = (quint64(1) << 62) | (bits >> 2);
        return true;
    }
    case 2: {
        if (cell.asciiLead < std::min<quint32>(cell.size, 8))
            return false;
        quint64 chars = 0;
        for (int i = 0; i < 8; ++i)
            chars = (chars << 7) | ((cell.prefix[0] >> (8 * (7 - i))) & 0x7F);
        major = (quint64(2) << 62) | chars;
        return true;
    }
    default:
        major = quint64(cell.rank) << 62;
        return true;
    }
}
} // namespace

// Orders the positions stably by their cells, one vector of cells per key
// indexed by the position's value. When the first key's cells all have a
// major key (above), the positions are first put in that key's order by a
// radix sort, and only runs that tie on it are compared cell by cell.
void sortByKeyCells(std::vector<int> &order, const std::vector<std::vector<KeyCell>> &cells,
                    const std::vector<bool> &descending, const char *text)
{
    const auto before = [&](int a, int b) {
        for (size_t k = 0; k < cells.size(); ++k) {
            const int c = compareCells(cells[k][size_t(a)], cells[k][size_t(b)], text);
            if (c != 0)
                return descending[k] ? c > 0 : c < 0;
        }
        return false;
    };
    // Each item carries, beside its major key, the next sixteen characters
    // of an ASCII text: runs that tie on the major key are then ordered
    // without reaching into the cells, which after the radix passes lie in
    // no useful order in memory.
    struct Item
    {
        quint64 major;
        quint64 second;
        quint64 third;
        int position;
        bool tail; // second and third hold the text's characters 9 to 24
    };
    std::vector<Item> items(order.size());
    for (size_t i = 0; i < order.size(); ++i) {
        const KeyCell &cell = cells[0][size_t(order[i])];
        quint64 major = 0;
        if (!majorKey(cell, major)) {
            std::stable_sort(order.begin(), order.end(), before);
            return;
        }
        const bool tail = cell.rank == 2 && cell.asciiPrefix;
        const quint64 flip = descending[0] ? ~quint64(0) : 0; // a descending order compares the complements
        items[i] = {major ^ flip, (tail ? cell.prefix[1] : 0) ^ flip, (tail ? cell.prefix[2] : 0) ^ flip, order[i], tail};
    }
    // Least significant byte first; a byte all items share is skipped.
    std::vector<Item> spare(items.size());
    for (int shift = 0; shift < 64; shift += 8) {
        size_t counts[256] = {};
        for (const Item &item : items)
            ++counts[(item.major >> shift) & 0xFF];
        if (counts[(items.front().major >> shift) & 0xFF] == items.size())
            continue;
        size_t start = 0;
        for (size_t &count : counts)
            start += std::exchange(count, start);
        for (const Item &item : items)
            spare[counts[(item.major >> shift) & 0xFF]++] = item;
        items.swap(spare);
    }
    // Runs that tie on the major key: ASCII texts by their next sixteen
    // characters (stably: the radix passes kept the run in its first order);
    // what still ties, and any other run, is compared cell by cell.
    const auto sortRun = [&](size_t start, size_t end) {
        const auto first = order.begin() + qsizetype(start), last = order.begin() + qsizetype(end);
        if (end - start <= 16) {
            // A few items: sorted by insertion, which is stable and needs no
            // buffer.
            for (auto i = first + (first != last); i < last; ++i)
                for (auto j = i; j > first && before(*j, *(j - 1)); --j)
                    std::iter_swap(j, j - 1);
        } else if (!std::is_sorted(first, last, before)) {
            std::stable_sort(first, last, before);
        }
    };
    const auto sameTail = [](const Item &a, const Item &b) { return a.second == b.second && a.third == b.third; };
    for (size_t start = 0; start < items.size();) {
        size_t end = start + 1;
        while (end < items.size() && items[end].major == items[start].major)
            ++end;
        const auto first = items.begin() + qsizetype(start), last = items.begin() + qsizetype(end);
        const bool tails = end - start > 1 && std::all_of(first, last, [](const Item &item) { return item.tail; });
        if (tails)
            std::stable_sort(first, last, [](const Item &a, const Item &b) {
                return std::tie(a.second, a.third) < std::tie(b.second, b.third);
            });
        for (size_t i = start; i < end; ++i)
            order[i] = items[i].position;
        if (!tails) {
            sortRun(start, end);
        } else {
            for (size_t from = start; from < end;) {
                size_t to = from + 1;
                while (to < end && sameTail(items[to], items[from]))
                    ++to;
                sortRun(from, to);
                from = to;
            }
        }
        start = end;
    }
}

