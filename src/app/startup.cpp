#include "app/startup.h"

#include "app/appstate.h"
#include "app/mainunit.h"
#include "app/translations.h"
#include "chartwin/chartdocument.h"
#include "chartwin/ui/dataLineUnit.h"
#include "import/automation.h"
#include "import/excelapp.h"
#include "settings/ui/setcolorUnit.h"
#include "settings/ui/setrulerUnit.h"
#include "widgets/services.h"
#include "widgets/widgetstyle.h"

#include <QCoreApplication>

Tmainform *createApplicationWindows()
{
    QCoreApplication::setApplicationName(applicationTitle());
    installQtTranslations();
    widgetstyle::installFontSubstitutes();
    // Our own spreadsheet application answers the workbook read.
    automation::Registry &registry = automation::Registry::global();
    if (!registry.contains(QStringLiteral("Excel.Application")))
        excelapp::registerApplication(registry);

    AppState &s = app();
    if (s.executableFolder.isEmpty())
        s.executableFolder = QCoreApplication::applicationDirPath() + QLatin1Char('/');
    s.mainform = new Tmainform;
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
