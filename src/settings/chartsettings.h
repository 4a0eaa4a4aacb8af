#pragma once

#include "base/lineset.h"

#include <array>

class IniFile;

// What the settings file keeps for the chart: colours and title in section "数据曲线",
// manual limits of curves 1 to 4 in section "曲线设置". Keys are read and written one by
// one in a fixed order, so a first save lists them in that order.
namespace chartsettings {

// Colours "颜色0".."颜色7" (default green), "背景颜色" (black), "网格颜色" (dark green),
// then "曲线标题" (default "Excel数据曲线图"), into the given record.
void readAppearance(const IniFile &ini, mainunit::Tline &set);

// Writes the same keys in the same order. A refused write does not stop the others (the file
// keeps what it refused for reads); the first refusal is raised after the last key (AppError).
void writeAppearance(IniFile &ini, const mainunit::Tline &set);

struct Limits {
    double lower = 0;
    double upper = 1000;
};

// "曲线N下限" then "曲线N上限" for N = 1..4 (defaults 0 and 1000).
std::array<Limits, 4> readLimits(const IniFile &ini);

// Writes the lower, then the upper limit of curve `curve` (0..3).
void writeLimits(IniFile &ini, int curve, const Limits &limits);

// Writes the limits of curves 1 to 4 in that order, each lower then upper; a refusal as
// writeAppearance's.
void writeAllLimits(IniFile &ini, const std::array<Limits, 4> &limits);

// "只绘制前1000行" in "曲线设置": draw only the first 1000 data rows of a long table instead
// of thinning the whole table (default 0, off).
bool readFirstRowsOnly(const IniFile &ini);
void writeFirstRowsOnly(IniFile &ini, bool on);

// "调整方式" in "数据曲线": the scaling mode last chosen, 1..3 automatic, 0 manual. A missing
// key or a value outside 0..3 gives mode 2, the mode a first start draws in.
constexpr int StartScaleMode = 2;
int readScaleMode(const IniFile &ini);
void writeScaleMode(IniFile &ini, int mode);

}
