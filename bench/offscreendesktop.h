#pragma once

#include <QByteArray>

// The benchmarks' windows on Qt's offscreen platform with the screen the window tests use
// (1920 x 1080): its default screen of 800 x 600 would shrink the chart window to fit.
inline QByteArray offscreenDesktop()
{
    return QByteArrayLiteral("offscreen:configfile=" TABROVEX_SOURCE_DIR "/tests/support/desktop-screen.json");
}
