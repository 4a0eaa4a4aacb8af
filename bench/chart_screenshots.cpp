// Pictures of the windows for the notes, grabbed on Qt's offscreen platform from the real
// windows: the chart of a 65,536-row test-bench log with the read-out near the end of its X
// range, and a 12-column table in the main window (band scrolled, column 12 ticked) with its
// chart. Usage: chart_screenshots OUTDIR [workbook folder]
#include "offscreendesktop.h"
#include "app/appstate.h"
#include "app/mainunit.h"
#include "app/startup.h"
#include "chart/kfdline.h"
#include "chartwin/ui/chartview.h"
#include "chartwin/ui/dataLineUnit.h"
#include "widgets/services.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QMouseEvent>
#include <QProcess>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>

#include <cstdio>
#include <functional>

namespace {

class ShotServices : public Services
{
public:
    std::function<void(QDialog *)> onModal;
    void showMessage(QWidget *, const QString &text) override { std::printf("message: %s\n", qPrintable(text)); }
    void showError(QWidget *, const QString &text) override { std::printf("error: %s\n", qPrintable(text)); }
    QString getOpenFileName(QWidget *, const QString &, const QString &, const QString &) override { return QString(); }
    QString getSaveFileName(QWidget *, const QString &, QString *, const QString &) override { return QString(); }
    bool pickColor(QWidget *, int, int *) override { return false; }
    void showModal(QDialog *dialog) override
    {
        dialog->show();
        if (onModal)
            onModal(dialog);
        dialog->hide();
    }
    QAction *popUpMenu(QMenu *, const QPoint &) override { return nullptr; }
};

void save(QWidget *window, const QString &path)
{
    const bool ok = window->grab().save(path, "PNG");
    std::printf("%s %s\n", ok ? "wrote" : "could not write", qPrintable(path));
}

// A fresh program whose 001.xls is `workbook`, read as at start.
Tmainform *startOn(const QString &workbook, QTemporaryDir &folder)
{
    QDir(folder.path()).mkdir(QStringLiteral("ini"));
    QFile::copy(workbook, folder.filePath(QStringLiteral("001.xls")));
    app().executableFolder = folder.path() + QLatin1Char('/');
    Tmainform *main = createApplicationWindows();
    main->show();
    QElapsedTimer wait;
    wait.start();
    while (main->readCount() == 0 && wait.elapsed() < 10000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    return main;
}

void hover(ChartView *view, QPoint at)
{
    QMouseEvent move(QEvent::MouseMove, QPointF(at), QPointF(view->mapToGlobal(at)), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QCoreApplication::sendEvent(view, &move);
}

void longTable(const QString &workbook, const QString &out, ShotServices &services)
{
    QTemporaryDir folder;
    Tmainform *main = startOn(workbook, folder);
    services.onModal = [&](QDialog *dialog) {
        TdataLineForm *chart = app().dataLineForm;
        if (dialog != chart)
            return;
        const Tkfdline *k = chart->kfdline1;
        // Near the right end of the X scale, over the curves.
        hover(chart->kfdline1View, QPoint(k->Width - k->marginRight - 6, k->marginTop + 170));
        save(chart, out + QStringLiteral("/chart-65536-rows-readout.png"));
    };
    main->drawBtnClick();
    save(main, out + QStringLiteral("/main-65536-rows.png"));
    destroyApplicationWindows();
}

void wideTable(const QString &workbook, const QString &out, ShotServices &services)
{
    QTemporaryDir folder;
    Tmainform *main = startOn(workbook, folder);
    // y of column 5 off, the band scrolled to its end, y of column 12 on.
    main->yBox[5]->setChecked(false);
    main->columnScroll->setValue(main->columnScroll->maximum());
    main->yBox[12]->setChecked(true);
    save(main, out + QStringLiteral("/main-12-columns.png"));
    services.onModal = [&](QDialog *dialog) {
        if (dialog == app().dataLineForm)
            save(dialog, out + QStringLiteral("/chart-12-columns.png"));
    };
    main->drawBtnClick();
    destroyApplicationWindows();
}

}

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", offscreenDesktop());
    QApplication application(argc, argv);
    if (argc < 2) {
        std::printf("usage: chart_screenshots OUTDIR [workbook folder]\n");
        return 1;
    }
    const QString out = QString::fromLocal8Bit(argv[1]);
    const QString data = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QStringLiteral(TABROVEX_BINARY_DIR "/bench-data");
    const QString longBook = data + QStringLiteral("/bench_chart_65536x5.xls");
    const QString wideBook = data + QStringLiteral("/bench_chart_200x12.xls");
    if (!QFileInfo::exists(longBook) || !QFileInfo::exists(wideBook))
        QProcess::execute(QStringLiteral("/usr/bin/python3"),
                          {QStringLiteral(TABROVEX_SOURCE_DIR "/bench/make_bench_workbooks.py"), data});
    QDir().mkpath(out);
    ShotServices services;
    setServices(&services);
    longTable(longBook, out, services);
    wideTable(wideBook, out, services);
    setServices(nullptr);
    return 0;
}
