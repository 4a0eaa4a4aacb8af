#pragma once

#include "app/mainunit.h"

#include <QCheckBox>
#include <QStringList>

// The ticked boxes of the main window, as "x1 y2 y3".
inline QString ticks(Tmainform *m)
{
    QStringList out;
    for (int k = 1; k <= m->madeColumns(); ++k) {
        if (m->xBox[k]->isChecked())
            out << QStringLiteral("x%1").arg(k);
        if (m->yBox[k]->isChecked())
            out << QStringLiteral("y%1").arg(k);
    }
    return out.join(QLatin1Char(' '));
}
