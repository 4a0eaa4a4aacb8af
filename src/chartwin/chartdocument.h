#pragma once

#include "chartwin/lineload.h"
#include "chartwin/readout.h"
#include "settings/chartsettings.h"

#include <QObject>
#include <QStringList>

#include <array>
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
// them moved (manual limits, the rows in view). Whoever shows the charts redraws on it.
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

    explicit ChartDocument(const ColumnStore &store, QObject *parent = nullptr);
    ~ChartDocument() override;

    // getters:
    const ColumnStore &store() const { return m_store; }
    const lineload::Request &request() const { return m_request; }
    // What the last load found: columns, row counts, time scales, items that are no numbers.
    const lineload::Result &loaded() const { return m_loaded; }
    const readout::PointRows &pointRows() const { return m_loaded.pointRows; }
    ViewRange viewRange() const { return m_view; }
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

    const ColumnStore &m_store;
    std::vector<Tkfdline *> m_charts;
    lineload::ValueCache m_values; // converted once a table: the modes load it again and again
    lineload::Request m_request;
    lineload::Result m_loaded;
    ViewRange m_view;
    QString m_sourceFile;
    int m_batchDepth = 0;
    bool m_pending = false;
    Change m_pendingChange = Change::View;
};
