#pragma once

#include "cli/plotoptions.h"

#include <QByteArray>
#include <QString>

// One run of tabrovex-plot: the same read, report, check, loading and drawing as the
// program's windows, through the same library code.
struct PlotRun {
    int exitCode = 0;   // 0 done, 2 workbook not read, 3 choice refused or loading failed,
                        // 4 output not written
    QByteArray json;    // for standard output, when done
    QString error;      // for standard error, when not
};

// `programFolder` ends in "/"; the default settings file is ini/option.ini below it.
PlotRun runPlot(const PlotOptions &options, const QString &programFolder);
