#pragma once

// Helpers the standards share while writing out a calculation.

#include "safety/DistanceStandard.h"

#include <cmath>

namespace distance_steps {

inline Quantity mm(double v) { return {v, DistanceUnit::Millimetre}; }
inline Quantity mmPerS(double v) { return {v, DistanceUnit::MillimetrePerSecond}; }
inline Quantity seconds(double v) { return {v, DistanceUnit::Second}; }
inline Quantity ms(double v) { return {v, DistanceUnit::Millisecond}; }
inline Quantity inch(double v) { return {v, DistanceUnit::Inch}; }
inline Quantity inchPerS(double v) { return {v, DistanceUnit::InchPerSecond}; }

inline void value(DistanceResult &r, const QString &symbol, Quantity q, ValueOrigin origin, DistanceText note,
                  std::optional<Quantity> alsoAs = std::nullopt)
{
    r.values.push_back(DistanceValue{symbol, q, alsoAs, origin, std::move(note)});
}

// The governing stop time as the first value: "T = 100.000 ms = 0.100000 s".
inline void stopTime(DistanceResult &r, const DistanceInputs &in, const QString &symbol = QStringLiteral("T"))
{
    value(r, symbol, ms(in.governingMs), ValueOrigin::Measured, in.stopTimeNote, seconds(in.governingMs / 1000.0));
}

inline bool refuse(DistanceResult &r, DistanceText reason)
{
    r.distanceMm.reset();
    r.noDistanceReason = std::move(reason);
    return false;
}

// An entry that is given must be a finite number not below zero: a negative
// supplement or response time would shorten the distance.
inline bool entryUsable(DistanceResult &r, const std::optional<double> &entry, const QString &symbol)
{
    if (!entry || (std::isfinite(*entry) && *entry >= 0.0))
        return true;
    return refuse(r, DistanceText(symbol + QStringLiteral(" must be a number not below 0")));
}

// A device measure the kind needs: present, finite.
inline bool measureGiven(DistanceResult &r, const std::optional<double> &measure, const QString &what)
{
    if (measure && std::isfinite(*measure))
        return true;
    return refuse(r, DistanceText(QStringLiteral("the safety device's ") + what + QStringLiteral(" is not a number")));
}

inline bool stopTimeUsable(DistanceResult &r, const DistanceInputs &in)
{
    if (std::isfinite(in.governingMs) && in.governingMs >= 0.0)
        return true;
    return refuse(r, DistanceText(QStringLiteral("the stop time is not a number of at least 0 ms")));
}

} // namespace distance_steps
