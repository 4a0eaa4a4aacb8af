#pragma once

#include "chart/kfdline.h"
#include "report/reportimageitem.h"
#include "report/reportlabel.h"
#include "report/reportpage.h"

#include <array>

// The chart window's printable page: A4 landscape, one summary band with the title
// label above the printed chart line1 and the test-record labels, which are disabled and
// never print. The window fills line1 and the title; printing takes the page as it is.
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
    // qlabel1, dLabel1, qLabel2, dLabel2, ... qLabel7, dLabel7: caption and value of
    // each test-record row, in that order.
    std::array<ReportLabel, 14> recordLabels;

private:
    ReportImageItem m_line1Item;
    ReportPage m_page;
};
