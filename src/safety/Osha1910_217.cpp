#include "safety/Osha1910_217.h"

#include "safety/DistanceSteps.h"
#include "safety/SafetyDevice.h"

using namespace distance_steps;

namespace {

constexpr double kHandSpeedInch = 63.0; // in/s

} // namespace

void Osha1910_217::compute(const DistanceInputs &in, DistanceResult &r) const
{
    if (!stopTimeUsable(r, in) || !entryUsable(r, in.trMs, QStringLiteral("Tr")))
        return;
    if (in.kind < 0 || in.kind >= SafetyDeviceKindCount) {
        r.formula = DistanceText(QStringLiteral("no formula for this kind of safety device"));
        refuse(r, r.formula);
        return;
    }
    const double K = kHandSpeedInch * kMmPerInch;
    stopTime(r, in, QStringLiteral("Ts"));
    value(r, QStringLiteral("K"), inchPerS(kHandSpeedInch), ValueOrigin::StandardConstant,
          DistanceText(QStringLiteral("hand speed constant")), mmPerS(K));
    double totalMs = in.governingMs;
    if (in.trMs) {
        r.formula = DistanceText(QStringLiteral("Ds = 63 in/s \u00d7 (Ts + Tr)"));
        value(r, QStringLiteral("Tr"), ms(*in.trMs), ValueOrigin::Entered,
              DistanceText(QStringLiteral("response time of the device and its interface, where the measurement "
                                          "did not include it")),
              seconds(*in.trMs / 1000.0));
        totalMs += *in.trMs;
        r.lines.push_back(DistanceText(QStringLiteral("Ts + Tr = %1 + %2 = %3"),
                                       {ms(in.governingMs), ms(*in.trMs), seconds(totalMs / 1000.0)}));
    } else {
        r.formula = DistanceText(QStringLiteral("Ds = 63 in/s \u00d7 Ts"));
    }
    const double T = totalMs / 1000.0;
    const double Ds = K * T;
    r.lines.push_back(DistanceText(QStringLiteral("Ds = %1 \u00d7 %2 = %3"),
                                   {inchPerS(kHandSpeedInch), seconds(T), inch(Ds / kMmPerInch)}));
    r.lines.push_back(DistanceText(QStringLiteral("Ds = %1 \u00d7 %2 = %3"), {mmPerS(K), seconds(T), mm(Ds)}));
    r.distanceMm = Ds;
}
