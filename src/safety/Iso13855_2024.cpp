#include "safety/Iso13855_2024.h"

#include "safety/DistanceSteps.h"
#include "safety/Iso13855_2010.h"
#include "safety/SafetyDevice.h"

#include <QStringList>

#include <algorithm>

using namespace distance_steps;

namespace {

constexpr double kFastApproach = 2000.0;
constexpr double kSlowApproach = 1600.0;
constexpr double kParallelDds = 1200.0;   // horizontal light curtain, scanner
constexpr double kTwoHandDds = 550.0;
constexpr double kTwoHandLeast = 100.0;   // two-hand control with encroachment excluded
constexpr double kHighestZone = 1000.0;
constexpr double kAssessUnderneathAbove = 200.0;

bool entersDds(int kind)
{
    return kind == KindVerticalLightCurtain || kind == KindEmergencyStop || kind == KindDoor
        || kind == KindPressureSensitiveMat;
}

} // namespace

DistanceEntries Iso13855_2024::entries(int kind) const
{
    DistanceEntries e = EntrySupplement;
    if (entersDds(kind))
        e |= EntryDds;
    if (kind == KindTwoHandControl)
        e |= EntryNoEncroachment;
    return e;
}

void Iso13855_2024::compute(const DistanceInputs &in, DistanceResult &r) const
{
    if (!stopTimeUsable(r, in) || !entryUsable(r, in.zMm, QStringLiteral("Z"))
        || (entersDds(in.kind) && !entryUsable(r, in.ddsMm, QStringLiteral("D_DS"))))
        return;
    if (in.kind < 0 || in.kind >= SafetyDeviceKindCount) {
        r.formula = DistanceText(QStringLiteral("no formula for this kind of safety device"));
        refuse(r, r.formula);
        return;
    }
    const double T = in.governingMs / 1000.0;
    r.formula = DistanceText(QStringLiteral("S = K \u00d7 T + D_DS + Z"));
    stopTime(r, in);

    double K = kSlowApproach;
    double dds = 0.0;
    bool switchK = false; // vertical light curtain: 2000 mm/s, 1600 mm/s above 500 mm
    double least = 0.0;
    QString leastWhy;

    switch (in.kind) {
    case KindVerticalLightCurtain:
        if (!measureGiven(r, in.d, QStringLiteral("resolution d")))
            return;
        value(r, QStringLiteral("d"), mm(*in.d), ValueOrigin::Entered,
              DistanceText(QStringLiteral("detection capability (resolution) of the light curtain")));
        if (*in.d > 40.0) {
            value(r, QStringLiteral("K"), mmPerS(kSlowApproach), ValueOrigin::StandardConstant,
                  DistanceText(QStringLiteral("approach speed of the body, d above 40 mm")));
        } else if (in.nonIndustrial) {
            K = kFastApproach;
            value(r, QStringLiteral("K"), mmPerS(kFastApproach), ValueOrigin::StandardConstant,
                  DistanceText(QStringLiteral("approach speed of the hand; non-industrial use: no change to %1"),
                               {mmPerS(kSlowApproach)}));
        } else {
            switchK = true;
        }
        break;
    case KindHorizontalLightCurtain:
    case KindSafetyScanner: {
        if (!measureGiven(r, in.H, QStringLiteral("height H"))
            || !measureGiven(r, in.d, QStringLiteral("resolution d")))
            return;
        const double H = *in.H;
        const double d = *in.d;
        value(r, QStringLiteral("d"), mm(d), ValueOrigin::Entered,
              DistanceText(QStringLiteral("detection capability (resolution) of the device")));
        value(r, QStringLiteral("H"), mm(H), ValueOrigin::Entered,
              DistanceText(QStringLiteral("height of the detection zone above the floor")));
        if (H < 0.0 || H > kHighestZone) {
            refuse(r, DistanceText(QStringLiteral("H must be from %1 to %2"), {mm(0.0), mm(kHighestZone)}));
            return;
        }
        const double lowest = 15.0 * (d - 50.0);
        if (H < lowest) {
            refuse(r, DistanceText(QStringLiteral("H must be at least 15 \u00d7 (d - 50 mm) = %1"), {mm(lowest)}));
            return;
        }
        r.lines.push_back(
            DistanceText(QStringLiteral("H = %1 lies from %2 to %3 and is at least 15 \u00d7 (d - 50 mm) = %4"),
                         {mm(H), mm(0.0), mm(kHighestZone), mm(lowest)}));
        if (H > kAssessUnderneathAbove)
            r.warnings.push_back(DistanceText(
                QStringLiteral("H is above %1: access underneath the detection zone must be assessed"),
                {mm(kAssessUnderneathAbove)}));
        value(r, QStringLiteral("K"), mmPerS(kSlowApproach), ValueOrigin::StandardConstant,
              DistanceText(QStringLiteral("approach speed of the body, parallel to the zone")));
        dds = kParallelDds;
        value(r, QStringLiteral("D_DS"), mm(dds), ValueOrigin::StandardConstant,
              DistanceText(QStringLiteral("parallel approach")));
        break;
    }
    case KindTwoHandControl:
        value(r, QStringLiteral("K"), mmPerS(kSlowApproach), ValueOrigin::StandardConstant,
              DistanceText(QStringLiteral("approach speed of the hand to a two-hand control")));
        if (in.noEncroachment) {
            dds = 0.0;
            least = kTwoHandLeast;
            leastWhy = QStringLiteral("for a two-hand control without encroachment");
            value(r, QStringLiteral("D_DS"), mm(dds), ValueOrigin::Entered,
                  DistanceText(QStringLiteral("encroachment excluded, as entered; S is then at least %1"),
                               {mm(kTwoHandLeast)}));
        } else {
            dds = kTwoHandDds;
            value(r, QStringLiteral("D_DS"), mm(dds), ValueOrigin::StandardConstant,
                  DistanceText(QStringLiteral("two-hand control")));
        }
        break;
    default:
        value(r, QStringLiteral("K"), mmPerS(kSlowApproach), ValueOrigin::StandardConstant,
              DistanceText(QStringLiteral("approach speed of the body")));
        break;
    }

    if (entersDds(in.kind)) {
        const std::optional<double> hint = iso13855_2010AdditionalDistance(in);
        if (!in.ddsMm) {
            refuse(r, hint ? DistanceText(QStringLiteral("D_DS must be entered from the standard's tables for "
                                                         "reaching through, over or under (ISO 13855:2010 "
                                                         "added %1)"),
                                          {mm(*hint)})
                           : DistanceText(QStringLiteral("D_DS must be entered from the standard's tables for "
                                                         "reaching through, over or under")));
            return;
        }
        dds = *in.ddsMm;
        value(r, QStringLiteral("D_DS"), mm(dds), ValueOrigin::Entered,
              DistanceText(QStringLiteral("from the standard's tables for reaching through, over or under, as "
                                          "entered")));
    }

    const double Z = in.zMm.value_or(0.0);
    value(r, QStringLiteral("Z"), mm(Z), in.zMm ? ValueOrigin::Entered : ValueOrigin::Default,
          DistanceText(QStringLiteral("supplement, for example for measurement uncertainty or brake wear")));

    double S = 0.0;
    if (switchK) {
        // K is chosen on K x T + D_DS; the supplement is added after, so it
        // can only make the distance larger.
        double reach = kFastApproach * T + dds;
        r.lines.push_back(
            DistanceText(QStringLiteral("K \u00d7 T + D_DS = %1 \u00d7 %2 + %3 = %4"),
                         {mmPerS(kFastApproach), seconds(T), mm(dds), mm(reach)}));
        if (reach > 500.0) {
            K = kSlowApproach;
            r.lines.push_back(DistanceText(QStringLiteral("%1 is above %2: computed again with K = %3"),
                                           {mm(reach), mm(500.0), mmPerS(kSlowApproach)}));
            reach = kSlowApproach * T + dds;
            r.lines.push_back(
                DistanceText(QStringLiteral("K \u00d7 T + D_DS = %1 \u00d7 %2 + %3 = %4"),
                             {mmPerS(kSlowApproach), seconds(T), mm(dds), mm(reach)}));
            if (reach < 500.0) {
                r.lines.push_back(DistanceText(QStringLiteral("%1 is below %2, the least with K = %3: %2"),
                                               {mm(reach), mm(500.0), mmPerS(kSlowApproach)}));
                reach = 500.0;
            }
            value(r, QStringLiteral("K"), mmPerS(kSlowApproach), ValueOrigin::StandardConstant,
                  DistanceText(QStringLiteral("approach speed of the body: with %1 the distance is above %2"),
                               {mmPerS(kFastApproach), mm(500.0)}));
        } else {
            value(r, QStringLiteral("K"), mmPerS(kFastApproach), ValueOrigin::StandardConstant,
                  DistanceText(QStringLiteral("approach speed of the hand: with it the distance is not above %1"),
                               {mm(500.0)}));
        }
        S = reach + Z;
        r.lines.push_back(DistanceText(QStringLiteral("S = %1 + %2 = %3"), {mm(reach), mm(Z), mm(S)}));
    } else {
        S = K * T + dds + Z;
        r.lines.push_back(DistanceText(QStringLiteral("S = %1 \u00d7 %2 + %3 + %4 = %5"),
                                       {mmPerS(K), seconds(T), mm(dds), mm(Z), mm(S)}));
    }
    if (S < least) {
        r.lines.push_back(DistanceText(QStringLiteral("S is below %1, the least distance ") + leastWhy
                                           + QStringLiteral(": S = %1"),
                                       {mm(least)}));
        S = least;
    }
    r.distanceMm = S;
    // Values in reading order, whichever step settled them.
    static const QStringList order = {QStringLiteral("T"), QStringLiteral("d"), QStringLiteral("H"),
                                      QStringLiteral("K"), QStringLiteral("D_DS"), QStringLiteral("Z")};
    std::stable_sort(r.values.begin(), r.values.end(), [](const DistanceValue &a, const DistanceValue &b) {
        return order.indexOf(a.symbol) < order.indexOf(b.symbol);
    });
}
