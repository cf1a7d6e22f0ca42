#pragma once

#include "report/Report.h"
#include "series/Measurement.h"
#include "settings/AppSettings.h"

#include <QDateTime>
#include <QLocale>

// The protocol of a measurement: the one mapping that the window's Generate
// Report and zirk-cli's report share.  Company, user and the analysis page
// come from the settings; the logo is the caller's, who knows where its
// settings file lies.
ReportContent reportContent(const Measurement &measurement, const AppSettings &settings, const QDateTime &when,
                            const QLocale &locale = QLocale());
