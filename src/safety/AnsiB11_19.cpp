#include "safety/AnsiB11_19.h"

#include "safety/DistanceSteps.h"
#include "safety/SafetyDevice.h"

#include <algorithm>

using namespace distance_steps;

namespace {

constexpr double kDefaultKInch = 63.0;   // in/s
constexpr double kLeastKMm = 1600.0;     // mm/s; the user may enter a larger K
constexpr double kBrakeMonitorRule = 0.2; // without a brake monitor: 20 % of Ts + Tc
constexpr double kCoarseResolution = 64.0;
constexpr double kCoarseDpf = 900.0;     // 36 in
constexpr double kReachOverDpf = 1200.0; // 48 in

bool entersDpf(int kind)
{
    return kind == KindEmergencyStop || kind == KindDoor;
}

} // namespace

DistanceEntries AnsiB11_19::entries(int kind) const
{
    DistanceEntries e = EntryResponseTime | EntryBrakeMonitor | EntryApproachSpeed;
    if (entersDpf(kind))
        e |= EntryDpf;
    return e;
}

void AnsiB11_19::compute(const DistanceInputs &in, DistanceResult &r) const
{
    if (!stopTimeUsable(r, in) || !entryUsable(r, in.trMs, QStringLiteral("Tr"))
        || !entryUsable(r, in.brakeMonitorMs, QStringLiteral("the brake monitor's setting"))
        || (entersDpf(in.kind) && !entryUsable(r, in.dpfMm, QStringLiteral("Dpf"))))
        return;
    if (in.kind < 0 || in.kind >= SafetyDeviceKindCount) {
        r.formula = DistanceText(QStringLiteral("no formula for this kind of safety device"));
        refuse(r, r.formula);
        return;
    }
    if (in.kMmPerS && !(std::isfinite(*in.kMmPerS) && *in.kMmPerS >= kLeastKMm)) {
        refuse(r, DistanceText(QStringLiteral("K must be at least %1 (%2)"),
                               {mmPerS(kLeastKMm), inchPerS(kLeastKMm / kMmPerInch)}));
        return;
    }
    r.formula = DistanceText(QStringLiteral("Ds = K \u00d7 (Ts + Tc + Tr + Tbm) + Dpf"));
    // The measured stop time covers the machine's stop (Ts) and the control
    // system's reaction (Tc).
    stopTime(r, in, QStringLiteral("Ts + Tc"));
    const double stopMs = in.governingMs;

    const double K = in.kMmPerS ? *in.kMmPerS : kDefaultKInch * kMmPerInch;
    value(r, QStringLiteral("K"), inchPerS(K / kMmPerInch), in.kMmPerS ? ValueOrigin::Entered : ValueOrigin::Default,
          DistanceText(in.kMmPerS ? QStringLiteral("hand speed constant, as entered")
                                  : QStringLiteral("hand speed constant")),
          mmPerS(K));

    const double trMs = in.trMs.value_or(0.0);
    value(r, QStringLiteral("Tr"), ms(trMs), in.trMs ? ValueOrigin::Entered : ValueOrigin::Default,
          DistanceText(QStringLiteral("response time of the device and its interface, where the measurement did "
                                      "not include it")),
          seconds(trMs / 1000.0));

    double tbmMs = 0.0;
    if (in.brakeMonitorMs) {
        value(r, QStringLiteral("brake monitor"), ms(*in.brakeMonitorMs), ValueOrigin::Entered,
              DistanceText(QStringLiteral("setting of the brake monitor")));
        tbmMs = std::max(0.0, *in.brakeMonitorMs - stopMs);
        value(r, QStringLiteral("Tbm"), ms(tbmMs), ValueOrigin::Entered,
              DistanceText(QStringLiteral("the brake monitor's setting minus (Ts + Tc), never negative")),
              seconds(tbmMs / 1000.0));
    } else {
        tbmMs = kBrakeMonitorRule * stopMs;
        value(r, QStringLiteral("Tbm"), ms(tbmMs), ValueOrigin::StandardConstant,
              DistanceText(QStringLiteral("no brake monitor: 20 % of (Ts + Tc)")), seconds(tbmMs / 1000.0));
    }

    double dpf = 0.0;
    switch (in.kind) {
    case KindVerticalLightCurtain: {
        if (!measureGiven(r, in.d, QStringLiteral("resolution d")))
            return;
        const double d = *in.d;
        value(r, QStringLiteral("d"), mm(d), ValueOrigin::Entered,
              DistanceText(QStringLiteral("object sensitivity (resolution) of the light curtain")));
        if (d < kCoarseResolution) {
            const double reach = 3.4 * (d - 7.0);
            dpf = std::max(0.0, reach);
            value(r, QStringLiteral("Dpf"), inch(dpf / kMmPerInch), ValueOrigin::StandardConstant,
                  reach < 0.0 ? DistanceText(QStringLiteral("3.4 \u00d7 (d - 7 mm) = %1, never negative"), {mm(reach)})
                              : DistanceText(QStringLiteral("3.4 \u00d7 (d - 7 mm), d below 64 mm")),
                  mm(dpf));
        } else {
            dpf = kCoarseDpf;
            value(r, QStringLiteral("Dpf"), inch(dpf / kMmPerInch), ValueOrigin::StandardConstant,
                  DistanceText(QStringLiteral("d of 64 mm and above")), mm(dpf));
        }
        break;
    }
    case KindHorizontalLightCurtain:
    case KindSafetyScanner:
    case KindPressureSensitiveMat:
        dpf = kReachOverDpf;
        value(r, QStringLiteral("Dpf"), inch(dpf / kMmPerInch), ValueOrigin::StandardConstant,
              DistanceText(QStringLiteral("reach over, parallel approach")), mm(dpf));
        break;
    case KindTwoHandControl:
        value(r, QStringLiteral("Dpf"), inch(0.0), ValueOrigin::StandardConstant,
              DistanceText(QStringLiteral("two-hand control")), mm(0.0));
        break;
    default: // emergency stop, door
        dpf = in.dpfMm.value_or(0.0);
        value(r, QStringLiteral("Dpf"), inch(dpf / kMmPerInch), in.dpfMm ? ValueOrigin::Entered : ValueOrigin::Default,
              DistanceText(QStringLiteral("depth penetration factor")), mm(dpf));
        break;
    }

    const double totalS = (stopMs + trMs + tbmMs) / 1000.0;
    const double Ds = K * totalS + dpf;
    r.lines.push_back(DistanceText(QStringLiteral("Ts + Tc + Tr + Tbm = %1 + %2 + %3 = %4"),
                                   {ms(stopMs), ms(trMs), ms(tbmMs), seconds(totalS)}));
    r.lines.push_back(DistanceText(QStringLiteral("Ds = %1 \u00d7 %2 + %3 = %4"),
                                   {inchPerS(K / kMmPerInch), seconds(totalS), inch(dpf / kMmPerInch),
                                    inch(Ds / kMmPerInch)}));
    r.lines.push_back(
        DistanceText(QStringLiteral("Ds = %1 \u00d7 %2 + %3 = %4"), {mmPerS(K), seconds(totalS), mm(dpf), mm(Ds)}));
    r.distanceMm = Ds;
}
