#pragma once

#include "pdf/PdfAttachments.h"
#include "pdf/PdfSignature.h"
#include "series/Measurement.h"

#include <QByteArray>
#include <QString>

#include <optional>
#include <vector>

class LanguageTexts;

// What a protocol carries of its measurement, so that a program can check
// it without retyping: the project file as it would be saved, and a short
// summary of the result it prints.

// The printed result in a form a program reads: "program", "version",
// "standard", "entries", "governing_ms", "minimum_mm", "installed_mm",
// "verdict" ("meets", "closer" or null), null where the protocol prints none.
QByteArray protocolSummaryJson(const Measurement &measurement);

struct ProtocolSummary
{
    QString version;
    QString standard;
    std::optional<double> governingMs;
    std::optional<double> minimumMm;
    std::optional<double> installedMm;
    QString verdict; // "meets", "closer", empty for none
};
// None for bytes that are not such a summary.
std::optional<ProtocolSummary> readProtocolSummary(const QByteArray &json);
ProtocolSummary protocolSummary(const Measurement &measurement);

// The project file (relationship Source) and the summary (Data), named
// after the project file: "Project_20261211_1530_.zPRJ" and
// "Project_20261211_1530_.json".
std::vector<PdfAttachment> protocolAttachments(const QString &projectFileName, const QByteArray &projectBytes,
                                               const QByteArray &summaryJson);

// Whether text prints as typed in the protocol: the writer's text is
// Windows-1250, and what that code page lacks prints as "?".
bool printsAsTyped(const QString &text);

// Why a protocol cannot be signed: a text that would print otherwise than
// typed (the signature would vouch for a "?"); empty when it can.
QString unsignableReason(const QString &machineId, const QString &userName, const QString &signerName);

// The box on page 1 of a signed protocol: "Digitally signed by" and the
// signer, the date and time with the UTC offset, the meaning with the
// user, in the language of texts.
SignatureBox protocolSignatureBox(const LanguageTexts &texts, const QString &signerName, const QDateTime &when,
                                  const QString &userName);

// "2026-12-11 16:27:03 UTC+01:00"
QString signatureTimeText(const QDateTime &when);
