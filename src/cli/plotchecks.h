#pragma once

#include <QString>

struct PlotOptions;

// Mistakes in a chart command that only the files can show; each gives the usage error to
// report, or an empty text when there is none.
namespace plotchecks {

// A settings file named with --settings must be there: silently drawing with the defaults
// would hide a typing error.
QString settingsFileProblem(const PlotOptions &options);

// Columns named with -x or -y must lie within the table read (`tableColumns` filled lists).
QString columnProblem(const PlotOptions &options, int tableColumns);

}
