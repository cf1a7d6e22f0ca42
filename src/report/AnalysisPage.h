#pragma once

#include "safety/SafetyDevice.h"
#include "series/DistanceChoice.h"

#include <QLocale>
#include <QString>

#include <vector>

class TzPdf;

// What the protocol's analysis page shows: the series and the safety device
// the main window computes its distance for (with the door's C, the mat's h
// and the non-industrial choice as they stand).
struct ReportAnalysis
{
    std::vector<double> stopTimes;
    SafetyDevice device;
    DistanceChoice choice; // the standard, its entries and the installed distance
};

// Adds the page "Analysis" to pdf: the stop times as a chart (points in run
// order, mean, mean + 3 standard deviations and maximum with the governing
// line bold, the mark at the tenth run) drawn with the writer's lines and
// text, then the chosen standard's calculation of the safety distance
// written out (every input with its origin, each step, its warnings and the
// comparison with the installed distance), or why there is none.  deviceCaption and deviceParams are the main
// window's captions; text goes out in Windows-1250 like the rest of the
// protocol.
void writeAnalysisPage(TzPdf &pdf, const ReportAnalysis &analysis, const QString &deviceCaption,
                       const QString &deviceParams, const QLocale &locale);

// Width in millimetres of text in Helvetica (font 1) at size points, for
// aligning the writer's left-anchored text.
double helveticaWidthMm(const QByteArray &text, int size);
