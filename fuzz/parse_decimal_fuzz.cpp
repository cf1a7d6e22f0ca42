// parseDecimal, the reading of every number a user types, on any text and
// in locales with a point, a comma, a non-ASCII decimal separator, native
// digits and a minus sign of their own.  What
// it accepts is finite, is what the C library reads from the same digits,
// and reads back the same from the program's own general format.
#include "FuzzTarget.h"

#include "base/NumberFormat.h"

#include <QLocale>
#include <QString>

#include <cmath>
#include <cstdlib>
#include <string>

namespace {

// The C library's reading of the text, the separator made a point.
double referenceValue(const QByteArray &text, char separator)
{
    std::string c = text.trimmed().toStdString();
    for (char &ch : c) {
        if (ch == separator)
            ch = '.';
    }
    return std::strtod(c.c_str(), nullptr);
}

bool sameValue(double a, double b)
{
    return a == b || std::fabs(a - b) <= 1e-12 * std::max(std::fabs(a), std::fabs(b));
}

} // namespace

ZIRK_FUZZ_TARGET(parse_decimal)
{
    static const QLocale locales[] = {QLocale::c(),
                                      QLocale(QLocale::German, QLocale::Germany),
                                      QLocale(QLocale::Czech, QLocale::CzechRepublic),
                                      QLocale(QLocale::Arabic, QLocale::Egypt),
                                      QLocale(QLocale::Swedish, QLocale::Sweden),
                                      QLocale(QLocale::Persian, QLocale::Iran)};
    fuzz::Input in(data, size);
    const QLocale &locale = locales[in.byte() % std::size(locales)];
    const QByteArray bytes(reinterpret_cast<const char *>(in.rest()), qsizetype(in.restSize()));

    // The byte form as the import reads files.
    for (const char separator : {'.', ','}) {
        const std::optional<double> value = parseDecimal(bytes.constData(), bytes.constData() + bytes.size(), separator);
        if (!value)
            continue;
        FUZZ_CHECK(std::isfinite(*value));
        FUZZ_CHECK(!bytes.contains(separator == '.' ? ',' : '.'));
        FUZZ_CHECK(sameValue(*value, referenceValue(bytes, separator)));
    }

    // The text form as the windows read edit fields.
    const QString text = QString::fromUtf8(bytes);
    const std::optional<double> value = parseDecimal(text, locale);
    if (value) {
        FUZZ_CHECK(std::isfinite(*value));
        // Fifteen digits may round the very largest doubles beyond the range.
        if (std::fabs(*value) > 1e300)
            return 0;
        const std::optional<double> again = parseDecimal(formatGeneral(*value, locale), locale);
        FUZZ_CHECK(again && sameValue(*again, *value));
    }
    return 0;
}
