#pragma once

#include <QString>

namespace mainunit {

// Chart appearance and manual limits shared by the chart window and its two dialogs.
// Colours are 0x00BBGGRR (red in the low byte). Only lower/upper[0..3] are ever used.
struct Tline {
    int color[8] = {};
    double upper[8] = {};
    double lower[8] = {};
    int backColor = 0;
    int gridColor = 0;
    QString title;
};

}
