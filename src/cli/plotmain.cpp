#include "cli/plotjob.h"
#include "cli/plotoptions.h"

#include "base/catalogues.h"
#include "base/language.h"
#include "base/safewrite.h"
#include "settings/settingslocation.h"

#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>

#include <cstdio>
#include <new>

namespace {

void print(FILE *stream, const QByteArray &bytes)
{
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
}

}

int main(int argc, char *argv[])
{
    // Fonts need a GUI application, a display does not: nothing is shown, so draw offscreen
    // unless told otherwise (a set but unreachable DISPLAY would only make Qt abort).
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Batch jobs often run without a login session; a private runtime folder keeps Qt from
    // warning about the missing one on every run.
    QTemporaryDir runtimeFolder;
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR") && runtimeFolder.isValid())
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtimeFolder.path()));
    QGuiApplication application(argc, argv);
    QGuiApplication::setApplicationName(QStringLiteral("tabrovex-plot"));
    QGuiApplication::setApplicationVersion(QStringLiteral(TABROVEX_VERSION));

    // The language of the usage and the messages; the JSON and its log lines are the same
    // in every language, for the scripts that read them: the log's texts keep their source.
    QStringList arguments = application.arguments().mid(1);
    const language::Choice choice = language::takeLanguageOption(&arguments);
    const QString exeFolder = QCoreApplication::applicationDirPath() + QLatin1Char('/');
    const catalogues::Installed installed = catalogues::install(
        choice.given ? choice.language : language::ofEnvironment(),
        QStringList{exeFolder} + settingslocation::installedDataFolders(exeFolder),
        {QLatin1String(catalogues::LogContext)});
    if (!installed.ours)
        print(stderr, QStringLiteral("tabrovex-plot: %1.qm was not found; the texts stay Chinese\n")
                          .arg(catalogues::OurCatalogue).toUtf8());
    if (choice.refused) {
        print(stderr, QStringLiteral("tabrovex-plot: %1\n\n%2").arg(language::refusal(choice), plotUsage()).toUtf8());
        return 1;
    }

    PlotOptions options;
    QString error;
    if (!parsePlotOptions(arguments, &options, &error)) {
        print(stderr, QStringLiteral("tabrovex-plot: %1\n\n%2").arg(error, plotUsage()).toUtf8());
        return 1;
    }
    if (options.command == PlotOptions::Command::Help) {
        print(stdout, plotUsage().toUtf8());
        return 0;
    }
    if (options.command == PlotOptions::Command::Version) {
        print(stdout, QByteArray("tabrovex-plot " TABROVEX_VERSION "\n"));
        return 0;
    }

    PlotRun run;
    try {
        run = runPlot(options, exeFolder, stdout);
    } catch (const std::bad_alloc &) {
        // The readers refuse a workbook that needs too much memory themselves; this is for
        // memory running out anywhere else, which must end in a message, not an abort.
        print(stderr, (QStringLiteral("tabrovex-plot: ") + QCoreApplication::translate("plotmain", "内存不足") + '\n').toUtf8());
        return 2;
    }
    if (run.exitCode != 0) {
        print(stderr, (run.error + QLatin1Char('\n')).toUtf8());
        return run.exitCode;
    }
    for (const QString &warning : run.warnings)
        print(stderr, (warning + QLatin1Char('\n')).toUtf8());
    if (!run.json.isEmpty() && !safewrite::writeStream(stdout, run.json + '\n')) {
        print(stderr, safewrite::unableToWrite(QStringLiteral("standard output")).toUtf8() + '\n');
        return 4;
    }
    return 0;
}
