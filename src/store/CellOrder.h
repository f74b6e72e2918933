#pragma once

#include <QStringView>
#include <QVariant>

#include <string>
#include <vector>

class Statement;

// The order of a result's rows worked out in memory, as the engine's
// "order by" would give it: nulls first, then numbers by value, then text
// without regard to case, then anything else. Both sorts are stable.

// Whether a value sorts (and compares) as a number.
bool sortsAsNumber(const QVariant &v);

// One cell of a row read whole, as a sort sees it. Text carries its first
// sixteen characters folded to lower case (when they are ASCII), so most
// comparisons never touch the text itself.
struct CellKey
{
    int rank = 0; // 0 null, 1 number, 2 text, 3 other
    bool asciiPrefix = false;
    quint64 prefix[2] = {};
    double number = 0;
    QStringView text;
};

CellKey cellKey(const QVariant &v);

// Orders the positions stably by their cells, one vector of cells per key,
// indexed by the position's value.
void sortByCells(std::vector<int> &order, const std::vector<std::vector<CellKey>> &cells,
                 const std::vector<bool> &descending);

// One value of an order column in a lazy read, compared as CellKey
// compares. Text stays the engine's UTF-8, gathered in one buffer, and
// carries its first 24 characters folded to lower case (when they are
// ASCII): neighbours in a long sorted list often share their first words.
struct KeyCell
{
    quint64 prefix[3] = {};
    double number = 0;
    quint32 offset = 0;
    quint32 size = 0;
    quint8 rank = 0;
    bool asciiPrefix = false;
    quint8 asciiLead = 0; // leading characters (of the first 24) that are ASCII
};

// The cell of a column of the statement's current row; its text is added
// to text.
KeyCell keyCell(const Statement &statement, int column, std::string &text);

// Orders the positions stably by their cells, one vector of cells per key
// indexed by the position's value; text holds the cells' UTF-8.
void sortByKeyCells(std::vector<int> &order, const std::vector<std::vector<KeyCell>> &cells,
                    const std::vector<bool> &descending, const char *text);
