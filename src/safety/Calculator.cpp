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

    const double T = *out.stopTime / 1000.0;
    const bool nonIndustrial = vlc && input.nonIndustrial && out.nonIndustrialAllowed;
    out.safetyDistance = safetyDistance(input.kind, T, out.parameter.value_or(0.0), nonIndustrial);
    if (vlc)
        out.reflectingDistance = Vypocet_VLC_reflective(*out.emitterReceiver);
    return out;
}

QString calculatorResultText(const std::optional<double> &mm, const QLocale &locale)
{
    return mm ? formatCalculatorMm(*mm, locale) : kNoValueMm;
}

std::optional<AdvisorDistances> adviseDistances(const AdvisorInput &input, const QLocale &locale)
{
    const std::optional<double> t = parseDecimal(input.stopTime, locale);
    if (!t)
        return std::nullopt;
    const double T = *t / 1000.0;

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
    AdvisorDistances distances;
    for (int kind = 0; kind < SafetyDeviceKindCount; ++kind) {
        if (parameters[kind])
            distances[kind] = safetyDistance(kind, T, *parameters[kind]);
    }
    return distances;
}

QString advisorResultText(const std::optional<double> &mm, const QLocale &locale)
{
    return mm ? formatCalculatorMm(*mm, locale) : kAdvisorNoValue;
}
