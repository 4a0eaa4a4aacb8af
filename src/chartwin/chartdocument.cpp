#include "chartwin/chartdocument.h"

#include "chart/kfdline.h"
#include "import/columnstore.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <exception>
#include <utility>

ChartDocument::ChartDocument(const ColumnStore &store, QObject *parent)
    : QObject(parent), m_store(store)
{
    // A new table makes the values converted from the old one wrong; the charts keep the
    // last load until the next one. Rows added below a table leave the values of the rows
    // it had: those are kept, and the next load converts and indexes only the new ones.
    connect(&store, &ColumnStore::resetFinished, this, [this] {
        m_values.keepItems(m_store);
        m_stale = true;
        if (m_values.find(m_request.xCol))
            return;
        // The indexes point into those values; views wait for the next load.
        m_indexes.clear();
        m_stats.reset();
    });
}

ChartDocument::~ChartDocument() = default;

QStringList ChartDocument::notes() const
{
    QStringList lines = m_loaded.valueNotes;
    const QString rows = lineload::rowNotice(m_loaded);
    if (!rows.isEmpty())
        lines << rows;
    return lines;
}

const kfdline::Tline &ChartDocument::curve(int k) const
{
    static const kfdline::Tline none;
    if (m_charts.empty() || k < 0 || k >= kfdline::MaxCurves)
        return none;
    return m_charts.front()->curves[k];
}

void ChartDocument::setCharts(std::vector<Tkfdline *> charts)
{
    m_charts = std::move(charts);
}

void ChartDocument::load(const lineload::Request &request)
{
    m_request = request;
    reload();
}

void ChartDocument::setScaleMode(int mode)
{
    m_request.scaleMode = mode;
    // Another mode refits the scales to the same X limits, a rectangle's among them.
    View kept = m_xView;
    kept.yLimited = false;
    const bool zoomed = isZoomed() && !m_stale;
    reload();
    if (zoomed)
        showView(clampedView(kept));
}

void ChartDocument::setFirstRowsOnly(bool on)
{
    m_request.firstRowsOnly = on;
    reload();
}

void ChartDocument::setManualLimits(const std::array<chartsettings::Limits, 4> &limits)
{
    m_request.scaleMode = 0;
    m_manualLimits = limits;
    m_hasManualLimits = true;
    applyManualLimits();
    // The user's limits replace a rectangle's.
    m_xView.yLimited = false;
    tell(Change::View);
}

void ChartDocument::applyManualLimits()
{
    for (Tkfdline *chart : m_charts)
        for (int k = 0; k < int(m_manualLimits.size()); ++k) {
            chart->curves[k].lower = m_manualLimits[size_t(k)].lower;
            chart->curves[k].upper = m_manualLimits[size_t(k)].upper;
        }
    for (int k = 0; k < int(m_manualLimits.size()); ++k) {
        m_loadedLimits[size_t(k)].lower = m_manualLimits[size_t(k)].lower;
        m_loadedLimits[size_t(k)].upper = m_manualLimits[size_t(k)].upper;
    }
}

void ChartDocument::reload()
{
    try {
        m_loaded = lineload::loadLineData(m_store, m_request, m_charts, &m_values);
    } catch (...) {
        // The indexes may point into values converted anew before the load was refused.
        m_indexes.clear();
        m_stats.reset();
        throw;
    }
    m_stale = false;
    m_hasManualLimits = false;
    // Until a view is asked for, every row loaded is in view.
    m_view = ViewRange{0, (m_loaded.truncated ? lineload::MaxRows : m_loaded.dataRows) - 1};
    m_whole = View();
    if (!m_charts.empty()) {
        const Tkfdline &chart = *m_charts.front();
        m_whole.xLower = chart.xAxis.lower;
        m_whole.xUpper = chart.xAxis.upper;
        for (int k = 0; k < kfdline::MaxCurves; ++k)
            m_loadedLimits[size_t(k)] = viewload::Limits{chart.curves[k].lower, chart.curves[k].upper,
                                                         chart.curves[k].decimals};
    }
    m_xView = m_whole;
    m_history.clear();
    // Built with the load, so the first zoom costs no more than the next ones; else by the
    // first view (showView).
    if (m_indexOnLoad)
        buildIndexes();
    tell(Change::Data);
}

void ChartDocument::reloadKeepingView(int lastRow)
{
    const View was = m_xView;
    const View wasWhole = m_whole;
    // A table grown in place was replaced in the store's eyes: the view's limits still hold.
    const bool zoomed = isZoomed();
    const std::vector<View> history = m_history;
    const bool manual = m_hasManualLimits;
    Batch oneChange(*this);
    m_request.lastRow = lastRow;
    reload();
    m_history = history;
    // "The whole table" before it grew is the whole table now.
    for (View &view : m_history)
        if (!view.yLimited && view.xLower == wasWhole.xLower && view.xUpper == wasWhole.xUpper)
            view = m_whole;
    if (manual && m_request.scaleMode == 0) {
        m_hasManualLimits = true;
        applyManualLimits();
    }
    if (!zoomed)
        return;
    View follow = was;
    if (was.xUpper >= wasWhole.xUpper) {
        const double grown = m_whole.xUpper - wasWhole.xUpper;
        follow.xLower += grown;
        follow.xUpper += grown;
    }
    showView(clampedView(follow));
}

ChartDocument::View ChartDocument::wholeView() const
{
    return m_whole;
}

bool ChartDocument::isZoomed() const
{
    return m_xView.yLimited || m_xView.xLower != m_whole.xLower || m_xView.xUpper != m_whole.xUpper;
}

ChartDocument::View ChartDocument::clampedView(View view, bool keepWidth) const
{
    const double wholeSpan = m_whole.xUpper - m_whole.xLower;
    if (!(wholeSpan > 0) || !std::isfinite(view.xLower) || !std::isfinite(view.xUpper))
        return m_whole;
    if (view.xLower > view.xUpper)
        std::swap(view.xLower, view.xUpper);
    // Closer limits than this leave nothing the scale's labels or the pixels could tell apart.
    const double narrowest =
        std::max(wholeSpan * 1e-9, (std::fabs(m_whole.xLower) + std::fabs(m_whole.xUpper)) * 1e-13);
    // Limits past the table's ends stop at them.
    if (!keepWidth && view.xUpper > m_whole.xLower && view.xLower < m_whole.xUpper) {
        view.xLower = std::max(view.xLower, m_whole.xLower);
        view.xUpper = std::min(view.xUpper, m_whole.xUpper);
    }
    double span = std::min(view.xUpper - view.xLower, wholeSpan);
    const double centre = view.xLower / 2 + view.xUpper / 2;
    if (span < narrowest) {
        span = narrowest;
        view.xLower = centre - span / 2;
        view.xUpper = centre + span / 2;
    }
    if (span >= wholeSpan) {
        view.xLower = m_whole.xLower;
        view.xUpper = m_whole.xUpper;
    } else if (view.xLower < m_whole.xLower) {
        view.xLower = m_whole.xLower;
        view.xUpper = m_whole.xLower + span;
    } else if (view.xUpper > m_whole.xUpper) {
        view.xUpper = m_whole.xUpper;
        view.xLower = m_whole.xUpper - span;
    }
    return view;
}

ChartDocument::IndexedColumns ChartDocument::loadedColumns() const
{
    IndexedColumns columns;
    columns.lists.push_back(m_request.xCol);
    columns.lists.insert(columns.lists.end(), m_loaded.yCol, m_loaded.yCol + m_loaded.yCount);
    for (int list : columns.lists)
        columns.versions.push_back(m_values.version(list));
    return columns;
}

int ChartDocument::keptSince(const IndexedColumns &built, const IndexedColumns &now) const
{
    // The same lists: unchanged (all rows kept), or grown from the values built over, when
    // only the rows added need working out.
    if (built.lists != now.lists)
        return -1;
    int kept = INT_MAX;
    for (size_t i = 0; i < now.lists.size() && kept >= 0; ++i) {
        if (now.versions[i] == built.versions[i])
            continue;
        const int list = now.lists[i];
        kept = m_values.previousVersion(list) == built.versions[i] ? std::min(kept, m_values.keptRows(list)) : -1;
    }
    return kept;
}

void ChartDocument::buildIndexes()
{
    const columnvalues::Column &x = m_values.column(m_store, m_request.xCol, m_loaded.firstItem, m_loaded.lastItem);
    std::vector<const columnvalues::Column *> curves;
    for (int k = 0; k < m_loaded.yCount; ++k)
        curves.push_back(&m_values.column(m_store, m_loaded.yCol[k], m_loaded.firstItem, m_loaded.lastItem));
    IndexedColumns columns = loadedColumns();
    const int kept = m_indexes.isBuilt() ? keptSince(m_indexed, columns) : -1;
    if (kept == INT_MAX)
        return;
    if (kept > 0)
        m_indexes.extend(x, curves, kept);
    else
        m_indexes.build(x, curves);
    m_indexed = std::move(columns);
}

const rangestats::Prepared &ChartDocument::statsIndex() const
{
    IndexedColumns columns = loadedColumns();
    const int kept = m_stats ? keptSince(m_statsColumns, columns) : -1;
    if (kept == INT_MAX)
        return *m_stats;
    if (kept > 0)
        rangestats::prepareGrown(*m_stats, *this, kept);
    else
        m_stats = std::make_unique<rangestats::Prepared>(rangestats::prepare(*this));
    m_statsColumns = std::move(columns);
    return *m_stats;
}

void ChartDocument::showView(const View &view)
{
    buildIndexes();
    viewload::Request request;
    request.xLower = view.xLower;
    request.xUpper = view.xUpper;
    request.xTime = m_loaded.xTime;
    for (int k = 0; k < 8; ++k)
        request.yTime[size_t(k)] = m_loaded.yTime[k];
    request.scaleMode = view.yLimited ? 0 : m_request.scaleMode;
    request.yLimits = view.yLimited ? view.yLimits : m_loadedLimits;
    request.maxPoints = lineload::MaxRows;
    const viewload::Shown shown = viewload::show(m_charts, m_indexes, request);
    m_loaded.pointRows = shown.pointRows;
    m_view = ViewRange{shown.firstRow, shown.lastRow};
    m_xView = view;
}

void ChartDocument::setView(const View &view)
{
    setClampedView(view, false);
}

void ChartDocument::dragView(const View &view, bool firstStep)
{
    setClampedView(view, true, firstStep);
}

void ChartDocument::setClampedView(const View &view, bool keepWidth, bool remember)
{
    if (m_stale)
        return;
    const View next = clampedView(view, keepWidth);
    const bool sameY = next.yLimited == m_xView.yLimited
                       && (!next.yLimited || std::equal(next.yLimits.begin(), next.yLimits.end(), m_xView.yLimits.begin(),
                                                        [](const viewload::Limits &a, const viewload::Limits &b) {
                                                            return a.lower == b.lower && a.upper == b.upper;
                                                        }));
    if (sameY && next.xLower == m_xView.xLower && next.xUpper == m_xView.xUpper)
        return;
    if (remember) {
        m_history.push_back(m_xView);
        if (m_history.size() > MaxHistory)
            m_history.erase(m_history.begin());
    }
    showView(next);
    tell(Change::View);
}

void ChartDocument::zoomX(double lower, double upper)
{
    View view = m_xView;
    view.xLower = lower;
    view.xUpper = upper;
    setView(view);
}

void ChartDocument::zoomAround(double centre, double factor)
{
    if (!(factor > 0) || !std::isfinite(factor) || !std::isfinite(centre))
        return;
    View view = m_xView;
    view.xLower = centre - (centre - m_xView.xLower) * factor;
    view.xUpper = centre + (m_xView.xUpper - centre) * factor;
    // Zooming out near an end moves the view inward rather than narrowing it there.
    setClampedView(view, true);
}

void ChartDocument::pan(double fraction)
{
    if (!isZoomed() || !std::isfinite(fraction))
        return;
    View view = m_xView;
    // Stops at the table's ends with the view's width kept.
    const double shift = std::clamp((m_xView.xUpper - m_xView.xLower) * fraction, m_whole.xLower - m_xView.xLower,
                                    m_whole.xUpper - m_xView.xUpper);
    view.xLower += shift;
    view.xUpper += shift;
    setView(view);
}

bool ChartDocument::back()
{
    if (m_history.empty() || m_stale)
        return false;
    const View previous = m_history.back();
    m_history.pop_back();
    showView(clampedView(previous));
    tell(Change::View);
    return true;
}

void ChartDocument::home()
{
    if (!isZoomed())
        return;
    setView(m_whole);
}

void ChartDocument::tell(Change change)
{
    if (m_batchDepth == 0) {
        emit changed(change);
        return;
    }
    // Loaded data outrank a moved view: whoever redraws for Data redraws everything.
    m_pendingChange = m_pending && m_pendingChange == Change::Data ? Change::Data : change;
    m_pending = true;
}

ChartDocument::Batch::Batch(ChartDocument &document)
    : m_document(document), m_exceptions(std::uncaught_exceptions())
{
    ++m_document.m_batchDepth;
}

ChartDocument::Batch::~Batch() noexcept(false)
{
    if (--m_document.m_batchDepth > 0)
        return;
    const bool pending = std::exchange(m_document.m_pending, false);
    if (pending && std::uncaught_exceptions() == m_exceptions)
        emit m_document.changed(m_document.m_pendingChange);
}
