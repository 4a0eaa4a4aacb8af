#pragma once

#include "chartwin/lineload.h"
#include "chartwin/rangestats.h"
#include "chartwin/readout.h"
#include "chartwin/viewload.h"
#include "settings/chartsettings.h"

#include <QObject>
#include <QStringList>

#include <array>
#include <memory>
#include <vector>

class ColumnStore;
class Tkfdline;
namespace kfdline { struct Tline; }

// What a chart shows, apart from any window: the column store it charts, the values
// converted from it, the request (columns, scaling mode, first rows only), the scales and
// points it put into its charts, the read-out's rows, and the rows in view.
//
// Two kinds of change, each told once through changed(): Data when the points were loaded
// anew (a new request, another mode, first rows on or off), View when only what is seen of
// them moved (manual limits, zoom and pan). Whoever shows the charts redraws on it.
//
// The view: X limits (the whole table's range by default) and, after a zoom to a
// rectangle, limits of every vertical scale. Each view is drawn from every row whose X lies
// in it, thinned again to the charts' points; the automatic modes fit the vertical scales
// to those rows. Views set by zooming or panning are remembered, so back() returns to the
// one before.
class ChartDocument : public QObject
{
    Q_OBJECT
public:
    enum class Change { Data, View };

    // Data rows (0 for the first) in view, `last` included; empty before the first load.
    struct ViewRange {
        int first = 0;
        int last = -1;
        bool isEmpty() const { return last < first; }
        bool operator==(const ViewRange &o) const { return first == o.first && last == o.last; }
        bool operator!=(const ViewRange &o) const { return !(*this == o); }
    };

    struct View {
        double xLower = 0;
        double xUpper = 0;
        bool yLimited = false;                  // a zoom to a rectangle: the curves' limits below
        std::array<viewload::Limits, 8> yLimits{}; // per curve, when yLimited
    };

    explicit ChartDocument(const ColumnStore &store, QObject *parent = nullptr);
    ~ChartDocument() override;

    // getters:
    const ColumnStore &store() const { return m_store; }
    const lineload::Request &request() const { return m_request; }
    // What the last load found: columns, row counts, time scales, items that are no numbers.
    const lineload::Result &loaded() const { return m_loaded; }
    const readout::PointRows &pointRows() const { return m_loaded.pointRows; }
    // First to last data row whose X lies in the view.
    ViewRange viewRange() const { return m_view; }
    View view() const { return m_xView; }
    // X limits of the whole table (the loaded rows): the view Home returns to.
    View wholeView() const;
    bool isZoomed() const;
    bool canGoBack() const { return !m_history.empty(); }
    // Bytes of the indexes that make a view quick (built at the first zoom after a load).
    std::size_t indexBytes() const { return m_indexes.bytes() + (m_stats ? m_stats->bytes() : 0); }
    // The last load's columns ready for statistics between cursors, built on first use.
    const rangestats::Prepared &statsIndex() const;
    // The log lines of the last load: items not drawn (gaps), then the long table's.
    QStringList notes() const;
    // Curve k's scale (name, unit, limits, time text) as the charts got it.
    const kfdline::Tline &curve(int k) const;
    // The values of a list as the last load converted them (its rows, gaps marked); null
    // when the list was not loaded or the table was replaced since.
    const columnvalues::Column *values(int list) const { return m_values.find(list); }
    // The file whose table the store holds, for the windows' titles; empty before a read.
    QString sourceFile() const { return m_sourceFile; }

    // setters:
    // The charts to fill, in order (the screen chart, then the printed one); they must
    // outlive the document or be replaced before they go.
    void setCharts(std::vector<Tkfdline *> charts);
    // Loads the request's columns into the charts; the whole table comes into view. A
    // missing name or unit item raises AppError; the charts keep what was filled until then.
    void load(const lineload::Request &request);
    // Loads again with another scaling mode (0: each curve's plain range).
    void setScaleMode(int mode);
    // Loads again with long columns cut to their first rows, or whole.
    void setFirstRowsOnly(bool on);
    // Limits of curves 1 to 4 from the user, kept until the next load; the mode becomes 0.
    void setManualLimits(const std::array<chartsettings::Limits, 4> &limits);
    // Shows the view and remembers the one before it for back(). X limits are kept within
    // the whole table's and never closer than its values can tell apart; limits not
    // ordered are swapped. Nothing happens before the first load.
    void setView(const View &view);
    // The view moved by a drag: its width kept, stopped at the table's ends; only the first
    // step of a drag is remembered for back().
    void dragView(const View &view, bool firstStep);
    // X to lower..upper, the vertical scales as the mode has them.
    void zoomX(double lower, double upper);
    // The X span times `factor` (below 1 zooms in) around the X value `centre`, which keeps
    // its place on the scale.
    void zoomAround(double centre, double factor);
    // Moves the view by `fraction` of its width (negative: towards smaller X).
    void pan(double fraction);
    // The view before the last zoom or pan; false when there is none.
    bool back();
    // The whole table; the views before it stay for back().
    void home();
    // Loads the request again after the table grew to `lastRow` (item number of the last
    // value), keeping mode, manual limits and view; a view whose upper X limit lay at the old
    // end moves on with the new end, keeping its width.
    void reloadKeepingView(int lastRow);
    // Whether a load builds the indexes of views at once (the default: a window's first zoom
    // then costs no more than the next ones) or leaves them to the first view asked for, as a
    // batch run that draws the whole table once does.
    void setIndexOnLoad(bool on) { m_indexOnLoad = on; }
    // Set by whoever replaced the store's table; names the file, loads nothing.
    void setSourceFile(const QString &path) { m_sourceFile = path; }

    // Makes the changes done while it lives one changed() at its end; none when it ends by
    // an exception, for the charts then hold a half-made load that nobody should draw.
    class Batch
    {
    public:
        explicit Batch(ChartDocument &document);
        ~Batch() noexcept(false); // a redraw on changed() may raise
        Batch(const Batch &) = delete;
        Batch &operator=(const Batch &) = delete;

    private:
        ChartDocument &m_document;
        int m_exceptions;
    };

signals:
    void changed(ChartDocument::Change change);

private:
    void reload();
    void tell(Change change);
    View clampedView(View view, bool keepWidth = false) const;
    void setClampedView(const View &view, bool keepWidth, bool remember = true);
    void applyManualLimits();
    static constexpr std::size_t MaxHistory = 100;
    void showView(const View &view);
    void buildIndexes();

    const ColumnStore &m_store;
    std::vector<Tkfdline *> m_charts;
    lineload::ValueCache m_values; // converted once a table: the modes load it again and again
    lineload::Request m_request;
    lineload::Result m_loaded;
    ViewRange m_view;
    View m_xView;
    View m_whole;
    std::vector<View> m_history;
    // The vertical scales as the load (and the manual limits) left them, for views
    // under the manual mode.
    std::array<viewload::Limits, 8> m_loadedLimits{};
    viewload::Indexes m_indexes;
    // The lists m_indexes were built over (X first), and the versions of their values.
    struct IndexedColumns {
        std::vector<int> lists;
        std::vector<quint64> versions;
    };
    IndexedColumns m_indexed;
    mutable IndexedColumns m_statsColumns; // what m_stats was made over
    IndexedColumns loadedColumns() const;
    // Rows of the values `built` was made over that are unchanged now: INT_MAX when none
    // changed, -1 when it must be made anew.
    int keptSince(const IndexedColumns &built, const IndexedColumns &now) const;
    mutable std::unique_ptr<rangestats::Prepared> m_stats; // points into m_values as m_indexes
    std::array<chartsettings::Limits, 4> m_manualLimits{};
    bool m_hasManualLimits = false;
    bool m_stale = false; // the store's table was replaced since the last load
    bool m_indexOnLoad = true;
    QString m_sourceFile;
    int m_batchDepth = 0;
    bool m_pending = false;
    Change m_pendingChange = Change::View;
};
