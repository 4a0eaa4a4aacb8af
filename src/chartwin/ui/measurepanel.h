#pragma once

#include "chartwin/rangetext.h"

#include <QWidget>

class QGridLayout;
class QLabel;
class QPushButton;

// The measurement between cursors A and B as a grid: a header, the X column's line, then a
// line per curve in its colour; "复制" puts it on the clipboard as tab-separated text.
class MeasurePanel : public QWidget
{
    Q_OBJECT
public:
    explicit MeasurePanel(QWidget *parent = nullptr);

    void showTable(const rangetext::Table &table);
    const rangetext::Table &table() const { return m_table; }
    // The text of a cell as shown (line 0 is the header).
    QString cellText(int line, int column) const;

    QPushButton *copyButton;
    void copyClick();

private:
    QLabel *cell(int line, int column);

    QGridLayout *m_grid;
    rangetext::Table m_table;
};
