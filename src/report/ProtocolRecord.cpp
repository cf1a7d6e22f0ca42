#include "report/ProtocolRecord.h"

#include "base/CodePage.h"
#include "pdf/zPdf.h"
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
    // The protocol's names stand in its regular face.
    return TzPdf::printsAsTyped(text, 1);
}

QString unsignableReason(const QString &machineId, const QString &userName, const QString &signerName)
{
    const struct
    {
        const char *what;
        const QString &text;
        bool printed;
    } texts[] = {{"the machine ID", machineId, printsAsTyped(machineId)},
                 {"the user's name", userName, printsAsTyped(userName)},
                 // The signature box writes its lines in Windows-1250.
                 {"the certificate's name", signerName, fromWindows1250(toWindows1250(signerName)) == signerName}};
    for (const auto &t : texts)
        if (!t.printed)
            return QStringLiteral("The protocol is not signed: %1 \"%2\" would print as \"%3\" (no font of the"
                                  " protocol shows it as typed).")
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
