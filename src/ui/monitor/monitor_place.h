#pragma once

#include <QRect>
#include <optional>
#include <string>

// Where the monitor window was last, kept from one run to the next in the
// section MONITOR of the profile (keys Left, Top, Width, Height), written
// only once the user has opened the monitor. Neither function throws: a
// place that cannot be read or kept is only a place forgotten.

namespace m8163 {

// The place kept in the profile at `path`, if any, with a positive size.
std::optional<QRect> loadMonitorPlace(const std::string& path);

// Keeps `place` in the profile at `path`; the rest of the file stays.
void saveMonitorPlace(const std::string& path, const QRect& place);

// `wanted` fitted into the free area of a screen: no larger than it, moved
// inside it when it lies partly outside.
QRect fitToScreen(QRect wanted, const QRect& available);

}  // namespace m8163
