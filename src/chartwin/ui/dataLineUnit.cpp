#include "chartwin/ui/dataLineUnit.h"

#include "app/appstate.h"
#include "app/settingswrite.h"
#include "chart/kfdline.h"
#include "chartwin/chartdocument.h"
#include "chartwin/chartfilename.h"
#include "chartwin/chartpage.h"
#include "chartwin/chartsetup.h"
#include "chartwin/ui/chartlayout.h"
#include "chartwin/ui/chartprint.h"
#include "chartwin/ui/chartview.h"
#include "chartwin/ui/measurepanel.h"
#include "chartwin/ui/measuretool.h"
#include "chartwin/ui/zoominput.h"
#include "report/chartexport.h"
#include "base/apperror.h"
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
#include <QScreen>
#include <QWindow>

TdataLineForm::TdataLineForm(QWidget *parent)
    : FormDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                          | Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint
                          | Qt::WindowCloseButtonHint),
      m_screenChart(std::make_unique<Tkfdline>()),
      m_page(std::make_unique<ChartPage>())
{
    setWindowTitle(tr("数据曲线窗口"));
    setMinimumSize(chartlayout::minimumSize());
    resize(chartlayout::DesignedSize);
    QPalette silver = palette(); // the window only: edits and indicators keep their base
    silver.setColor(QPalette::Window, widgetstyle::Silver);
    setPalette(silver);
    setAutoFillBackground(true);

    kfdline1 = m_screenChart.get();
    chartsetup::setUpScreenChart(*kfdline1);

    QuickRep1 = m_page.get();
    line1 = &QuickRep1->line1;

    Panel1 = new QWidget(this);

    kfdline1View = new ChartView(kfdline1, Panel1);
    kfdline1View->setReadoutSource([this](QPoint at) {
        static const readout::PointRows noRows;
        return readout::readAt(*kfdline1, at, m_document ? m_document->pointRows() : noRows);
    });
    kfdline1View->setContextMenuHandler([this](QPoint at) { guarded(this, [this, at] { chartMenuPopup(at); }); });

    chartMenu = new QMenu(this);
    copyChartAction = chartMenu->addAction(tr("复制图表"));
    saveChartAction = chartMenu->addAction(tr("保存图表..."));
    chartMenu->addSeparator();
    firstRowsAction = chartMenu->addAction(tr("只绘制前1000行"));
    firstRowsAction->setCheckable(true);
    chartMenu->addSeparator();
    zoomSelectionAction = chartMenu->addAction(tr("放大所选"));
    zoomHomeAction = chartMenu->addAction(tr("复原"));
    zoomInput = new ZoomInput(kfdline1View, kfdline1, this);
    zoomInput->watchKeysOf(this);
    connect(zoomSelectionAction, &QAction::triggered, this,
            [this] { guarded(this, [this] { zoomInput->zoomSelection(zoomInput->menuPoint()); }); });
    connect(zoomHomeAction, &QAction::triggered, this, [this] {
        guarded(this, [this] {
            if (m_document)
                m_document->home();
        });
    });
    // Following the file and reading it again are the main window's; offered here as well.
    if (app().followAction && app().reloadAction) {
        chartMenu->addSeparator();
        chartMenu->addAction(app().followAction);
        chartMenu->addAction(app().reloadAction);
        addAction(app().followAction);
        addAction(app().reloadAction);
    }
    connect(copyChartAction, &QAction::triggered, this, [this] { guarded(this, [this] { copyChartClick(); }); });
    connect(saveChartAction, &QAction::triggered, this, [this] { guarded(this, [this] { saveChartClick(); }); });
    connect(firstRowsAction, &QAction::triggered, this,
            [this](bool on) { guarded(this, [this, on] { firstRowsClick(on); }); });
    measureTool = new MeasureTool(this, kfdline1View, kfdline1, Panel1);
    chartMenu->addSeparator();
    chartMenu->addAction(measureTool->action());
    connect(measureTool, &MeasureTool::layoutChanged, this, [this] {
        placeControls();
        guarded(this, [this] { redrawAtViewSize(); });
    });

    auto button = [this](const QString &text) {
        auto *b = new QPushButton(text, Panel1);
        b->setFont(widgetstyle::songti(13));
        b->setAutoDefault(false);
        return b;
    };
    Button1 = button(tr("退出"));
    Button2 = button(tr("设置"));
    printBtn = button(tr("打印"));
    Button3 = button(tr("手动调整"));

    auto radio = [this](const QString &text) {
        auto *r = new QRadioButton(text, Panel1);
        r->setFont(widgetstyle::songti(13));
        // The face of a radio box is painted with Button, not Window.
        QPalette face = r->palette();
        face.setColor(QPalette::Button, widgetstyle::Silver);
        r->setPalette(face);
        r->setAutoFillBackground(true);
        return r;
    };
    box1 = radio(tr("自动调整1"));
    box2 = radio(tr("自动调整2"));
    box3 = radio(tr("自动调整3"));
    box4 = radio(tr("手动调整"));
    placeControls();

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
    delete measureTool; // it watches the view and the window
    delete kfdline1View; // before the chart it shows
}

void TdataLineForm::setDocument(ChartDocument *document)
{
    if (m_document) {
        m_document->setCharts({});
        disconnect(m_document, nullptr, this, nullptr);
    }
    m_document = document;
    zoomInput->setDocument(document);
    if (!m_document)
        return;
    m_document->setCharts({kfdline1, line1});
    measureTool->setDocument(m_document);
    connect(m_document, &ChartDocument::changed, this, [this](ChartDocument::Change change) { documentChanged(change); });
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
void TdataLineForm::documentChanged(ChartDocument::Change change)
{
    if (!isVisible())
        return;
    if (change == ChartDocument::Change::Data) {
        RedrawCharts();
        return;
    }
    // A zoom or pan step draws the screen chart only; the printed page follows when it is
    // printed or saved, so each step costs one picture.
    chartsetup::applyScreenMarkers(*kfdline1);
    kfdline1->Redraw();
    m_printedStale = true;
}

void TdataLineForm::drawPrintedIfStale()
{
    if (std::exchange(m_printedStale, false))
        line1->Redraw();
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
    setWindowTitle(widgetstyle::windowTitleFor(tr("数据曲线窗口"), m_document ? m_document->sourceFile() : QString()));
    LoadChartSettings();
    fitChartToView();
    showScaleMode();
    RedrawCharts();
}

// The mode in force is the one shown checked; the manual one brings its limits with it, as
// choosing it does.
void TdataLineForm::showScaleMode()
{
    const int mode = app().scaleMode;
    QRadioButton *shown = mode == 1 ? box1 : mode == 3 ? box3 : mode == 0 ? box4 : box2;
    {
        const QSignalBlocker quiet(shown);
        shown->setChecked(true);
    }
    if (mode == 0 && m_document)
        m_document->setManualLimits(chartsettings::readLimits(*app().iniFile));
}

void TdataLineForm::placeControls()
{
    const chartlayout::Places places = chartlayout::place(size(), measureTool->panelHeight());
    Panel1->setGeometry(0, 0, width(), height() - 1);
    kfdline1View->setGeometry(places.chart);
    if (!places.panel.isEmpty())
        measureTool->panel()->setGeometry(places.panel);
    QPushButton *buttons[4] = {Button1, Button2, printBtn, Button3};
    QRadioButton *boxes[4] = {box1, box2, box3, box4};
    for (size_t i = 0; i < 4; ++i) {
        buttons[i]->setGeometry(places.buttons[i]);
        boxes[i]->setGeometry(places.boxes[i]);
    }
}

// The screen chart is drawn at its view's size and at the screen's pixel density, with the
// layout any chart of that size gets. True when the chart needs drawing anew.
bool TdataLineForm::fitChartToView()
{
    const QSize size = kfdline1View->size();
    const int ratio = std::max(1, qRound(kfdline1View->devicePixelRatioF()));
    if (kfdline1->hasPicture() && size == QSize(kfdline1->Width, kfdline1->Height) && ratio == kfdline1->pixelRatio())
        return false;
    kfdline1->Left = kfdline1View->x();
    kfdline1->Top = kfdline1View->y();
    kfdline1->Width = size.width();
    kfdline1->Height = size.height();
    kfdline1->setPixelRatio(ratio);
    kfdline1->setPictureSize(size.width(), size.height());
    return true;
}

// Before the first activation the colours are not loaded yet: it draws then.
void TdataLineForm::redrawAtViewSize()
{
    if (fitChartToView() && isVisible() && !firstActivation)
        kfdline1->Redraw();
}

void TdataLineForm::resizeEvent(QResizeEvent *event)
{
    FormDialog::resizeEvent(event);
    placeControls();
    guarded(this, [this] { redrawAtViewSize(); });
    zoomInput->showLimits();
}

void TdataLineForm::showEvent(QShowEvent *event)
{
    FormDialog::showEvent(event);
    // Another screen may have another density.
    if (QWindow *window = windowHandle())
        connect(window, &QWindow::screenChanged, this, &TdataLineForm::screenChanged, Qt::UniqueConnection);
}

void TdataLineForm::screenChanged()
{
    guarded(this, [this] { redrawAtViewSize(); });
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
    writeSettings(this, RefusalShown::InLogAndBox, [&] { chartsettings::writeAppearance(*app().iniFile, set); });
    chartsetup::applyColours(*line1, set);
    chartsetup::applyColours(*kfdline1, set);
}

void TdataLineForm::RedrawCharts()
{
    chartsetup::applyScreenMarkers(*kfdline1);
    kfdline1->Redraw();
    line1->Redraw();
    m_printedStale = false;
}

void TdataLineForm::PrintChart()
{
    drawPrintedIfStale();
    QString printer;
    if (printReport(*QuickRep1, &printer) == 0) {
        services().showMessage(this, tr("没有安装打印机，图表没有打印"));
        return;
    }
    services().showMessage(this, tr("图表已送到打印机 %1").arg(printer));
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
    try {
        chartsettings::writeScaleMode(*app().iniFile, mode);
    } catch (const AppError &) {
        // Only the next start's choice is lost; the colours dialog reports a file that
        // cannot be written.
    }
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
    QStringList names;
    for (int i = 0; i < kfdline::MaxCurves; ++i)
        if (kfdline1->shown[i])
            names << kfdline1->curves[i].name;
    const QString suggested = chartfilename::suggest(m_document ? m_document->sourceFile() : QString(), names);
    const QString pngFilter = tr("PNG 图片 (*.png)");
    const QString pdfFilter = tr("PDF 文档 (*.pdf)");
    QString path = services().getSaveFileName(this, pngFilter + QStringLiteral(";;") + pdfFilter, &filter,
                                              suggested + chartexport::extensionOf(chartexport::Format::Png));
    if (path.isEmpty())
        return;
    chartexport::Format format = chartexport::formatOf(path);
    if (format == chartexport::Format::Unknown) {
        // A name typed without its extension gets the one of the chosen type.
        format = filter == pdfFilter ? chartexport::Format::Pdf : chartexport::Format::Png;
        path += chartexport::extensionOf(format);
    }
    if (format == chartexport::Format::Pdf)
    {
        drawPrintedIfStale();
        chartexport::savePagePdf(QuickRep1->report(), path);
    }
    else
        chartexport::savePicturePng(kfdline1->picture(), path);
}

void TdataLineForm::firstRowsClick(bool on)
{
    writeSettings(this, RefusalShown::InLog, [&] { chartsettings::writeFirstRowsOnly(*app().iniFile, on); });
    ChartDocument::Batch oneRedraw(*m_document);
    m_document->setFirstRowsOnly(on);
    // The manual limits stay in force: loading gave every curve its data range.
    if (app().scaleMode == 0)
        m_document->setManualLimits(chartsettings::readLimits(*app().iniFile));
}
