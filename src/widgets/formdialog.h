#pragma once

#include <QDialog>

// A window shown modally by another: its FormActivate runs when it is shown and whenever it
// becomes active again, and Escape does not close it (only its own buttons and the close
// box do, as none of its buttons is a cancel button). Enter presses the button that has the
// focus, as Space does.
class FormDialog : public QDialog
{
    Q_OBJECT
public:
    using QDialog::QDialog;

    virtual void FormActivate() = 0;

    // Set by whoever shows the window, so that its next activation starts afresh (the
    // windows that reload at every showing clear it in FormActivate).
    bool firstActivation = false;

protected:
    void changeEvent(QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
};
