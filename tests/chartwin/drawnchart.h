#pragma once

// What the chart window's tests share: the window shown over a drawn sheet.
#include "support/appfixture.h"
#include "support/sheetserver.h"

#include "app/mainunit.h"
#include "chartwin/ui/dataLineUnit.h"

#include <functional>

// Reads `rows` into the main window, clicks "绘制曲线" and runs `whileShown` while the
// chart window is up.
inline void drawRows(AppFixture &f, SheetServer &server, const QList<QStringList> &rows,
                     const std::function<void(TdataLineForm *)> &whileShown)
{
    server.rows = rows;
    Tmainform *m = f.start();
    m->move(0, 0); // away from the centre, where the chart window must not follow it
    QVERIFY(f.openAndRead());
    QVERIFY(m->drawBtn->isEnabled());
    bool ran = false;
    auto previous = f.services.onModal;
    f.services.onModal = [&, previous](QDialog *d) {
        if (d == app().dataLineForm && !ran) {
            ran = true;
            whileShown(app().dataLineForm);
        } else if (previous) {
            previous(d);
        }
    };
    m->drawBtn->click();
    QVERIFY(ran);
    f.services.onModal = previous;
}

// The sheet most tests draw: a name row, a unit row, 20 rows of 5 columns (values r * c).
inline void readAndDraw(AppFixture &f, SheetServer &server, const std::function<void(TdataLineForm *)> &whileShown)
{
    drawRows(f, server, measuredTable(5, 20), whileShown);
}
