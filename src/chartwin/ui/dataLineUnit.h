#pragma once

#include "base/lineset.h"
#include "chartwin/chartdocument.h"
#include "widgets/formdialog.h"

#include <QPointer>

#include <memory>

class ChartDocument;
class ChartPage;
class ChartView;
class MeasureTool;
class QAction;
class QMenu;
class QPushButton;
class QRadioButton;
class Tkfdline;
class ZoomInput;

// The chart window: the chosen curves on screen (kfdline1) and on the printable page
// (line1), the scaling modes, the colours dialog, the limits dialog and printing. What it
// shows comes from the chart document it is handed; it redraws when the document changes
// while the window is shown.
class TdataLineForm : public FormDialog
{
    Q_OBJECT
public:
    explicit TdataLineForm(QWidget *parent = nullptr);
    ~TdataLineForm() override;

    // What the window shows and edits: the document fills kfdline1 and line1, `lineSet`
    // holds colours and title, and the two dialogs edit them (colours) and the manual
    // limits. All of them outlive the window.
    void setDocument(ChartDocument *document);
    void setLineSet(mainunit::Tline *lineSet);
    void setDialogs(FormDialog *colourDialog, FormDialog *limitsDialog);

    // designed controls:
    QWidget *Panel1;
    QPushButton *Button1, *Button2, *printBtn, *Button3;
    QRadioButton *box1, *box2, *box3, *box4;
    ChartView *kfdline1View;

    // the charts: on screen, and on the printed page (QuickRep1, never shown)
    Tkfdline *kfdline1;
    ChartPage *QuickRep1;
    Tkfdline *line1;

    // handlers:
    void FormCreate();
    void FormActivate() override;
    void LoadChartSettings();
    void SaveChartSettings();
    void RedrawCharts();
    void PrintChart();
    void Button1Click();
    void Button2Click();
    void Button3Click();
    void printBtnClick();
    void box1Click(QRadioButton *sender);

    // the measuring cursors A and B and their panel, turned on by "测量" in the menu
    MeasureTool *measureTool;

    // the screen chart's context menu: "复制图表", "保存图表...", "只绘制前1000行", "测量"
    QMenu *chartMenu;
    QAction *copyChartAction, *saveChartAction, *firstRowsAction;
    // zoom and pan of the screen chart, and its "放大所选", "复原" entries
    ZoomInput *zoomInput;
    QAction *zoomSelectionAction, *zoomHomeAction;
    void chartMenuPopup(const QPoint &globalPos);
    void copyChartClick();
    void saveChartClick();
    void firstRowsClick(bool on);

protected:
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void documentChanged(ChartDocument::Change change);
    void drawPrintedIfStale();
    void showScaleMode();
    void placeControls();
    bool fitChartToView();
    void redrawAtViewSize();
    void screenChanged();

    QPointer<ChartDocument> m_document; // may go first when the program ends
    mainunit::Tline *m_lineSet = nullptr;
    FormDialog *m_colourDialog = nullptr;
    FormDialog *m_limitsDialog = nullptr;
    std::unique_ptr<Tkfdline> m_screenChart;
    std::unique_ptr<ChartPage> m_page;
    bool m_printedStale = false; // line1 not yet drawn for the document's last view
};
