#pragma once

#include <QLocale>
#include <QString>

#include <limits>
#include <optional>

// The safety device guarding the machine, as selected for the current
// measurement.  -1.0 in d or Height means "not applicable for this kind";
// project files keep those two.  NaN in any of the four: the user's text was
// no number.  Name is the kind's display name at the time it was chosen.
struct SafetyDevice
{
    qint32 ID = 0;
    QString Name;
    double d = 14.0;
    double Height = -1.0;
    double C = std::numeric_limits<double>::quiet_NaN();
    double StepHeight = std::numeric_limits<double>::quiet_NaN();
    // The non-industrial light-curtain formula; only a vertical light
    // curtain reads it.
    bool NonIndustrial = false;

    // The one input the kind's formula takes besides T: d (vertical light
    // curtain), H (horizontal light curtain, scanner), C (door), h (mat);
    // 0 for two-hand control and emergency stop, which take none.  Empty for
    // a kind without a formula and where the input is none: NaN (no number
    // typed), or -1 in d or H (not applicable).  Every caller that asks
    // whether a distance can be computed asks here.
    std::optional<double> parameter() const;
    // True where value, as the kind's input, stands for "no input".
    static bool isNoParameter(qint32 kind, double value);
    // Writes the field parameter() reads for this kind; nothing for the
    // kinds without an input.
    void setParameter(double value);

    // A device of that kind whose inputs are all "no number" but the given
    // one (NaN when none is given).
    static SafetyDevice ofKind(qint32 kind, std::optional<double> parameter, bool nonIndustrial = false);

    // The same as the selection dialog accepts it and project files keep it:
    // d and H are -1 (not applicable) where they are not the given input.
    static SafetyDevice selected(qint32 kind, std::optional<double> parameter, bool nonIndustrial = false);

    friend bool operator==(const SafetyDevice &a, const SafetyDevice &b);
};

// Kinds of safety device; the value equals the tab index of the selection
// dialog and the picture index in the device image lists.
enum SafetyDeviceKind : int {
    KindVerticalLightCurtain = 0,
    KindHorizontalLightCurtain = 1,
    KindSafetyScanner = 2,
    KindTwoHandControl = 3,
    KindEmergencyStop = 4,
    KindDoor = 5,
    KindPressureSensitiveMat = 6,
    SafetyDeviceKindCount = 7
};

// Minimum safety distances after ISO 13855:2010.  T is the stop time in
// seconds, every length is in millimetres.  The reach over a horizontal zone,
// 1200 - 0.4 H, is never taken below 850 mm (light curtain and scanner).  The functions are pure and accept
// any number; plausibility of the input is the caller's business.
double Vypocet_VLC(double T, double d);
double Vypocet_VLC_Non_Industrial(double T, double d);
double Vypocet_VLC_reflective(double D);
double Vypocet_HLC(double T, double H);
double Vypocet_Scanner(double T, double H);
double vypocet_TwoHand(double T);
double vypocet_EStop(double T);
double vypocet_Door(double T, double C);
double vypocet_Mat(double T, double h);

// The distance of one kind for stop time T (seconds).  parameter is what the
// kind's formula needs besides T: d (vertical light curtain), H (horizontal
// light curtain, scanner), C (door), h (mat); two-hand control and emergency
// stop ignore it.  nonIndustrial picks the non-industrial light-curtain
// formula; the caller decides whether the choice applies.  A kind outside
// 0..6 has no formula: NaN.
double safetyDistance(int kind, double T, double parameter, bool nonIndustrial = false);

// True for the kinds whose formula takes a parameter besides T.
bool kindHasParameter(int kind);

// True for the kinds whose parameter project files keep (d or H).
bool kindParameterIsStored(int kind);

// The parameter text the main window shows beside the device caption and
// project files keep: "d=14 mm" for a vertical light curtain, "H=300 mm"
// for a horizontal light curtain or a scanner (the shortest form of the
// number in the locale), "---" for the other kinds.
QString deviceParamsText(const SafetyDevice &device, const QLocale &locale = QLocale());

// The kind's input as that text writes it: "d=14 mm", "H=300 mm", "C=250 mm",
// "h=0 mm"; empty for the kinds whose formula takes none.
QString kindParameterText(int kind, double value, const QLocale &locale = QLocale());

// What an unnamed safeguard is shown as: the kind's display name (the
// caller's, in the user's language) with its input in the form of
// kindParameterText, "Vertical Light Curtain, d=14 mm"; the kind's name
// alone for two-hand control and emergency stop, and where there is no input
// (none, NaN, or -1 for d and H).  zirk-cli's English form:
// safeguardDisplayName(kind, parameter, kindDisplayName(LanguageTexts(), kind),
// QLocale::c()).
QString safeguardDisplayName(int kind, std::optional<double> parameter, const QString &kindName,
                             const QLocale &locale = QLocale());
