#include "settings/ui/setcolorUnit.h"

#include "widgets/errorguard.h"
#include "widgets/services.h"
#include "settings/ui/colorswatch.h"

#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

QLabel *caption(QWidget *parent, const QString &text, int x, int y, bool bold = false)
{
    auto *label = new QLabel(text, parent);
    QFont f = label->font();
    f.setBold(bold);
    label->setFont(f);
    label->adjustSize();
    label->move(x, y);
    return label;
}

}

TsetLinecolorform::TsetLinecolorform(QWidget *parent)
    : FormDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint)
{
    setWindowTitle(tr("设置"));
    setFixedSize(330, 230);

    GroupBox1 = new QGroupBox(tr("设置颜色"), this);
    GroupBox1->setGeometry(12, 8, 306, 120);

    ColorSwatch **curveSwatches[] = {&color1, &color2, &color3, &color4};
    const QString numbers[] = {QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3"), QStringLiteral("4")};
    for (int i = 0; i < 4; ++i) {
        caption(GroupBox1, numbers[i], 12 + 72 * i, 34, true);
        auto *swatch = new ColorSwatch(GroupBox1);
        swatch->setGeometry(26 + 72 * i, 28, 44, 26);
        *curveSwatches[i] = swatch;
    }
    caption(GroupBox1, tr("背景"), 12, 80);
    backLabel = new ColorSwatch(GroupBox1);
    backLabel->setGeometry(50, 74, 88, 26);
    caption(GroupBox1, tr("网格"), 160, 80);
    gridLabel = new ColorSwatch(GroupBox1);
    gridLabel->setGeometry(198, 74, 88, 26);

    caption(this, tr("曲线标题"), 14, 146);
    Edit1 = new QLineEdit(this);
    Edit1->setGeometry(80, 142, 238, 24);

    OKBtn = new QPushButton(tr("确定"), this);
    OKBtn->setGeometry(132, 188, 88, 28);
    exitBtn = new QPushButton(tr("返回"), this);
    exitBtn->setGeometry(230, 188, 88, 28);
    // Neither button answers Enter.
    for (QPushButton *b : {OKBtn, exitBtn}) {
        b->setAutoDefault(false);
        b->setDefault(false);
    }

    for (ColorSwatch *s : {color1, color2, color3, color4, backLabel, gridLabel})
        connect(s, &ColorSwatch::clicked, this, [this, s] { guarded(this, [this, s] { color1Click(s); }); });
    connect(OKBtn, &QPushButton::clicked, this, [this] { guarded(this, [this] { OKBtnClick(); }); });
    connect(exitBtn, &QPushButton::clicked, this, [this] { guarded(this, [this] { exitBtnClick(); }); });

    FormCreate();
}

void TsetLinecolorform::FormCreate()
{
    m_firstActivation = true;
}

void TsetLinecolorform::FormActivate()
{
    // Filled once: later showings keep what the controls held, stored or not.
    if (!m_firstActivation)
        return;
    m_firstActivation = false;
    const mainunit::Tline &set = *m_lineSet;
    color1->setColor(set.color[0]);
    color2->setColor(set.color[1]);
    color3->setColor(set.color[2]);
    color4->setColor(set.color[3]);
    backLabel->setColor(set.backColor);
    gridLabel->setColor(set.gridColor);
    Edit1->setText(set.title);
}

void TsetLinecolorform::color1Click(ColorSwatch *sender)
{
    int picked = 0;
    if (services().pickColor(this, sender->color(), &picked))
        sender->setColor(picked);
}

void TsetLinecolorform::OKBtnClick()
{
    mainunit::Tline &set = *m_lineSet;
    set.color[0] = color1->color();
    set.color[1] = color2->color();
    set.color[2] = color3->color();
    set.color[3] = color4->color();
    set.backColor = backLabel->color();
    set.gridColor = gridLabel->color();
    set.title = Edit1->text();
    accept();
}

void TsetLinecolorform::exitBtnClick()
{
    reject();
}
