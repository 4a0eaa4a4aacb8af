#include "app/appstate.h"
#include "app/commandline.h"
#include "app/mainunit.h"
#include "app/startup.h"

#include <QApplication>

#include <cstdio>

namespace {

QStringList argumentsOf(int argc, char *argv[])
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    return arguments;
}

int answerOnTerminal(const commandline::Parsed &parsed)
{
    using Action = commandline::Parsed::Action;
    if (parsed.action == Action::Help) {
        std::fputs(commandline::usage().toLocal8Bit().constData(), stdout);
        return 0;
    }
    if (parsed.action == Action::Version) {
        std::fputs(commandline::version().toLocal8Bit().constData(), stdout);
        return 0;
    }
    std::fprintf(stderr, "tabrovex: %s\n%s", parsed.message.toLocal8Bit().constData(),
                 commandline::usage().toLocal8Bit().constData());
    return 1;
}

}

int main(int argc, char *argv[])
{
    // Judged before QApplication, which needs a display: --help, --version and a refused
    // command line answer on the terminal without one.
    const commandline::Parsed parsed = commandline::parse(commandline::withoutQtOptions(argumentsOf(argc, argv)));
    if (parsed.action != commandline::Parsed::Action::Run)
        return answerOnTerminal(parsed);

    QApplication application(argc, argv);
    app().startWorkbook = parsed.workbook;
    Tmainform *mainform = createApplicationWindows();
    mainform->show();
    mainform->activateWindow();
    const int result = application.exec();
    destroyApplicationWindows();
    return result;
}
