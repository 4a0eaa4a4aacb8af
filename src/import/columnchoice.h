#pragma once

#include <QString>
#include <QVector>

#include <array>

// The X/Y column choice of the main window as plain data, and its check.
struct ChoiceState {
    static constexpr int Columns = 256; // the column store's lists
    // Ticked states of the x and y boxes; index k-1 for column k.
    std::array<bool, Columns> x{};
    std::array<bool, Columns> y{};
    // Only columns 1..colCount take part; boxes above it are ignored.
    int colCount = 0;
    // Item counts of lists 1..256 at indexes 0..255.
    std::array<int, Columns> itemCounts{};
};

struct ChoiceCheck {
    bool ok = false;          // the choice may be drawn (choiceOK)
    QString message;          // to show in a message box and append to the log; empty when ok
    bool disableDraw = false; // the lengths differ: the draw button goes off until the next read
};

// One X column, one to four Y columns, all chosen columns of equal length. When several
// count rules fail, the message of the last rule in the order no X / no Y / several X /
// more than four Y is the one given; the length rule is looked at only when those pass. Its
// message names the X column and every chosen column of another length with their item
// counts: "各列数据个数不相同：第1列120个，第3列118个".
ChoiceCheck checkChoice(const ChoiceState &state);

// What a passed check hands to the chart loading.
struct ColumnChoice {
    int xCol = 0;          // lowest column with x ticked; 0 when none
    QVector<int> yCols;    // columns with y ticked, ascending
};

ColumnChoice chosenColumns(const ChoiceState &state);
