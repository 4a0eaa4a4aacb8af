#include "widgets/widgetstyle.h"

#include <QWidget>

namespace widgetstyle {

QFont pixelFont(const QString &family, int pixels, bool bold)
{
    QFont f(family);
    f.setPixelSize(pixels);
    f.setBold(bold);
    return f;
}

QFont songti(int pixels)
{
    return pixelFont(QStringLiteral("宋体"), pixels);
}

QFont songtiPoints(int points)
{
    QFont f(QStringLiteral("宋体"));
    f.setPointSize(points);
    return f;
}

void setBackground(QWidget *widget, const QColor &colour)
{
    QPalette p = widget->palette();
    p.setColor(QPalette::Window, colour);
    p.setColor(QPalette::Base, colour);
    widget->setPalette(p);
    widget->setAutoFillBackground(true);
}

}
