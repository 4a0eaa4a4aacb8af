#pragma once

#include "base/lineset.h"
#include "widgets/formdialog.h"

#include <array>

class ChartDocument;
class QLabel;
class QLineEdit;
class QPushButton;

// Manual lower and upper limits of curves 1 to 4, kept in lineSet and the settings file.
// The chart uses them when its manual mode is chosen next. The rows are named after the
// curves of the chart document, and a curve on a time scale takes its limits as times.
class TsetrulerForm : public FormDialog
{
    Q_OBJECT
public:
    explicit TsetrulerForm(QWidget *parent = nullptr);

    // What the dialog shows and edits; both outlive it.
    void setDocument(const ChartDocument *document) { m_document = document; }
    void setLineSet(mainunit::Tline *lineSet) { m_lineSet = lineSet; }

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

private:
    QString limitText(int curve, double value) const;
    bool readLimit(int curve, const QString &text, double *value) const;

    const ChartDocument *m_document = nullptr;
    mainunit::Tline *m_lineSet = nullptr;
    std::array<QLabel *, 4> names() const { return {name1, name2, name3, name4}; }
    // Edit1, Edit2 ... Edit8: lower and upper of curve 1, then of curve 2, ...
    std::array<QLineEdit *, 8> edits() const { return {Edit1, Edit2, Edit3, Edit4, Edit5, Edit6, Edit7, Edit8}; }
};
