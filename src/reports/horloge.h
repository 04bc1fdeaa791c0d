#pragma once

// The present moment and the calendar's time zone, as the report screens read them: the
// system's by default, fixed by tests.

#include <QDateTime>
#include <QTimeZone>

#include <functional>

namespace kv {

struct Horloge {
    std::function<qint64()> maintenantMs;
    QTimeZone zone;

    qint64 maintenant() const { return maintenantMs ? maintenantMs() : QDateTime::currentMSecsSinceEpoch(); }

    static Horloge systeme()
    {
        return {[] { return QDateTime::currentMSecsSinceEpoch(); }, QTimeZone::systemTimeZone()};
    }
};

} // namespace kv
