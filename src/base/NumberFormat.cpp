#include "base/NumberFormat.h"

#include <charconv>
#include <cmath>
#include <string>

namespace {

QLocale withGroupSeparators(const QLocale &locale)
{
    QLocale l(locale);
    l.setNumberOptions(l.numberOptions() & ~QLocale::OmitGroupSeparator);
    return l;
}

QString padLeft(QString s, int width)
{
    if (s.size() < width)
        s.prepend(QString(width - s.size(), QLatin1Char(' ')));
    return s;
}

} // namespace

QString formatNumber(double value, int decimals, int width, const QLocale &locale)
{
    // Round half away from zero on the decimal value, as the number
    // formatting of desktop spreadsheets and our earlier tools does.
    const double scale = std::pow(10.0, decimals);
    double rounded = value;
    if (std::isfinite(value) && std::fabs(value) * scale < 9.0e15)
        rounded = std::round(value * scale) / scale;
    if (rounded == 0.0)
        rounded = 0.0; // no "-0"
    return padLeft(withGroupSeparators(locale).toString(rounded, 'f', decimals), width);
}

QString formatInteger(qint64 value, int width)
{
    return padLeft(QString::number(value), width);
}

QString formatGeneral(double value, const QLocale &locale)
{
    QLocale l(locale);
    l.setNumberOptions(l.numberOptions() | QLocale::OmitGroupSeparator);
    return l.toString(value, 'g', 15);
}

QString formatListValue(double ms, const QLocale &locale)
{
    if (!std::isfinite(ms))
        return padLeft(kNoNumber, 5);
    return formatNumber(ms, 1, 5, locale);
}

QString formatStatisticMs(double ms, const QLocale &locale)
{
    if (!std::isfinite(ms))
        return kNoValueMs;
    return formatNumber(ms, 0, 5, locale) + QStringLiteral(" ms");
}

QString formatCount(qint64 count)
{
    return formatInteger(count, 5);
}

double roundUpTo(double value, int decimals)
{
    if (!std::isfinite(value))
        return value;
    const double scale = std::pow(10.0, decimals);
    const double steps = value * scale;
    const double up = std::ceil(steps - 1e-6);
    // Beyond 2^53 steps a double holds whole steps only.
    if (!std::isfinite(steps) || std::fabs(steps) >= 9007199254740992.0)
        return value;
    return up / scale + 0.0; // + 0.0: no "-0"
}

double roundDownTo(double value, int decimals)
{
    if (!std::isfinite(value))
        return value;
    const double scale = std::pow(10.0, decimals);
    const double steps = value * scale;
    if (!std::isfinite(steps) || std::fabs(steps) >= 9007199254740992.0)
        return value;
    return std::floor(steps + 1e-6) / scale + 0.0;
}

QString formatDistanceMm(double mm, const QLocale &locale)
{
    if (!std::isfinite(mm))
        return kNoValueMm;
    return formatNumber(roundUpTo(mm, 0), 0, 5, locale) + QStringLiteral(" mm");
}

QString formatDistanceInch(double inch, const QLocale &locale)
{
    if (!std::isfinite(inch))
        return kNoValueInch;
    return formatNumber(roundUpTo(inch, 2), 2, 5, locale) + QStringLiteral(" inch");
}

QString formatCalculatorMm(double mm, const QLocale &locale)
{
    if (!std::isfinite(mm))
        return kNoValueMm;
    return formatNumber(roundUpTo(mm, 1), 1, 5, locale) + QStringLiteral(" mm");
}

QString formatInstalledMm(double mm, const QLocale &locale)
{
    if (!std::isfinite(mm))
        return kNoValueMm;
    const double shown = roundDownTo(mm, 1);
    return formatNumber(shown, shown == std::floor(shown) ? 0 : 1, 0, locale) + QStringLiteral(" mm");
}

std::optional<double> parseDecimal(const char *p, const char *end, char decimalSeparator)
{
    while (p < end && *p == ' ')
        ++p;
    while (end > p && end[-1] == ' ')
        --end;
    if (p == end)
        return std::nullopt;

    std::string buf;
    buf.reserve(static_cast<std::size_t>(end - p));
    if (*p == '+' || *p == '-') {
        if (*p == '-')
            buf.push_back('-');
        ++p;
    }
    int digits = 0;
    while (p < end && *p >= '0' && *p <= '9') {
        buf.push_back(*p++);
        ++digits;
    }
    if (p < end && decimalSeparator != '\0' && *p == decimalSeparator) {
        buf.push_back('.');
        ++p;
        while (p < end && *p >= '0' && *p <= '9') {
            buf.push_back(*p++);
            ++digits;
        }
    }
    if (digits == 0)
        return std::nullopt;
    if (p < end && (*p == 'e' || *p == 'E')) {
        buf.push_back('e');
        ++p;
        if (p < end && (*p == '+' || *p == '-'))
            buf.push_back(*p++);
        int expDigits = 0;
        while (p < end && *p >= '0' && *p <= '9') {
            buf.push_back(*p++);
            ++expDigits;
        }
        if (expDigits == 0)
            return std::nullopt;
    }
    if (p != end)
        return std::nullopt;

    double value = 0.0;
    const auto [ptr, ec] = std::from_chars(buf.data(), buf.data() + buf.size(), value);
    if (ec != std::errc() || ptr != buf.data() + buf.size() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

char asciiDecimalSeparator(const QLocale &locale)
{
    const QString dec = locale.decimalPoint();
    if (dec.size() != 1 || dec.at(0).unicode() == 0 || dec.at(0).unicode() > 0x7f)
        return '\0';
    return static_cast<char>(dec.at(0).unicode());
}

std::optional<double> parseDecimal(QStringView text, const QLocale &locale)
{
    // The locale's own digits, signs, separator and exponent mark read as
    // their ASCII forms, so that every number the program shows in that
    // locale (formatGeneral, formatNumber) also reads back.
    QString ascii = text.toString();
    const auto replaceMark = [&ascii](const QString &mark, QLatin1Char plain) {
        if (!mark.isEmpty() && mark != QString(plain))
            ascii.replace(mark, QString(plain));
    };
    replaceMark(locale.negativeSign(), QLatin1Char('-'));
    replaceMark(locale.positiveSign(), QLatin1Char('+'));
    replaceMark(locale.exponential(), QLatin1Char('e'));
    char separator = asciiDecimalSeparator(locale);
    if (separator == '\0' && !locale.decimalPoint().isEmpty()) {
        // A separator outside ASCII (the Arabic one) stands in as a control
        // character that nobody types.
        ascii.replace(locale.decimalPoint(), QString(QLatin1Char('\x01')));
        separator = '\x01';
    }
    // Digits last: the marks above may hold some (the Persian exponent mark).
    const QList<uint> zero = locale.zeroDigit().toUcs4();
    if (zero.size() == 1 && zero[0] != '0') {
        for (char32_t digit = 0; digit < 10; ++digit) {
            const char32_t native = char32_t(zero[0]) + digit;
            ascii.replace(QString::fromUcs4(&native, 1), QString(QLatin1Char(char('0' + digit))));
        }
    }
    const QByteArray latin = ascii.toLatin1();
    // toLatin1 maps what it cannot hold to '?', which the parser rejects.
    return parseDecimal(latin.constData(), latin.constData() + latin.size(), separator);
}
