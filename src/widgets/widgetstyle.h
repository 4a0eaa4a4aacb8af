#pragma once

#include <QColor>
#include <QFont>
#include <QString>

class QWidget;

// Fonts and colours the windows share.
namespace widgetstyle {

inline const QColor Silver(192, 192, 192);
inline const QColor Aqua(0, 255, 255);

// A font of the given family at a size in pixels (the windows' sizes are pixel sizes).
QFont pixelFont(const QString &family, int pixels, bool bold = false);
// "宋体", the windows' own typeface, in pixels and in points.
QFont songti(int pixels);
QFont songtiPoints(int points);

// Fills the widget's background (and an edit's or list's base) with the colour.
void setBackground(QWidget *widget, const QColor &colour);

}
