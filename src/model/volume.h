#pragma once

// A skip's volume as the screens show it: the fraction dropped ("7" for 7.9). A volume that is
// not a finite number, or whose whole part does not fit a 64-bit integer, has no whole value
// and is shown as "—".

#include <QString>

#include <optional>

namespace kv {

std::optional<qint64> volumeEntier(double volume);
// "7" for 7.9; "—" when the volume has no whole value.
QString texteVolume(double volume);
// The editor saves only volumes whose whole part lies in 1…60.
bool volumeEnregistrable(double volume);

} // namespace kv
