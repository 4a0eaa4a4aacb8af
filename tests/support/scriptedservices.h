#pragma once

#include "widgets/services.h"

#include <QAction>
#include <QDialog>
#include <QMenu>
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
    QStringList openFolders; // where each open dialog started
    std::function<void(QDialog *)> onModal; // runs while the dialog "is shown"
    int modalCount = 0;
    std::deque<QString> saveAnswers;   // path, then the filter chosen: "path|filter"
    QStringList saveFilters;
    QStringList saveSuggestions;       // the name each save dialog offered
    std::deque<QString> menuAnswers;   // text of the item to choose; "" = none
    QStringList menuItems;             // the last menu's items, "[x] " before a ticked one

    void showMessage(QWidget *, const QString &text) override { messages << text; }
    void showError(QWidget *, const QString &text) override { errors << text; }

    QString getOpenFileName(QWidget *, const QString &filter, const QString &, const QString &folder) override
    {
        openFilters << filter;
        openFolders << folder;
        if (openAnswers.empty())
            return QString();
        QString answer = openAnswers.front();
        openAnswers.pop_front();
        return answer;
    }

    QString getSaveFileName(QWidget *, const QString &filters, QString *chosenFilter,
                            const QString &suggestedName) override
    {
        saveFilters << filters;
        saveSuggestions << suggestedName;
        if (saveAnswers.empty())
            return QString();
        const QStringList answer = saveAnswers.front().split(QLatin1Char('|'));
        saveAnswers.pop_front();
        if (chosenFilter)
            *chosenFilter = answer.value(1);
        return answer.value(0);
    }

    QAction *popUpMenu(QMenu *menu, const QPoint &) override
    {
        menuItems.clear();
        for (QAction *action : menu->actions())
            if (!action->isSeparator())
                menuItems << (action->isChecked() ? QStringLiteral("[x] ") : QString()) + action->text();
        QAction *chosen = nullptr;
        if (!menuAnswers.empty()) {
            for (QAction *action : menu->actions())
                if (action->text() == menuAnswers.front() && action->isEnabled())
                    chosen = action;
            menuAnswers.pop_front();
        }
        if (chosen)
            chosen->trigger();
        return chosen;
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
