#include "safety/Iso13855_2010.h"

#include "safety/DistanceSteps.h"
#include "safety/SafetyDevice.h"

#include <algorithm>

using namespace distance_steps;

namespace {

// Approach speeds of ISO 13855 in mm/s.
constexpr double kFastApproach = 2000.0;
constexpr double kSlowApproach = 1600.0;
// ISO 13855 does not let the reach over a horizontal zone fall below this.
constexpr double kLeastReachOver = 850.0;

// Each formula computes S and, given a result to write into, the values and
// lines that explain it.  Without one (the distance functions) only the
// arithmetic runs; the operations and their order are the same either way,
// so both arrive at the same bits.

void sumLine(DistanceResult *r, double K, double T, double S)
{
    r->lines.push_back(DistanceText(QStringLiteral("S = %1 \u00d7 %2 = %3"), {mmPerS(K), seconds(T), mm(S)}));
}

void sumLine(DistanceResult *r, double K, double T, double C, double S)
{
    r->lines.push_back(
        DistanceText(QStringLiteral("S = %1 \u00d7 %2 + %3 = %4"), {mmPerS(K), seconds(T), mm(C), mm(S)}));
}

// Raises S to the least distance; `why` ends the sentence ("for d above 40 mm",
// "with K = %2" where %2 is whyArg).
void atLeast(DistanceResult *r, double &S, double least, const QString &why = {},
             std::optional<Quantity> whyArg = std::nullopt)
{
    if (S < least) {
        if (r) {
            DistanceText line(QStringLiteral("S is below %1, the least distance")
                                  + (why.isEmpty() ? QString() : QLatin1Char(' ') + why) + QStringLiteral(": S = %1"),
                              {mm(least)});
            if (whyArg)
                line.args[size_t(line.argCount++)] = *whyArg;
            r->lines.push_back(line);
        }
        S = least;
    }
}

const QString kSelection = QStringLiteral("as chosen in the safety device selection");

// Light curtains coarser than 40 mm protect against body approach only: the
// same for industrial and non-industrial use.
double coarseCurtain(double T, DistanceResult *r)
{
    if (r) {
        r->formula = DistanceText(QStringLiteral("S = K \u00d7 T + C"));
        value(*r, QStringLiteral("K"), mmPerS(kSlowApproach), ValueOrigin::StandardConstant,
              DistanceText(QStringLiteral("approach speed of the body, d above 40 mm")));
        value(*r, QStringLiteral("C"), mm(850.0), ValueOrigin::StandardConstant,
              DistanceText(QStringLiteral("reach of an arm past the curtain, d above 40 mm")));
    }
    double S = kSlowApproach * T + 850.0;
    if (r)
        sumLine(r, kSlowApproach, T, 850.0, S);
    atLeast(r, S, 500.0, QStringLiteral("for d above 40 mm"));
    return S;
}

void resolutionInput(DistanceResult *r, double d)
{
    if (r)
        value(*r, QStringLiteral("d"), mm(d), ValueOrigin::Entered,
              DistanceText(QStringLiteral("detection capability (resolution) of the light curtain, ") + kSelection));
}

const DistanceText kThroughResolution(QStringLiteral("8 \u00d7 (d - 14 mm), reach through the curtain's resolution"));

// The reach through the curtain, 8 (d - 14), is not less than 0: a curtain
// finer than 14 mm is not credited with a hand that reaches less than none.
double throughResolution(double d)
{
    return std::max(0.0, 8.0 * (d - 14.0));
}

void throughResolutionValue(DistanceResult *r, double d, double C)
{
    if (!r)
        return;
    if (d < 14.0)
        value(*r, QStringLiteral("C"), mm(C), ValueOrigin::StandardConstant,
              DistanceText(QStringLiteral("8 \u00d7 (d - 14 mm) is not less than 0: d is below 14 mm, so %1"),
                           {mm(0.0)}));
    else
        value(*r, QStringLiteral("C"), mm(C), ValueOrigin::StandardConstant, kThroughResolution);
}

double vlc(double T, double d, DistanceResult *r)
{
    resolutionInput(r, d);
    if (d > 40.0)
        return coarseCurtain(T, r);
    const double C = throughResolution(d);
    if (r)
        r->formula = DistanceText(QStringLiteral("S = K \u00d7 T + C,  C = 8 \u00d7 (d - 14 mm)"));
    throughResolutionValue(r, d, C);
    double S = kFastApproach * T + C;
    if (r)
        sumLine(r, kFastApproach, T, C, S);
    atLeast(r, S, 100.0);
    if (S > 500.0) {
        if (r) {
            value(*r, QStringLiteral("K"), mmPerS(kSlowApproach), ValueOrigin::StandardConstant,
                  DistanceText(QStringLiteral("approach speed of the body: S with %1 is above %2"),
                               {mmPerS(kFastApproach), mm(500.0)}));
            r->lines.push_back(DistanceText(QStringLiteral("S is above %1: computed again with K = %2"),
                                            {mm(500.0), mmPerS(kSlowApproach)}));
        }
        S = kSlowApproach * T + C;
        if (r)
            sumLine(r, kSlowApproach, T, C, S);
        atLeast(r, S, 500.0, QStringLiteral("with K = %2"), mmPerS(kSlowApproach));
    } else {
        if (r)
            value(*r, QStringLiteral("K"), mmPerS(kFastApproach), ValueOrigin::StandardConstant,
                  DistanceText(QStringLiteral("approach speed of the hand: S with %1 is not above %2"),
                               {mmPerS(kFastApproach), mm(500.0)}));
    }
    return S;
}

double vlcNonIndustrial(double T, double d, DistanceResult *r)
{
    resolutionInput(r, d);
    if (d > 40.0)
        return coarseCurtain(T, r);
    const double C = throughResolution(d);
    if (r)
        r->formula = DistanceText(QStringLiteral("S = K \u00d7 T + 8 \u00d7 (d - 14 mm) + 75 mm"));
    // Children approach faster relative to their reach: the 2000 mm/s speed
    // holds over the whole range and 75 mm is added.
    if (r) {
        value(*r, QStringLiteral("K"), mmPerS(kFastApproach), ValueOrigin::StandardConstant,
              DistanceText(QStringLiteral("approach speed of the hand; non-industrial use (children about): no change "
                                          "to %1"),
                           {mmPerS(kSlowApproach)}));
    }
    throughResolutionValue(r, d, C);
    double S = kFastApproach * T + C + 75.0;
    if (r)
        r->lines.push_back(DistanceText(QStringLiteral("S = %1 \u00d7 %2 + %3 + %4 = %5"),
                                        {mmPerS(kFastApproach), seconds(T), mm(C), mm(75.0), mm(S)}));
    atLeast(r, S, 100.0);
    return S;
}

// The reach over a horizontal zone at height H, never below 850 mm.
double reachOver(double H, DistanceResult *r, const QString &zone)
{
    double C = 1200.0 - 0.4 * H;
    if (C < kLeastReachOver) {
        if (r)
            value(*r, QStringLiteral("C"), mm(kLeastReachOver), ValueOrigin::StandardConstant,
                  DistanceText(QStringLiteral("1200 mm - 0.4 \u00d7 H, reach over the zone; %1 is below %2, so %2"),
                               {mm(C), mm(kLeastReachOver)}));
        C = kLeastReachOver;
    } else {
        if (r)
            value(*r, QStringLiteral("C"), mm(C), ValueOrigin::StandardConstant,
                  DistanceText(QStringLiteral("1200 mm - 0.4 \u00d7 H, reach over the zone")));
    }
    if (r) {
        value(*r, QStringLiteral("H"), mm(H), ValueOrigin::Entered,
              DistanceText(QStringLiteral("height of the ") + zone + QStringLiteral(" zone above the floor, ")
                           + kSelection));
        value(*r, QStringLiteral("K"), mmPerS(kSlowApproach), ValueOrigin::StandardConstant,
              DistanceText(QStringLiteral("approach speed of the body, parallel to the zone")));
    }
    return C;
}

double hlc(double T, double H, DistanceResult *r)
{
    if (r)
        r->formula = DistanceText(QStringLiteral("S = K \u00d7 T + C,  C = 1200 mm - 0.4 \u00d7 H"));
    const double C = reachOver(H, r, QStringLiteral("detection"));
    double S = kSlowApproach * T + C;
    if (r)
        sumLine(r, kSlowApproach, T, C, S);
    atLeast(r, S, 100.0);
    return S;
}

double scanner(double T, double H, DistanceResult *r)
{
    if (r)
        r->formula =
            DistanceText(QStringLiteral("S = K \u00d7 T + 100 mm + C,  C = 1200 mm - 0.4 \u00d7 H, at least 850 mm"));
    const double C = reachOver(H, r, QStringLiteral("scanned"));
    double S = kSlowApproach * T + 100.0 + C;
    if (r)
        r->lines.push_back(DistanceText(QStringLiteral("S = %1 \u00d7 %2 + %3 + %4 = %5"),
                                        {mmPerS(kSlowApproach), seconds(T), mm(100.0), mm(C), mm(S)}));
    atLeast(r, S, 100.0);
    return S;
}

double twoHand(double T, DistanceResult *r)
{
    if (r) {
        r->formula = DistanceText(QStringLiteral("S = K \u00d7 T + C"));
        value(*r, QStringLiteral("K"), mmPerS(kSlowApproach), ValueOrigin::StandardConstant,
              DistanceText(QStringLiteral("approach speed of the hand to a two-hand control")));
        value(*r, QStringLiteral("C"), mm(250.0), ValueOrigin::StandardConstant,
              DistanceText(QStringLiteral("reach of a hand past the control")));
    }
    const double S = kSlowApproach * T + 250.0;
    if (r)
        sumLine(r, kSlowApproach, T, 250.0, S);
    return S;
}

double eStop(double T, DistanceResult *r)
{
    if (r) {
        r->formula = DistanceText(QStringLiteral("S = K \u00d7 T"));
        value(*r, QStringLiteral("K"), mmPerS(kSlowApproach), ValueOrigin::StandardConstant,
              DistanceText(QStringLiteral("approach speed of the body")));
    }
    const double S = kSlowApproach * T;
    if (r)
        sumLine(r, kSlowApproach, T, S);
    return S;
}

double door(double T, double C, DistanceResult *r)
{
    if (r) {
        r->formula = DistanceText(QStringLiteral("S = K \u00d7 T + C"));
        value(*r, QStringLiteral("K"), mmPerS(kSlowApproach), ValueOrigin::StandardConstant,
              DistanceText(QStringLiteral("approach speed of the body")));
        value(*r, QStringLiteral("C"), mm(C), ValueOrigin::Entered,
              DistanceText(QStringLiteral("safety distance from Table 4 or Table 5 of ISO 13857:2008, ") + kSelection));
    }
    const double S = kSlowApproach * T + C;
    if (r)
        sumLine(r, kSlowApproach, T, C, S);
    return S;
}

double mat(double T, double h, DistanceResult *r)
{
    // As over a horizontal zone, the reach of an arm over the mat's step is
    // never taken below 850 mm.
    const double reach = 1200.0 - 0.4 * h;
    const double C = std::max(kLeastReachOver, reach);
    if (r) {
        r->formula = DistanceText(QStringLiteral("S = K \u00d7 T + C,  C = 1200 mm - 0.4 \u00d7 h"));
        value(*r, QStringLiteral("h"), mm(h), ValueOrigin::Entered,
              DistanceText(QStringLiteral("height of the step or mat above the floor, ") + kSelection));
        value(*r, QStringLiteral("K"), mmPerS(kSlowApproach), ValueOrigin::StandardConstant,
              DistanceText(QStringLiteral("approach speed of the body")));
        value(*r, QStringLiteral("C"), mm(C), ValueOrigin::StandardConstant,
              reach < kLeastReachOver
                  ? DistanceText(QStringLiteral("1200 mm - 0.4 \u00d7 h, reach of an arm; %1 is below %2, so %2"),
                                 {mm(reach), mm(kLeastReachOver)})
                  : DistanceText(QStringLiteral("1200 mm - 0.4 \u00d7 h, reach of an arm")));
    }
    const double S = kSlowApproach * T + C;
    if (r)
        sumLine(r, kSlowApproach, T, C, S);
    return S;
}

} // namespace

double Vypocet_VLC(double T, double d) { return vlc(T, d, nullptr); }
double Vypocet_VLC_Non_Industrial(double T, double d) { return vlcNonIndustrial(T, d, nullptr); }
double Vypocet_HLC(double T, double H) { return hlc(T, H, nullptr); }
double Vypocet_Scanner(double T, double H) { return scanner(T, H, nullptr); }
double vypocet_TwoHand(double T) { return twoHand(T, nullptr); }
double vypocet_EStop(double T) { return eStop(T, nullptr); }
double vypocet_Door(double T, double C) { return door(T, C, nullptr); }
double vypocet_Mat(double T, double h) { return mat(T, h, nullptr); }

void Iso13855_2010::compute(const DistanceInputs &in, DistanceResult &r) const
{
    // A stop time below zero, a resolution of none and a negative C or h
    // would each take something off the distance that the machine needs:
    // they give no distance, with the reason.
    if (!stopTimeUsable(r, in))
        return;
    stopTime(r, in);
    const double T = in.governingMs / 1000.0;
    double S = 0.0;
    switch (in.kind) {
    case KindVerticalLightCurtain:
        if (!measureGiven(r, in.d, QStringLiteral("resolution d")))
            return;
        if (*in.d <= 0.0) {
            refuse(r, DistanceText(QStringLiteral("the resolution d must be above 0 mm")));
            return;
        }
        S = in.nonIndustrial ? vlcNonIndustrial(T, *in.d, &r) : vlc(T, *in.d, &r);
        break;
    case KindHorizontalLightCurtain:
        if (!measureGiven(r, in.H, QStringLiteral("height H")))
            return;
        S = hlc(T, *in.H, &r);
        break;
    case KindSafetyScanner:
        if (!measureGiven(r, in.H, QStringLiteral("height H")))
            return;
        S = scanner(T, *in.H, &r);
        break;
    case KindTwoHandControl: S = twoHand(T, &r); break;
    case KindEmergencyStop: S = eStop(T, &r); break;
    case KindDoor:
        if (!measureGiven(r, in.C, QStringLiteral("additional distance C")))
            return;
        if (*in.C < 0.0) {
            refuse(r, DistanceText(QStringLiteral("the additional distance C must not be below 0 mm")));
            return;
        }
        S = door(T, *in.C, &r);
        break;
    case KindPressureSensitiveMat:
        if (!measureGiven(r, in.h, QStringLiteral("step height h")))
            return;
        if (*in.h < 0.0) {
            refuse(r, DistanceText(QStringLiteral("the step height h must not be below 0 mm")));
            return;
        }
        S = mat(T, *in.h, &r);
        break;
    default:
        r.formula = DistanceText(QStringLiteral("no formula for this kind of safety device"));
        refuse(r, DistanceText(QStringLiteral("no formula for this kind of safety device")));
        return;
    }
    // Values in reading order: the time, the device's own measure, then the
    // approach speed and the additional distance it leads to.
    auto rank = [](const DistanceValue &v) {
        static const QString order = QStringLiteral("TdHhKC");
        return order.indexOf(v.symbol);
    };
    std::stable_sort(r.values.begin(), r.values.end(),
                     [&rank](const DistanceValue &a, const DistanceValue &b) { return rank(a) < rank(b); });
    r.distanceMm = S;
}

std::optional<double> iso13855_2010AdditionalDistance(const DistanceInputs &in)
{
    auto given = [](const std::optional<double> &v) { return v && std::isfinite(*v); };
    switch (in.kind) {
    case KindVerticalLightCurtain:
        if (!given(in.d))
            return std::nullopt;
        if (*in.d > 40.0)
            return 850.0;
        return throughResolution(*in.d) + (in.nonIndustrial ? 75.0 : 0.0);
    case KindHorizontalLightCurtain:
        return given(in.H) ? std::optional<double>(std::max(kLeastReachOver, 1200.0 - 0.4 * *in.H)) : std::nullopt;
    case KindSafetyScanner:
        return given(in.H) ? std::optional<double>(100.0 + std::max(kLeastReachOver, 1200.0 - 0.4 * *in.H))
                           : std::nullopt;
    case KindTwoHandControl: return 250.0;
    case KindEmergencyStop: return 0.0;
    case KindDoor: return given(in.C) ? in.C : std::nullopt;
    case KindPressureSensitiveMat:
        return given(in.h) ? std::optional<double>(std::max(kLeastReachOver, 1200.0 - 0.4 * *in.h)) : std::nullopt;
    default: return std::nullopt;
    }
}
