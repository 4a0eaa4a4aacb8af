#pragma once

// The services the window benchmarks run the windows with.
#include "widgets/services.h"

#include <QDialog>
#include <QString>

#include <cstdio>
#include <functional>

// Answers nothing; a modal showing runs the bench's own code.
class BenchServices : public Services
{
public:
    std::function<void(QDialog *)> onModal;
    void showMessage(QWidget *, const QString &text) override { std::printf("message: %s\n", qPrintable(text)); }
    void showError(QWidget *, const QString &text) override { std::printf("error: %s\n", qPrintable(text)); }
    QString getOpenFileName(QWidget *, const QString &, const QString &, const QString &) override { return QString(); }
    QString getSaveFileName(QWidget *, const QString &, QString *, const QString &) override { return QString(); }
    bool pickColor(QWidget *, int, int *) override { return false; }
    QAction *popUpMenu(QMenu *, const QPoint &) override { return nullptr; }
    void showModal(QDialog *dialog) override
    {
        dialog->show();
        if (onModal)
            onModal(dialog);
        dialog->hide();
    }
};
