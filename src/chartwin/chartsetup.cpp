#include "chartwin/chartsetup.h"

#include "chart/kfdline.h"

namespace chartsetup {

void setUpScreenChart(Tkfdline &screen)
{
    screen.Left = 8;
    screen.Top = 8;
    screen.Width = 817;
    screen.Height = 529;
    screen.Font.setPointSize(8);
    screen.setPictureSize(817, 529);
}

void applyColours(Tkfdline &chart, const mainunit::Tline &set)
{
    for (int i = 0; i < 8; ++i)
        chart.curves[i].color = set.color[i];
    chart.backColor = set.backColor;
    chart.gridColor = set.gridColor;
}

void applyAppearance(Tkfdline &screen, Tkfdline &printed, const mainunit::Tline &set)
{
    screen.marginTop = ScreenMarginTop;
    printed.marginTop = PrintedMarginTop;
    screen.title = set.title;
    applyColours(printed, set);
    applyColours(screen, set);
}

void applyScreenMarkers(Tkfdline &screen)
{
    // cross, circle, square, diamond, triangle, none, cross, circle
    static constexpr int markers[8] = {1, 2, 3, 4, 5, 0, 1, 2};
    static const QPoint infoPositions[7] = {{30, 70}, {30, 90}, {330, 50}, {330, 70}, {330, 90}, {600, 70}, {600, 90}};
    for (int i = 0; i < 8; ++i)
        screen.curves[i].marker = markers[i];
    for (int i = 0; i < 7; ++i)
        screen.infoPos[i] = infoPositions[i];
}

}
