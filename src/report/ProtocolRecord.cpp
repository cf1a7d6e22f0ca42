#include "report/ProtocolRecord.h"

#include "base/CodePage.h"
#include "settings/LanguageTexts.h"

#include <QFileInfo>

#include <cmath>

namespace {

QString baseName(const QString &projectFileName)
{
    const QString name = QFileInfo(projectFileName).fileName();
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return dot > 0 ? name.left(dot) : name;
}

} // namespace

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
