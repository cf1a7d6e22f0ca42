#pragma once

#include "safety/DistanceStandard.h"

// OSHA 29 CFR 1910.217(c)(3)(iii)(e), mechanical power presses:
// Ds = 63 in/s x Ts, Ts the stop time (plus Tr when entered).
class Osha1910_217 final : public DistanceStandard
{
public:
    QString id() const override { return QStringLiteral("osha-1910.217"); }
    QString name() const override { return QStringLiteral("OSHA 29 CFR 1910.217"); }
    DistanceEntries entries(int) const override { return EntryResponseTime; }
    bool inchesFirst() const override { return true; }

protected:
    void compute(const DistanceInputs &inputs, DistanceResult &result) const override;
};
