#pragma once

#include <QRect>
#include <QSize>

#include <array>

// Where the chart window's controls stand for a window of a given size. At the designed
// 833 x 586 every control has its designed place and the chart is 817 x 529; a larger window
// gives the chart all the room, the buttons keep to the bottom right corner and the mode
// boxes to the bottom left. A window too narrow for one row puts the mode boxes on a row of
// their own above the buttons.
namespace chartlayout {

constexpr QSize DesignedSize(833, 586);
// The window's width less the chart's, and the measuring panel's.
constexpr int SideMargins = 16;
// The chart's smallest size (as tabrovex-plot's --size) with the two-row bottom.
QSize minimumSize();

struct Places {
    QRect chart;
    std::array<QRect, 4> buttons; // 退出, 设置, 打印, 手动调整
    std::array<QRect, 4> boxes;   // 自动调整1..3, 手动调整
    QRect panel;                  // the measuring panel under the chart; empty without one
};

// With a measuring panel of the given height the chart gives up that height and a gap
// (panelRoom) and the panel stands under it, as wide as the chart.
Places place(QSize client, int panelHeight = 0);
int panelRoom(int panelHeight);

}
