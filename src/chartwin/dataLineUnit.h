#pragma once

#include <QDialog>

// The chart window: the chosen curves on screen, the scaling modes, colours, limits, print.
class TdataLineForm : public QDialog
{
    Q_OBJECT
public:
    explicit TdataLineForm(QWidget *parent = nullptr);

    void FormCreate();

    // Set by the main window before each showing: the next activation reloads and redraws.
    bool firstActivation = false;
};
