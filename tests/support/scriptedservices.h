#pragma once

#include "widgets/services.h"

#include <QDialog>
#include <QStringList>

#include <deque>
#include <functional>

// Services with scripted answers: records every message and error, answers the file and
// colour dialogs from queues, and runs a test's own code instead of a modal loop.
class ScriptedServices : public Services
{
public:
    QStringList messages;
    QStringList errors;
    std::deque<QString> openAnswers;   // empty string = cancelled; nothing queued = cancelled
    std::deque<int> colorAnswers;      // -1 = cancelled
    QStringList openFilters;
    std::function<void(QDialog *)> onModal; // runs while the dialog "is shown"
    int modalCount = 0;

    void showMessage(QWidget *, const QString &text) override { messages << text; }
    void showError(QWidget *, const QString &text) override { errors << text; }

    QString getOpenFileName(QWidget *, const QString &filter, const QString &) override
    {
        openFilters << filter;
        if (openAnswers.empty())
            return QString();
        QString answer = openAnswers.front();
        openAnswers.pop_front();
        return answer;
    }

    bool pickColor(QWidget *, int, int *chosen) override
    {
        if (colorAnswers.empty() || colorAnswers.front() < 0) {
            if (!colorAnswers.empty())
                colorAnswers.pop_front();
            return false;
        }
        *chosen = colorAnswers.front();
        colorAnswers.pop_front();
        return true;
    }

    void showModal(QDialog *dialog) override
    {
        ++modalCount;
        dialog->show();
        if (onModal)
            onModal(dialog);
        dialog->hide();
    }
};
