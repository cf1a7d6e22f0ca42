#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <memory>
#include <optional>

class TzPdf;

// The digital signature of a protocol: PAdES baseline B-B (a detached CMS
// SignedData over the whole file but its own value, with SHA-256, the
// signer's certificate and chain, ESS signing-certificate-v2 and no
// signing-time attribute: the time is the dictionary's /M), and B-T where a
// time-stamp authority adds its RFC 3161 stamp over the signature.

// What opening a signing certificate went wrong with; its text is for the
// user and names the file.
class SigningError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
    QString message() const { return QString::fromUtf8(what()); }
};

// The private key and certificate of a PKCS#12 file (.p12, .pfx) with the
// chain it holds.  Files of the older ciphers (RC2, 3DES: openssl pkcs12
// -legacy) open through OpenSSL's legacy provider.
class SigningIdentity
{
public:
    // Throws SigningError for a file that cannot be read or is no PKCS#12,
    // a wrong password, a file without a private key or certificate, and a
    // certificate not valid at now (expired or not yet valid).
    static SigningIdentity open(const QString &fileName, const QByteArray &password, const QDateTime &now);

    QString commonName() const;
    QDateTime notAfter() const;
    // The DER sizes of the certificates, for the room a signature takes.
    qsizetype certificatesSize() const;

    struct Keys;
    const Keys &keys() const { return *m_keys; }

private:
    std::shared_ptr<Keys> m_keys;
};

// The visible signature box on page 1: its lines as printed (Windows-1250,
// as all text the writer takes), at x, y (mm, lower-left corner) in a box of
// width x height mm.
struct SignatureBox
{
    QByteArray lines[4];
    // Bottom right of the page, below the lowest line the protocol's first
    // page prints (the table ends at 23 mm) and clear of the logo on top.
    int x = 118;
    int y = 4;
    int width = 82;
    int height = 16;
};

// An RFC 3161 time-stamp authority reached over HTTP POST.
struct TimeStampAuthority
{
    QString url; // empty: no time stamp
    int timeoutSeconds = 10;
};

struct SignatureOutcome
{
    bool timestamped = false;
    // Why there is no time stamp though an authority was named.
    QString timeStampProblem;
};

// "2026-12-11 16:27:03 UTC+01:00", the time as the signature box and the
// checks print it.
QString signatureTimeText(const QDateTime &when);

// "D:YYYYMMDDHHmmSS+hh'mm'", the time as a PDF date with its UTC offset.
QByteArray pdfDate(const QDateTime &when);

// Signs a laid-out document: adds the signature field with its widget and
// box on page 1, the /AcroForm (SigFlags 3) and the signature dictionary,
// then finishes the document (FinishCreating) and writes the CMS into it.
// Call it after the last page and the attached files, instead of
// FinishCreating.  Throws SigningError where OpenSSL cannot sign.
SignatureOutcome signPdfDocument(TzPdf &pdf, const SigningIdentity &signer, const SignatureBox &box,
                                 const QDateTime &signingTime, const TimeStampAuthority &authority = {});

// What a PDF's signature says of it.
struct PdfSignatureCheck
{
    bool isSigned = false;
    // The signature's value over its byte ranges checks out.
    bool intact = false;
    // The byte ranges reach the end of the file: nothing was appended.
    bool wholeFile = false;
    QString signer; // the certificate's common name
    QDateTime signedAt; // /M, or the time stamp's time when there is one
    bool timestamped = false;
    bool trusted = false;
    QString trustProblem; // why not trusted
    QString problem;      // why not intact
    // The bytes the signature covers up to the end of its ranges, the
    // document as it was signed when intact.
    QByteArray signedRevision;
};

// caFile: PEM certificates to trust; empty: the system's certificates.
PdfSignatureCheck checkPdfSignature(const QByteArray &pdf, const QString &caFile = QString());

// A signed PDF that is intact and whole: what was signed is all there is.
inline bool unchangedSinceSigning(const PdfSignatureCheck &check)
{
    return check.isSigned && check.intact && check.wholeFile;
}
