#include "chartwin/ui/measurepanel.h"

#include "base/colorref.h"
#include "widgets/errorguard.h"
#include "widgets/widgetstyle.h"

#include <QClipboard>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

MeasurePanel::MeasurePanel(QWidget *parent)
    : QWidget(parent)
{
    // White, as the read-out's box, so each curve's colour reads as on the chart's legend.
    widgetstyle::setBackground(this, Qt::white);
    auto *outer = new QHBoxLayout(this);
    outer->setContentsMargins(6, 4, 6, 4);
    m_grid = new QGridLayout;
    m_grid->setHorizontalSpacing(14);
    m_grid->setVerticalSpacing(2);
    outer->addLayout(m_grid, 1);
    auto *side = new QVBoxLayout;
    copyButton = new QPushButton(tr("复制"), this);
    copyButton->setFont(widgetstyle::songti(13));
    copyButton->setAutoDefault(false);
    side->addWidget(copyButton);
    side->addStretch(1);
    outer->addLayout(side);
    connect(copyButton, &QPushButton::clicked, this, [this] { guarded(this, [this] { copyClick(); }); });
}

QLabel *MeasurePanel::cell(int line, int column)
{
    if (QLayoutItem *item = m_grid->itemAtPosition(line, column))
        return qobject_cast<QLabel *>(item->widget());
    auto *label = new QLabel(this);
    label->setFont(widgetstyle::songti(12));
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    // Names on the left, figures lined up on the right.
    label->setAlignment(column < 2 ? Qt::AlignLeft | Qt::AlignVCenter : Qt::AlignRight | Qt::AlignVCenter);
    m_grid->addWidget(label, line, column);
    return label;
}

void MeasurePanel::showTable(const rangetext::Table &table)
{
    m_table = table;
    const int lines = int(table.lines.size()) + 1;
    const int columns = int(table.header.size());
    for (int line = 0; line < lines; ++line) {
        const QStringList &texts = line == 0 ? table.header : table.lines[line - 1];
        QPalette colour;
        if (line > 0)
            colour.setColor(QPalette::WindowText, colorref::toQColor(table.colors.value(line - 1)));
        for (int column = 0; column < columns; ++column) {
            QLabel *label = cell(line, column);
            label->setText(texts.value(column));
            label->setPalette(colour);
            label->show();
        }
    }
    // Lines of curves no longer loaded go.
    for (int line = lines; line < m_grid->rowCount(); ++line)
        for (int column = 0; column < m_grid->columnCount(); ++column)
            if (QLabel *label = qobject_cast<QLabel *>(
                    m_grid->itemAtPosition(line, column) ? m_grid->itemAtPosition(line, column)->widget() : nullptr))
                label->hide();
    // Figures of new widths are placed now, not at the next turn of the event loop.
    layout()->activate();
}

QString MeasurePanel::cellText(int line, int column) const
{
    QLayoutItem *item = m_grid->itemAtPosition(line, column);
    const QLabel *label = item ? qobject_cast<QLabel *>(item->widget()) : nullptr;
    return label && label->isVisibleTo(this) ? label->text() : QString();
}

void MeasurePanel::copyClick()
{
    QGuiApplication::clipboard()->setText(rangetext::tabSeparated(m_table));
}
