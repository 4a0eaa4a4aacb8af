#pragma once

#include "workbook/workbook.h"

// Which worksheet a workbook is read from: the first one, unless it holds no table a chart
// can use (an information block written before the data, as battery cyclers export), when
// the later worksheet with the longest such table is read instead: cyclers write a cycle
// summary and step statistics beside the records, and the records are the long table.
namespace workbook {

// Whether `sheet` holds a table a chart can use: a column with at least two numbers (or
// dates) below a text, its name. Judged on the sheet's first rows.
bool holdsChartTable(const Worksheet &sheet);

// Whether `candidate` is to be read rather than the later sheet found so far (`rowsSoFar` used
// rows; 0 for none): it holds a table and more rows. Among equals the earlier sheet stays.
bool outranks(const Worksheet &candidate, int rowsSoFar);

}
