#include "widgets/services.h"

#include "base/colorref.h"

#include <QCoreApplication>
#include <QColorDialog>
#include <QDialog>
#include <QFileDialog>
#include <QMenu>
#include <QMessageBox>

namespace {

// The message boxes' title in the program's language; the application's name stays one.
QString boxTitle()
{
    return QCoreApplication::translate("services", "Excel数据曲线");
}

}

void QtServices::showMessage(QWidget *parent, const QString &text)
{
    QMessageBox box(QMessageBox::NoIcon, boxTitle(), text, QMessageBox::Ok, parent);
    box.exec();
}

void QtServices::showError(QWidget *parent, const QString &text)
{
    QMessageBox box(QMessageBox::Critical, boxTitle(), text, QMessageBox::Ok, parent);
    box.exec();
}

QString QtServices::getOpenFileName(QWidget *parent, const QString &filter, const QString &defaultSuffix,
                                    const QString &folder)
{
    QFileDialog dialog(parent);
    if (!folder.isEmpty())
        dialog.setDirectory(folder);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setNameFilter(filter);
    dialog.setDefaultSuffix(defaultSuffix);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().constFirst();
}

QString QtServices::getSaveFileName(QWidget *parent, const QString &filters, QString *chosenFilter,
                                    const QString &suggestedName)
{
    QFileDialog dialog(parent);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilters(filters.split(QStringLiteral(";;")));
    if (!suggestedName.isEmpty())
        dialog.selectFile(suggestedName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    if (chosenFilter)
        *chosenFilter = dialog.selectedNameFilter();
    return dialog.selectedFiles().constFirst();
}

bool QtServices::pickColor(QWidget *parent, int initial, int *chosen)
{
    const QColor picked = QColorDialog::getColor(colorref::toQColor(initial), parent);
    if (!picked.isValid())
        return false;
    *chosen = colorref::fromQColor(picked);
    return true;
}

void QtServices::showModal(QDialog *dialog)
{
    dialog->exec();
}

QAction *QtServices::popUpMenu(QMenu *menu, const QPoint &globalPos)
{
    return menu->exec(globalPos);
}

namespace {
Services *replacementServices = nullptr;
}

Services &services()
{
    static QtServices fallback;
    return replacementServices ? *replacementServices : fallback;
}

void setServices(Services *replacement)
{
    replacementServices = replacement;
}

QString applicationTitle()
{
    return QStringLiteral("Excel数据曲线");
}
