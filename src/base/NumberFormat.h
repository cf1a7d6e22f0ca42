#pragma once

#include <QLocale>
#include <QString>

#include <cstdint>
#include <optional>

// The display formats of the program.  Every number a user sees goes through
// here so that all windows, the report and the tools agree on separators,
// rounding and padding.  The locale is the user's (QLocale() by default).

// "%W.Dn": locale thousands separator, D decimals, left-padded with blanks to
// at least W characters.
QString formatNumber(double value, int decimals, int width, const QLocale &locale = QLocale());

// "%W.0d": a whole number right-aligned in W characters, no separators.
QString formatInteger(qint64 value, int width);

// Shortest general form with up to 15 significant digits and the locale's
// decimal separator (10, 12.5, 0.001); used where a parameter is echoed.
QString formatGeneral(double value, const QLocale &locale = QLocale());

// value rounded up to `decimals` places: a minimum distance is shown so,
// since a guard mounted at a figure rounded down would stand too close.  A
// value within a millionth of a step above a whole step (the noise of the
// arithmetic) stays on that step.
double roundUpTo(double value, int decimals);
// value rounded down to `decimals` places: the installed distance, which is
// never shown farther than it is.
double roundDownTo(double value, int decimals);

// The formats named in the program's texts.  A statistic or distance that
// is infinite or NaN (sums beyond the range of a double, a NaN read from a
// file) is no result and reads as the no-value text below, never "inf" or
// "nan".
QString formatListValue(double ms, const QLocale &locale = QLocale());          // "%5.1n"; "--" for no number
QString formatStatisticMs(double ms, const QLocale &locale = QLocale());       // "%5.0n ms"
QString formatCount(qint64 count);                                              // "%5.0d"
// The minimum distance, rounded up: "%5.0n mm", "%5.2n inch" and the
// calculator's "%5.1n mm".
QString formatDistanceMm(double mm, const QLocale &locale = QLocale());        // "%5.0n mm"
QString formatDistanceInch(double inch, const QLocale &locale = QLocale());    // "%5.2n inch"
QString formatCalculatorMm(double mm, const QLocale &locale = QLocale());      // "%5.1n mm"
// Where a guard is mounted, as it was entered, to 0.1 mm and never rounded
// up: "200 mm", "200.4 mm".
QString formatInstalledMm(double mm, const QLocale &locale = QLocale());

inline const QString kNoValueMs = QStringLiteral("-- --- ms");
// A single stored value that is no number, in the list and the report's table.
inline const QString kNoNumber = QStringLiteral("--");
inline const QString kNoValueMm = QStringLiteral("-- --- mm");
inline const QString kNoValueInch = QStringLiteral("-- --- inch");

// Reads a decimal number typed by the user: optional blanks around it, an
// optional sign, digits with at most one decimal separator of the locale, an
// optional exponent.  No thousands separators.  Anything else is not a number.
std::optional<double> parseDecimal(QStringView text, const QLocale &locale = QLocale());
// The same over single-byte text (an import file line).  decimalSeparator is
// the locale's separator as one ASCII character, or '\0' where the locale has
// none: then only numbers without a fraction read.
std::optional<double> parseDecimal(const char *begin, const char *end, char decimalSeparator);
char asciiDecimalSeparator(const QLocale &locale = QLocale());
