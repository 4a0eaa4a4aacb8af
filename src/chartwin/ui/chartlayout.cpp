#include "chartwin/ui/chartlayout.h"

#include <algorithm>

namespace chartlayout {

namespace {

constexpr int Edge = 8;                // chart's distance from the window's sides and top
constexpr int BelowChart = 57;         // the window's height less the chart's, with one row
constexpr int RowHeight = 33;          // a second row of controls
constexpr int ButtonFromRight[4] = {114, 226, 338, 450};
constexpr int ButtonFromBottom = 38;
constexpr int BoxLeft[4] = {24, 112, 200, 288};
constexpr int BoxFromBottom = 34;
constexpr QSize ButtonSize(99, 25);
constexpr QSize BoxSize(81, 17);
constexpr int SmallestChartWidth = 320;
constexpr int SmallestChartHeight = 240;
constexpr int PanelGap = 4;

// The buttons' row starts right of the last mode box with a gap as designed.
bool oneRow(int width)
{
    return width - ButtonFromRight[3] >= BoxLeft[3] + BoxSize.width() + 14;
}

}

QSize minimumSize()
{
    const int width = std::max(SmallestChartWidth + 2 * Edge, ButtonFromRight[3] + Edge);
    return QSize(width, SmallestChartHeight + BelowChart + RowHeight);
}

int panelRoom(int panelHeight)
{
    return panelHeight > 0 ? panelHeight + PanelGap : 0;
}

Places place(QSize client, int panelHeight)
{
    const int w = client.width();
    const int h = client.height();
    const int extraRow = oneRow(w) ? 0 : RowHeight;
    Places p;
    p.chart = QRect(Edge, Edge, std::max(w - 2 * Edge, 1), std::max(h - BelowChart - extraRow - panelRoom(panelHeight), 1));
    if (panelHeight > 0)
        p.panel = QRect(Edge, p.chart.bottom() + 1 + PanelGap, p.chart.width(), panelHeight);
    for (int i = 0; i < 4; ++i) {
        p.buttons[size_t(i)] = QRect(QPoint(w - ButtonFromRight[i], h - ButtonFromBottom), ButtonSize);
        p.boxes[size_t(i)] = QRect(QPoint(BoxLeft[i], h - BoxFromBottom - extraRow), BoxSize);
    }
    return p;
}

}
