#pragma once

#include "pdf/PdfSignature.h"
#include "series/Measurement.h"

#include <QByteArray>
#include <QString>

#include <optional>

// A measurement protocol (PDF) that carries its project file stands for that
// file wherever a project file is read: Open, zirk-cli, the archive.

// The project file a protocol carries and its machine-readable summary;
// empty bytes for what it does not carry.
struct AttachedMeasurement
{
    QString projectName;
    QByteArray projectBytes;
    QByteArray summaryJson;
};
AttachedMeasurement attachedMeasurement(const QByteArray &pdf);

// The bytes of the project file that bytes (read from fileName) are: the
// file itself, or the project file a protocol carries.  Throws ZirkError
// "<file>: ..." for a protocol that carries none, and for a signed protocol
// changed after signing: its measurement is not the one that was signed.
QByteArray projectFileContent(const QString &fileName, const QByteArray &bytes);

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

// What a protocol's signature and measurement come to, as zirk-cli verify
// and Tools > Verify Protocol say it.
struct ProtocolVerification
{
    PdfSignatureCheck signature;
    // This version's numbers from the attached measurement; none when the
    // protocol carries none that reads.
    std::optional<ProtocolSummary> computed;
    bool matchesPrinted = false;
    // "the printed result follows from the attached measurement", or what
    // differs and why.
    QString measurementText;

    bool unchanged() const { return unchangedSinceSigning(signature); }
    // "trusted" / "not trusted (why)"
    QString certificateText() const;
    // 0: signed, intact, matching and trusted; 3: all but trusted; 1
    // otherwise.
    int exitStatus() const;
    // The lines Signer, Signed at, Signature, Certificate, Measurement.
    QString text() const;
};

// caFile: the certificates to trust; empty: the system's.
ProtocolVerification verifyProtocol(const QByteArray &pdf, const QString &caFile = QString());
