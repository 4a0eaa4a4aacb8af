#pragma once

#include "base/lineset.h"
#include "widgets/formdialog.h"

class ColorSwatch;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

// Colours of curves 1 to 4, background and grid, and the chart title. Works on lineSet
// only; the chart window writes the settings file after it closes.
class TsetLinecolorform : public FormDialog
{
    Q_OBJECT
public:
    explicit TsetLinecolorform(QWidget *parent = nullptr);

    // The colours and title the dialog edits; it outlives the dialog.
    void setLineSet(mainunit::Tline *lineSet) { m_lineSet = lineSet; }

    // designed controls:
    QGroupBox *GroupBox1;
    ColorSwatch *color1, *color2, *color3, *color4;
    ColorSwatch *backLabel, *gridLabel;
    QLineEdit *Edit1;
    QPushButton *OKBtn;
    QPushButton *exitBtn;

    // handlers:
    void FormCreate();
    void FormActivate() override;
    void color1Click(ColorSwatch *sender);
    void OKBtnClick();
    void exitBtnClick();

private:
    bool m_firstActivation = false;
    mainunit::Tline *m_lineSet = nullptr;
};
