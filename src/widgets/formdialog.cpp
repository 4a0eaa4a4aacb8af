#include "widgets/formdialog.h"

#include "widgets/errorguard.h"

#include <QAbstractButton>
#include <QEvent>
#include <QKeyEvent>
#include <QScreen>

void FormDialog::changeEvent(QEvent *event)
{
    QDialog::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        guarded(this, [this] { FormActivate(); });
}

void FormDialog::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    // Centred on the screen, not on the window that opened it; a window that can shrink is
    // made to fit a screen too small for it (a high-density screen at twice the scale).
    if (const QScreen *screen = this->screen()) {
        const QRect area = screen->availableGeometry();
        const QSize frameExtra = frameGeometry().size() - size();
        const QSize room = (area.size() - frameExtra).expandedTo(minimumSize());
        if (width() > room.width() || height() > room.height())
            resize(size().boundedTo(room));
        QRect frame = frameGeometry();
        frame.moveCenter(area.center());
        move(frame.topLeft());
    }
    // Showing a modal window activates it: load before its first paint.
    guarded(this, [this] { FormActivate(); });
}

void FormDialog::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape) {
        event->ignore();
        return;
    }
    // None of the buttons is a default button, so Enter would do nothing; it presses the
    // button with the focus instead, as Space does. In an edit field Enter stays as it was.
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        if (auto *button = qobject_cast<QAbstractButton *>(focusWidget()); button && button->isEnabled()) {
            button->click();
            return;
        }
    }
    QDialog::keyPressEvent(event);
}
