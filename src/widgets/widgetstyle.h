#pragma once

#include <QColor>
#include <QFont>
#include <QString>
#include <QStringList>

class QStyle;
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

// Fills the widget's background (and an edit's or list's base, a check or radio box's
// button face) with the colour.
void setBackground(QWidget *widget, const QColor &colour);

// The style of the column lists: the application's, with items' text 2 pixels from the
// edges as in a Windows list box instead of Qt's wider margins, so that six-character
// values fit the 60-pixel lists. One instance, owned by the application.
QStyle *listBoxStyle();

// Maps the Windows typefaces the windows ask for ("宋体", "黑体", "MS Sans Serif") to
// installed CJK faces of close metrics. Once per process; later calls do nothing.
void installFontSubstitutes();

// A window's caption naming the open file: "Excel曲线 - name.csv"; the caption alone
// without a file.
QString windowTitleFor(const QString &caption, const QString &file);

// The installed faces tried for a Windows typeface, best first.
QStringList fontSubstitutes(const QString &windowsFamily);

}
