#include "base/NumberFormat.h"

#include <gtest/gtest.h>

#include <limits>

namespace {
const QLocale english(QLocale::English, QLocale::UnitedStates);
const QLocale german(QLocale::German, QLocale::Germany);
} // namespace

TEST(NumberFormat, DisplayFormatsUnderEnglishAndGerman)
{
    struct Case
    {
        const char *name;
        QString (*format)(double, const QLocale &);
        double value;
        const char *en;
        const char *de;
    };
    const Case cases[] = {
        {"list value padded to five", formatListValue, 7.26, "  7.3", "  7,3"},
        {"list value thousands", formatListValue, 12345.67, "12,345.7", "12.345,7"},
        {"list value zero", formatListValue, 0.0, "  0.0", "  0,0"},
        {"list value half rounds away", formatListValue, 0.25, "  0.3", "  0,3"},
        {"statistic", formatStatisticMs, 110.4, "  110 ms", "  110 ms"},
        {"statistic thousands", formatStatisticMs, 14999.9992, "15,000 ms", "15.000 ms"},
        {"distance", formatDistanceMm, 204.27, "  205 mm", "  205 mm"},
        {"distance not computed", formatDistanceMm, -1.0, "   -1 mm", "   -1 mm"},
        {"distance large", formatDistanceMm, 1330.0, "1,330 mm", "1.330 mm"},
        {"inch", formatDistanceInch, 8.0657, " 8.07 inch", " 8,07 inch"},
        {"calculator", formatCalculatorMm, 200.0, "200.0 mm", "200,0 mm"},
        {"calculator small", formatCalculatorMm, 5.0, "  5.0 mm", "  5,0 mm"},
        // A minimum is never shown smaller than it is: rounded up, in whole
        // mm, tenths in the calculator and hundredths of an inch.
        {"distance rounds up", formatDistanceMm, 200.4, "  201 mm", "  201 mm"},
        {"distance a hair above a whole mm", formatDistanceMm, 200.001, "  201 mm", "  201 mm"},
        {"distance whole stays", formatDistanceMm, 200.0, "  200 mm", "  200 mm"},
        {"distance noise stays", formatDistanceMm, 200.0000000001, "  200 mm", "  200 mm"},
        {"calculator rounds up", formatCalculatorMm, 200.04, "200.1 mm", "200,1 mm"},
        {"inch rounds up", formatDistanceInch, 7.8897, " 7.89 inch", " 7,89 inch"},
        {"inch a hair above", formatDistanceInch, 7.88001, " 7.89 inch", " 7,89 inch"},
        // Where the guard is, as entered, to 0.1 mm and never rounded up.
        {"installed whole", formatInstalledMm, 200.0, "200 mm", "200 mm"},
        {"installed tenth", formatInstalledMm, 200.4, "200.4 mm", "200,4 mm"},
        {"installed below a tenth is cut", formatInstalledMm, 200.49, "200.4 mm", "200,4 mm"},
        {"installed large", formatInstalledMm, 1305.5, "1,305.5 mm", "1.305,5 mm"},
        {"tiny negative shows no minus zero", formatListValue, -0.01, "  0.0", "  0,0"},
        // A stored value that is no number, as the statistics say it.
        {"list value NaN", formatListValue, std::numeric_limits<double>::quiet_NaN(), "   --", "   --"},
        {"list value -NaN", formatListValue, -std::numeric_limits<double>::quiet_NaN(), "   --", "   --"},
        {"list value infinite", formatListValue, std::numeric_limits<double>::infinity(), "   --", "   --"},
        {"list value -infinite", formatListValue, -std::numeric_limits<double>::infinity(), "   --", "   --"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.format(c.value, english), QString::fromUtf8(c.en));
        EXPECT_EQ(c.format(c.value, german), QString::fromUtf8(c.de));
    }
}

TEST(NumberFormat, CountAndGeneralForms)
{
    EXPECT_EQ(formatCount(0), QStringLiteral("    0"));
    EXPECT_EQ(formatCount(12345), QStringLiteral("12345"));
    EXPECT_EQ(formatCount(1234567), QStringLiteral("1234567"));
    EXPECT_EQ(formatGeneral(14.0, english), QStringLiteral("14"));
    EXPECT_EQ(formatGeneral(14.5, german), QStringLiteral("14,5"));
    EXPECT_EQ(formatGeneral(-1.0, english), QStringLiteral("-1"));
    EXPECT_EQ(formatGeneral(12345.0, german), QStringLiteral("12345"));
}

TEST(NumberFormat, ParseDecimalFollowsTheLocale)
{
    struct Case
    {
        const char *text;
        std::optional<double> en;
        std::optional<double> de;
    };
    const Case cases[] = {
        {"12.5", 12.5, std::nullopt},
        {"12,5", std::nullopt, 12.5},
        {"  14  ", 14.0, 14.0},
        {"-3", -3.0, -3.0},
        {"+3", 3.0, 3.0},
        {"2E2", 200.0, 200.0},
        {"1.5e-3", 0.0015, std::nullopt},
        {".5", 0.5, std::nullopt},
        {"5.", 5.0, std::nullopt},
        {"", std::nullopt, std::nullopt},
        {" ", std::nullopt, std::nullopt},
        {"abc", std::nullopt, std::nullopt},
        {"1,000.5", std::nullopt, std::nullopt},
        {"12 ms", std::nullopt, std::nullopt},
        {"1e", std::nullopt, std::nullopt},
        {"--1", std::nullopt, std::nullopt},
        {"1.2.3", std::nullopt, std::nullopt},
        {"1e999", std::nullopt, std::nullopt},
        {"\xc3\xa9", std::nullopt, std::nullopt},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(parseDecimal(QString::fromUtf8(c.text), english), c.en);
        EXPECT_EQ(parseDecimal(QString::fromUtf8(c.text), german), c.de);
    }
}

TEST(NumberFormat, LocaleWithoutAnAsciiSeparatorStillReadsWholeNumbers)
{
    const QLocale arabic(QLocale::Arabic, QLocale::Egypt);
    ASSERT_NE(arabic.decimalPoint(), QStringLiteral("."));
    EXPECT_EQ(asciiDecimalSeparator(arabic), '\0');
    EXPECT_EQ(asciiDecimalSeparator(english), '.');
    EXPECT_EQ(asciiDecimalSeparator(german), ',');
    EXPECT_EQ(parseDecimal(u" 12 ", arabic), 12.0);
    EXPECT_EQ(parseDecimal(u"2E2", arabic), 200.0);
    EXPECT_EQ(parseDecimal(u"12.5", arabic), std::nullopt);
    const char withNul[] = {'1', '\0', '5'};
    EXPECT_EQ(parseDecimal(withNul, withNul + 3, '\0'), std::nullopt);
}

// What the program shows in a locale reads back in it: native digits,
// the Arabic decimal separator, the minus sign of U+2212, the exponent.
TEST(NumberFormat, NumbersShownInAnyLocaleReadBack)
{
    const QLocale locales[] = {
        QLocale(QLocale::English, QLocale::UnitedStates), QLocale(QLocale::German, QLocale::Germany),
        QLocale(QLocale::Arabic, QLocale::Egypt),         QLocale(QLocale::Persian, QLocale::Iran),
        QLocale(QLocale::Swedish, QLocale::Sweden),       QLocale(QLocale::Bengali, QLocale::Bangladesh),
    };
    for (const QLocale &locale : locales) {
        for (const double value : {12.5, -3.25, 187.3, 0.001, 8000.0, -1e20}) {
            const QString shown = formatGeneral(value, locale);
            EXPECT_EQ(parseDecimal(shown, locale), value)
                << locale.name().toStdString() << " " << shown.toStdString();
        }
        EXPECT_EQ(parseDecimal(formatListValue(187.3, locale), locale), 187.3) << locale.name().toStdString();
        EXPECT_EQ(parseDecimal(u"-5", locale), -5.0) << locale.name().toStdString(); // typed on any keyboard
    }
}

TEST(NumberFormat, NothingThatIsNotFiniteIsShownAsANumber)
{
    const QLocale english(QLocale::English, QLocale::UnitedStates);
    for (const double v : {std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity(),
                           std::numeric_limits<double>::quiet_NaN()}) {
        SCOPED_TRACE(v);
        EXPECT_EQ(formatStatisticMs(v, english), kNoValueMs);
        EXPECT_EQ(formatDistanceMm(v, english), kNoValueMm);
        EXPECT_EQ(formatDistanceInch(v, english), kNoValueInch);
        EXPECT_EQ(formatCalculatorMm(v, english), kNoValueMm);
    }
    EXPECT_EQ(formatDistanceMm(1e300, english).right(3), QStringLiteral(" mm"));
    EXPECT_NE(formatDistanceMm(1e300, english), kNoValueMm);
}
