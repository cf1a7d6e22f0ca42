#include "pdf/PdfAttachments.h"
#include "pdf/PdfSignature.h"
#include "pdf/zPdf.h"

#include "pdf/PdfTestTools.h"
#include "pdf/SigningCertificates.h"
#include "pdf/TimeStampServer.h"

#include <QDateTime>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

const SigningCertificates &certificates()
{
    static const SigningCertificates made;
    return made;
}

// Now, to the second, an hour east of UTC: the certificates are made now.
const QDateTime kSigningTime = [] {
    const QDateTime now = QDateTime::currentDateTimeUtc().addSecs(2).toOffsetFromUtc(3600);
    return now.addMSecs(-now.time().msec());
}();

SigningIdentity signer(const char *file = "signer.p12")
{
    return SigningIdentity::open(certificates().path(file), SigningCertificates::password().toUtf8(), kSigningTime);
}

// A binary project file: every byte value, NULs and line ends included.
QByteArray projectBytes()
{
    QByteArray bytes;
    for (int i = 0; i < 600; ++i)
        bytes.append(char(i * 7 % 256));
    return bytes;
}

// A one-page protocol printing distance, with its measurement attached and
// signed.
QByteArray signedDocument(const QByteArray &distance = "340 mm", const TimeStampAuthority &authority = {},
                          SignatureOutcome *outcome = nullptr)
{
    TzPdf pdf;
    pdf.AddPage(210, 297);
    pdf.TextXY(15, 200, 6, 14, "Safety Distance: " + distance);
    attachFiles(pdf, {{"Project_20261211_1627_.zPRJ", projectBytes(), "application/octet-stream", "Source", "the"},
                      {"Project_20261211_1627_.json", "{\"minimum_mm\": 340}", "application/json", "Data", {}}});
    SignatureBox box;
    box.lines[0] = "Digitally signed by";
    box.lines[1] = "Test Signer";
    const SignatureOutcome made = signPdfDocument(pdf, signer(), box, kSigningTime, authority);
    if (outcome)
        *outcome = made;
    return pdf.data();
}

struct Files
{
    QTemporaryDir dir;
    QString put(const char *name, const QByteArray &bytes)
    {
        const QString path = dir.filePath(QLatin1String(name));
        writeFile(path, bytes);
        return path;
    }
};

// The byte ranges' bytes and the CMS between them, as an outside checker
// takes them apart.
std::pair<QByteArray, QByteArray> signedPartsOf(const QByteArray &pdf)
{
    static const QRegularExpression range(QStringLiteral("/ByteRange \\[(\\d+) (\\d+) (\\d+) (\\d+)"));
    const QRegularExpressionMatch m = range.match(QString::fromLatin1(pdf));
    const qsizetype b = m.captured(2).toLongLong(), c = m.captured(3).toLongLong(), d = m.captured(4).toLongLong();
    return {pdf.left(b) + pdf.mid(c, d), QByteArray::fromHex(pdf.mid(b + 1, c - b - 2))};
}

TEST(PdfSignature, SignedDocumentIsAcceptedByPdfsigMutoolOpensslAndQpdf)
{
    ASSERT_TRUE(certificates().ok());
    Files files;
    const QByteArray pdf = signedDocument();
    const QString path = files.put("signed.pdf", pdf);

    const ToolResult pdfsig = runTool("pdfsig", {"-nssdir", certificates().nssDatabase(), path});
    ASSERT_TRUE(pdfsig.started);
    EXPECT_TRUE(pdfsig.out.contains("Signature is Valid.")) << pdfsig.out.constData();
    EXPECT_TRUE(pdfsig.out.contains("Total document signed")) << pdfsig.out.constData();
    EXPECT_TRUE(pdfsig.out.contains("Certificate is Trusted.")) << pdfsig.out.constData();
    EXPECT_TRUE(pdfsig.out.contains("ETSI.CAdES.detached")) << pdfsig.out.constData();

    const ToolResult mutool = runTool("mutool", {"sign", "-v", path});
    EXPECT_TRUE(mutool.out.contains("The document is unchanged since signing.")) << mutool.out.constData();

    const auto [data, cms] = signedPartsOf(pdf);
    const QString cmsPath = files.put("signature.der", cms);
    const ToolResult verify = runTool("openssl", {"cms", "-verify", "-binary", "-inform", "DER", "-in", cmsPath,
                                                  "-content", files.put("ranges.bin", data), "-CAfile",
                                                  certificates().path("ca.pem"), "-purpose", "any", "-out",
                                                  "/dev/null"});
    EXPECT_EQ(verify.exitCode, 0) << verify.err.constData();
    // PAdES: content type, digest and the signing certificate, and no
    // signing-time attribute (the time is the dictionary's /M).
    const ToolResult print = runTool("openssl", {"cms", "-cmsout", "-print", "-inform", "DER", "-in", cmsPath});
    EXPECT_TRUE(print.out.contains("contentType")) << print.out.constData();
    EXPECT_TRUE(print.out.contains("messageDigest"));
    EXPECT_TRUE(print.out.contains("signingCertificateV2"));
    EXPECT_FALSE(print.out.contains("signingTime"));
    EXPECT_TRUE(pdf.contains("/M (" + pdfDate(kSigningTime) + ")"));
    EXPECT_TRUE(pdfDate(kSigningTime).endsWith("+01'00'"));
    EXPECT_FALSE(pdf.contains("/Cert"));
    EXPECT_TRUE(pdf.contains("/SigFlags 3"));

    const ToolResult qpdf = runTool("qpdf", {"--check", path});
    EXPECT_EQ(qpdf.exitCode, 0) << qpdf.out.constData() << qpdf.err.constData();
    EXPECT_TRUE(qpdf.out.contains("No syntax or stream encoding errors found")) << qpdf.out.constData();

    const ToolResult list = runTool("pdfdetach", {"-list", path});
    EXPECT_TRUE(list.out.contains("Project_20261211_1627_.zPRJ")) << list.out.constData();
    EXPECT_TRUE(list.out.contains("Project_20261211_1627_.json"));
    const QString saved = files.dir.filePath("detached.zPRJ");
    // By its number in the list ("2: Project_....zPRJ").
    const qsizetype listed = list.out.indexOf(": Project_20261211_1627_.zPRJ");
    ASSERT_GT(listed, 0);
    const QByteArray number = list.out.mid(list.out.lastIndexOf('\n', listed) + 1, listed - list.out.lastIndexOf('\n', listed) - 1);
    runTool("pdfdetach", {"-save", QString::fromLatin1(number.trimmed()), "-o", saved, path});
    EXPECT_EQ(readFile(saved), projectBytes());

    const PdfSignatureCheck check = checkPdfSignature(pdf, certificates().path("ca.pem"));
    EXPECT_TRUE(check.isSigned && check.intact && check.wholeFile && check.trusted) << check.problem.toStdString();
    EXPECT_EQ(check.signer, QStringLiteral("Test Signer"));
    EXPECT_EQ(check.signedAt, kSigningTime);
    EXPECT_FALSE(check.timestamped);
    // The system's certificates do not know the test CA.
    const PdfSignatureCheck system = checkPdfSignature(pdf);
    EXPECT_TRUE(system.intact);
    EXPECT_FALSE(system.trusted);
    EXPECT_FALSE(system.trustProblem.isEmpty());

    const std::vector<PdfAttachment> attached = readAttachments(pdf);
    ASSERT_EQ(attached.size(), 2u);
    EXPECT_EQ(attached[0].bytes, projectBytes());
    EXPECT_EQ(attached[0].relationship, "Source");
    EXPECT_EQ(attached[1].relationship, "Data");
}

// A changed digit, an appended incremental update, and the signature of one
// protocol copied into another: pdfsig and the program's own check find each.
TEST(PdfSignature, TamperingIsFoundByPdfsigAndTheProgramsCheck)
{
    ASSERT_TRUE(certificates().ok());
    const QByteArray good = signedDocument("340 mm");
    QByteArray digit = good;
    digit.replace("Safety Distance: 340 mm", "Safety Distance: 240 mm");

    QByteArray appended = good;
    const qsizetype startxref = good.lastIndexOf("startxref\r\n") + 11;
    const QByteArray previous = good.mid(startxref, good.indexOf("\r\n", startxref) - startxref);
    const qsizetype objectAt = appended.size();
    appended.append("99 0 obj\r\n<< /Type /Annot /Subtype /Text /Rect [0 0 10 10] /Contents (250 mm) >>\r\nendobj\r\n");
    const qsizetype xrefAt = appended.size();
    appended.append("xref\r\n99 1\r\n" + zpdf::formatOffset(objectAt) + " 00000 n\r\ntrailer\r\n<< /Size 100 /Root 19 0 R /Prev "
                    + previous + " >>\r\nstartxref\r\n" + QByteArray::number(xrefAt) + "\r\n%%EOF\r\n");

    // The same protocol layout with another series: its signature bytes
    // put in place of the first one's.
    QByteArray copied = signedDocument("990 mm");
    {
        const qsizetype from = good.indexOf("/ByteRange [");
        const qsizetype to = good.indexOf(">", good.indexOf("/Contents <", from));
        const qsizetype at = copied.indexOf("/ByteRange [");
        ASSERT_EQ(copied.indexOf(">", copied.indexOf("/Contents <", at)) - at, to - from);
        copied.replace(at, to - from, good.mid(from, to - from));
    }

    struct Case
    {
        const char *what;
        QByteArray pdf;
        bool intact;
        bool whole;
        const char *pdfsigSays;
    };
    const Case cases[] = {
        {"a digit of the distance changed", digit, false, true, "Digest Mismatch."},
        {"an incremental update appended", appended, true, false, "Not total document signed"},
        {"the signature of another protocol", copied, false, true, "Digest Mismatch."},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        Files files;
        const ToolResult pdfsig = runTool("pdfsig", {files.put("tampered.pdf", c.pdf)});
        EXPECT_TRUE(pdfsig.out.contains(c.pdfsigSays)) << pdfsig.out.constData();
        const PdfSignatureCheck check = checkPdfSignature(c.pdf, certificates().path("ca.pem"));
        EXPECT_TRUE(check.isSigned);
        EXPECT_EQ(check.intact, c.intact);
        EXPECT_EQ(check.wholeFile, c.whole);
        EXPECT_FALSE(unchangedSinceSigning(check));
    }
}

TEST(PdfSignature, CertificatesOpenOrSayWhyNot)
{
    ASSERT_TRUE(certificates().ok());
    struct Case
    {
        const char *file;
        QString password;
        QDateTime now;
        const char *says; // nullptr: opens
    };
    const Case cases[] = {
        {"signer.p12", SigningCertificates::password(), kSigningTime, nullptr},
        {"legacy.p12", SigningCertificates::password(), kSigningTime, nullptr},
        {"signer.p12", QStringLiteral("wrong"), kSigningTime, "The password does not open"},
        {"legacy.p12", QStringLiteral("wrong"), kSigningTime, "The password does not open"},
        {"signer.p12", SigningCertificates::password(), QDateTime::currentDateTimeUtc().addDays(40), "expired on"},
        {"nokey.p12", SigningCertificates::password(), kSigningTime, "holds no private key"},
        {"ca.pem", SigningCertificates::password(), kSigningTime, "is not a PKCS#12"},
        {"missing.p12", SigningCertificates::password(), kSigningTime, "cannot be read"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.file);
        const QDateTime now = c.now == kSigningTime ? QDateTime::currentDateTime() : c.now;
        try {
            const SigningIdentity identity =
                SigningIdentity::open(certificates().path(c.file), c.password.toUtf8(), now);
            EXPECT_EQ(c.says, nullptr);
            EXPECT_EQ(identity.commonName(), QStringLiteral("Test Signer"));
        } catch (const SigningError &e) {
            ASSERT_NE(c.says, nullptr) << e.what();
            EXPECT_TRUE(e.message().contains(QLatin1String(c.says))) << e.what();
            // The password is never part of what is said.
            EXPECT_FALSE(e.message().contains(c.password)) << e.what();
        }
    }
}

TEST(PdfSignature, LegacyCertificateSignsAsWell)
{
    ASSERT_TRUE(certificates().ok());
    TzPdf pdf;
    pdf.AddPage(210, 297);
    signPdfDocument(pdf, SigningIdentity::open(certificates().path("legacy.p12"),
                                               SigningCertificates::password().toUtf8(), QDateTime::currentDateTime()),
                    {}, kSigningTime);
    const PdfSignatureCheck check = checkPdfSignature(pdf.data(), certificates().path("ca.pem"));
    EXPECT_TRUE(unchangedSinceSigning(check) && check.trusted) << check.trustProblem.toStdString();
}

TEST(PdfSignature, TimeStampOfALocalAuthorityVouchesForTheTime)
{
    ASSERT_TRUE(certificates().ok());
    QTemporaryDir work;
    const TimeStampServer authority(certificates().path("ts.cnf"), work.path());
    qunsetenv("http_proxy");
    qunsetenv("HTTP_PROXY");
    SignatureOutcome outcome;
    const QByteArray pdf = signedDocument("340 mm", {authority.url(), 10}, &outcome);
    EXPECT_TRUE(outcome.timestamped) << outcome.timeStampProblem.toStdString();
    EXPECT_EQ(authority.answered(), 1);

    const PdfSignatureCheck check = checkPdfSignature(pdf, certificates().path("ca.pem"));
    EXPECT_TRUE(unchangedSinceSigning(check) && check.trusted);
    EXPECT_TRUE(check.timestamped);
    // The authority's clock, not the one the signer claims.
    EXPECT_LT(std::abs(check.signedAt.secsTo(QDateTime::currentDateTimeUtc())), 120);

    Files files;
    const QString path = files.put("stamped.pdf", pdf);
    const ToolResult pdfsig = runTool("pdfsig", {"-nssdir", certificates().nssDatabase(), path});
    EXPECT_TRUE(pdfsig.out.contains("Signature is Valid.")) << pdfsig.out.constData();
    const auto [data, cms] = signedPartsOf(pdf);
    const ToolResult print =
        runTool("openssl", {"cms", "-cmsout", "-print", "-inform", "DER", "-in", files.put("s.der", cms)});
    EXPECT_TRUE(print.out.contains("id-smime-aa-timeStampToken")) << print.out.constData();
}

TEST(PdfSignature, AuthorityThatDoesNotAnswerLeavesTheProtocolSignedWithoutStamp)
{
    ASSERT_TRUE(certificates().ok());
    QTemporaryDir work;
    const TimeStampServer silent(certificates().path("ts.cnf"), work.path(), true);
    qunsetenv("http_proxy");
    qunsetenv("HTTP_PROXY");
    SignatureOutcome outcome;
    const QByteArray pdf = signedDocument("340 mm", {silent.url(), 1}, &outcome);
    EXPECT_FALSE(outcome.timestamped);
    EXPECT_TRUE(outcome.timeStampProblem.contains(QLatin1String("did not answer within 1 s")))
        << outcome.timeStampProblem.toStdString();
    const PdfSignatureCheck check = checkPdfSignature(pdf, certificates().path("ca.pem"));
    EXPECT_TRUE(unchangedSinceSigning(check) && check.trusted);
    EXPECT_FALSE(check.timestamped);
}

// Attached files without a signature: readers list them, and the document
// outside them keeps its fixed layout.
TEST(PdfAttachments, UnsignedDocumentCarriesItsFilesForPdfdetachAndQpdf)
{
    TzPdf pdf;
    pdf.AddPage(210, 297);
    attachFiles(pdf, {{"b.json", "{}", "application/json", "Data", {}},
                      {"a (1).zPRJ", projectBytes(), "application/octet-stream", "Source", {}}});
    pdf.FinishCreating();
    Files files;
    const QString path = files.put("attached.pdf", pdf.data());
    EXPECT_EQ(runTool("qpdf", {"--check", path}).exitCode, 0);
    const ToolResult list = runTool("pdfdetach", {"-list", path});
    EXPECT_TRUE(list.out.contains("a (1).zPRJ")) << list.out.constData();
    const std::vector<PdfAttachment> read = readAttachments(pdf.data());
    ASSERT_EQ(read.size(), 2u);
    EXPECT_EQ(read[1].name, QStringLiteral("a (1).zPRJ"));
    EXPECT_EQ(read[1].bytes, projectBytes());
    EXPECT_TRUE(pdf.data().contains("/AFRelationship /Source"));
    EXPECT_TRUE(pdf.data().contains("/AF ["));
}

} // namespace
