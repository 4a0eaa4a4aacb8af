#pragma once

#include <QString>
#include <QStringList>

// The file name "保存图表..." offers: the workbook's name and the curves' names, so charts
// saved from one workbook tell each other apart.
namespace chartfilename {

// "<workbook base name>_<name 1>_<name 2>..." with characters that cannot stand in a file
// name (on this system or on the ones the file may be copied to) replaced by "_", empty
// names left out, and cut to a length every file system takes. No extension.
QString suggest(const QString &workbookPath, const QStringList &curveNames);

}
