#include "safety/SafetyDevice.h"

#include "base/NumberFormat.h"

#include <cmath>
#include <limits>

// The distance functions of the kinds are written in Iso13855_2010.cpp, where
// the same arithmetic also writes out its steps.

double Vypocet_VLC_reflective(double D)
{
    const double a = D / 1000.0;
    if (a <= 3.0)
        return 130.0;
    if (a <= 4.0)
        return 175.0;
    if (a <= 5.0)
        return 220.0;
    if (a <= 7.0)
        return 310.0;
    if (a <= 10.0)
        return 440.0;
    if (a <= 15.0)
        return 660.0;
    // 1000 x tan 2.5 degrees; nearbyint rounds half to even in the default
    // rounding mode.
    return std::nearbyint(a * 43.660942908512);
}

double safetyDistance(int kind, double T, double parameter, bool nonIndustrial)
{
    switch (kind) {
    case KindVerticalLightCurtain:
        return nonIndustrial ? Vypocet_VLC_Non_Industrial(T, parameter) : Vypocet_VLC(T, parameter);
    case KindHorizontalLightCurtain:
        return Vypocet_HLC(T, parameter);
    case KindSafetyScanner:
        return Vypocet_Scanner(T, parameter);
    case KindTwoHandControl:
        return vypocet_TwoHand(T);
    case KindEmergencyStop:
        return vypocet_EStop(T);
    case KindDoor:
        return vypocet_Door(T, parameter);
    case KindPressureSensitiveMat:
        return vypocet_Mat(T, parameter);
    default:
        return std::numeric_limits<double>::quiet_NaN();
    }
}

namespace {

// The field of the record that holds the kind's input; none for the kinds
// whose formula takes only T.
double SafetyDevice::*parameterField(qint32 kind)
{
    switch (kind) {
    case KindVerticalLightCurtain: return &SafetyDevice::d;
    case KindHorizontalLightCurtain:
    case KindSafetyScanner: return &SafetyDevice::Height;
    case KindDoor: return &SafetyDevice::C;
    case KindPressureSensitiveMat: return &SafetyDevice::StepHeight;
    default: return nullptr;
    }
}

} // namespace

std::optional<double> SafetyDevice::parameter() const
{
    if (ID == KindTwoHandControl || ID == KindEmergencyStop)
        return 0.0;
    double SafetyDevice::*field = parameterField(ID);
    if (!field || isNoParameter(ID, this->*field))
        return std::nullopt;
    return this->*field;
}

bool SafetyDevice::isNoParameter(qint32 kind, double value)
{
    if (std::isnan(value))
        return true;
    // d and H keep -1 for "not applicable": the selection leaves it there
    // when the field held no number, and project files store it so.
    double SafetyDevice::*field = parameterField(kind);
    return value == -1.0 && (field == &SafetyDevice::d || field == &SafetyDevice::Height);
}

void SafetyDevice::setParameter(double value)
{
    if (double SafetyDevice::*field = parameterField(ID))
        this->*field = value;
}

SafetyDevice SafetyDevice::ofKind(qint32 kind, std::optional<double> parameter, bool nonIndustrial)
{
    constexpr double none = std::numeric_limits<double>::quiet_NaN();
    SafetyDevice device;
    device.ID = kind;
    device.d = none;
    device.Height = none;
    device.setParameter(parameter.value_or(none));
    device.NonIndustrial = nonIndustrial;
    return device;
}

SafetyDevice SafetyDevice::selected(qint32 kind, std::optional<double> parameter, bool nonIndustrial)
{
    SafetyDevice device = ofKind(kind, parameter, nonIndustrial);
    for (double *stored : {&device.d, &device.Height}) {
        if (std::isnan(*stored))
            *stored = -1.0;
    }
    return device;
}

bool kindHasParameter(int kind)
{
    return parameterField(kind) != nullptr;
}

bool kindParameterIsStored(int kind)
{
    double SafetyDevice::*field = parameterField(kind);
    return field == &SafetyDevice::d || field == &SafetyDevice::Height;
}

QString kindParameterText(int kind, double value, const QLocale &locale)
{
    const char *symbol = nullptr;
    switch (kind) {
    case KindVerticalLightCurtain: symbol = "d"; break;
    case KindHorizontalLightCurtain:
    case KindSafetyScanner: symbol = "H"; break;
    case KindDoor: symbol = "C"; break;
    case KindPressureSensitiveMat: symbol = "h"; break;
    default: return QString();
    }
    return QLatin1String(symbol) + QLatin1Char('=') + formatGeneral(value, locale) + QStringLiteral(" mm");
}

QString deviceParamsText(const SafetyDevice &device, const QLocale &locale)
{
    // Project files and protocols name only d and H here.
    if (!kindParameterIsStored(device.ID))
        return QStringLiteral("---");
    return kindParameterText(device.ID, device.ID == KindVerticalLightCurtain ? device.d : device.Height, locale);
}

QString safeguardDisplayName(int kind, std::optional<double> parameter, const QString &kindName,
                             const QLocale &locale)
{
    if (!parameter || SafetyDevice::isNoParameter(kind, *parameter) || !kindHasParameter(kind))
        return kindName;
    return kindName + QStringLiteral(", ") + kindParameterText(kind, *parameter, locale);
}

namespace {

// NaN is "no number" here, and no number equals no number.
bool sameInput(double a, double b)
{
    return a == b || (std::isnan(a) && std::isnan(b));
}

} // namespace

bool operator==(const SafetyDevice &a, const SafetyDevice &b)
{
    return a.ID == b.ID && a.Name == b.Name && sameInput(a.d, b.d) && sameInput(a.Height, b.Height)
        && sameInput(a.C, b.C) && sameInput(a.StepHeight, b.StepHeight) && a.NonIndustrial == b.NonIndustrial;
}
