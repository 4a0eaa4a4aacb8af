#include "settings/settingslocation.h"

#include "base/safewrite.h"

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

// Copies the starter into place without ever leaving a half-written settings file.
void seed(const QString &target, const QString &starter)
{
    QFile source(starter);
    if (!source.open(QIODevice::ReadOnly))
        return;
    safewrite::replaceFileContent(target, source.readAll());
}

// The folder itself when it exists, else the closest folder above it that does (where
// making it would start); a file on the way is returned as it is and is no folder.
QString nearestExisting(const QString &folder)
{
    QString path = QDir::cleanPath(QDir(folder).absolutePath());
    while (!QFileInfo::exists(path) && path != QLatin1String("/"))
        path = QFileInfo(path).path();
    return path;
}

QString besideFolderOf(const QString &exeFolder)
{
    return withSlash(exeFolder) + SettingsFolderName;
}

// The starter for a new user file: a read-only ini/option.ini beside the executable, else
// the first installed one.
QString starterFor(const QString &beside, const QStringList &dataFolders)
{
    return QFileInfo(beside).isFile() ? beside : firstExisting(dataFolders, SettingsFileName);
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
    const QString besideFolder = besideFolderOf(exeFolder);
    const QString beside = besideFolder + QLatin1Char('/') + SettingsFileName;
    if (isWritableFolder(besideFolder))
        return beside;
    if (configFolder.isEmpty() || !QDir().mkpath(configFolder) || !isWritableFolder(configFolder))
        return beside;

    const QString own = withSlash(configFolder) + SettingsFileName;
    if (!QFileInfo::exists(own)) {
        const QString starter = starterFor(beside, dataFolders);
        if (!starter.isEmpty())
            seed(own, starter);
    }
    return own;
}

QString settingsFileToRead(const QString &exeFolder, const QString &configFolder, const QStringList &dataFolders)
{
    const QString besideFolder = besideFolderOf(exeFolder);
    const QString beside = besideFolder + QLatin1Char('/') + SettingsFileName;
    if (isWritableFolder(besideFolder) || configFolder.isEmpty())
        return beside;
    // A folder that chooseSettingsFile could neither use nor make: it falls back there too.
    if (!isWritableFolder(nearestExisting(configFolder)))
        return beside;
    const QString own = withSlash(configFolder) + SettingsFileName;
    if (QFileInfo::exists(own))
        return own;
    const QString starter = starterFor(beside, dataFolders);
    return starter.isEmpty() ? own : starter;
}

QString findSampleWorkbook(const QString &exeFolder, const QStringList &dataFolders)
{
    return firstExisting(QStringList{exeFolder} + dataFolders, SampleFileName);
}

}
