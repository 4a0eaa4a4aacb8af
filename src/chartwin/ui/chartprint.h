#pragma once

#include <QString>

class ChartPage;

// Prints the chart page once on the default printer, as it was last drawn: nothing is
// redrawn. Returns the print job's id and puts the printer's name in `printer`, 0 when no
// printer is installed; raises AppError when printing fails.
int printReport(const ChartPage &page, QString *printer = nullptr);
