#include "import/workbookfile.h"

#include "base/apperror.h"

#include <QFile>
#include <QFileInfo>

namespace workbookfile {

void refuse(const QString &name, const QString &reason)
{
    throw AppError(QStringLiteral("无法打开工作簿 %1：%2").arg(name, reason));
}

QByteArray load(const QString &path)
{
    const QFileInfo info(path);
    if (!info.exists())
        refuse(path, QStringLiteral("文件不存在"));
    QFile file(path);
    if (info.isDir() || !file.open(QIODevice::ReadOnly))
        refuse(path, QStringLiteral("无法读取文件"));
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        refuse(path, QStringLiteral("无法读取文件"));
    return bytes;
}

}
