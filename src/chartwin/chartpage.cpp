#include "chartwin/chartpage.h"

namespace {

// Pixels of the page as designed at 96 per inch.
constexpr int ChartWidth = 1010;
constexpr int ChartHeight = 560;
constexpr int ChartTop = 112;
constexpr int PictureHeight = 672; // the stored bitmap is taller than the element

struct RecordLabel
{
    qreal left;
    qreal top;
    const char *caption;
};

// Test-record labels, tenths of a mm from the band's corner. Every value label still
// carries the design's placeholder caption.
constexpr RecordLabel recordLayout[14] = {
    {18.5, 177.3, "钻具型号："},   {251.4, 177.3, "钻具型号："},
    {18.5, 232.8, "钻具编号："},   {251.4, 232.8, "钻具型号："},
    {1100.7, 121.7, "输入流量："}, {1333.5, 121.7, "钻具型号："},
    {1100.7, 177.3, "介质温度："}, {1333.5, 177.3, "钻具型号："},
    {1100.7, 232.8, "环境温度："}, {1333.5, 232.8, "钻具型号："},
    {1965.9, 177.3, "试验人员："}, {2198.7, 177.3, "钻具型号："},
    {1965.9, 232.8, "试验日期："}, {2198.7, 232.8, "钻具型号："},
};

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

    for (size_t i = 0; i < recordLabels.size(); ++i) {
        ReportLabel &label = recordLabels[i];
        label.caption = QString::fromUtf8(recordLayout[i].caption);
        label.fontFamily = QStringLiteral("宋体");
        label.fontPointSize = 12;
        label.textColor = Qt::black;
        label.alignment = Qt::AlignLeft;
        label.autoSize = true;
        label.wordWrap = true;
        label.color = Qt::white;
        label.left = recordLayout[i].left;
        label.top = recordLayout[i].top;
        label.width = 214.3;
        label.height = 74.1;
        label.enabled = false;
    }

    band.elements.push_back(&titleLabel);
    band.elements.push_back(&m_line1Item);
    for (const ReportLabel &label : recordLabels)
        band.elements.push_back(&label);
}
