#include "app/settingslocation.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <unistd.h>

#ifndef TABROVEX_DATA_FROM_BIN
#define TABROVEX_DATA_FROM_BIN "../share/tabrovex"
#endif

namespace settingslocation {

namespace {

QString withSlash(QString folder)
{
    if (!folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    return folder;
}

QString firstExisting(const QStringList &folders, const QString &name)
{
    for (const QString &folder : folders) {
        const QString path = withSlash(folder) + name;
        if (QFileInfo(path).isFile())
            return path;
    }
    return QString();
}

// Copies the starter into place without ever leaving a half-written settings file: a
// temporary file in the same folder is renamed over the target only when complete.
void seed(const QString &target, const QString &starter)
{
    QFile source(starter);
    if (!source.open(QIODevice::ReadOnly))
        return;
    const QByteArray bytes = source.readAll();
    const QString temporary = target + QStringLiteral(".new");
    QFile out(temporary);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return;
    const bool written = out.write(bytes) == bytes.size() && out.flush();
    out.close();
    if (!written || ::rename(QFile::encodeName(temporary).constData(), QFile::encodeName(target).constData()) != 0)
        QFile::remove(temporary);
}

}

QString userConfigFolder()
{
    return withSlash(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation))
           + QStringLiteral("tabrovex/");
}

QStringList installedDataFolders(const QString &exeFolder)
{
    QStringList folders;
    if (!exeFolder.isEmpty())
        folders << withSlash(QDir::cleanPath(withSlash(exeFolder) + QStringLiteral(TABROVEX_DATA_FROM_BIN)));
    const QStringList shared = QStandardPaths::locateAll(QStandardPaths::GenericDataLocation,
                                                         QStringLiteral("tabrovex"), QStandardPaths::LocateDirectory);
    for (const QString &folder : shared) {
        const QString f = withSlash(QDir::cleanPath(folder));
        if (!folders.contains(f))
            folders << f;
    }
    return folders;
}

bool isWritableFolder(const QString &folder)
{
    // access() and not the mode bits: it knows root, read-only mounts and immutable folders.
    return QFileInfo(folder).isDir() && ::access(QFile::encodeName(folder).constData(), W_OK | X_OK) == 0;
}

QString chooseSettingsFile(const QString &exeFolder, const QString &configFolder, const QStringList &dataFolders)
{
    const QString besideFolder = withSlash(exeFolder) + SettingsFolderName;
    const QString beside = besideFolder + QLatin1Char('/') + SettingsFileName;
    if (isWritableFolder(besideFolder))
        return beside;
    if (configFolder.isEmpty() || !QDir().mkpath(configFolder) || !isWritableFolder(configFolder))
        return beside;

    const QString own = withSlash(configFolder) + SettingsFileName;
    if (!QFileInfo::exists(own)) {
        const QString starter = QFileInfo(beside).isFile() ? beside : firstExisting(dataFolders, SettingsFileName);
        if (!starter.isEmpty())
            seed(own, starter);
    }
    return own;
}

QString findSampleWorkbook(const QString &exeFolder, const QStringList &dataFolders)
{
    return firstExisting(QStringList{exeFolder} + dataFolders, SampleFileName);
}

}
