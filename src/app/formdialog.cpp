#include "app/formdialog.h"

#include "app/errorguard.h"

#include <QEvent>
#include <QKeyEvent>

void FormDialog::changeEvent(QEvent *event)
{
    QDialog::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        guarded(this, [this] { FormActivate(); });
}

void FormDialog::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    // Showing a modal window activates it: load before its first paint.
    guarded(this, [this] { FormActivate(); });
}

void FormDialog::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape) {
        event->ignore();
        return;
    }
    QDialog::keyPressEvent(event);
}
