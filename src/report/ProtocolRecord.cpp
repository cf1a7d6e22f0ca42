#include "report/ProtocolRecord.h"

#include "base/CodePage.h"
#include "settings/LanguageTexts.h"

#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>

#include <cmath>

namespace {

QJsonValue number(const std::optional<double> &value)
{
    return value && std::isfinite(*value) ? QJsonValue(*value) : QJsonValue(QJsonValue::Null);
}

std::optional<double> numberOf(const QJsonValue &value)
{
    return value.isDouble() ? std::optional<double>(value.toDouble()) : std::nullopt;
}

QString baseName(const QString &projectFileName)
{
    const QString name = QFileInfo(projectFileName).fileName();
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return dot > 0 ? name.left(dot) : name;
}

} // namespace

ProtocolSummary protocolSummary(const Measurement &m)
{
    const SeriesResult result = m.result();
    ProtocolSummary s;
    s.version = QStringLiteral(ZIRK_VERSION);
    s.standard = result.standard ? result.standard->id() : m.distanceChoice.standardId;
    if (result.enoughValues())
        s.governingMs = result.governingMs;
    s.minimumMm = result.distanceMm;
    s.installedMm = m.distanceChoice.installedMm;
    if (result.distance.verdict)
        s.verdict = verdictKey(*result.distance.verdict);
    return s;
}

QByteArray protocolSummaryJson(const Measurement &m)
{
    const ProtocolSummary s = protocolSummary(m);
    const StandardEntries &e = m.distanceChoice;
    QJsonObject entries{{QStringLiteral("tr_ms"), number(e.trMs)},
                        {QStringLiteral("brake_monitor_ms"), number(e.brakeMonitorMs)},
                        {QStringLiteral("k_mm_per_s"), number(e.kMmPerS)},
                        {QStringLiteral("dds_mm"), number(e.ddsMm)},
                        {QStringLiteral("z_mm"), number(e.zMm)},
                        {QStringLiteral("dpf_mm"), number(e.dpfMm)},
                        {QStringLiteral("no_encroachment"), e.noEncroachment}};
    const QJsonObject summary{
        {QStringLiteral("program"), QStringLiteral("Zirk")},
        {QStringLiteral("version"), s.version},
        {QStringLiteral("standard"), s.standard},
        {QStringLiteral("entries"), entries},
        {QStringLiteral("governing_ms"), number(s.governingMs)},
        {QStringLiteral("minimum_mm"), number(s.minimumMm)},
        {QStringLiteral("installed_mm"), number(s.installedMm)},
        {QStringLiteral("verdict"), s.verdict.isEmpty() ? QJsonValue(QJsonValue::Null) : QJsonValue(s.verdict)},
    };
    return QJsonDocument(summary).toJson(QJsonDocument::Indented);
}

std::optional<ProtocolSummary> readProtocolSummary(const QByteArray &json)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    const QJsonObject o = document.object();
    if (o.value(QStringLiteral("program")).toString() != QLatin1String("Zirk"))
        return std::nullopt;
    ProtocolSummary s;
    s.version = o.value(QStringLiteral("version")).toString();
    s.standard = o.value(QStringLiteral("standard")).toString();
    s.governingMs = numberOf(o.value(QStringLiteral("governing_ms")));
    s.minimumMm = numberOf(o.value(QStringLiteral("minimum_mm")));
    s.installedMm = numberOf(o.value(QStringLiteral("installed_mm")));
    s.verdict = o.value(QStringLiteral("verdict")).toString();
    return s;
}

std::vector<PdfAttachment> protocolAttachments(const QString &projectFileName, const QByteArray &projectBytes,
                                               const QByteArray &summaryJson)
{
    const QString base = baseName(projectFileName);
    return {
        {base + QStringLiteral(".zPRJ"), projectBytes, "application/octet-stream", "Source",
         QStringLiteral("The measurement: the Zirk project file")},
        {base + QStringLiteral(".json"), summaryJson, "application/json", "Data",
         QStringLiteral("The printed result, machine-readable")},
    };
}

bool printsAsTyped(const QString &text)
{
    // The one question of the protocol's text encoding.
    return fromWindows1250(toWindows1250(text)) == text;
}

QString unsignableReason(const QString &machineId, const QString &userName, const QString &signerName)
{
    const struct
    {
        const char *what;
        const QString &text;
    } texts[] = {{"the machine ID", machineId}, {"the user's name", userName}, {"the certificate's name", signerName}};
    for (const auto &t : texts)
        if (!printsAsTyped(t.text))
            return QStringLiteral("The protocol is not signed: %1 \"%2\" would print as \"%3\" (the protocol's text "
                                  "is Windows-1250).")
                .arg(QLatin1String(t.what), t.text, fromWindows1250(toWindows1250(t.text)));
    return QString();
}

QString signatureTimeText(const QDateTime &when)
{
    const int offset = when.offsetFromUtc() / 60;
    const int minutes = std::abs(offset);
    return when.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) + QStringLiteral(" UTC")
           + (offset < 0 ? QLatin1Char('-') : QLatin1Char('+'))
           + QStringLiteral("%1:%2").arg(minutes / 60, 2, 10, QLatin1Char('0')).arg(minutes % 60, 2, 10, QLatin1Char('0'));
}

SignatureBox protocolSignatureBox(const LanguageTexts &texts, const QString &signerName, const QDateTime &when,
                                  const QString &userName)
{
    SignatureBox box;
    box.lines[0] = toWindows1250(texts.text("Report", "SignedByText"));
    box.lines[1] = toWindows1250(signerName);
    box.lines[2] = toWindows1250(signatureTimeText(when));
    box.lines[3] = toWindows1250(texts.text("Report", "SignatureMeaningText") + QLatin1Char(' ') + userName);
    return box;
}
