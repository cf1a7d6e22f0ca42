#pragma once

#include "safety/DistanceStandard.h"

// ISO 13855:2024: S = K x T + D_DS + Z.  K as in the 2010 edition; D_DS is
// fixed for two-hand controls and the parallel approach (horizontal light
// curtain, scanner) and otherwise comes from the standard's tables, so the
// user enters it; Z is the user's supplement.
class Iso13855_2024 final : public DistanceStandard
{
public:
    QString id() const override { return QStringLiteral("iso13855-2024"); }
    QString name() const override { return QStringLiteral("ISO 13855:2024"); }
    DistanceEntries entries(int kind) const override;

protected:
    void compute(const DistanceInputs &inputs, DistanceResult &result) const override;
};
