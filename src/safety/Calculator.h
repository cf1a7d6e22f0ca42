#pragma once

#include "safety/DistanceStandard.h"
#include "safety/SafetyDevice.h"

#include <QLocale>
#include <QString>

#include <array>
#include <optional>

// Safety distances from values typed by the user, as the calculator and the
// safety advisor show them.  No widgets: the windows hand in their fields'
// texts and write back what comes out, so a command-line tool can do the
// same.

// The fields of one calculator tab, as typed.
struct CalculatorInput
{
    int kind = KindVerticalLightCurtain;
    QString parameter;       // d, H, C or h; unused by two-hand control and emergency stop
    QString emitterReceiver; // vertical light curtain only: emitter-receiver distance D, mm
    QString stopTime;        // t, ms
    bool nonIndustrial = false; // vertical light curtain only: the box is ticked
    // The standard the distance is computed by, with none of its optional
    // entries; none: the default one.
    const DistanceStandard *standard = nullptr;
};

struct CalculatorOutcome
{
    // The fields read as numbers; empty where the text is not a number.
    // A field the tab does not have stays empty.
    std::optional<double> parameter;
    std::optional<double> emitterReceiver;
    std::optional<double> stopTime;
    // Vertical light curtain: the non-industrial choice is offered only for
    // a resolution that is a number not above 40 mm.
    bool nonIndustrialAllowed = false;
    // Empty as soon as any field of the tab is not a number.
    std::optional<double> safetyDistance;
    std::optional<double> reflectingDistance; // vertical light curtain only
    // Why there is no safety distance although every field is a number (a
    // standard that needs an entry the calculator does not ask for).
    QString noDistanceReason;
};

CalculatorOutcome calculateTab(const CalculatorInput &input, const QLocale &locale = QLocale());

// "%5.1n mm", or "-- --- mm" for no value.
QString calculatorResultText(const std::optional<double> &mm, const QLocale &locale = QLocale());

// The safety advisor's fields, as typed.
struct AdvisorInput
{
    QString stopTime;      // t, ms
    QString vlcResolution; // d
    QString hlcHeight;     // H of the horizontal light curtain
    QString scannerHeight; // H of the scanner
    QString doorC;         // C of the door
};

// One distance per kind, indexed by kind; empty where the kind's parameter
// is not a number.  The light curtain is always industrial and the mat has
// no step.
using AdvisorDistances = std::array<std::optional<double>, SafetyDeviceKindCount>;

// Empty when the stop time is not a number: the advisor then leaves its
// results as they were.
// Where the standard refuses a row's distance (a stop time below zero, a d
// of none), *reasons, if given, holds why for that kind.
using AdvisorReasons = std::array<QString, SafetyDeviceKindCount>;
std::optional<AdvisorDistances> adviseDistances(const AdvisorInput &input, const QLocale &locale = QLocale(),
                                                AdvisorReasons *reasons = nullptr);

// "%5.1n mm", or "- - -" for a row without a usable parameter.
QString advisorResultText(const std::optional<double> &mm, const QLocale &locale = QLocale());
inline const QString kAdvisorNoValue = QStringLiteral("- - -");
