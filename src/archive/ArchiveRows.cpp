#include "ArchiveRows.h"

#include <QCryptographicHash>
#include <QDataStream>
#include <QIODevice>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

QString timeText(const QDateTime &when)
{
    if (!when.isValid())
        return QString(QLatin1String(""));
    return when.toUTC().toString(QStringLiteral("yyyy-MM-dd'T'HH:mm:ss'Z'"));
}

QDateTime timeFromText(const QString &text)
{
    return QDateTime::fromString(text, Qt::ISODate);
}

QVariant optionalValue(const std::optional<double> &v)
{
    return v ? QVariant(*v) : QVariant(QMetaType(QMetaType::Double));
}

std::optional<double> optionalDouble(const QSqlQuery &q, int column)
{
    if (q.isNull(column))
        return std::nullopt;
    return q.value(column).toDouble();
}

QVariant textValue(const QString &s)
{
    QString t = s.isNull() ? QString(QLatin1String("")) : s;
    t.remove(QChar(0));
    return t;
}

QVariant nullText()
{
    return QVariant(QMetaType(QMetaType::QString));
}

QVariant nullId()
{
    return QVariant(QMetaType(QMetaType::LongLong));
}

namespace {

const char *governingText(GoverningStatistic g)
{
    switch (g) {
    case GoverningStatistic::Maximum:
        return "max";
    case GoverningStatistic::MeanPlus3Sigma:
        return "mean+3sigma";
    case GoverningStatistic::None:
        break;
    }
    return nullptr;
}

GoverningStatistic governingFromText(const QString &text)
{
    if (text == QLatin1String("max"))
        return GoverningStatistic::Maximum;
    if (text == QLatin1String("mean+3sigma"))
        return GoverningStatistic::MeanPlus3Sigma;
    return GoverningStatistic::None;
}

QVariant optionalText(const QString &s)
{
    return s.isEmpty() ? nullText() : textValue(s);
}

struct Column
{
    const char *name;
    QVariant (*get)(const ArchiveMeasurement &);
    void (*set)(ArchiveMeasurement &, const QSqlQuery &, int column);
};

QVariant statistic(const ArchiveMeasurement &m, double SeriesStatistics::*field)
{
    return m.result.statistics ? QVariant((*m.result.statistics).*field) : QVariant(QMetaType(QMetaType::Double));
}

void setStatistic(ArchiveMeasurement &m, const QSqlQuery &q, int c, double SeriesStatistics::*field)
{
    if (q.isNull(c))
        return;
    if (!m.result.statistics)
        m.result.statistics = SeriesStatistics{};
    (*m.result.statistics).*field = q.value(c).toDouble();
}

#define ENTRY(field)                                                                                               \
    [](const ArchiveMeasurement &m) { return optionalValue(m.entries.field); },                                   \
        [](ArchiveMeasurement &m, const QSqlQuery &q, int c) { m.entries.field = optionalDouble(q, c); }

// Every column that a record of a measurement fills, in one place.
const std::vector<Column> &columns()
{
    static const std::vector<Column> list = {
        {"note", [](const ArchiveMeasurement &m) { return textValue(m.note); },
         [](ArchiveMeasurement &m, const QSqlQuery &q, int c) { m.note = q.value(c).toString(); }},
        {"measured_at", [](const ArchiveMeasurement &m) { return QVariant(timeText(m.measuredAt)); },
         [](ArchiveMeasurement &m, const QSqlQuery &q, int c) { m.measuredAt = timeFromText(q.value(c).toString()); }},
        {"device_kind", [](const ArchiveMeasurement &m) { return QVariant(m.deviceKind); },
         [](ArchiveMeasurement &m, const QSqlQuery &q, int c) { m.deviceKind = q.value(c).toInt(); }},
        {"device_parameter", [](const ArchiveMeasurement &m) { return optionalValue(m.deviceParameter); },
         [](ArchiveMeasurement &m, const QSqlQuery &q, int c) { m.deviceParameter = optionalDouble(q, c); }},
        {"non_industrial", [](const ArchiveMeasurement &m) { return QVariant(int(m.nonIndustrial)); },
         [](ArchiveMeasurement &m, const QSqlQuery &q, int c) { m.nonIndustrial = q.value(c).toInt() != 0; }},
        {"stop_count", [](const ArchiveMeasurement &m) { return QVariant(qint64(m.stopTimes.size())); },
         [](ArchiveMeasurement &m, const QSqlQuery &q, int c) {
             if (m.result.statistics)
                 m.result.statistics->count = std::size_t(q.value(c).toLongLong());
         }},
        {"maximum_ms", [](const ArchiveMeasurement &m) { return statistic(m, &SeriesStatistics::maximum); },
         [](ArchiveMeasurement &m, const QSqlQuery &q, int c) { setStatistic(m, q, c, &SeriesStatistics::maximum); }},
        {"mean_ms", [](const ArchiveMeasurement &m) { return statistic(m, &SeriesStatistics::mean); },
         [](ArchiveMeasurement &m, const QSqlQuery &q, int c) { setStatistic(m, q, c, &SeriesStatistics::mean); }},
        {"sigma_ms", [](const ArchiveMeasurement &m) { return statistic(m, &SeriesStatistics::sigma); },
         [](ArchiveMeasurement &m, const QSqlQuery &q, int c) { setStatistic(m, q, c, &SeriesStatistics::sigma); }},
        {"mean_plus_3sigma_ms",
         [](const ArchiveMeasurement &m) { return statistic(m, &SeriesStatistics::meanPlus3Sigma); },
         [](ArchiveMeasurement &m, const QSqlQuery &q, int c) {
             setStatistic(m, q, c, &SeriesStatistics::meanPlus3Sigma);
         }},
        {"governing",
         [](const ArchiveMeasurement &m) {
             const char *g = governingText(m.result.governing);
             return g ? QVariant(QString::fromLatin1(g)) : nullText();
         },
         [](ArchiveMeasurement &m, const QSqlQuery &q, int c) {
             m.result.governing = governingFromText(q.value(c).toString());
         }},
        {"governing_ms", [](const ArchiveMeasurement &m) { return optionalValue(m.result.governingMs); },
         [](ArchiveMeasurement &m, const QSqlQuery &q, int c) { m.result.governingMs = optionalDouble(q, c); }},
        {"distance_mm", [](const ArchiveMeasurement &m) { return optionalValue(m.result.distanceMm); },
         [](ArchiveMeasurement &m, const QSqlQuery &q, int c) {
             m.result.distanceMm = optionalDouble(q, c);
             if (m.result.distanceMm)
                 m.result.distanceInch = *m.result.distanceMm / 25.4;
         }},
        {"serial_number", [](const ArchiveMeasurement &m) { return textValue(m.serialNumber); },
         [](ArchiveMeasurement &m, const QSqlQuery &q, int c) { m.serialNumber = q.value(c).toString(); }},
        {"standstill_speed", [](const ArchiveMeasurement &m) { return QVariant(m.standstillSpeed); },
         [](ArchiveMeasurement &m, const QSqlQuery &q, int c) { m.standstillSpeed = q.value(c).toInt(); }},
        {"calibration_year", [](const ArchiveMeasurement &m) { return QVariant(m.calibrationYear); },
         [](ArchiveMeasurement &m, const QSqlQuery &q, int c) { m.calibrationYear = q.value(c).toInt(); }},
        {"calibration_month", [](const ArchiveMeasurement &m) { return QVariant(m.calibrationMonth); },
         [](ArchiveMeasurement &m, const QSqlQuery &q, int c) { m.calibrationMonth = q.value(c).toInt(); }},
        {"calibration_day", [](const ArchiveMeasurement &m) { return QVariant(m.calibrationDay); },
         [](ArchiveMeasurement &m, const QSqlQuery &q, int c) { m.calibrationDay = q.value(c).toInt(); }},
        {"calibrated", [](const ArchiveMeasurement &m) { return QVariant(int(m.calibrated)); },
         [](ArchiveMeasurement &m, const QSqlQuery &q, int c) { m.calibrated = q.value(c).toInt() != 0; }},
        {"user_name", [](const ArchiveMeasurement &m) { return textValue(m.userName); },
         [](ArchiveMeasurement &m, const QSqlQuery &q, int c) { m.userName = q.value(c).toString(); }},
        {"company_name", [](const ArchiveMeasurement &m) { return textValue(m.companyName); },
         [](ArchiveMeasurement &m, const QSqlQuery &q, int c) { m.companyName = q.value(c).toString(); }},
        {"file_path", [](const ArchiveMeasurement &m) { return optionalText(m.filePath); },
         [](ArchiveMeasurement &m, const QSqlQuery &q, int c) { m.filePath = q.value(c).toString(); }},
        {"file_sha256", [](const ArchiveMeasurement &m) { return optionalText(m.fileSha256); },
         [](ArchiveMeasurement &m, const QSqlQuery &q, int c) { m.fileSha256 = q.value(c).toString(); }},
        // A measurement recorded without its standard keeps none of the
        // three: NULL, never the default standard's name.
        {"standard",
         [](const ArchiveMeasurement &m) { return m.withoutStandard ? nullText() : textValue(m.standardId); },
         [](ArchiveMeasurement &m, const QSqlQuery &q, int c) {
             m.withoutStandard = q.isNull(c);
             m.standardId = m.withoutStandard ? QString() : q.value(c).toString();
         }},
        {"installed_mm",
         [](const ArchiveMeasurement &m) {
             return m.withoutStandard ? optionalValue(std::nullopt) : optionalValue(m.entries.installedMm);
         },
         [](ArchiveMeasurement &m, const QSqlQuery &q, int c) { m.entries.installedMm = optionalDouble(q, c); }},
        {"verdict", [](const ArchiveMeasurement &m) { return m.withoutStandard ? nullText() : optionalText(m.verdict); },
         [](ArchiveMeasurement &m, const QSqlQuery &q, int c) { m.verdict = q.value(c).toString(); }},
        {"tr_ms", ENTRY(trMs)},
        {"brake_monitor_ms", ENTRY(brakeMonitorMs)},
        {"k_mm_per_s", ENTRY(kMmPerS)},
        {"dds_mm", ENTRY(ddsMm)},
        {"z_mm", ENTRY(zMm)},
        {"dpf_mm", ENTRY(dpfMm)},
        {"no_encroachment", [](const ArchiveMeasurement &m) { return QVariant(int(m.entries.noEncroachment)); },
         [](ArchiveMeasurement &m, const QSqlQuery &q, int c) { m.entries.noEncroachment = q.value(c).toInt() != 0; }},
        // 0: kept before the archive kept the standard's entries; the
        // entries above are then unknown, not absent.
        {"entries_kept", [](const ArchiveMeasurement &m) { return QVariant(int(m.entriesKept)); },
         [](ArchiveMeasurement &m, const QSqlQuery &q, int c) { m.entriesKept = q.value(c).toInt() != 0; }},
        {"time_flag", [](const ArchiveMeasurement &m) { return optionalText(m.timeFlag); },
         [](ArchiveMeasurement &m, const QSqlQuery &q, int c) { m.timeFlag = q.value(c).toString(); }},
    };
    return list;
}

#undef ENTRY

} // namespace

QString measurementColumnList(const QString &prefix)
{
    QString list;
    for (const Column &c : columns()) {
        if (!list.isEmpty())
            list += QStringLiteral(", ");
        list += prefix + QLatin1String(c.name);
    }
    return list;
}

int measurementColumnCount()
{
    return int(columns().size());
}

QVariantList measurementColumnValues(const ArchiveMeasurement &m)
{
    QVariantList values;
    values.reserve(qsizetype(columns().size()));
    for (const Column &c : columns())
        values << c.get(m);
    return values;
}

void readMeasurementColumns(const QSqlQuery &q, int first, ArchiveMeasurement &m)
{
    // The statistics are there when the maximum is (a series of values).
    const int maximum = first + int(std::find_if(columns().begin(), columns().end(),
                                                 [](const Column &c) {
                                                     return std::strcmp(c.name, "maximum_ms") == 0;
                                                 })
                                    - columns().begin());
    m.result.statistics.reset();
    if (!q.isNull(maximum))
        m.result.statistics = SeriesStatistics{};
    for (std::size_t i = 0; i < columns().size(); ++i)
        columns()[i].set(m, q, first + int(i));
}

QString measurementIdentity(const ArchiveMeasurement &m)
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_6_0);
    out.setFloatingPointPrecision(QDataStream::DoublePrecision);
    auto optional = [&out](const std::optional<double> &v) { out << bool(v) << v.value_or(0.0); };
    out << qint32(1) << quint64(m.stopTimes.size());
    for (const double v : m.stopTimes)
        out << v;
    out << qint32(m.deviceKind);
    optional(m.deviceParameter);
    out << m.nonIndustrial << m.withoutStandard << (m.withoutStandard ? QString() : m.standardId);
    const StandardEntries &e = m.entries;
    for (const std::optional<double> *v : {&e.trMs, &e.brakeMonitorMs, &e.kMmPerS, &e.ddsMm, &e.zMm, &e.dpfMm})
        optional(*v);
    out << e.noEncroachment;
    optional(m.withoutStandard ? std::nullopt : e.installedMm);
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex().left(32));
}

QString timeFlag(const QDateTime &measuredAt, const QDateTime &now)
{
    if (!measuredAt.isValid() || timeText(measuredAt).isEmpty() || measuredAt.toUTC().date().year() > 9999)
        return QStringLiteral("unreadable");
    if (measuredAt.toUTC() < QDateTime(QDate(2000, 1, 1), QTime(0, 0), Qt::UTC))
        return QStringLiteral("before-2000");
    if (measuredAt > now.addDays(1))
        return QStringLiteral("future");
    return QString();
}

QString safeguardKey(const QString &name, int deviceKind, const std::optional<double> &deviceParameter)
{
    if (!name.trimmed().isEmpty())
        return QStringLiteral("name:") + name.trimmed();
    return QStringLiteral("kind:%1:%2")
        .arg(deviceKind)
        .arg(deviceParameter ? QString::number(*deviceParameter, 'g', 17) : QStringLiteral("-"));
}

bool decidesStatus(const ArchiveMeasurement &m)
{
    return m.stopTimes.size() >= std::size_t(kMinimumValuesForDistance) && m.timeFlag.isEmpty() && !m.withoutStandard;
}

QString decidesSql(const QString &prefix)
{
    return QStringLiteral("%1stop_count >= %2 AND %1time_flag IS NULL AND %1standard IS NOT NULL")
        .arg(prefix)
        .arg(kMinimumValuesForDistance);
}
