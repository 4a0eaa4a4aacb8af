#pragma once

#include "base/pagealloc.h"

#include <QString>
#include <QStringView>

#include <cstdint>
#include <cstring>
#include <vector>

namespace workbook {
class Worksheet;
}

// A delimited-text table read as typed columns instead of a sheet of cells: one column of
// 8-byte items a field of the records, each as long as the table has records with a cell.
// An item is kept as the column store keeps its items, so the store can take the columns
// as they are: a finite double is a number, already the value its shown text reads back as
// (numtext::generalValue); any other item is a text, a NaN tagged TextTag, that points into
// the table's characters (below SharedLength) or, with SharedBit, is one of its long texts.
// An empty field is an empty text.
namespace textcolumns {

using Item = quint64;
using Column = std::vector<Item, FilledPageAllocator<Item>>;

constexpr Item TagMask = 0xFFFF000000000000ull;
constexpr Item TextTag = 0x7FFA000000000000ull;
constexpr Item SharedBit = 0x0000800000000000ull;
constexpr qsizetype SharedLength = 4096;
constexpr Item EmptyItem = TextTag;

inline bool isText(Item item) { return (item & TagMask) == TextTag; }
// An empty field, or an empty text.
inline bool isEmpty(Item item) { return isText(item) && !(item & SharedBit) && ((item >> 32) & 0xFFFF) == 0; }
inline Item copiedItem(std::uint32_t begin, qsizetype length) { return TextTag | (Item(length) << 32) | begin; }
inline Item numberItem(double value)
{
    Item item;
    std::memcpy(&item, &value, sizeof item);
    return item;
}
inline double numberOf(Item item)
{
    double value;
    std::memcpy(&value, &item, sizeof value);
    return value;
}

// A number whose value as read differs from the one the lists keep (more than 15 digits,
// -0): the sheet of cells, when one is asked for, keeps the value read.
struct RawNumber {
    qint64 row;  // index of the record among those with a cell
    int column;  // 1-based
    double value;
};

// The records of one stretch of the file.
struct Part {
    std::vector<Column> columns;  // column i + 1, `rows` items each
    std::vector<qint64> lastFilled; // per column: the last record with a filled field, -1
    qint64 rows = 0;              // records with a cell
    // Records with a cell are numbered from 0; where that number and the line's record number
    // (from 1, blank records counted) part, the pair (index, record) starts a new stretch.
    std::vector<std::pair<qint64, qint64>> rowStarts;
    std::vector<RawNumber> rawNumbers;
    // Per column: the last record holding anything but a finite number (a text, an empty
    // field), -1 for none, noted as the items are written. The lists of a long log then need
    // no look for texts.
    std::vector<qint64> lastOther;
};

struct Table {
    std::vector<Part> parts;      // in the file's order
    QString chars;                // texts below SharedLength back to back
    std::vector<QString> shared;  // longer texts
    qint64 rows = 0;              // records with a cell, over all parts
    bool blankTexts = false;      // a field of blanks only: the rows read as today need them
    qint64 textChars = 0;         // characters of every text

    int width() const;            // columns of the widest part
    QStringView text(Item item) const;
    // The record number (from 1) of the record with a cell at `index`.
    qint64 recordOf(qint64 index) const;
    // Part and index in it of record `index`.
    std::pair<const Part *, qint64> locate(qint64 index) const;
    // The item of column `column` (1-based) of record `index`; empty past the part's columns.
    Item item(qint64 index, int column) const;
};

// Fills `sheet` with the table's cells as the row-by-row reader would have: numbers as
// read, texts as written, empty fields left out; the table's columns are freed.
void fillSheet(Table &table, workbook::Worksheet &sheet);

}
