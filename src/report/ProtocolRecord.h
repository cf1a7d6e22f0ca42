#pragma once

#include "pdf/PdfAttachments.h"
#include "pdf/PdfSignature.h"

#include <QByteArray>
#include <QString>

#include <optional>
#include <vector>

class LanguageTexts;

// What a protocol carries of its measurement, so that a program can check
// it without retyping: the project file as it would be saved, and a short
// summary of the result it prints.

// The project file (relationship Source) and the summary (Data), named
// after the project file: "Project_20261211_1530_.zPRJ" and
// "Project_20261211_1530_.json".
std::vector<PdfAttachment> protocolAttachments(const QString &projectFileName, const QByteArray &projectBytes,
                                               const QByteArray &summaryJson);

// Whether text prints as typed in the protocol's body: in Windows-1250, or
// in the writer's embedded font where that is installed and has every
// character.
bool printsAsTyped(const QString &text);

// Why a protocol cannot be signed: a text that would print otherwise than
// typed (the signature would vouch for a "?"); empty when it can.
QString unsignableReason(const QString &machineId, const QString &userName, const QString &signerName);

// The box on page 1 of a signed protocol: "Digitally signed by" and the
// signer, the date and time with the UTC offset, the meaning with the
// user, in the language of texts.
SignatureBox protocolSignatureBox(const LanguageTexts &texts, const QString &signerName, const QDateTime &when,
                                  const QString &userName);

