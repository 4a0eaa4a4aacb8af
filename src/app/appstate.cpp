#include "app/appstate.h"

#include "settings/inifile.h"

AppState &app()
{
    static AppState state;
    return state;
}

void resetAppState()
{
    AppState &s = app();
    QString folder = s.executableFolder;
    s = AppState();
    s.executableFolder = folder;
}
