#pragma once

#include "chart/kfdline.h"
#include "report/reportimageitem.h"
#include "report/reportlabel.h"
#include "report/reportpage.h"

// The chart window's printable page: A4 landscape, one summary band with the title
// label above the printed chart line1. (The design's test-record labels are disabled and
// never print, so the page leaves them out.) The window fills line1 and the title;
// printing takes the page as it is.
class ChartPage
{
public:
    ChartPage();
    ChartPage(const ChartPage &) = delete;
    ChartPage &operator=(const ChartPage &) = delete;

    const ReportPage &report() const { return m_page; }

    // elements (the window writes to them):
    Tkfdline line1;
    ReportLabel titleLabel;

private:
    ReportImageItem m_line1Item;
    ReportPage m_page;
};
