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
    Services *services = s.services;
    QString folder = s.executableFolder;
    s = AppState();
    s.services = services;
    s.executableFolder = folder;
}

QString applicationTitle()
{
    return QStringLiteral("Excel数据曲线");
}
