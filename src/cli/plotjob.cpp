#include "cli/plotjob.h"

#include "cli/plotchecks.h"
#include "cli/tablejson.h"

#include "base/apperror.h"
#include "base/readprogress.h"
#include "base/safewrite.h"
#include "chart/kfdline.h"
#include "chartwin/chartdocument.h"
#include "chartwin/chartpage.h"
#include "chartwin/chartsetup.h"
#include "chartwin/rangestats.h"
#include "chartwin/timescale.h"
#include "chartwin/xrange.h"
#include "base/numtext.h"
#include "import/automation.h"
#include "import/columnchoice.h"
#include "import/columnstore.h"
#include "import/excelapp.h"
#include "import/tablereport.h"
#include "import/workbookread.h"
#include "report/chartexport.h"
#include "settings/chartsettings.h"
#include "settings/inifile.h"
#include "settings/settingslocation.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cmath>
#include <memory>
#include <system_error>
#include <thread>

namespace {

QString progressLine(const readprogress::Progress &p)
{
    const double mb = 1024.0 * 1024.0;
    if (p.phase() == readprogress::Phase::Fill)
        return QCoreApplication::translate("plotjob", "放入列表：%1 / %2 行（%3%）\n")
            .arg(p.filledRows())
            .arg(p.fillTotal())
            .arg(int(p.fraction() * 100));
    return QCoreApplication::translate("plotjob", "读取中：%1 行，%2 / %3 MB（%4%）\n")
        .arg(p.rows())
        .arg(double(p.bytes()) / mb, 0, 'f', 1)
        .arg(double(p.fileBytes()) / mb, 0, 'f', 1)
        .arg(int(p.fraction() * 100));
}

QJsonArray toJson(const QStringList &lines)
{
    QJsonArray a;
    for (const QString &line : lines)
        a.append(line);
    return a;
}

// Limits of a time scale are seconds (since 1970-01-01 00:00, or of the day for times of day);
// nonNumeric counts the items not drawn: no number, or in a time column no time.
QJsonObject axisJson(const kfdline::Tline &axis, bool time, int notNumbers)
{
    return QJsonObject{{"name", axis.name},         {"unit", axis.unit},
                       {"lower", axis.lower},       {"upper", axis.upper},
                       {"decimals", axis.decimals}, {"time", time},
                       {"nonNumeric", notNumbers}};
}

// A figure, or null where there is none (no row in the stretch, a cursor beyond the curve).
QJsonValue number(double v)
{
    return std::isfinite(v) ? QJsonValue(v) : QJsonValue(QJsonValue::Null);
}

// The statistics of a stretch of X: its limits (seconds on a time column), its span, and per
// curve the values at both ends, their difference and the figures over the rows between.
QJsonObject statsJson(const rangestats::Result &result, const lineload::Result &loaded)
{
    QJsonArray curves;
    for (const rangestats::Curve &c : result.curves)
        curves.append(QJsonObject{{"column", loaded.yCol[c.curve]},
                                  {"atA", number(c.atA)},
                                  {"atB", number(c.atB)},
                                  {"delta", number(c.atB - c.atA)},
                                  {"min", number(c.min)},
                                  {"max", number(c.max)},
                                  {"mean", number(c.mean)},
                                  {"rms", number(c.rms)},
                                  {"rows", c.rows}});
    return QJsonObject{{"a", number(result.a)}, {"b", number(result.b)}, {"dx", number(result.b - result.a)},
                       {"xRows", result.xRows}, {"curves", curves}};
}

// The boxes as the program leaves them after a read, then the user's clicks: ticking x of a
// column unticks its y and the other way round.
ChoiceState makeChoice(const PlotOptions &options, const TableReport &report, const ColumnStore &store)
{
    ChoiceState state;
    state.colCount = report.setCounts ? report.columns : 0;
    state.itemCounts = store.counts();
    if (report.tickX > 0)
        state.x[report.tickX - 1] = true;
    for (int k : report.tickY)
        state.y[k - 1] = true;
    if (options.xColumn > 0) {
        state.x.fill(false);
        state.x[options.xColumn - 1] = true;
        state.y[options.xColumn - 1] = false;
    }
    if (!options.yColumns.isEmpty()) {
        state.y.fill(false);
        for (int k : options.yColumns) {
            state.y[k - 1] = true;
            state.x[k - 1] = false;
        }
    }
    return state;
}

// The screen chart at the size asked for; the layout follows from Width and Height.
void sizeScreenChart(Tkfdline &screen, const QSize &size)
{
    if (size.isEmpty())
        return;
    screen.Width = size.width();
    screen.Height = size.height();
    screen.setPictureSize(size.width(), size.height());
}

// The main program's settings, read where it keeps them: ini/ beside a portable copy, the
// user's own file (or the starter it is made from) for an installed one. Nothing is written.
QString defaultSettingsFile(const QString &programFolder)
{
    return settingslocation::settingsFileToRead(programFolder, settingslocation::userConfigFolder(),
                                                settingslocation::installedDataFolders(programFolder));
}

// Frees a table's memory on a thread of its own, done before the run returns.
class TableRelease
{
public:
    TableRelease() = default;
    TableRelease(const TableRelease &) = delete;
    TableRelease &operator=(const TableRelease &) = delete;
    ~TableRelease()
    {
        if (m_thread.joinable())
            m_thread.join();
    }
    void start(std::unique_ptr<ColumnStore::Contents> contents)
    {
        try {
            m_thread = std::thread([table = std::move(contents)]() mutable { table.reset(); });
        } catch (const std::system_error &) {
            // No thread to be had: the table is freed here, with the function that took it.
        }
    }

private:
    std::thread m_thread;
};

PlotRun failed(int code, const QString &message)
{
    PlotRun run;
    run.exitCode = code;
    run.error = message;
    return run;
}

// The chart in the form asked for, by OUT's extension: .pdf the printed page, .png the
// screen chart (with --page the printed page at 96 dpi). A device or FIFO has no extension
// to go by: there --page means the page as PDF. Raises AppError when it cannot be written.
void writeChart(const PlotOptions &options, const QImage &screenPicture, const ChartPage &page)
{
    const chartexport::Format format = chartexport::formatOf(options.output);
    if (format == chartexport::Format::Pdf || (format == chartexport::Format::Unknown && options.page))
        chartexport::savePagePdf(page.report(), options.output);
    else if (options.page)
        chartexport::savePagePng(page.report(), options.output, 96);
    else
        chartexport::savePicturePng(screenPicture, options.output);
}

}

PlotRun runPlot(const PlotOptions &options, const QString &programFolder, std::FILE *out)
{
    if (options.command == PlotOptions::Command::Chart) {
        const QString problem = plotchecks::settingsFileProblem(options);
        if (!problem.isEmpty())
            return failed(1, problem);
    }
    ColumnStore store;
    automation::Registry registry;
    excelapp::registerApplication(registry);
    ReadResult read;
    readprogress::Progress progress(QFileInfo(options.workbook).size());
    QElapsedTimer sincePrinted;
    if (options.progress)
        progress.onReport = [&sincePrinted](const readprogress::Progress &p) {
            if (sincePrinted.isValid() && sincePrinted.elapsed() < 500)
                return;
            sincePrinted.start();
            std::fputs(qPrintable(progressLine(p)), stderr);
        };
    try {
        const readprogress::Scope scope(options.progress ? &progress : nullptr);
        read = readWorkbook(options.workbook, store, registry);
        if (options.progress)
            std::fputs(qPrintable(QCoreApplication::translate("plotjob", "读取完毕：%1 行\n").arg(store.count(1))), stderr);
        if (!read.connected)
            return failed(2, read.message);
    } catch (const AppError &e) {
        return failed(2, e.message());
    }
    const TableReport report = reportTable(store, read.notes);
    QStringList log = report.log;

    if (options.command == PlotOptions::Command::Table) {
        if (!tablejson::write(out, store, log, options.firstItem, options.lastItem))
            return failed(4, safewrite::unableToWrite(QStringLiteral("standard output")));
        return PlotRun();
    }

    const QString columns = plotchecks::columnProblem(options, report.columns);
    if (!columns.isEmpty())
        return failed(1, columns);
    const ChoiceState state = makeChoice(options, report, store);
    const ChoiceCheck check = checkChoice(state);
    if (!check.ok)
        return failed(3, check.message);
    const ColumnChoice choice = chosenColumns(state);

    Tkfdline screen;
    chartsetup::setUpScreenChart(screen);
    sizeScreenChart(screen, options.size);
    ChartPage page;
    Tkfdline &printed = page.line1;

    // The chart window's document, over the batch tool's own two charts.
    ChartDocument document(store);
    TableRelease release;
    document.setCharts({&screen, &printed});
    // One view at most (--x-range): its indexes are built when it is asked for.
    document.setIndexOnLoad(false);
    lineload::Request request;
    request.xCol = choice.xCol;
    request.yCols = choice.yCols;
    request.lastRow = report.lastRow;
    request.scaleMode = options.mode;
    request.firstRowsOnly = options.firstRows;
    try {
        document.load(request);
    } catch (const AppError &e) {
        return failed(3, e.message());
    }
    const lineload::Result &loaded = document.loaded();
    log << document.notes();
    const ChartDocument::View whole = document.wholeView();
    auto shown = [&loaded](double v) {
        return loaded.xTime ? timescale::fullText(v, loaded.xDated) : numtext::formatGeneral(v);
    };
    // A stretch in the X column's own form: it can be read only now. Empty: the stretch is fine.
    auto readStretch = [&](const QString &text, xrange::Range *range) {
        QString problem;
        if (!xrange::parse(text, xrange::Form{loaded.xTime, loaded.xDated}, range, &problem))
            return problem;
        if (range->upper < whole.xLower || range->lower > whole.xUpper)
            return QCoreApplication::translate("plotjob", "X范围“%1”不在X列的数据（%2 至 %3）之内")
                .arg(text, shown(whole.xLower), shown(whole.xUpper));
        return QString();
    };
    xrange::Range stretch;
    if (!options.xRange.isEmpty()) {
        const QString problem = readStretch(options.xRange, &stretch);
        if (!problem.isEmpty())
            return failed(1, problem);
        if (stretch.lower < whole.xLower || stretch.upper > whole.xUpper)
            log << QStringLiteral("X范围超出X列的数据（%1至%2），只绘制到数据的两端。")
                       .arg(shown(whole.xLower), shown(whole.xUpper));
    }
    xrange::Range measured;
    if (!options.stats.isEmpty()) {
        const QString problem = readStretch(options.stats, &measured);
        if (!problem.isEmpty())
            return failed(1, problem);
    }

    try {
        // A settings file that cannot be read is an error of the drawing, as in the window.
        const IniFile ini(options.settings.isEmpty() ? defaultSettingsFile(programFolder) : options.settings);
        mainunit::Tline set;
        chartsettings::readAppearance(ini, set);
        chartsetup::applyAppearance(screen, printed, set);
        page.titleLabel.caption = set.title;
        if (options.mode == 0)
            document.setManualLimits(chartsettings::readLimits(ini));
        if (!options.xRange.isEmpty()) {
            document.zoomX(stretch.lower, stretch.upper);
            const ChartDocument::ViewRange rows = document.viewRange();
            log << (rows.isEmpty() ? QStringLiteral("X范围内没有数据行。")
                                   : QStringLiteral("只绘制X范围内的行：第%1至%2个数据行。")
                                         .arg(rows.first + 1).arg(rows.last + 1));
        }
        // From here on only the charts are read: without statistics to work out, the
        // table's memory goes back to the system while they are drawn and written.
        if (options.stats.isEmpty())
            release.start(store.takeContents());
        chartsetup::applyScreenMarkers(screen);
        screen.Redraw();
        printed.Redraw();
    } catch (const AppError &e) {
        return failed(3, e.message());
    }

    try {
        writeChart(options, screen.picture(), page);
    } catch (const AppError &e) {
        return failed(4, e.message());
    }

    QJsonArray curves;
    for (int k = 0; k < loaded.yCount; ++k) {
        QJsonObject curve = axisJson(screen.curves[k], loaded.yTime[k], loaded.yNotNumbers[k]);
        curve.insert("column", loaded.yCol[k]);
        curve.insert("points", screen.pointCount[k]);
        curves.append(curve);
    }
    PlotRun run;
    const QJsonObject x = axisJson(screen.xAxis, loaded.xTime, loaded.xNotNumbers);
    QJsonObject json{{"log", toJson(log)}, {"x", x}, {"curves", curves}};
    if (!options.stats.isEmpty())
        json.insert("stats", statsJson(rangestats::compute(document, measured.lower, measured.upper), loaded));
    run.json = QJsonDocument(json).toJson(QJsonDocument::Compact);
    run.warnings = loaded.valueNotes;
    return run;
}
