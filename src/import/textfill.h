#pragma once

class ColumnStore;
class TableFill;

namespace textcolumns {
struct Table;
}

// Delimited text read as typed columns goes into the column store without a sheet of cells:
// the first rows go through the table fill as cells, so the layout (names, units, header
// lines, where the readings start) is decided exactly as for any sheet; the readings below
// them are appended a column at a time, as the columns hold them. The result is the one
// the rows read cell by cell give.
namespace textfill {

// Fills `store` (cleared, inside the read's batch) through `fill` from `table`, whose columns
// it frees as it goes. False, with nothing changed, when the table needs the cell-by-cell
// read: blank-only fields, a made X column, merged date and time columns, a table that does
// not start in the first column or ends inside the first rows, a refusal.
bool fill(textcolumns::Table &table, ColumnStore &store, TableFill &fill);

}
