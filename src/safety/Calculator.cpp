#include "safety/Calculator.h"

#include "base/NumberFormat.h"

CalculatorOutcome calculateTab(const CalculatorInput &input, const QLocale &locale)
{
    CalculatorOutcome out;
    const bool vlc = input.kind == KindVerticalLightCurtain;
    bool valid = true;
    if (kindHasParameter(input.kind)) {
        out.parameter = parseDecimal(input.parameter, locale);
        valid = valid && out.parameter;
    }
    if (vlc) {
        out.nonIndustrialAllowed = out.parameter && *out.parameter <= 40.0;
        out.emitterReceiver = parseDecimal(input.emitterReceiver, locale);
        valid = valid && out.emitterReceiver;
    }
    out.stopTime = parseDecimal(input.stopTime, locale);
    valid = valid && out.stopTime;
    if (!valid)
        return out;

    const bool nonIndustrial = vlc && input.nonIndustrial && out.nonIndustrialAllowed;
    // The same calculation as the main window's, by the chosen standard.
    DistanceInputs in;
    in.kind = input.kind;
    switch (input.kind) {
    case KindVerticalLightCurtain: in.d = out.parameter; break;
    case KindHorizontalLightCurtain:
    case KindSafetyScanner: in.H = out.parameter; break;
    case KindDoor: in.C = out.parameter; break;
    case KindPressureSensitiveMat: in.h = out.parameter; break;
    default: break;
    }
    in.nonIndustrial = nonIndustrial;
    in.governingMs = *out.stopTime;
    const DistanceStandard &standard = input.standard ? *input.standard : defaultDistanceStandard();
    const DistanceResult result = standard.calculate(in);
    out.safetyDistance = result.distanceMm;
    if (!result.distanceMm)
        out.noDistanceReason = result.noDistanceReason.render(locale);
    if (vlc)
        out.reflectingDistance = Vypocet_VLC_reflective(*out.emitterReceiver);
    return out;
}

QString calculatorResultText(const std::optional<double> &mm, const QLocale &locale)
{
    return mm ? formatCalculatorMm(*mm, locale) : kNoValueMm;
}

std::optional<AdvisorDistances> adviseDistances(const AdvisorInput &input, const QLocale &locale,
                                                AdvisorReasons *reasons)
{
    const std::optional<double> t = parseDecimal(input.stopTime, locale);
    if (!t)
        return std::nullopt;

    // The mat is compared without a step (h = 0); the kinds without a
    // parameter get a dummy that their formulas ignore.
    const std::optional<double> parameters[SafetyDeviceKindCount] = {
        parseDecimal(input.vlcResolution, locale),
        parseDecimal(input.hlcHeight, locale),
        parseDecimal(input.scannerHeight, locale),
        0.0,
        0.0,
        parseDecimal(input.doorC, locale),
        0.0,
    };
    // By the same calculation as the main window's, so that a stop time below
    // zero, or a d or C that would shorten the distance, gives no distance
    // here either.
    AdvisorDistances distances;
    for (int kind = 0; kind < SafetyDeviceKindCount; ++kind) {
        if (!parameters[kind])
            continue;
        DistanceInputs in;
        in.kind = kind;
        in.governingMs = *t;
        switch (kind) {
        case KindVerticalLightCurtain: in.d = parameters[kind]; break;
        case KindHorizontalLightCurtain:
        case KindSafetyScanner: in.H = parameters[kind]; break;
        case KindDoor: in.C = parameters[kind]; break;
        case KindPressureSensitiveMat: in.h = parameters[kind]; break;
        default: break;
        }
        const DistanceResult result = defaultDistanceStandard().calculate(in);
        distances[kind] = result.distanceMm;
        if (reasons && !result.distanceMm)
            (*reasons)[std::size_t(kind)] = result.noDistanceReason.render(locale);
    }
    return distances;
}

QString advisorResultText(const std::optional<double> &mm, const QLocale &locale)
{
    return mm ? formatCalculatorMm(*mm, locale) : kAdvisorNoValue;
}
