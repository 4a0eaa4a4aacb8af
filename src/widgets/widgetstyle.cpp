#include "widgets/widgetstyle.h"

#include <QApplication>
#include <QFileInfo>
#include <QFontDatabase>
#include <QPointer>
#include <QProxyStyle>
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
    // Check and radio boxes paint their face with Button: without it only the tick square
    // took the colour.
    p.setColor(QPalette::Button, colour);
    widget->setPalette(p);
    widget->setAutoFillBackground(true);
}

namespace {

class ListBoxStyle : public QProxyStyle
{
public:
    int pixelMetric(PixelMetric metric, const QStyleOption *option, const QWidget *widget) const override
    {
        // The item delegate keeps this plus one pixel on either side of an item's text.
        if (metric == PM_FocusFrameHMargin)
            return 1;
        return QProxyStyle::pixelMetric(metric, option, widget);
    }
};

}

QStyle *listBoxStyle()
{
    static QPointer<QStyle> style;
    if (!style) {
        style = new ListBoxStyle;
        style->setParent(qApp);
    }
    return style;
}

QStringList fontSubstitutes(const QString &windowsFamily)
{
    // A serif (Song/Ming) face for "宋体", sans (Hei) faces for the others; Noto's CJK faces
    // keep digits narrow enough that "11.415" fits a 60-pixel column list at 10 points.
    if (windowsFamily == QStringLiteral("宋体"))
        return {QStringLiteral("Noto Serif CJK SC"), QStringLiteral("AR PL UMing CN"),
                QStringLiteral("Noto Sans CJK SC"), QStringLiteral("WenQuanYi Micro Hei")};
    if (windowsFamily == QStringLiteral("黑体") || windowsFamily == QStringLiteral("MS Sans Serif"))
        return {QStringLiteral("Noto Sans CJK SC"), QStringLiteral("WenQuanYi Zen Hei"),
                QStringLiteral("WenQuanYi Micro Hei")};
    return {};
}

void installFontSubstitutes()
{
    static bool done = false;
    if (done)
        return;
    done = true;
    const QStringList installed = QFontDatabase::families();
    for (const QString &windows : {QStringLiteral("宋体"), QStringLiteral("黑体"), QStringLiteral("MS Sans Serif")}) {
        QStringList present;
        for (const QString &family : fontSubstitutes(windows))
            if (installed.contains(family))
                present << family;
        if (!present.isEmpty())
            QFont::insertSubstitutions(windows, present);
    }
}

QString windowTitleFor(const QString &caption, const QString &file)
{
    if (file.isEmpty())
        return caption;
    return caption + QStringLiteral(" - ") + QFileInfo(file).fileName();
}

}
