#pragma once

#include <QByteArray>
#include <QLocale>
#include <QString>

#include <span>

// The stop-time series as CSV for spreadsheets (RFC 4180): UTF-8 with a
// byte-order mark, so that spreadsheets take it as UTF-8 without asking, a
// header row, then one record per run: the run number and the stop time in
// ms with every digit the value holds (the shortest text that reads back as
// the same double).  Records end in CR LF.
//
// Spreadsheets split fields at the list separator of the user's locale,
// which is a semicolon wherever the decimal mark is a comma; hence the two
// forms.

enum class DecimalMark {
    Point, // 212.4, fields separated by commas
    Comma, // 212,4, fields separated by semicolons
};

// Comma where the locale writes its decimals with a comma, else point.
DecimalMark defaultDecimalMark(const QLocale &locale = QLocale());

// "Run" and "Stop time [ms]": fixed English, so the window and zirk-cli
// write the same bytes whatever the program's language.
QByteArray valuesCsv(std::span<const double> stopTimes, DecimalMark mark);

// The shortest round-trip text of a stop time with the given mark; empty
// for a value that is no number.
QByteArray csvNumber(double value, DecimalMark mark);

// One field as RFC 4180 wants it: quoted, inner quotes doubled, when it holds
// the separator, a quote or a line break.  A text that starts with "=", "+",
// "-" or "@" and is no number gets a leading "'", so that no spreadsheet
// takes it for a formula.
QByteArray csvField(const QByteArray &text, char separator);

// A whole finite number with a point or comma as its decimal mark.
bool isCsvNumber(const QByteArray &text);

// Rows of the stop-time list as the clipboard carries them to a spreadsheet:
// one line per row (0-based, in the order given), the run number and the
// stop time as the list shows it, separated by a tab.  Rows outside the
// series are left out.
QString rowsAsTabText(std::span<const double> stopTimes, std::span<const int> rows,
                      const QLocale &locale = QLocale());

// Creates or replaces the file with valuesCsv; an earlier file of that name
// stays as it was when writing fails.  Throws ZirkError "Cannot create
// file ..." or "Cannot write file ..." with the system's reason.
void saveValuesCsv(const QString &fileName, std::span<const double> stopTimes, DecimalMark mark);
