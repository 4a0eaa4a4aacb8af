// Times what a user waits for in the windows:
//   - cold start of the program (a fresh process) until the main window is shown;
//   - from "绘制曲线" on a 1,000-row, 5-column workbook until the chart window is painted;
//   - a scaling mode switch in the chart window (reload and both redraws).
// Runs on Qt's offscreen platform. Usage: bench_ui [workbook folder]
#include "app/appstate.h"
#include "app/mainunit.h"
#include "widgets/services.h"
#include "app/startup.h"
#include "chartwin/dataLineUnit.h"

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

// Answers nothing; a modal showing runs the bench's own code.
class BenchServices : public Services
{
public:
    std::function<void(QDialog *)> onModal;
    void showMessage(QWidget *, const QString &text) override { std::printf("message: %s\n", qPrintable(text)); }
    void showError(QWidget *, const QString &text) override { std::printf("error: %s\n", qPrintable(text)); }
    QString getOpenFileName(QWidget *, const QString &, const QString &) override { return QString(); }
    QString getSaveFileName(QWidget *, const QString &, QString *) override { return QString(); }
    bool pickColor(QWidget *, int, int *) override { return false; }
    QAction *popUpMenu(QMenu *, const QPoint &) override { return nullptr; }
    void showModal(QDialog *dialog) override
    {
        dialog->show();
        if (onModal)
            onModal(dialog);
        dialog->hide();
    }
};

// The child process of the start-up figure: the program's start, then exit once shown.
int startupChild(int argc, char **argv, const QString &folder)
{
    QApplication application(argc, argv);
    app().executableFolder = folder;
    Tmainform *main = createApplicationWindows();
    main->show();
    QTimer::singleShot(0, [] {
        std::printf("shown\n");
        std::fflush(stdout);
        QCoreApplication::quit();
    });
    application.exec();
    destroyApplicationWindows();
    return 0;
}

void benchStartup(const QString &self, const QString &folder)
{
    std::vector<double> times;
    for (int i = 0; i < 11; ++i) {
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        child.setProcessEnvironment(env);
        QElapsedTimer timer;
        timer.start();
        child.start(self, {QStringLiteral("--startup-child"), folder});
        while (!child.canReadLine() && child.state() != QProcess::NotRunning)
            child.waitForReadyRead(5000);
        times.push_back(timer.nsecsElapsed() / 1e6);
        child.waitForFinished(5000);
    }
    std::printf("cold start to main window shown: median %.1f ms (min %.1f, %zu runs; goal 300 ms)\n",
                median(times), *std::min_element(times.begin(), times.end()), times.size());
}

void benchChartWindow(const QString &folder, BenchServices &services)
{
    app().executableFolder = folder;
    setServices(&services);
    Tmainform *main = createApplicationWindows();
    main->show();
    QElapsedTimer wait;
    wait.start();
    while (main->readCount() == 0 && wait.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    if (!main->drawBtn->isEnabled()) {
        std::printf("the workbook was not read\n");
        return;
    }

    QElapsedTimer timer;
    std::vector<double> opening, modeSwitch;
    services.onModal = [&](QDialog *dialog) {
        TdataLineForm *chart = app().dataLineForm;
        if (dialog != chart)
            return;
        chart->repaint();
        opening.push_back(timer.nsecsElapsed() / 1e6);
        for (int i = 0; i < 10; ++i) {
            QRadioButton *box = i % 2 ? chart->box1 : chart->box3;
            QElapsedTimer t;
            t.start();
            box->click();
            modeSwitch.push_back(t.nsecsElapsed() / 1e6);
        }
    };
    for (int i = 0; i < 11; ++i) {
        timer.start();
        main->drawBtnClick();
    }
    std::printf("\"绘制曲线\" on 1,000 x 5 to the chart window painted: median %.1f ms (goal 50 ms)\n", median(opening));
    std::printf("scaling mode switch (load and both redraws): median %.1f ms (goal 20 ms)\n", median(modeSwitch));
    destroyApplicationWindows();
}

}

int main(int argc, char **argv)
{
    if (argc > 2 && QByteArray(argv[1]) == "--startup-child")
        return startupChild(argc, argv, QString::fromLocal8Bit(argv[2]));

    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const QString data = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(TABROVEX_BINARY_DIR "/bench-data");
    const QString workbook = data + QStringLiteral("/bench_chart_1000x5.xls");
    if (!QFileInfo::exists(workbook))
        QProcess::execute(QStringLiteral("/usr/bin/python3"),
                          {QStringLiteral(TABROVEX_SOURCE_DIR "/bench/make_bench_workbooks.py"), data});

    // Each run gets a folder of its own, as a fresh installation: ini/ and 001.xls.
    QTemporaryDir sampleFolder, chartFolder;
    for (QTemporaryDir *dir : {&sampleFolder, &chartFolder})
        QDir(dir->path()).mkdir(QStringLiteral("ini"));
    QFile::copy(QStringLiteral(TABROVEX_SOURCE_DIR "/data/001.xls"), sampleFolder.filePath(QStringLiteral("001.xls")));
    QFile::copy(workbook, chartFolder.filePath(QStringLiteral("001.xls")));

    benchStartup(QCoreApplication::applicationFilePath(), sampleFolder.path() + QLatin1Char('/'));
    BenchServices services;
    benchChartWindow(chartFolder.path() + QLatin1Char('/'), services);
    return 0;
}
