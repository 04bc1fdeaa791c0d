#include "volume.h"

#include <cmath>

namespace kv {

std::optional<qint64> volumeEntier(double volume)
{
    if (!std::isfinite(volume))
        return std::nullopt;
    const double whole = std::trunc(volume);
    // 2^63 is exactly representable; anything at or above it (or below -2^63) does not fit.
    constexpr double limit = 9223372036854775808.0;
    if (whole >= limit || whole < -limit)
        return std::nullopt;
    return qint64(whole);
}

QString texteVolume(double volume)
{
    const std::optional<qint64> v = volumeEntier(volume);
    return v ? QString::number(*v) : QStringLiteral("—");
}

bool volumeEnregistrable(double volume)
{
    const std::optional<qint64> v = volumeEntier(volume);
    return v && *v >= 1 && *v <= 60;
}

} // namespace kv
