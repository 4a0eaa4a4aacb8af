#include "app/appstate.h"
#include "app/commandline.h"
#include "app/mainunit.h"
#include "app/startup.h"
#include "app/translations.h"
#include "base/language.h"
#include "settings/choicesettings.h"
#include "settings/inifile.h"

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

int refuse(const QString &message)
{
    std::fprintf(stderr, "tabrovex: %s\n%s", message.toLocal8Bit().constData(),
                 commandline::usage().toLocal8Bit().constData());
    return 1;
}

int answerOnTerminal(const commandline::Parsed &parsed)
{
    using Action = commandline::Parsed::Action;
    if (parsed.action == Action::Help) {
        std::fputs(commandline::usage().toLocal8Bit().constData(), stdout);
        return 0;
    }
    if (parsed.action == Action::Recent) {
        app().executableFolder = QCoreApplication::applicationDirPath() + QLatin1Char('/');
        const IniFile ini(app().settingsFileToRead());
        std::fputs(commandline::recentList(choicesettings::readRecentFiles(ini)).toLocal8Bit().constData(), stdout);
        return std::fflush(stdout) == 0 && !std::ferror(stdout) ? 0 : 4;
    }
    if (parsed.action == Action::Version) {
        std::fputs(commandline::version().toLocal8Bit().constData(), stdout);
        return 0;
    }
    return refuse(parsed.message);
}

}

int main(int argc, char *argv[])
{
    // --lang, wherever it stands, before the rest is judged, so that a refusal speaks it.
    QStringList arguments = commandline::withoutQtOptions(argumentsOf(argc, argv));
    const language::Choice choice = language::takeLanguageOption(&arguments);
    app().language = choice.given ? choice.language : language::ofEnvironment();

    // Judged before QApplication, which needs a display: --help, --version and a refused
    // command line answer on the terminal without one.
    const commandline::Parsed parsed = commandline::parse(arguments);
    if (choice.refused || parsed.action != commandline::Parsed::Action::Run) {
        QCoreApplication terminal(argc, argv);
        installTranslations();
        // Judged again now that the texts are in the language chosen.
        return choice.refused ? refuse(language::refusal(choice)) : answerOnTerminal(commandline::parse(arguments));
    }

    QApplication application(argc, argv);
    app().startWorkbook = parsed.workbook;
    Tmainform *mainform = createApplicationWindows();
    mainform->show();
    mainform->activateWindow();
    const int result = application.exec();
    destroyApplicationWindows();
    return result;
}
