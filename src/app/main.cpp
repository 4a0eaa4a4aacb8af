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
    // --help and --version answer without a display, before Qt looks for one.
    const QStringList raw = argumentsOf(argc, argv);
    if (commandline::wantsTerminalOnly(raw))
        return answerOnTerminal(commandline::parse(raw));

    QApplication application(argc, argv);
    // QApplication has taken out its own options (-platform, -style ...).
    const commandline::Parsed parsed = commandline::parse(application.arguments().mid(1));
    if (parsed.action != commandline::Parsed::Action::Run)
        return answerOnTerminal(parsed);
    app().startWorkbook = parsed.workbook;

    Tmainform *mainform = createApplicationWindows();
    mainform->show();
    mainform->activateWindow();
    const int result = application.exec();
    destroyApplicationWindows();
    return result;
}
