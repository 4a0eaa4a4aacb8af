#pragma once

#include "widgets/formdialog.h"

#include <array>

class QLabel;
class QLineEdit;
class QPushButton;

// Manual lower and upper limits of curves 1 to 4, kept in lineSet and the settings file.
// The chart uses them when its manual mode is chosen next.
class TsetrulerForm : public FormDialog
{
    Q_OBJECT
public:
    explicit TsetrulerForm(QWidget *parent = nullptr);

    // designed controls:
    QLabel *Label2, *Label3;
    QLabel *name1, *name2, *name3, *name4;
    QLineEdit *Edit1, *Edit2, *Edit3, *Edit4, *Edit5, *Edit6, *Edit7, *Edit8;
    QPushButton *BitBtn1;
    QPushButton *BitBtn2;

    // handlers:
    void FormCreate();
    void FormActivate() override;
    void BitBtn1Click();
    void BitBtn2Click();

    // Set by the chart window before each showing, so the limits are reloaded every time.
    bool firstActivation = false;

private:
    std::array<QLabel *, 4> names() const { return {name1, name2, name3, name4}; }
    // Edit1, Edit2 ... Edit8: lower and upper of curve 1, then of curve 2, ...
    std::array<QLineEdit *, 8> edits() const { return {Edit1, Edit2, Edit3, Edit4, Edit5, Edit6, Edit7, Edit8}; }
};
