#pragma once

#include <QLocale>
#include <QString>
#include <QStringList>

#include <vector>

// The ISO 13855:2010 calculation of one safety distance written out step by
// step, as the protocol's analysis page prints it: the formula, every input
// with its unit and where it comes from, each intermediate value and the
// bounds that applied.  The texts of the ISO 13855:2010 unit
// (Iso13855_2010.h), rendered: the steps are the distance functions' own
// arithmetic, so the distance they arrive at is the one the main window
// shows, to the last bit.  Texts are fixed English, like the rest of the
// protocol; numbers are in the user's format.

struct ExplainedInput
{
    QString symbol; // "K", "T", "d"
    QString value;  // "2,000 mm/s"
    QString origin; // why this value
};

struct DistanceExplanation
{
    QString formula;
    std::vector<ExplainedInput> inputs;
    QStringList steps;
    double distanceMm = 0.0;
};

// kind as SafetyDeviceKind; governingMs the stop time the distance is for;
// timeOrigin says which statistic that is.  parameter is d, H, C or h as
// the kind needs (ignored by two-hand control and emergency stop).
DistanceExplanation explainDistance(int kind, double governingMs, const QString &timeOrigin, double parameter,
                                    bool nonIndustrial, const QLocale &locale = QLocale());
