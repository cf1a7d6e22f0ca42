#pragma once

#include "safety/DistanceStandard.h"

// ANSI B11.19 (CSA Z432 uses the same formula):
// Ds = K x (Ts + Tc + Tr + Tbm) + Dpf, results in inches first.
class AnsiB11_19 final : public DistanceStandard
{
public:
    QString id() const override { return QStringLiteral("ansi-b11.19"); }
    QString name() const override { return QStringLiteral("ANSI B11.19 / CSA Z432"); }
    DistanceEntries entries(int kind) const override;
    bool inchesFirst() const override { return true; }

protected:
    void compute(const DistanceInputs &inputs, DistanceResult &result) const override;
};
