#include "chartwin/dataLineUnit.h"

TdataLineForm::TdataLineForm(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                          | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint)
{
    setWindowTitle(QStringLiteral("数据曲线窗口"));
    setFixedSize(833, 586);
    FormCreate();
}

void TdataLineForm::FormCreate()
{
    firstActivation = true;
}
