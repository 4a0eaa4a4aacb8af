#pragma once

#include <QString>
#include <QStringList>

// Where the program keeps its settings file and finds the files an installation brings.
//
// A copy that carries a writable ini/ folder beside its executable (the build folder, a
// portable copy) keeps everything there, as it always has. An installed program, whose
// folder the user cannot write, keeps option.ini in the user's configuration folder and
// takes the sample workbook and the starter settings from the installed data folder.
namespace settingslocation {

// $XDG_CONFIG_HOME/tabrovex/ (with a trailing "/").
QString userConfigFolder();

// The installed data folders, best first, each with a trailing "/": the one beside the
// executable's installation prefix (../share/tabrovex/), then those of $XDG_DATA_DIRS.
QStringList installedDataFolders(const QString &exeFolder);

// True when `folder` exists and this process may create and replace files in it.
bool isWritableFolder(const QString &folder);

// The settings file for an executable in `exeFolder` (trailing "/"). When the user's
// folder is taken and holds no option.ini yet, it is created and seeded from a read-only
// ini/option.ini beside the executable or else from the first starter file in
// `dataFolders`. When no folder can be used the classic path is returned, so that the
// first write reports the refusal with it.
QString chooseSettingsFile(const QString &exeFolder, const QString &configFolder,
                           const QStringList &dataFolders);

// The file holding the settings that chooseSettingsFile's file holds or would be seeded with,
// found without creating or writing anything: for a reader such as tabrovex-plot. The
// starter itself when the user's file is not there yet.
QString settingsFileToRead(const QString &exeFolder, const QString &configFolder,
                           const QStringList &dataFolders);

// The workbook opened when nothing is remembered: 001.xls beside the executable, then in
// the data folders. Empty when there is none.
QString findSampleWorkbook(const QString &exeFolder, const QStringList &dataFolders);

// Names of the files above.
inline const QString SettingsFolderName = QStringLiteral("ini");
inline const QString SettingsFileName = QStringLiteral("option.ini");
inline const QString SampleFileName = QStringLiteral("001.xls");

}
