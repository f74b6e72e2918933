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
        return compareUtf8NoCase(text + a.offset, int(a.size), text + b.offset, int(b.size));
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
    struct Item
    {
        quint64 major;
        int position;
    };
    std::vector<Item> items(order.size());
    for (size_t i = 0; i < order.size(); ++i) {
        quint64 major = 0;
        if (!majorKey(cells[0][size_t(order[i])], major)) {
            std::stable_sort(order.begin(), order.end(), before);
            return;
        }
        items[i] = {descending[0] ? ~major : major, order[i]};
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
    for (size_t i = 0; i < items.size(); ++i)
        order[i] = items[i].position;
    const auto sortRun = [&](size_t start, size_t end) {
        if (end - start > 1 && !std::is_sorted(order.begin() + qsizetype(start), order.begin() + qsizetype(end), before))
            std::stable_sort(order.begin() + qsizetype(start), order.begin() + qsizetype(end), before);
    };
    // Texts that tie on their first eight characters are next ordered by
    // the sixteen after them, held in the cells, without reaching into the
    // cells for every comparison; the run's place breaks ties, so the sort
    // stays stable. Only those that tie on all 24 are compared in full.
    struct Tail
    {
        quint64 second;
        quint64 third;
        size_t place;
    };
    std::vector<Tail> tails;
    for (size_t start = 0; start < items.size();) {
        size_t end = start + 1;
        while (end < items.size() && items[end].major == items[start].major)
            ++end;
        const bool asciiTexts = end - start > 2 && std::all_of(order.begin() + qsizetype(start), order.begin() + qsizetype(end), [&](int p) {
            const KeyCell &cell = cells[0][size_t(p)];
            return cell.rank == 2 && cell.asciiPrefix;
        });
        if (!asciiTexts) {
            sortRun(start, end);
            start = end;
            continue;
        }
        tails.clear();
        for (size_t i = start; i < end; ++i) {
            const KeyCell &cell = cells[0][size_t(order[i])];
            tails.push_back(descending[0] ? Tail{~cell.prefix[1], ~cell.prefix[2], i} : Tail{cell.prefix[1], cell.prefix[2], i});
        }
        std::sort(tails.begin(), tails.end(), [](const Tail &a, const Tail &b) {
            return std::tie(a.second, a.third, a.place) < std::tie(b.second, b.third, b.place);
        });
        const std::vector<int> run(order.begin() + qsizetype(start), order.begin() + qsizetype(end));
        for (size_t i = 0; i < tails.size(); ++i)
            order[start + i] = run[tails[i].place - start];
        for (size_t from = 0; from < tails.size();) {
            size_t to = from + 1;
            while (to < tails.size() && tails[to].second == tails[from].second && tails[to].third == tails[from].third)
                ++to;
            sortRun(start + from, start + to);
            from = to;
        }
        start = end;
    }
}

