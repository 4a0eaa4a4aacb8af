#pragma once

#include "workbook/sheetbuilder.h"

#include <QString>
#include <QStringView>

#include <vector>

// What both ways of reading an Office Open XML worksheet share: cell references and the
// storing of one cell's value by its type attribute.
namespace xlsx {

// "AB12" -> column 28, row 12; a part that is missing stays 0.
void parseReference(QStringView ref, int *column, int *row);
void parseReference(const char *ref, std::size_t length, int *column, int *row);

// The text with Office's escapes of characters decoded: "_x000D_" is a CR (Excel writes one
// in every cell holding CR LF, XML keeping only the LF), the hex digits in either case;
// "_x005F_" is a "_" that keeps the escape after it as written. A text without escapes is
// returned as it is, not copied.
QString decodeEscapes(const QString &text);

struct CellStore {
    workbook::SheetBuilder &out;
    std::uint32_t sharedStrings;         // the sheet's strings table holds them from 0 on
    const std::vector<bool> &dateXf;     // cell formats that show dates

    bool isDateStyle(int xf) const { return xf >= 0 && std::size_t(xf) < dateXf.size() && dateXf[std::size_t(xf)]; }
    // `type` is the cell's t attribute ("" for a number), `value` the text of <v> or of
    // the inline string.
    void store(int row, int column, QStringView type, int xf, const QString &value) const;
};

}
