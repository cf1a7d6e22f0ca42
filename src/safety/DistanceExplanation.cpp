#include "safety/DistanceExplanation.h"

#include "safety/Iso13855_2010.h"

#include <limits>

DistanceExplanation explainDistance(int kind, double governingMs, const QString &timeOrigin, double parameter,
                                    bool nonIndustrial, const QLocale &locale)
{
    DistanceInputs in;
    in.kind = kind;
    // Each kind reads only its own measure.
    in.d = in.H = in.C = in.h = parameter;
    in.nonIndustrial = nonIndustrial;
    in.governingMs = governingMs;
    in.stopTimeNote = DistanceText(timeOrigin);
    static const Iso13855_2010 iso2010;
    const DistanceResult r = iso2010.calculate(in);

    DistanceExplanation e;
    e.formula = r.formula.render(locale);
    for (const DistanceValue &v : r.values)
        e.inputs.push_back({v.symbol, v.renderValue(locale), v.note.render(locale)});
    for (const DistanceText &line : r.lines)
        e.steps << line.render(locale);
    e.distanceMm = r.distanceMm.value_or(std::numeric_limits<double>::quiet_NaN());
    return e;
}
