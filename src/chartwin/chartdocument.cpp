#include "chartwin/chartdocument.h"

#include "chart/kfdline.h"
#include "import/columnstore.h"

#include <exception>
#include <utility>

ChartDocument::ChartDocument(const ColumnStore &store, QObject *parent)
    : QObject(parent), m_store(store)
{
    // A new table makes the values converted from the old one wrong; the charts keep the
    // last load until the next one.
    connect(&store, &ColumnStore::resetStarted, this, [this] { m_values.clear(); });
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
    reload();
}

void ChartDocument::setFirstRowsOnly(bool on)
{
    m_request.firstRowsOnly = on;
    reload();
}

void ChartDocument::setManualLimits(const std::array<chartsettings::Limits, 4> &limits)
{
    m_request.scaleMode = 0;
    for (Tkfdline *chart : m_charts)
        for (int k = 0; k < int(limits.size()); ++k) {
            chart->curves[k].lower = limits[size_t(k)].lower;
            chart->curves[k].upper = limits[size_t(k)].upper;
        }
    tell(Change::View);
}

void ChartDocument::reload()
{
    m_loaded = lineload::loadLineData(m_store, m_request, m_charts, &m_values);
    // Until a view is asked for, every row loaded is in view.
    m_view = ViewRange{0, (m_loaded.truncated ? lineload::MaxRows : m_loaded.dataRows) - 1};
    tell(Change::Data);
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
