#include "project/ProtocolProject.h"

#include "base/ErrorHandling.h"
#include "pdf/PdfAttachments.h"
#include "pdf/PdfSignature.h"
#include "project/ProjectFile.h"
#include "project/ProjectMeasurement.h"

#include <QBuffer>
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

bool sameNumber(const std::optional<double> &a, const std::optional<double> &b)
{
    return a.has_value() == b.has_value() && (!a || *a == *b);
}

QString numberText(const std::optional<double> &value, const char *unit)
{
    return value ? QString::number(*value, 'g', 17) + QLatin1String(unit) : QStringLiteral("none");
}

// What differs between the printed summary and this version's numbers.
QString differences(const ProtocolSummary &printed, const ProtocolSummary &now)
{
    QStringList out;
    if (!sameNumber(printed.governingMs, now.governingMs))
        out << QStringLiteral("governing stop time %1 printed, %2 now")
                   .arg(numberText(printed.governingMs, " ms"), numberText(now.governingMs, " ms"));
    if (!sameNumber(printed.minimumMm, now.minimumMm))
        out << QStringLiteral("minimum distance %1 printed, %2 now")
                   .arg(numberText(printed.minimumMm, " mm"), numberText(now.minimumMm, " mm"));
    if (!sameNumber(printed.installedMm, now.installedMm))
        out << QStringLiteral("installed distance %1 printed, %2 now")
                   .arg(numberText(printed.installedMm, " mm"), numberText(now.installedMm, " mm"));
    if (printed.verdict != now.verdict)
        out << QStringLiteral("verdict %1 printed, %2 now")
                   .arg(printed.verdict.isEmpty() ? QStringLiteral("none") : printed.verdict,
                        now.verdict.isEmpty() ? QStringLiteral("none") : now.verdict);
    return out.join(QStringLiteral("; "));
}

} // namespace

AttachedMeasurement attachedMeasurement(const QByteArray &pdf)
{
    AttachedMeasurement attached;
    for (PdfAttachment &file : readAttachments(pdf)) {
        if (file.relationship == "Source" && file.name.endsWith(QLatin1String(".zPRJ"), Qt::CaseInsensitive)
            && attached.projectBytes.isEmpty()) {
            attached.projectName = file.name;
            attached.projectBytes = std::move(file.bytes);
        } else if (file.relationship == "Data" && attached.summaryJson.isEmpty()) {
            attached.summaryJson = std::move(file.bytes);
        }
    }
    return attached;
}

QByteArray projectFileContent(const QString &fileName, const QByteArray &bytes)
{
    if (!looksLikePdf(bytes))
        return bytes;
    const PdfSignatureCheck signature = checkPdfSignature(bytes);
    if (signature.isSigned && !unchangedSinceSigning(signature))
        throw ZirkError(QStringLiteral("%1: the protocol was changed after signing (%2)")
                            .arg(fileName, signature.problem.isEmpty() ? QStringLiteral("bytes were appended")
                                                                       : signature.problem));
    const AttachedMeasurement attached = attachedMeasurement(bytes);
    if (attached.projectBytes.isEmpty())
        throw ZirkError(QStringLiteral("%1: the protocol carries no measurement").arg(fileName));
    return attached.projectBytes;
}

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


ProtocolVerification verifyProtocol(const QByteArray &pdf, const QString &caFile)
{
    ProtocolVerification v;
    v.signature = checkPdfSignature(pdf, caFile);
    // The measurement as it was signed: what came after is not the
    // protocol's.
    const AttachedMeasurement attached = attachedMeasurement(v.signature.isSigned ? v.signature.signedRevision : pdf);
    const std::optional<ProtocolSummary> printed = readProtocolSummary(attached.summaryJson);
    if (!attached.projectBytes.isEmpty()) {
        QByteArray bytes = attached.projectBytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::ReadOnly);
        std::vector<double> stopTimes;
        ProjectRecord record;
        ProjectPictures pictures;
        if (readProjectFile(buffer, stopTimes, record, pictures).complete)
            v.computed = protocolSummary(measurementFromProject(stopTimes, record, pictures));
    }
    if (!v.computed) {
        v.measurementText = QStringLiteral("the protocol carries no measurement to check the printed result by");
    } else if (!printed) {
        v.measurementText = QStringLiteral("the protocol carries no summary of its printed result");
    } else if (const QString differ = differences(*printed, *v.computed); differ.isEmpty()) {
        v.matchesPrinted = true;
        v.measurementText = QStringLiteral("the printed result follows from the attached measurement");
    } else if (v.signature.isSigned && !v.unchanged()) {
        v.measurementText =
            QStringLiteral("the printed result differs from the attached measurement (%1)").arg(differ);
    } else {
        // The measurement and its summary are the ones signed: a rule of
        // the standard changed since, not the protocol.
        v.measurementText = QStringLiteral("computed differently by this version (%1; printed by version %2)")
                                .arg(differ, printed->version);
    }
    return v;
}

QString ProtocolVerification::certificateText() const
{
    return signature.trusted ? QStringLiteral("trusted")
                             : QStringLiteral("not trusted (%1)").arg(signature.trustProblem);
}

int ProtocolVerification::exitStatus() const
{
    if (!signature.isSigned || !unchanged() || !matchesPrinted)
        return 1;
    return signature.trusted ? 0 : 3;
}

QString ProtocolVerification::text() const
{
    QString text;
    if (!signature.isSigned) {
        text += QStringLiteral("Signature: not signed\n");
    } else {
        text += QStringLiteral("Signer: %1\n").arg(signature.signer.isEmpty() ? QStringLiteral("unknown")
                                                                              : signature.signer);
        text += QStringLiteral("Signed at: %1 (%2)\n")
                    .arg(signature.signedAt.isValid() ? signatureTimeText(signature.signedAt)
                                                      : QStringLiteral("unknown"),
                         signature.timestamped ? QStringLiteral("vouched for by a time stamp")
                                               : QStringLiteral("the signer's clock, no time stamp"));
        text += QStringLiteral("Signature: %1\n")
                    .arg(unchanged() ? QStringLiteral("intact")
                                     : QStringLiteral("changed after signing (%1)")
                                           .arg(signature.intact ? QStringLiteral("bytes were appended after it")
                                                                 : signature.problem));
        text += QStringLiteral("Certificate: %1\n").arg(certificateText());
    }
    text += QStringLiteral("Measurement: %1\n").arg(measurementText);
    return text;
}
