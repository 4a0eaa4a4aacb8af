#include "settings/ui/setrulerUnit.h"

#include "app/appstate.h"
#include "app/settingswrite.h"
#include "widgets/errorguard.h"
#include "base/numtext.h"
#include "base/timetext.h"
#include "widgets/services.h"
#include "chart/kfdline.h"
#include "chartwin/chartdocument.h"
#include "settings/chartsettings.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

TsetrulerForm::TsetrulerForm(QWidget *parent)
    : FormDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint)
{
    setWindowTitle(tr("手动调整标尺"));
    setFixedSize(330, 232);

    Label2 = new QLabel(tr("下限"), this);
    Label2->setGeometry(120, 12, 90, 20);
    Label3 = new QLabel(tr("上限"), this);
    Label3->setGeometry(220, 12, 90, 20);

    QLabel **rowNames[] = {&name1, &name2, &name3, &name4};
    QLineEdit **rowEdits[] = {&Edit1, &Edit2, &Edit3, &Edit4, &Edit5, &Edit6, &Edit7, &Edit8};
    for (int row = 0; row < 4; ++row) {
        const int top = 38 + 34 * row;
        auto *label = new QLabel(tr("指标%1").arg(row + 1), this);
        label->setGeometry(12, top + 2, 100, 20);
        *rowNames[row] = label;
        for (int side = 0; side < 2; ++side) {
            auto *edit = new QLineEdit(side == 0 ? QStringLiteral("0") : QStringLiteral("1000"), this);
            edit->setGeometry(120 + 100 * side, top, 90, 24);
            *rowEdits[2 * row + side] = edit;
        }
    }

    BitBtn1 = new QPushButton(tr("确定"), this);
    BitBtn1->setGeometry(132, 188, 88, 28);
    BitBtn2 = new QPushButton(tr("取消"), this);
    BitBtn2->setGeometry(230, 188, 88, 28);
    for (QPushButton *b : {BitBtn1, BitBtn2}) {
        b->setAutoDefault(false);
        b->setDefault(false);
    }
    connect(BitBtn1, &QPushButton::clicked, this, [this] { guarded(this, [this] { BitBtn1Click(); }); });
    connect(BitBtn2, &QPushButton::clicked, this, [this] { guarded(this, [this] { BitBtn2Click(); }); });

    FormCreate();
}

// A curve on a time scale shows its limits as times and takes them typed as times too.
QString TsetrulerForm::limitText(int curve, double value) const
{
    const auto &text = m_document->curve(curve).text;
    return text ? text->value(value) : numtext::formatGeneral(value);
}

bool TsetrulerForm::readLimit(int curve, const QString &text, double *value) const
{
    if (numtext::toDouble(text, value))
        return true;
    timetext::Stamp stamp;
    if (!m_document->curve(curve).text || !timetext::parse(text, &stamp))
        return false;
    *value = stamp.seconds;
    return true;
}

void TsetrulerForm::FormCreate()
{
    firstActivation = true;
}

void TsetrulerForm::FormActivate()
{
    if (!firstActivation)
        return;
    firstActivation = false;
    // Row captions: the curves' names as the last load left them.
    for (int i = 0; i < 4; ++i)
        names()[i]->setText(m_document->curve(i).name);
    mainunit::Tline &set = *m_lineSet;
    const std::array<chartsettings::Limits, 4> limits = chartsettings::readLimits(*app().iniFile);
    for (int i = 0; i < 4; ++i) {
        set.lower[i] = limits[i].lower;
        set.upper[i] = limits[i].upper;
    }
    for (int i = 0; i < 4; ++i) {
        edits()[2 * i]->setText(limitText(i, set.lower[i]));
        edits()[2 * i + 1]->setText(limitText(i, set.upper[i]));
    }
}

void TsetrulerForm::BitBtn1Click()
{
    double values[8] = {};
    QString message;
    for (int i = 0; i < 8; ++i) {
        if (!readLimit(i / 2, edits()[i]->text(), &values[i])) {
            message = tr("数值错误");
            break;
        }
    }
    if (message.isEmpty()) {
        for (int curve = 0; curve < 4; ++curve)
            if (values[2 * curve] >= values[2 * curve + 1])
                message = tr("下限值必须小于上限值");
    }
    if (!message.isEmpty()) {
        services().showMessage(this, message);
        return;
    }
    mainunit::Tline &set = *m_lineSet;
    std::array<chartsettings::Limits, 4> limits;
    for (int curve = 0; curve < 4; ++curve) {
        set.lower[curve] = values[2 * curve];
        set.upper[curve] = values[2 * curve + 1];
        limits[curve] = {set.lower[curve], set.upper[curve]};
    }
    writeSettings(this, RefusalShown::InLogAndBox, [&] { chartsettings::writeAllLimits(*app().iniFile, limits); });
    accept();
}

void TsetrulerForm::BitBtn2Click()
{
    reject();
}
