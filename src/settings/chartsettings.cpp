#include "settings/chartsettings.h"

#include "base/apperror.h"
#include "settings/inifile.h"

#include <functional>
#include <optional>

namespace chartsettings {

namespace {

const QString Appearance = QStringLiteral("数据曲线");
const QString LimitsSection = QStringLiteral("曲线设置");

const QString FirstRowsKey = QStringLiteral("只绘制前1000行");
const QString ScaleModeKey = QStringLiteral("调整方式");

QString colorKey(int i) { return QStringLiteral("颜色") + QString::number(i); }
QString lowerKey(int curve) { return QStringLiteral("曲线%1下限").arg(curve + 1); }
QString upperKey(int curve) { return QStringLiteral("曲线%1上限").arg(curve + 1); }

// Runs every write of a save, also after a refused one, so that all the save's values stay
// at hand; then raises the first refusal, once for the whole save.
class EveryWrite
{
public:
    void operator()(const std::function<void()> &write)
    {
        try {
            write();
        } catch (const AppError &e) {
            if (!m_refused)
                m_refused = e;
        }
    }
    void finish() const
    {
        if (m_refused)
            throw *m_refused;
    }

private:
    std::optional<AppError> m_refused;
};

}

void readAppearance(const IniFile &ini, mainunit::Tline &set)
{
    for (int i = 0; i < 8; ++i)
        set.color[i] = ini.readInteger(Appearance, colorKey(i), 0x00FF00);
    set.backColor = ini.readInteger(Appearance, QStringLiteral("背景颜色"), 0);
    set.gridColor = ini.readInteger(Appearance, QStringLiteral("网格颜色"), 0x008000);
    set.title = ini.readString(Appearance, QStringLiteral("曲线标题"), QStringLiteral("Excel数据曲线图"));
}

void writeAppearance(IniFile &ini, const mainunit::Tline &set)
{
    EveryWrite write;
    for (int i = 0; i < 8; ++i)
        write([&] { ini.writeInteger(Appearance, colorKey(i), set.color[i]); });
    write([&] { ini.writeInteger(Appearance, QStringLiteral("背景颜色"), set.backColor); });
    write([&] { ini.writeInteger(Appearance, QStringLiteral("网格颜色"), set.gridColor); });
    write([&] { ini.writeString(Appearance, QStringLiteral("曲线标题"), set.title); });
    write.finish();
}

std::array<Limits, 4> readLimits(const IniFile &ini)
{
    std::array<Limits, 4> limits;
    for (int curve = 0; curve < 4; ++curve) {
        limits[curve].lower = ini.readFloat(LimitsSection, lowerKey(curve), 0.0);
        limits[curve].upper = ini.readFloat(LimitsSection, upperKey(curve), 1000.0);
    }
    return limits;
}

void writeLimits(IniFile &ini, int curve, const Limits &limits)
{
    ini.writeFloat(LimitsSection, lowerKey(curve), limits.lower);
    ini.writeFloat(LimitsSection, upperKey(curve), limits.upper);
}

void writeAllLimits(IniFile &ini, const std::array<Limits, 4> &limits)
{
    EveryWrite write;
    for (int curve = 0; curve < 4; ++curve) {
        write([&] { ini.writeFloat(LimitsSection, lowerKey(curve), limits[curve].lower); });
        write([&] { ini.writeFloat(LimitsSection, upperKey(curve), limits[curve].upper); });
    }
    write.finish();
}

bool readFirstRowsOnly(const IniFile &ini)
{
    return ini.readInteger(LimitsSection, FirstRowsKey, 0) != 0;
}

void writeFirstRowsOnly(IniFile &ini, bool on)
{
    ini.writeInteger(LimitsSection, FirstRowsKey, on ? 1 : 0);
}

int readScaleMode(const IniFile &ini)
{
    const int mode = ini.readInteger(Appearance, ScaleModeKey, StartScaleMode);
    return mode >= 0 && mode <= 3 ? mode : StartScaleMode;
}

void writeScaleMode(IniFile &ini, int mode)
{
    ini.writeInteger(Appearance, ScaleModeKey, mode);
}

}
