#pragma once

#include "workbook/workbook.h"

// Which worksheet a workbook is read from: the first one, unless it holds no table a chart
// can use (an information block written before the data, as battery cyclers export), when
// the first later worksheet that does is read instead.
namespace workbook {

// Whether `sheet` holds a table a chart can use: a column with at least two numbers (or
// dates) below a text, its name. Judged on the sheet's first rows.
bool holdsChartTable(const Worksheet &sheet);

}
