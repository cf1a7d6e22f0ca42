#include "safety/DistanceStandard.h"

#include "base/NumberFormat.h"
#include "safety/AnsiB11_19.h"
#include "safety/Iso13855_2010.h"
#include "safety/Iso13855_2024.h"
#include "safety/Osha1910_217.h"

#include <cmath>

DistanceText::DistanceText(const QString &t, std::initializer_list<Quantity> quantities) : text(t)
{
    for (const Quantity &q : quantities) {
        if (argCount == kMaxArgs)
            break;
        args[size_t(argCount++)] = q;
    }
}

QString DistanceText::render(const QLocale &locale) const
{
    if (argCount == 0)
        return text;
    QString out;
    out.reserve(text.size() + 16 * argCount);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('%') && i + 1 < text.size()) {
            const int n = text.at(i + 1).digitValue();
            if (n >= 1 && n <= argCount) {
                out += renderQuantity(args[size_t(n - 1)], locale);
                ++i;
                continue;
            }
        }
        out += c;
    }
    return out;
}

QString renderQuantity(const Quantity &q, const QLocale &locale)
{
    switch (q.unit) {
    case DistanceUnit::Millimetre: return formatNumber(q.value, 1, 0, locale) + QStringLiteral(" mm");
    case DistanceUnit::MillimetrePerSecond: return formatNumber(q.value, 0, 0, locale) + QStringLiteral(" mm/s");
    case DistanceUnit::Second: return formatNumber(q.value, 6, 0, locale) + QStringLiteral(" s");
    case DistanceUnit::Millisecond: return formatNumber(q.value, 3, 0, locale) + QStringLiteral(" ms");
    case DistanceUnit::Inch: return formatNumber(q.value, 2, 0, locale) + QStringLiteral(" in");
    case DistanceUnit::InchPerSecond: return formatNumber(q.value, 2, 0, locale) + QStringLiteral(" in/s");
    case DistanceUnit::Count: return formatNumber(q.value, 0, 0, locale);
    }
    return QString();
}

QString originText(ValueOrigin origin)
{
    switch (origin) {
    case ValueOrigin::Measured: return QStringLiteral("measured");
    case ValueOrigin::Entered: return QStringLiteral("entered");
    case ValueOrigin::StandardConstant: return QStringLiteral("standard constant");
    case ValueOrigin::Default: return QStringLiteral("default");
    }
    return QString();
}

QString DistanceValue::renderValue(const QLocale &locale) const
{
    QString out = renderQuantity(quantity, locale);
    if (alsoAs)
        out += QStringLiteral(" = ") + renderQuantity(*alsoAs, locale);
    return out;
}

QString verdictKey(const DistanceVerdict &verdict)
{
    return verdict.meets ? QStringLiteral("meets") : QStringLiteral("closer");
}

double shownShortfallMm(const DistanceVerdict &verdict)
{
    return std::ceil(verdict.shortfallMm * 10.0 - 1e-9) / 10.0;
}

QString verdictText(const DistanceVerdict &verdict, const QLocale &locale)
{
    if (verdict.meets)
        return QStringLiteral("meets the minimum distance");
    return QStringLiteral("closer than the minimum distance by ")
        + renderQuantity(Quantity{shownShortfallMm(verdict), DistanceUnit::Millimetre}, locale);
}

DistanceResult DistanceStandard::calculate(const DistanceInputs &inputs) const
{
    DistanceResult result;
    compute(inputs, result);
    if (result.distanceMm && !std::isfinite(*result.distanceMm)) {
        result.distanceMm.reset();
        result.notFinite = true;
        if (result.noDistanceReason.isEmpty())
            result.noDistanceReason = DistanceText(QStringLiteral("the formula gives no finite value"));
    }
    if (result.distanceMm && *result.distanceMm > kLargestDistanceMm) {
        result.distanceMm.reset();
        result.noDistanceReason = DistanceText(QStringLiteral("the distance comes out above 100 m, beyond any guard"));
    }
    if (result.distanceMm)
        result.distanceInch = *result.distanceMm / kMmPerInch;
    result.verdict = compareInstalled(result.distanceMm, inputs.installedMm);
    return result;
}

const std::vector<const DistanceStandard *> &distanceStandards()
{
    static const Iso13855_2010 iso2010;
    static const Iso13855_2024 iso2024;
    static const AnsiB11_19 ansi;
    static const Osha1910_217 osha;
    static const std::vector<const DistanceStandard *> all = {&iso2010, &iso2024, &ansi, &osha};
    return all;
}

const DistanceStandard *findDistanceStandard(QStringView id)
{
    for (const DistanceStandard *s : distanceStandards())
        if (s->id() == id)
            return s;
    return nullptr;
}

const DistanceStandard &defaultDistanceStandard()
{
    return *distanceStandards().front();
}
