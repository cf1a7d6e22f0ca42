#include "project/ValueExport.h"

#include "base/ErrorHandling.h"
#include "base/NumberFormat.h"
#include "base/SaveFile.h"

#include <QIODevice>

#include <charconv>
#include <cmath>
#include <cstring>

namespace {

char separatorOf(DecimalMark mark)
{
    return mark == DecimalMark::Comma ? ';' : ',';
}

} // namespace

DecimalMark defaultDecimalMark(const QLocale &locale)
{
    return locale.decimalPoint() == QStringLiteral(",") ? DecimalMark::Comma : DecimalMark::Point;
}

QByteArray csvNumber(double value, DecimalMark mark)
{
    // No number is an empty cell, the way a spreadsheet leaves one out of
    // its sums; "-nan" or "inf" would read as a formula.
    if (!std::isfinite(value))
        return {};
    char buffer[64];
    const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
    QByteArray text(buffer, ec == std::errc() ? end - buffer : 0);
    if (mark == DecimalMark::Comma)
        text.replace('.', ',');
    return text;
}

bool isCsvNumber(const QByteArray &text)
{
    QByteArray point = text;
    point.replace(',', '.');
    // A spreadsheet reads "+3" as the number 3; from_chars takes no plus.
    if (point.startsWith('+') && !point.startsWith("+-"))
        point.remove(0, 1);
    double value = 0.0;
    const char *end = point.constData() + point.size();
    const auto [at, ec] = std::from_chars(point.constData(), end, value);
    return ec == std::errc() && at == end && std::isfinite(value);
}

QByteArray csvField(const QByteArray &rawText, char separator)
{
    // A spreadsheet runs a cell that starts with one of these as a formula:
    // text from a file or a user (a machine ID "=HYPERLINK(...)") must stay
    // text.  A number such as -0.5 stays a number.
    QByteArray text = rawText;
    if (!text.isEmpty() && std::strchr("=+-@", text.front()) && !isCsvNumber(text))
        text.prepend('\'');
    if (!text.contains(separator) && !text.contains('"') && !text.contains('\r') && !text.contains('\n'))
        return text;
    QByteArray quoted = text;
    quoted.replace("\"", "\"\"");
    return '"' + quoted + '"';
}

QByteArray valuesCsv(std::span<const double> stopTimes, DecimalMark mark)
{
    const char separator = separatorOf(mark);
    QByteArray csv;
    csv.reserve(qsizetype(32 + stopTimes.size() * 16));
    csv.append("\xEF\xBB\xBF");
    csv.append(csvField("Run", separator)).append(separator).append(csvField("Stop time [ms]", separator));
    csv.append("\r\n");
    for (std::size_t i = 0; i < stopTimes.size(); ++i) {
        csv.append(QByteArray::number(qulonglong(i + 1))).append(separator);
        csv.append(csvField(csvNumber(stopTimes[i], mark), separator)).append("\r\n");
    }
    return csv;
}

QString rowsAsTabText(std::span<const double> stopTimes, std::span<const int> rows, const QLocale &locale)
{
    QString text;
    for (const int row : rows) {
        if (row < 0 || std::size_t(row) >= stopTimes.size())
            continue;
        text += QString::number(row + 1) + QLatin1Char('\t')
            + formatListValue(stopTimes[std::size_t(row)], locale).trimmed() + QLatin1Char('\n');
    }
    return text;
}

void saveValuesCsv(const QString &fileName, std::span<const double> stopTimes, DecimalMark mark)
{
    const QByteArray csv = valuesCsv(stopTimes, mark);
    const SaveResult saved = saveWholeFile(fileName, [&csv](QIODevice &file) {
        return file.write(csv) == csv.size();
    });
    if (saved.stage == SaveResult::NotCreated)
        throw ZirkError(QStringLiteral("Cannot create file \"%1\". %2").arg(fileName, saved.error));
    if (saved.stage == SaveResult::NotWritten)
        throw ZirkError(QStringLiteral("Cannot write file \"%1\". %2").arg(fileName, saved.error));
}
