#pragma once

#include <QString>

class QAction;
class QDialog;
class QMenu;
class QPoint;
class QWidget;

// Everything that asks the user or blocks on a window goes through here, so tests can put
// scripted answers behind it and never block.
class Services
{
public:
    virtual ~Services() = default;

    // Plain message box: the text, one OK button, no icon, the application title.
    virtual void showMessage(QWidget *parent, const QString &text) = 0;
    // The top-level error display: the text, an error icon, the application title.
    virtual void showError(QWidget *parent, const QString &text) = 0;
    // File-open dialog; an empty result means cancelled.
    // `folder`: where the dialog starts (empty: the dialog's own choice).
    virtual QString getOpenFileName(QWidget *parent, const QString &filter, const QString &defaultSuffix,
                                    const QString &folder = QString()) = 0;
    // File-save dialog with ";;"-separated filters, offering `suggestedName` (empty: none);
    // the filter the user chose comes back in `chosenFilter`. An empty result means cancelled.
    virtual QString getSaveFileName(QWidget *parent, const QString &filters, QString *chosenFilter,
                                    const QString &suggestedName = QString()) = 0;
    // Colour picker preset with `initial` (0x00BBGGRR); false when cancelled.
    virtual bool pickColor(QWidget *parent, int initial, int *chosen) = 0;
    // Shows a dialog modally and returns when it has closed.
    virtual void showModal(QDialog *dialog) = 0;
    // Pops up a menu at a screen position; the chosen action has been triggered when this
    // returns it (nullptr: none chosen).
    virtual QAction *popUpMenu(QMenu *menu, const QPoint &globalPos) = 0;
};

// The real thing: Qt's message boxes and dialogs.
class QtServices : public Services
{
public:
    void showMessage(QWidget *parent, const QString &text) override;
    void showError(QWidget *parent, const QString &text) override;
    QString getOpenFileName(QWidget *parent, const QString &filter, const QString &defaultSuffix,
                            const QString &folder = QString()) override;
    QString getSaveFileName(QWidget *parent, const QString &filters, QString *chosenFilter,
                            const QString &suggestedName = QString()) override;
    bool pickColor(QWidget *parent, int initial, int *chosen) override;
    void showModal(QDialog *dialog) override;
    QAction *popUpMenu(QMenu *menu, const QPoint &globalPos) override;
};

// The services in use: those given to setServices(), else the real ones.
Services &services();
// Tests put scripted services here; nullptr goes back to the real ones.
void setServices(Services *replacement);

// The application title, caption of every message box.
QString applicationTitle();
