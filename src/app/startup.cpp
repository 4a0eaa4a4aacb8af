#include "app/startup.h"

#include "app/appstate.h"
#include "app/mainunit.h"
#include "app/translations.h"
#include "chartwin/chartdocument.h"
#include "chartwin/ui/dataLineUnit.h"
#include "import/automation.h"
#include "import/excelapp.h"
#include "settings/inifile.h"
#include "settings/ui/setcolorUnit.h"
#include "settings/ui/setrulerUnit.h"
#include "widgets/services.h"
#include "widgets/widgetstyle.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QSettings>

namespace {

// Qt keeps what its file dialog and colour picker remember (the folders visited, the
// custom colours) in QtProject.conf of the user's configuration folder; it goes beside
// our settings file instead, so the program writes nothing outside its own folder.
void keepQtSettingsInOwnFolder(const QString &settingsFile)
{
    QString folder = QFileInfo(settingsFile).absolutePath();
    // No folder could be used for the settings (the first write will say so): QSettings
    // would make this one, and the program never makes it. Below /dev/null nothing can be
    // made, so Qt's dialogs then remember nothing.
    if (!QFileInfo(folder).isDir())
        folder = QStringLiteral("/dev/null/tabrovex");
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, folder);
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, folder);
}

}

Tmainform *createApplicationWindows()
{
    QCoreApplication::setApplicationName(applicationTitle());
    AppState &s = app();
    if (s.executableFolder.isEmpty())
        s.executableFolder = QCoreApplication::applicationDirPath() + QLatin1Char('/');
    installTranslations();
    widgetstyle::installFontSubstitutes();
    // Our own spreadsheet application answers the workbook read.
    automation::Registry &registry = automation::Registry::global();
    if (!registry.contains(QStringLiteral("Excel.Application")))
        excelapp::registerApplication(registry);

    s.mainform = new Tmainform;
    keepQtSettingsInOwnFolder(s.iniFile->fileName());
    s.dataLineForm = new TdataLineForm(s.mainform);
    s.setLinecolorform = new TsetLinecolorform(s.dataLineForm);
    s.setrulerForm = new TsetrulerForm(s.dataLineForm);
    // Each window is handed what it shows; none looks another up.
    ChartDocument &chart = s.mainform->chartDocument();
    s.dataLineForm->setDocument(&chart);
    s.dataLineForm->setLineSet(&s.lineSet);
    s.dataLineForm->setDialogs(s.setLinecolorform, s.setrulerForm);
    s.setLinecolorform->setLineSet(&s.lineSet);
    s.setrulerForm->setDocument(&chart);
    s.setrulerForm->setLineSet(&s.lineSet);
    return s.mainform;
}

void destroyApplicationWindows()
{
    AppState &s = app();
    delete s.mainform; // owns the other three
    resetAppState();
}
