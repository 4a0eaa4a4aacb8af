#pragma once

struct ReportPage;

// Prints the page once on the system's default printer: no dialog, no preview.
// Returns the print job's id, or 0 when no printer is installed (then nothing happens
// and nothing is shown). Raises AppError when the page cannot be rendered or the
// print system refuses the job.
int printReport(const ReportPage &page);
