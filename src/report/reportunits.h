#pragma once

#include <QtGlobal>

// Report geometry is kept in tenths of a millimetre; screen elements are laid out in
// pixels at 96 per inch. These conversions are the only place the two meet.
namespace reportunits {

// The pixel density the page and the chart pictures were designed at.
constexpr qreal designDpi = 96.0;
constexpr qreal tenthsPerInch = 254.0;

inline qreal pixelsToTenths(qreal pixels) { return pixels * tenthsPerInch / designDpi; }
inline qreal tenthsToPixels(qreal tenths) { return tenths * designDpi / tenthsPerInch; }
inline qreal tenthsToDevice(qreal tenths, qreal deviceDpi) { return tenths * deviceDpi / tenthsPerInch; }

} // namespace reportunits
