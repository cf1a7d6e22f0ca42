#pragma once

#include "safety/DistanceStandard.h"

// ISO 13855:2010, the program's default: S = K x T + C with the kind's C.
// The distance functions of SafetyDevice.h are this unit's arithmetic run
// without writing the steps, so the window's number and the protocol's
// explanation come from the same lines.
class Iso13855_2010 final : public DistanceStandard
{
public:
    QString id() const override { return QStringLiteral("iso13855-2010"); }
    QString name() const override { return QStringLiteral("ISO 13855:2010"); }
    DistanceEntries entries(int) const override { return 0; }

protected:
    void compute(const DistanceInputs &inputs, DistanceResult &result) const override;
};

// The additional distance C that ISO 13855:2010 adds for the kind (for the
// scanner 100 mm + C), the hint a field shows where a later standard asks the
// user for it.  None for a kind without formula or a measure that is missing.
std::optional<double> iso13855_2010AdditionalDistance(const DistanceInputs &inputs);
