#include "chartwin/ui/dataLineUnit.h"

#include "app/appstate.h"
#include "chart/kfdline.h"
#include "chartwin/chartdocument.h"
#include "chartwin/chartpage.h"
#include "chartwin/chartsetup.h"
#include "chartwin/ui/chartprint.h"
#include "chartwin/ui/chartview.h"
#include "report/chartexport.h"
#include "settings/chartsettings.h"
#include "settings/inifile.h"
#include "widgets/errorguard.h"
#include "widgets/services.h"
#include "widgets/widgetstyle.h"

#include <QAction>
#include <QClipboard>
#include <QEvent>
#include <QGuiApplication>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>

namespace {

const QString PngFilter = QStringLiteral("PNG 图片 (*.png)");
const QString PdfFilter = QStringLiteral("PDF 文档 (*.pdf)");

}

TdataLineForm::TdataLineForm(QWidget *parent)
    : FormDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                          | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      m_screenChart(std::make_unique<Tkfdline>()),
      m_page(std::make_unique<ChartPage>())
{
    setWindowTitle(QStringLiteral("数据曲线窗口"));
    setFixedSize(833, 586);
    QPalette silver = palette(); // the window only: edits and indicators keep their base
    silver.setColor(QPalette::Window, widgetstyle::Silver);
    setPalette(silver);
    setAutoFillBackground(true);

    kfdline1 = m_screenChart.get();
    chartsetup::setUpScreenChart(*kfdline1);

    QuickRep1 = m_page.get();
    line1 = &QuickRep1->line1;

    Panel1 = new QWidget(this);
    Panel1->setGeometry(0, 0, 833, 585);

    kfdline1View = new ChartView(kfdline1, Panel1);
    kfdline1View->setGeometry(kfdline1->rect());
    kfdline1View->setReadoutSource([this](QPoint at) {
        static const readout::PointRows noRows;
        return readout::readAt(*kfdline1, at, m_document ? m_document->pointRows() : noRows);
    });
    kfdline1View->setContextMenuHandler([this](QPoint at) { guarded(this, [this, at] { chartMenuPopup(at); }); });

    chartMenu = new QMenu(this);
    copyChartAction = chartMenu->addAction(QStringLiteral("复制图表"));
    saveChartAction = chartMenu->addAction(QStringLiteral("保存图表..."));
    chartMenu->addSeparator();
    firstRowsAction = chartMenu->addAction(QStringLiteral("只绘制前1000行"));
    firstRowsAction->setCheckable(true);
    connect(copyChartAction, &QAction::triggered, this, [this] { guarded(this, [this] { copyChartClick(); }); });
    connect(saveChartAction, &QAction::triggered, this, [this] { guarded(this, [this] { saveChartClick(); }); });
    connect(firstRowsAction, &QAction::triggered, this,
            [this](bool on) { guarded(this, [this, on] { firstRowsClick(on); }); });

    auto button = [this](const QString &text, int left) {
        auto *b = new QPushButton(text, Panel1);
        b->setGeometry(left, 548, 99, 25);
        b->setFont(widgetstyle::songti(13));
        b->setAutoDefault(false);
        return b;
    };
    Button1 = button(QStringLiteral("退出"), 719);
    Button2 = button(QStringLiteral("设置"), 607);
    printBtn = button(QStringLiteral("打印"), 495);
    Button3 = button(QStringLiteral("手动调整"), 383);

    auto radio = [this](const QString &text, int left) {
        auto *r = new QRadioButton(text, Panel1);
        r->setGeometry(left, 552, 81, 17);
        r->setFont(widgetstyle::songti(13));
        // The face of a radio box is painted with Button, not Window.
        QPalette face = r->palette();
        face.setColor(QPalette::Button, widgetstyle::Silver);
        r->setPalette(face);
        r->setAutoFillBackground(true);
        return r;
    };
    box1 = radio(QStringLiteral("自动调整1"), 24);
    box2 = radio(QStringLiteral("自动调整2"), 112);
    box3 = radio(QStringLiteral("自动调整3"), 200);
    box4 = radio(QStringLiteral("手动调整"), 288);

    setTabOrder(Button1, Button2);
    setTabOrder(Button2, printBtn);
    setTabOrder(printBtn, Button3);
    setTabOrder(Button3, box1);

    connect(Button1, &QPushButton::clicked, this, [this] { guarded(this, [this] { Button1Click(); }); });
    connect(Button2, &QPushButton::clicked, this, [this] { guarded(this, [this] { Button2Click(); }); });
    connect(Button3, &QPushButton::clicked, this, [this] { guarded(this, [this] { Button3Click(); }); });
    connect(printBtn, &QPushButton::clicked, this, [this] { guarded(this, [this] { printBtnClick(); }); });
    for (QRadioButton *r : {box1, box2, box3, box4}) {
        // Runs when a button becomes checked, not when the checked one is clicked again.
        connect(r, &QRadioButton::toggled, this, [this, r](bool on) {
            if (on)
                guarded(this, [this, r] { box1Click(r); });
        });
    }

    FormCreate();
}

TdataLineForm::~TdataLineForm()
{
    if (m_document)
        m_document->setCharts({}); // the charts go with the window
    delete kfdline1View; // before the chart it shows
}

void TdataLineForm::setDocument(ChartDocument *document)
{
    if (m_document) {
        m_document->setCharts({});
        disconnect(m_document, nullptr, this, nullptr);
    }
    m_document = document;
    if (!m_document)
        return;
    m_document->setCharts({kfdline1, line1});
    connect(m_document, &ChartDocument::changed, this, [this] { documentChanged(); });
}

void TdataLineForm::setLineSet(mainunit::Tline *lineSet)
{
    m_lineSet = lineSet;
}

void TdataLineForm::setDialogs(FormDialog *colourDialog, FormDialog *limitsDialog)
{
    m_colourDialog = colourDialog;
    m_limitsDialog = limitsDialog;
}

// A change while the window is hidden is drawn at its next showing (FormActivate), after
// the colours are loaded.
void TdataLineForm::documentChanged()
{
    if (isVisible())
        RedrawCharts();
}

void TdataLineForm::FormCreate()
{
    firstActivation = true;
}

void TdataLineForm::FormActivate()
{
    if (!firstActivation)
        return;
    firstActivation = false;
    setWindowTitle(widgetstyle::windowTitleFor(QStringLiteral("数据曲线窗口"), m_document ? m_document->sourceFile() : QString()));
    LoadChartSettings();
    RedrawCharts();
}

void TdataLineForm::LoadChartSettings()
{
    mainunit::Tline &set = *m_lineSet;
    chartsettings::readAppearance(*app().iniFile, set);
    QuickRep1->titleLabel.caption = set.title;
    chartsetup::applyAppearance(*kfdline1, *line1, set);
}

void TdataLineForm::SaveChartSettings()
{
    const mainunit::Tline &set = *m_lineSet;
    chartsettings::writeAppearance(*app().iniFile, set);
    chartsetup::applyColours(*line1, set);
    chartsetup::applyColours(*kfdline1, set);
}

void TdataLineForm::RedrawCharts()
{
    chartsetup::applyScreenMarkers(*kfdline1);
    kfdline1->Redraw();
    line1->Redraw();
}

void TdataLineForm::PrintChart()
{
    printReport(*QuickRep1);
}

void TdataLineForm::Button1Click()
{
    reject();
}

void TdataLineForm::Button2Click()
{
    services().showModal(m_colourDialog);
    // Written back whichever way the dialog closed.
    SaveChartSettings();
    activateWindow();
    LoadChartSettings();
    RedrawCharts();
}

void TdataLineForm::Button3Click()
{
    m_limitsDialog->firstActivation = true;
    services().showModal(m_limitsDialog);
    activateWindow();
}

void TdataLineForm::printBtnClick()
{
    PrintChart();
}

void TdataLineForm::box1Click(QRadioButton *sender)
{
    const int mode = sender == box1 ? 1 : sender == box2 ? 2 : sender == box3 ? 3 : 0;
    app().scaleMode = mode;
    // The document's change redraws.
    if (mode != 0)
        m_document->setScaleMode(mode);
    else // the limits of curves 1 to 4 from the settings file; the data stay
        m_document->setManualLimits(chartsettings::readLimits(*app().iniFile));
}

void TdataLineForm::chartMenuPopup(const QPoint &globalPos)
{
    // The file may have changed since the last showing; the tick says what the next load does.
    firstRowsAction->setChecked(chartsettings::readFirstRowsOnly(*app().iniFile));
    services().popUpMenu(chartMenu, globalPos);
}

void TdataLineForm::copyChartClick()
{
    if (kfdline1->hasPicture())
        QGuiApplication::clipboard()->setImage(kfdline1->picture());
}

void TdataLineForm::saveChartClick()
{
    QString filter;
    QString path = services().getSaveFileName(this, PngFilter + QStringLiteral(";;") + PdfFilter, &filter);
    if (path.isEmpty())
        return;
    chartexport::Format format = chartexport::formatOf(path);
    if (format == chartexport::Format::Unknown) {
        // A name typed without its extension gets the one of the chosen type.
        format = filter == PdfFilter ? chartexport::Format::Pdf : chartexport::Format::Png;
        path += chartexport::extensionOf(format);
    }
    if (format == chartexport::Format::Pdf)
        chartexport::savePagePdf(QuickRep1->report(), path);
    else
        chartexport::savePicturePng(kfdline1->picture(), path);
}

void TdataLineForm::firstRowsClick(bool on)
{
    try {
        chartsettings::writeFirstRowsOnly(*app().iniFile, on);
    } catch (...) {
        firstRowsAction->setChecked(!on);
        throw;
    }
    ChartDocument::Batch oneRedraw(*m_document);
    m_document->setFirstRowsOnly(on);
    // The manual limits stay in force: loading gave every curve its data range.
    if (app().scaleMode == 0)
        m_document->setManualLimits(chartsettings::readLimits(*app().iniFile));
}
