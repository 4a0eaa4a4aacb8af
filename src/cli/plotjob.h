#pragma once

#include "cli/plotoptions.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstdio>

// One run of tabrovex-plot: the same read, report, check, loading and drawing as the
// program's windows, through the same library code.
struct PlotRun {
    int exitCode = 0;   // 0 done, 2 workbook not read, 3 choice refused or loading failed,
                        // 4 output not written
    QByteArray json;    // for standard output, when done (empty: already written)
    QString error;      // for standard error, when not
    QStringList warnings; // for standard error also when done: the items not drawn (gaps)
};

// `programFolder` ends in "/"; the default settings file is ini/option.ini below it. The
// table command writes its JSON to `out` as it makes it (a table of one long text in
// thousands of cells is gigabytes of JSON); a refused write ends it with exit code 4.
PlotRun runPlot(const PlotOptions &options, const QString &programFolder, std::FILE *out);
