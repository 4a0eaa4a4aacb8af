#pragma once

#include <QByteArray>
#include <QString>

// Reading a workbook file from disk, whatever its format. Every reader refuses a workbook
// in the same words: "无法打开工作簿 <name>：<reason>", raised as AppError.
namespace workbookfile {

[[noreturn]] void refuse(const QString &name, const QString &reason);

// The whole file's bytes; refuses a missing file, a folder or a file that cannot be read.
QByteArray load(const QString &path);

}
