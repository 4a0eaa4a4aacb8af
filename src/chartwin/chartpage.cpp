#include "chartwin/chartpage.h"

namespace {

// Pixels of the page as designed at 96 per inch.
constexpr int ChartWidth = 1010;
constexpr int ChartHeight = 560;
constexpr int ChartTop = 112;
constexpr int PictureHeight = 672; // the stored bitmap is taller than the element

} // namespace

ChartPage::ChartPage() : m_line1Item(line1)
{
    ReportPageSetup &setup = m_page.setup;
    setup.paper = QPageSize::A4;
    setup.orientation = QPageLayout::Landscape;
    setup.leftMargin = setup.topMargin = setup.rightMargin = setup.bottomMargin = 150;
    setup.columns = 1;
    setup.columnSpace = 0;

    ReportBand &band = m_page.summary; // SummaryBand1
    band.width = 2672.3;
    band.height = 1778.0;
    band.color = Qt::white;

    titleLabel.caption = QStringLiteral("数据曲线图");
    titleLabel.fontFamily = QStringLiteral("黑体");
    titleLabel.fontPointSize = 20;
    titleLabel.textColor = Qt::black;
    titleLabel.alignment = Qt::AlignHCenter;
    titleLabel.autoSize = false;
    titleLabel.wordWrap = true;
    titleLabel.transparent = false;
    titleLabel.color = Qt::white;
    titleLabel.left = 582.1;
    titleLabel.top = 7.9;
    titleLabel.width = 1505.5;
    titleLabel.height = 74.1;

    line1.Left = 0;
    line1.Top = ChartTop;
    line1.Width = ChartWidth;
    line1.Height = ChartHeight;
    line1.setPictureSize(ChartWidth, PictureHeight);
    line1.Font.setPointSize(10); // the scales' text size on paper

    band.elements.push_back(&titleLabel);
    band.elements.push_back(&m_line1Item);
}
