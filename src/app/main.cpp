#include "app/mainunit.h"
#include "app/startup.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    Tmainform *mainform = createApplicationWindows();
    mainform->show();
    mainform->activateWindow();
    const int result = application.exec();
    destroyApplicationWindows();
    return result;
}
