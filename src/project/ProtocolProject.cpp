#include "project/ProtocolProject.h"

#include "base/ErrorHandling.h"
#include "pdf/PdfAttachments.h"
#include "pdf/PdfSignature.h"

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
