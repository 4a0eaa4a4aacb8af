#include "app/appstate.h"

#include "settings/inifile.h"
#include "settings/settingslocation.h"

AppState &app()
{
    static AppState state;
    return state;
}

void resetAppState()
{
    AppState &s = app();
    AppState fresh;
    fresh.executableFolder = s.executableFolder;
    fresh.userConfigFolder = s.userConfigFolder;
    fresh.dataFolders = s.dataFolders;
    fresh.dataFoldersSet = s.dataFoldersSet;
    s = std::move(fresh);
}

namespace {

QStringList dataFoldersOf(const AppState &s)
{
    return s.dataFoldersSet ? s.dataFolders : settingslocation::installedDataFolders(s.exePath);
}

}

QString AppState::chooseSettingsFile() const
{
    const QString config = userConfigFolder.isEmpty() ? settingslocation::userConfigFolder() : userConfigFolder;
    return settingslocation::chooseSettingsFile(exePath, config, dataFoldersOf(*this));
}

QString AppState::settingsFileToRead() const
{
    const QString config = userConfigFolder.isEmpty() ? settingslocation::userConfigFolder() : userConfigFolder;
    return settingslocation::settingsFileToRead(executableFolder, config, dataFoldersOf(*this));
}

QString AppState::sampleWorkbook() const
{
    return settingslocation::findSampleWorkbook(exePath, dataFoldersOf(*this));
}
