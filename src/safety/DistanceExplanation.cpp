#include "safety/DistanceExplanation.h"

#include "base/NumberFormat.h"
#include "safety/SafetyDevice.h"

#include <algorithm>
#include <limits>

namespace {

constexpr double kFastApproach = 2000.0;
constexpr double kSlowApproach = 1600.0;

class Writer
{
public:
    Writer(const QLocale &locale) : m_locale(locale) {}

    QString number(double v, int decimals = 1) const { return formatNumber(v, decimals, 0, m_locale); }
    QString mm(double v) const { return number(v) + QStringLiteral(" mm"); }
    QString speed(double v) const { return number(v, 0) + QStringLiteral(" mm/s"); }
    QString seconds(double T) const { return number(T, 6) + QStringLiteral(" s"); }

private:
    const QLocale &m_locale;
};

} // namespace

DistanceExplanation explainDistance(int kind, double governingMs, const QString &timeOrigin, double parameter,
                                    bool nonIndustrial, const QLocale &locale)
{
    const Writer w(locale);
    DistanceExplanation e;
    const double T = governingMs / 1000.0;
    const QString x = QStringLiteral(" \u00d7 ");
    e.inputs.push_back({QStringLiteral("T"),
                        w.number(governingMs, 3) + QStringLiteral(" ms = ") + w.seconds(T), timeOrigin});
    auto input = [&e](const char *symbol, const QString &value, const QString &origin) {
        e.inputs.push_back({QLatin1String(symbol), value, origin});
    };
    auto step = [&e](const QString &text) { e.steps << text; };
    // "S = K x T + C = value"
    auto sum = [&](double K, const QString &rest, double S) {
        step(QStringLiteral("S = ") + w.speed(K) + x + w.seconds(T) + rest + QStringLiteral(" = ") + w.mm(S));
    };
    auto atLeast = [&](double &S, double least, const QString &why) {
        if (S < least) {
            step(QStringLiteral("S is below ") + w.mm(least) + QStringLiteral(", the least distance")
                 + (why.isEmpty() ? QString() : QLatin1Char(' ') + why) + QStringLiteral(": S = ") + w.mm(least));
            S = least;
        }
    };
    const QString selection = QStringLiteral("as chosen in the safety device selection");

    switch (kind) {
    case KindVerticalLightCurtain: {
        const double d = parameter;
        input("d", w.mm(d), QStringLiteral("detection capability (resolution) of the light curtain, ") + selection);
        if (d > 40.0) {
            // Body approach: the same for industrial and non-industrial use.
            e.formula = QStringLiteral("S = K \u00d7 T + C");
            input("K", w.speed(kSlowApproach), QStringLiteral("approach speed of the body, d above 40 mm"));
            input("C", w.mm(850.0), QStringLiteral("reach of an arm past the curtain, d above 40 mm"));
            double S = kSlowApproach * T + 850.0;
            sum(kSlowApproach, QStringLiteral(" + ") + w.mm(850.0), S);
            atLeast(S, 500.0, QStringLiteral("for d above 40 mm"));
            e.distanceMm = S;
            break;
        }
        const double C = 8.0 * (d - 14.0);
        if (nonIndustrial) {
            e.formula = QStringLiteral("S = K \u00d7 T + 8 \u00d7 (d - 14 mm) + 75 mm");
            input("K", w.speed(kFastApproach),
                  QStringLiteral("approach speed of the hand; non-industrial use (children about): no change "
                                 "to ") + w.speed(kSlowApproach));
            input("C", w.mm(C), QStringLiteral("8 \u00d7 (d - 14 mm), reach through the curtain's resolution"));
            double S = kFastApproach * T + 8.0 * (d - 14.0) + 75.0;
            sum(kFastApproach, QStringLiteral(" + ") + w.mm(C) + QStringLiteral(" + ") + w.mm(75.0), S);
            atLeast(S, 100.0, QString());
            e.distanceMm = S;
            break;
        }
        e.formula = QStringLiteral("S = K \u00d7 T + C,  C = 8 \u00d7 (d - 14 mm)");
        input("C", w.mm(C), QStringLiteral("8 \u00d7 (d - 14 mm), reach through the curtain's resolution"));
        double S = kFastApproach * T + 8.0 * (d - 14.0);
        sum(kFastApproach, QStringLiteral(" + ") + w.mm(C), S);
        atLeast(S, 100.0, QString());
        if (S > 500.0) {
            input("K", w.speed(kSlowApproach),
                  QStringLiteral("approach speed of the body: S with ") + w.speed(kFastApproach)
                      + QStringLiteral(" is above ") + w.mm(500.0));
            step(QStringLiteral("S is above ") + w.mm(500.0) + QStringLiteral(": computed again with K = ")
                 + w.speed(kSlowApproach));
            S = kSlowApproach * T + 8.0 * (d - 14.0);
            sum(kSlowApproach, QStringLiteral(" + ") + w.mm(C), S);
            atLeast(S, 500.0, QStringLiteral("with K = ") + w.speed(kSlowApproach));
        } else {
            input("K", w.speed(kFastApproach),
                  QStringLiteral("approach speed of the hand: S with ") + w.speed(kFastApproach)
                      + QStringLiteral(" is not above ") + w.mm(500.0));
        }
        e.distanceMm = S;
        break;
    }
    case KindHorizontalLightCurtain: {
        const double H = parameter;
        const double C = 1200.0 - 0.4 * H;
        e.formula = QStringLiteral("S = K \u00d7 T + C,  C = 1200 mm - 0.4 \u00d7 H");
        input("H", w.mm(H), QStringLiteral("height of the detection zone above the floor, ") + selection);
        input("K", w.speed(kSlowApproach), QStringLiteral("approach speed of the body, parallel to the zone"));
        input("C", w.mm(C), QStringLiteral("1200 mm - 0.4 \u00d7 H, reach over the zone"));
        double S = kSlowApproach * T + (1200.0 - 0.4 * H);
        sum(kSlowApproach, QStringLiteral(" + ") + w.mm(C), S);
        atLeast(S, 100.0, QString());
        e.distanceMm = S;
        break;
    }
    case KindSafetyScanner: {
        const double H = parameter;
        double C = 1200.0 - 0.4 * H;
        e.formula = QStringLiteral("S = K \u00d7 T + 100 mm + C,  C = 1200 mm - 0.4 \u00d7 H, at least 850 mm");
        input("H", w.mm(H), QStringLiteral("height of the scanned zone above the floor, ") + selection);
        input("K", w.speed(kSlowApproach), QStringLiteral("approach speed of the body, parallel to the zone"));
        QString origin = QStringLiteral("1200 mm - 0.4 \u00d7 H, reach over the zone");
        if (C < 850.0) {
            origin += QStringLiteral("; ") + w.mm(C) + QStringLiteral(" is below ") + w.mm(850.0)
                + QStringLiteral(", so ") + w.mm(850.0);
            C = 850.0;
        }
        input("C", w.mm(C), origin);
        double S = kSlowApproach * T + 100.0 + C;
        sum(kSlowApproach, QStringLiteral(" + ") + w.mm(100.0) + QStringLiteral(" + ") + w.mm(C), S);
        atLeast(S, 100.0, QString());
        e.distanceMm = S;
        break;
    }
    case KindTwoHandControl: {
        e.formula = QStringLiteral("S = K \u00d7 T + C");
        input("K", w.speed(kSlowApproach), QStringLiteral("approach speed of the hand to a two-hand control"));
        input("C", w.mm(250.0), QStringLiteral("reach of a hand past the control"));
        const double S = kSlowApproach * T + 250.0;
        sum(kSlowApproach, QStringLiteral(" + ") + w.mm(250.0), S);
        e.distanceMm = S;
        break;
    }
    case KindEmergencyStop: {
        e.formula = QStringLiteral("S = K \u00d7 T");
        input("K", w.speed(kSlowApproach), QStringLiteral("approach speed of the body"));
        const double S = kSlowApproach * T;
        sum(kSlowApproach, QString(), S);
        e.distanceMm = S;
        break;
    }
    case KindDoor: {
        const double C = parameter;
        e.formula = QStringLiteral("S = K \u00d7 T + C");
        input("K", w.speed(kSlowApproach), QStringLiteral("approach speed of the body"));
        input("C", w.mm(C),
              QStringLiteral("safety distance from Table 4 or Table 5 of ISO 13857:2008, ") + selection);
        const double S = kSlowApproach * T + C;
        sum(kSlowApproach, QStringLiteral(" + ") + w.mm(C), S);
        e.distanceMm = S;
        break;
    }
    case KindPressureSensitiveMat: {
        const double h = parameter;
        const double C = 1200.0 - 0.4 * h;
        e.formula = QStringLiteral("S = K \u00d7 T + C,  C = 1200 mm - 0.4 \u00d7 h");
        input("h", w.mm(h), QStringLiteral("height of the step or mat above the floor, ") + selection);
        input("K", w.speed(kSlowApproach), QStringLiteral("approach speed of the body"));
        input("C", w.mm(C), QStringLiteral("1200 mm - 0.4 \u00d7 h, reach of an arm"));
        const double S = kSlowApproach * T + (1200.0 - 0.4 * h);
        sum(kSlowApproach, QStringLiteral(" + ") + w.mm(C), S);
        e.distanceMm = S;
        break;
    }
    default:
        e.formula = QStringLiteral("no formula for this kind of safety device");
        e.distanceMm = std::numeric_limits<double>::quiet_NaN();
        break;
    }
    // Inputs in reading order: the time, the device's own measure, then the
    // approach speed and the additional distance it leads to.
    auto rank = [](const ExplainedInput &i) {
        static const QString order = QStringLiteral("TdHhKC");
        return order.indexOf(i.symbol);
    };
    std::stable_sort(e.inputs.begin(), e.inputs.end(),
                     [&rank](const ExplainedInput &a, const ExplainedInput &b) { return rank(a) < rank(b); });
    return e;
}
