#include "app/translations.h"

#include "app/appstate.h"
#include "settings/settingslocation.h"

#include <QCoreApplication>

#include <cstdio>

QStringList catalogueFolders()
{
    const AppState &s = app();
    const QString exeFolder = s.executableFolder.isEmpty()
                                  ? QCoreApplication::applicationDirPath() + QLatin1Char('/')
                                  : s.executableFolder;
    return QStringList{exeFolder}
           + (s.dataFoldersSet ? s.dataFolders : settingslocation::installedDataFolders(exeFolder));
}

catalogues::Installed installTranslations()
{
    const catalogues::Installed installed = catalogues::install(app().language, catalogueFolders());
    // Said on the terminal only: the windows cannot say it in the language that is missing.
    if (!installed.ours)
        std::fprintf(stderr, "tabrovex: %s.qm was not found below %s; the texts stay Chinese\n",
                     qPrintable(catalogues::OurCatalogue), qPrintable(catalogueFolders().join(QLatin1String(", "))));
    return installed;
}

bool installQtTranslations()
{
    return installTranslations().qt;
}
