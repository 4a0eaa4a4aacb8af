#pragma once

#include <QString>

struct ReportPage;

// Prints the page once on the system's default printer: no dialog, no preview.
// Returns the print job's id, and the name of the printer that took it in `printer` (when
// given); 0 when no printer is installed (then nothing is printed, and the caller says so).
// Raises AppError when the page cannot be rendered or the print system refuses the job.
int printReport(const ReportPage &page, QString *printer = nullptr);
