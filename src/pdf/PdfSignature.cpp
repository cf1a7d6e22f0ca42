#include "pdf/PdfSignature.h"

#include "pdf/PdfObjectReader.h"
#include "pdf/zPdf.h"

#include <QFile>
#include <QTimeZone>

#include <openssl/bio.h>
#include <openssl/cms.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/http.h>
#include <openssl/pkcs12.h>
#include <openssl/provider.h>
#include <openssl/rand.h>
#include <openssl/ts.h>
#include <openssl/x509.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

template <typename T, void (*Free)(T *)> struct Deleter
{
    void operator()(T *p) const { Free(p); }
};
template <typename T, void (*Free)(T *)> using Owned = std::unique_ptr<T, Deleter<T, Free>>;

void freeCertStack(STACK_OF(X509) *s)
{
    sk_X509_pop_free(s, X509_free);
}
void freeOpenSslString(char *s)
{
    OPENSSL_free(s);
}

using Bio = Owned<BIO, BIO_free_all>;
using Cms = Owned<CMS_ContentInfo, CMS_ContentInfo_free>;
using Cert = Owned<X509, X509_free>;
using Certs = Owned<STACK_OF(X509), freeCertStack>;
using Key = Owned<EVP_PKEY, EVP_PKEY_free>;
using Store = Owned<X509_STORE, X509_STORE_free>;
using StoreContext = Owned<X509_STORE_CTX, X509_STORE_CTX_free>;
using OsslString = Owned<char, freeOpenSslString>;

// What OpenSSL said last, for a message that must say something.
QString openSslReason()
{
    const unsigned long code = ERR_peek_last_error();
    ERR_clear_error();
    if (code == 0)
        return QStringLiteral("unknown reason");
    char text[256];
    ERR_error_string_n(code, text, sizeof text);
    return QString::fromLatin1(text);
}

[[noreturn]] void fail(const QString &text)
{
    ERR_clear_error();
    throw SigningError(text.toStdString());
}

QDateTime fromAsn1Time(const ASN1_TIME *time)
{
    struct tm tm = {};
    if (!time || !ASN1_TIME_to_tm(time, &tm))
        return {};
    return QDateTime(QDate(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday), QTime(tm.tm_hour, tm.tm_min, tm.tm_sec),
                     Qt::UTC);
}

QString commonNameOf(X509 *cert)
{
    X509_NAME *subject = cert ? X509_get_subject_name(cert) : nullptr;
    const int index = subject ? X509_NAME_get_index_by_NID(subject, NID_commonName, -1) : -1;
    if (index < 0)
        return QString();
    ASN1_STRING *value = X509_NAME_ENTRY_get_data(X509_NAME_get_entry(subject, index));
    unsigned char *utf8 = nullptr;
    const int length = ASN1_STRING_to_UTF8(&utf8, value);
    if (length < 0)
        return QString();
    const QString name = QString::fromUtf8(reinterpret_cast<const char *>(utf8), length);
    OPENSSL_free(utf8);
    return name;
}

// PKCS#12 files of the RC2 and 3DES era need the legacy provider; loading
// it turns off the automatic default, so both are loaded.
// The default provider and the legacy one, for certificates written with
// `openssl pkcs12 -legacy` (RC2, 3DES): loaded at the first signature and
// unloaded when the program ends.
struct Providers
{
    OSSL_PROVIDER *standard = OSSL_PROVIDER_load(nullptr, "default");
    OSSL_PROVIDER *legacy = OSSL_PROVIDER_load(nullptr, "legacy");
    Providers() = default;
    Providers(const Providers &) = delete;
    Providers &operator=(const Providers &) = delete;
    ~Providers()
    {
        if (legacy)
            OSSL_PROVIDER_unload(legacy);
        if (standard)
            OSSL_PROVIDER_unload(standard);
    }
};

void loadProviders()
{
    static const Providers providers;
    (void)providers;
}

QByteArray hexText(const QString &text)
{
    QByteArray hex("<FEFF");
    for (const QChar c : text)
        hex.append(QByteArray::number(c.unicode() | 0x10000, 16).mid(1).toUpper());
    return hex + '>';
}

QByteArray bytesOf(const QByteArray &pdf, const qint64 range[4])
{
    QByteArray data;
    data.reserve(range[1] + range[3]);
    data.append(pdf.constData() + range[0], range[1]);
    data.append(pdf.constData() + range[2], range[3]);
    return data;
}

QByteArray sha256(const QByteArray &bytes)
{
    unsigned char digest[32];
    SHA256(reinterpret_cast<const unsigned char *>(bytes.constData()), size_t(bytes.size()), digest);
    return QByteArray(reinterpret_cast<const char *>(digest), 32);
}

// PAdES forbids the signing-time attribute that OpenSSL 3.0 adds while
// finishing the CMS: it goes, and the remaining signed attributes are signed
// again, as the DER SET OF they are encoded in (sorted by their encoding).
void signWithoutSigningTime(CMS_SignerInfo *si, EVP_PKEY *key)
{
    const int at = CMS_signed_get_attr_by_NID(si, NID_pkcs9_signingTime, -1);
    if (at >= 0)
        X509_ATTRIBUTE_free(CMS_signed_delete_attr(si, at));

    std::vector<QByteArray> attributes;
    for (int i = 0; i < CMS_signed_get_attr_count(si); ++i) {
        unsigned char *der = nullptr;
        const int length = i2d_X509_ATTRIBUTE(CMS_signed_get_attr(si, i), &der);
        if (length <= 0)
            fail(QStringLiteral("The signature cannot be made: %1").arg(openSslReason()));
        attributes.emplace_back(reinterpret_cast<const char *>(der), length);
        OPENSSL_free(der);
    }
    std::sort(attributes.begin(), attributes.end(), [](const QByteArray &a, const QByteArray &b) {
        const int c = std::memcmp(a.constData(), b.constData(), size_t(std::min(a.size(), b.size())));
        return c != 0 ? c < 0 : a.size() < b.size();
    });
    QByteArray content;
    for (const QByteArray &a : attributes)
        content.append(a);
    QByteArray set(1, char(0x31));
    const qsizetype n = content.size();
    if (n < 0x80) {
        set.append(char(n));
    } else {
        QByteArray length;
        for (qsizetype v = n; v > 0; v >>= 8)
            length.prepend(char(v & 0xff));
        set.append(char(0x80 | length.size())).append(length);
    }
    set.append(content);

    Owned<EVP_MD_CTX, EVP_MD_CTX_free> md(EVP_MD_CTX_new());
    size_t signatureLength = 0;
    if (!md || EVP_DigestSignInit(md.get(), nullptr, EVP_sha256(), nullptr, key) != 1
        || EVP_DigestSign(md.get(), nullptr, &signatureLength, reinterpret_cast<const unsigned char *>(set.constData()),
                          size_t(set.size())) != 1)
        fail(QStringLiteral("The signature cannot be made: %1").arg(openSslReason()));
    std::vector<unsigned char> signature(signatureLength);
    if (EVP_DigestSign(md.get(), signature.data(), &signatureLength,
                       reinterpret_cast<const unsigned char *>(set.constData()), size_t(set.size()))
            != 1
        || !ASN1_STRING_set(CMS_SignerInfo_get0_signature(si), signature.data(), int(signatureLength)))
        fail(QStringLiteral("The signature cannot be made: %1").arg(openSslReason()));
}

// The authority's stamp over the signature value, DER of its
// TimeStampToken; empty with *problem set when there is none.
QByteArray requestTimeStamp(const TimeStampAuthority &authority, const QByteArray &signature, QString *problem)
{
    const QByteArray url = authority.url.toUtf8();
    int ssl = 0;
    char *user = nullptr, *host = nullptr, *port = nullptr, *path = nullptr, *query = nullptr, *fragment = nullptr;
    int portNumber = 0;
    if (!OSSL_HTTP_parse_url(url.constData(), &ssl, &user, &host, &port, &portNumber, &path, &query, &fragment)) {
        *problem = QStringLiteral("%1 is no URL").arg(authority.url);
        ERR_clear_error();
        return {};
    }
    const OsslString hostOwner(host), portOwner(port), pathOwner(path), userOwner(user), queryOwner(query),
        fragmentOwner(fragment);
    if (ssl) {
        *problem = QStringLiteral("only http:// time-stamp authorities are reached");
        return {};
    }
    QByteArray fullPath(path);
    if (query && *query)
        fullPath.append('?').append(query);

    // The request: SHA-256 of the signature, the authority's certificate
    // asked for, a nonce so an old answer cannot pass for this one.
    Owned<TS_REQ, TS_REQ_free> request(TS_REQ_new());
    Owned<TS_MSG_IMPRINT, TS_MSG_IMPRINT_free> imprint(TS_MSG_IMPRINT_new());
    Owned<X509_ALGOR, X509_ALGOR_free> algorithm(X509_ALGOR_new());
    const QByteArray digest = sha256(signature);
    unsigned char nonceBytes[8];
    RAND_bytes(nonceBytes, sizeof nonceBytes);
    nonceBytes[0] &= 0x7f;
    Owned<ASN1_INTEGER, ASN1_INTEGER_free> nonce(ASN1_INTEGER_new());
    Owned<BIGNUM, BN_free> nonceNumber(BN_bin2bn(nonceBytes, sizeof nonceBytes, nullptr));
    if (!request || !imprint || !algorithm || !nonce || !nonceNumber
        || !X509_ALGOR_set0(algorithm.get(), OBJ_nid2obj(NID_sha256), V_ASN1_NULL, nullptr)
        || !TS_MSG_IMPRINT_set_algo(imprint.get(), algorithm.get())
        || !TS_MSG_IMPRINT_set_msg(imprint.get(), reinterpret_cast<unsigned char *>(const_cast<char *>(digest.data())),
                                   int(digest.size()))
        || !TS_REQ_set_version(request.get(), 1) || !TS_REQ_set_msg_imprint(request.get(), imprint.get())
        || !BN_to_ASN1_INTEGER(nonceNumber.get(), nonce.get()) || !TS_REQ_set_nonce(request.get(), nonce.get())
        || !TS_REQ_set_cert_req(request.get(), 1)) {
        *problem = QStringLiteral("the request cannot be made: %1").arg(openSslReason());
        return {};
    }
    Bio requestBio(BIO_new(BIO_s_mem()));
    if (!requestBio || i2d_TS_REQ_bio(requestBio.get(), request.get()) != 1) {
        *problem = QStringLiteral("the request cannot be made: %1").arg(openSslReason());
        return {};
    }
    Bio answer(OSSL_HTTP_transfer(nullptr, host, port, fullPath.constData(), 0, nullptr, nullptr, nullptr, nullptr,
                                  nullptr, nullptr, 0, nullptr, "application/timestamp-query", requestBio.get(),
                                  "application/timestamp-reply", 1, 0, authority.timeoutSeconds, 0));
    if (!answer) {
        *problem = QStringLiteral("%1 did not answer within %2 s").arg(authority.url).arg(authority.timeoutSeconds);
        ERR_clear_error();
        return {};
    }
    Owned<TS_RESP, TS_RESP_free> response(d2i_TS_RESP_bio(answer.get(), nullptr));
    if (!response) {
        *problem = QStringLiteral("%1 answered no time stamp").arg(authority.url);
        ERR_clear_error();
        return {};
    }
    const long status = ASN1_INTEGER_get(TS_STATUS_INFO_get0_status(TS_RESP_get_status_info(response.get())));
    PKCS7 *token = TS_RESP_get_token(response.get());
    TS_TST_INFO *info = TS_RESP_get_tst_info(response.get());
    if (status > 1 || !token || !info) {
        *problem = QStringLiteral("%1 refused the time stamp (status %2)").arg(authority.url).arg(status);
        return {};
    }
    // The answer must be to this request.
    const ASN1_OCTET_STRING *stamped = TS_MSG_IMPRINT_get_msg(TS_TST_INFO_get_msg_imprint(info));
    const ASN1_INTEGER *answeredNonce = TS_TST_INFO_get_nonce(info);
    if (!stamped || QByteArray(reinterpret_cast<const char *>(ASN1_STRING_get0_data(stamped)),
                               ASN1_STRING_length(stamped))
                        != digest
        || !answeredNonce || ASN1_INTEGER_cmp(answeredNonce, nonce.get()) != 0) {
        *problem = QStringLiteral("%1 stamped something else").arg(authority.url);
        return {};
    }
    unsigned char *der = nullptr;
    const int length = i2d_PKCS7(token, &der);
    if (length <= 0) {
        *problem = openSslReason();
        return {};
    }
    QByteArray out(reinterpret_cast<const char *>(der), length);
    OPENSSL_free(der);
    return out;
}

void drawText(QByteArray &content, int font, int size, qint64 x, qint64 y, QByteArray text)
{
    TzPdf::KontrolujText(text);
    content.append("BT\r\n/F").append(QByteArray::number(font)).append(' ').append(QByteArray::number(size));
    content.append(" Tf\r\n").append(QByteArray::number(x)).append(' ').append(QByteArray::number(y));
    content.append(" Td\r\n(").append(text).append(") Tj\r\nET\r\n");
}

constexpr int kByteRangeWidth = 44; // "0 " and three numbers of up to ten digits

} // namespace

struct SigningIdentity::Keys
{
    Key key;
    Cert certificate;
    Certs chain;
};

SigningIdentity SigningIdentity::open(const QString &fileName, const QByteArray &password, const QDateTime &now)
{
    loadProviders();
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        fail(QStringLiteral("The signing certificate %1 cannot be read: %2").arg(fileName, file.errorString()));
    const QByteArray bytes = file.readAll();
    const unsigned char *p = reinterpret_cast<const unsigned char *>(bytes.constData());
    Owned<PKCS12, PKCS12_free> p12(d2i_PKCS12(nullptr, &p, long(bytes.size())));
    if (!p12)
        fail(QStringLiteral("%1 is not a PKCS#12 signing certificate (.p12, .pfx).").arg(fileName));
    if (PKCS12_mac_present(p12.get()) && !PKCS12_verify_mac(p12.get(), password.constData(), int(password.size())))
        fail(QStringLiteral("The password does not open the signing certificate %1.").arg(fileName));

    EVP_PKEY *key = nullptr;
    X509 *cert = nullptr;
    STACK_OF(X509) *chain = nullptr;
    if (!PKCS12_parse(p12.get(), password.constData(), &key, &cert, &chain))
        fail(QStringLiteral("The signing certificate %1 cannot be opened: %2").arg(fileName, openSslReason()));
    SigningIdentity identity;
    identity.m_keys = std::make_shared<Keys>();
    identity.m_keys->key.reset(key);
    identity.m_keys->certificate.reset(cert);
    identity.m_keys->chain.reset(chain ? chain : sk_X509_new_null());
    if (!key)
        fail(QStringLiteral("The signing certificate %1 holds no private key.").arg(fileName));
    if (!cert)
        fail(QStringLiteral("The signing certificate %1 holds no certificate for its key.").arg(fileName));
    if (X509_check_private_key(cert, key) != 1)
        fail(QStringLiteral("The private key of %1 does not belong to its certificate.").arg(fileName));
    const QDateTime notBefore = fromAsn1Time(X509_get0_notBefore(cert));
    const QDateTime notAfter = fromAsn1Time(X509_get0_notAfter(cert));
    if (notAfter.isValid() && now > notAfter)
        fail(QStringLiteral("The certificate of %1 (%2) expired on %3.")
                 .arg(fileName, identity.commonName(), notAfter.toString(Qt::ISODate)));
    if (notBefore.isValid() && now < notBefore)
        fail(QStringLiteral("The certificate of %1 (%2) is valid only from %3.")
                 .arg(fileName, identity.commonName(), notBefore.toString(Qt::ISODate)));
    ERR_clear_error();
    return identity;
}

QString SigningIdentity::commonName() const
{
    return commonNameOf(m_keys->certificate.get());
}

QDateTime SigningIdentity::notAfter() const
{
    return fromAsn1Time(X509_get0_notAfter(m_keys->certificate.get()));
}

qsizetype SigningIdentity::certificatesSize() const
{
    qsizetype size = i2d_X509(m_keys->certificate.get(), nullptr);
    for (int i = 0; i < sk_X509_num(m_keys->chain.get()); ++i)
        size += i2d_X509(sk_X509_value(m_keys->chain.get(), i), nullptr);
    return size;
}

QString signatureTimeText(const QDateTime &when)
{
    const int offset = when.offsetFromUtc() / 60;
    const int minutes = std::abs(offset);
    return when.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) + QStringLiteral(" UTC")
           + (offset < 0 ? QLatin1Char('-') : QLatin1Char('+'))
           + QStringLiteral("%1:%2").arg(minutes / 60, 2, 10, QLatin1Char('0')).arg(minutes % 60, 2, 10, QLatin1Char('0'));
}

QByteArray pdfDate(const QDateTime &when)
{
    QByteArray date = "D:" + when.toString(QStringLiteral("yyyyMMddHHmmss")).toLatin1();
    const int offset = when.offsetFromUtc() / 60;
    if (offset == 0)
        return date + "Z";
    const int minutes = std::abs(offset);
    date.append(offset < 0 ? '-' : '+');
    date.append(QByteArray::number(minutes / 60 + 100).mid(1)).append('\'');
    date.append(QByteArray::number(minutes % 60 + 100).mid(1)).append('\'');
    return date;
}

SignatureOutcome signPdfDocument(TzPdf &pdf, const SigningIdentity &signer, const SignatureBox &box,
                                 const QDateTime &signingTime, const TimeStampAuthority &authority)
{
    const SigningIdentity::Keys &keys = signer.keys();
    // Room for the CMS: the certificates, the signature and attributes, and
    // a time stamp with its authority's certificates.
    const qsizetype room = 8192 + signer.certificatesSize() + (authority.url.isEmpty() ? 0 : 16384);

    // The box, drawn by the widget's appearance.
    const qint64 x = zpdf::mmToPoints(box.x), y = zpdf::mmToPoints(box.y);
    const qint64 w = zpdf::mmToPoints(box.width), h = zpdf::mmToPoints(box.height);
    QByteArray appearance("q\r\n0.94 0.96 1.000 rg\r\n0.20 0.30 0.60 RG\r\n1 w\r\n1 1 ");
    appearance.append(QByteArray::number(w - 2)).append(' ').append(QByteArray::number(h - 2)).append(" re\r\nB\r\nQ\r\n");
    appearance.append("0 0 0 rg\r\n");
    const qint64 lineHeight = (h - 8) / 4;
    for (int line = 0; line < 4; ++line)
        drawText(appearance, line == 0 ? 2 : 1, line == 0 ? 8 : 7, 5, h - 4 - lineHeight * (line + 1) + 3,
                 box.lines[line]);
    QByteArray form("<< /Type /XObject /Subtype /Form /BBox [0 0 ");
    form.append(QByteArray::number(w)).append(' ').append(QByteArray::number(h));
    form.append("]\r\n/Resources << /Font << /F1 3 0 R /F2 4 0 R >> >>\r\n/Length ");
    form.append(QByteArray::number(appearance.size())).append(" >>\r\nstream\r\n").append(appearance);
    form.append("endstream\r\n");
    const int formObject = pdf.AddObject(form);

    QByteArray signature("<< /Type /Sig /Filter /Adobe.PPKLite /SubFilter /ETSI.CAdES.detached\r\n/ByteRange [");
    signature.append(QByteArray(kByteRangeWidth, ' ')).append("]\r\n/Contents <");
    signature.append(QByteArray(2 * room, '0')).append(">\r\n/M (").append(pdfDate(signingTime)).append(")");
    signature.append(" /Name ").append(hexText(signer.commonName())).append(" >>\r\n");
    const int signatureObject = pdf.AddObject(signature);

    QByteArray widget("<< /Type /Annot /Subtype /Widget /FT /Sig /T (Signature1) /V ");
    widget.append(QByteArray::number(signatureObject)).append(" 0 R /F 132 /P 21 0 R\r\n/Rect [");
    widget.append(QByteArray::number(x)).append(' ').append(QByteArray::number(y)).append(' ');
    widget.append(QByteArray::number(x + w)).append(' ').append(QByteArray::number(y + h));
    widget.append("] /AP << /N ").append(QByteArray::number(formObject)).append(" 0 R >> >>\r\n");
    const int widgetObject = pdf.AddObject(widget);

    pdf.AddPageEntries(0, "\r\n/Annots [" + QByteArray::number(widgetObject) + " 0 R]");
    pdf.AddCatalogEntries(" /AcroForm << /Fields [" + QByteArray::number(widgetObject) + " 0 R] /SigFlags 3 >>");
    pdf.FinishCreating();

    // The byte ranges: everything but the value between "<" and ">".
    const QByteArray &document = pdf.data();
    const qint64 objectAt = pdf.objectOffset(signatureObject);
    const qint64 rangeAt = document.indexOf("/ByteRange [", objectAt) + 12;
    const qint64 valueAt = document.indexOf("/Contents <", objectAt) + 10;
    const qint64 valueEnd = valueAt + 2 * room + 2;
    const qint64 range[4] = {0, valueAt, valueEnd, document.size() - valueEnd};
    QByteArray rangeText = "0 " + QByteArray::number(range[1]) + ' ' + QByteArray::number(range[2]) + ' '
                           + QByteArray::number(range[3]);
    rangeText.append(QByteArray(kByteRangeWidth - rangeText.size(), ' '));
    pdf.overwrite(rangeAt, rangeText);

    const QByteArray signedBytes = bytesOf(pdf.data(), range);
    Bio data(BIO_new_mem_buf(signedBytes.constData(), int(signedBytes.size())));
    const unsigned flags = CMS_DETACHED | CMS_BINARY | CMS_PARTIAL;
    Cms cms(CMS_sign(nullptr, nullptr, nullptr, nullptr, flags));
    CMS_SignerInfo *si = cms ? CMS_add1_signer(cms.get(), keys.certificate.get(), keys.key.get(), EVP_sha256(),
                                               flags | CMS_NOSMIMECAP | CMS_CADES)
                             : nullptr;
    if (!si)
        fail(QStringLiteral("The signature cannot be made: %1").arg(openSslReason()));
    for (int i = 0; i < sk_X509_num(keys.chain.get()); ++i)
        CMS_add1_cert(cms.get(), sk_X509_value(keys.chain.get(), i));
    if (CMS_final(cms.get(), data.get(), nullptr, CMS_DETACHED | CMS_BINARY) != 1)
        fail(QStringLiteral("The signature cannot be made: %1").arg(openSslReason()));
    signWithoutSigningTime(si, keys.key.get());

    SignatureOutcome outcome;
    if (!authority.url.isEmpty()) {
        const ASN1_OCTET_STRING *value = CMS_SignerInfo_get0_signature(si);
        const QByteArray signatureValue(reinterpret_cast<const char *>(ASN1_STRING_get0_data(value)),
                                        ASN1_STRING_length(value));
        const QByteArray token = requestTimeStamp(authority, signatureValue, &outcome.timeStampProblem);
        if (!token.isEmpty()) {
            if (CMS_unsigned_add1_attr_by_NID(si, NID_id_smime_aa_timeStampToken, V_ASN1_SEQUENCE,
                                              token.constData(), int(token.size()))
                != 1)
                fail(QStringLiteral("The time stamp cannot be added: %1").arg(openSslReason()));
            outcome.timestamped = true;
        }
    }

    unsigned char *der = nullptr;
    const int length = i2d_CMS_ContentInfo(cms.get(), &der);
    if (length <= 0)
        fail(QStringLiteral("The signature cannot be made: %1").arg(openSslReason()));
    const QByteArray value(reinterpret_cast<const char *>(der), length);
    OPENSSL_free(der);
    if (value.size() > room)
        fail(QStringLiteral("The signature (%1 bytes) does not fit the room kept for it (%2 bytes).")
                 .arg(value.size())
                 .arg(room));
    pdf.overwrite(valueAt + 1, value.toHex().toUpper());
    ERR_clear_error();
    return outcome;
}

namespace {

QDateTime fromPdfDate(const QByteArray &date)
{
    // D:YYYYMMDDHHmmSS followed by Z or +hh'mm' / -hh'mm'
    if (!date.startsWith("D:") || date.size() < 16)
        return {};
    QDateTime local = QDateTime::fromString(QString::fromLatin1(date.mid(2, 14)), QStringLiteral("yyyyMMddHHmmss"));
    if (!local.isValid())
        return {};
    int offset = 0;
    if (date.size() >= 19 && (date[16] == '+' || date[16] == '-')) {
        const int hours = date.mid(17, 2).toInt();
        const int minutes = date.size() >= 22 ? date.mid(20, 2).toInt() : 0;
        offset = (date[16] == '-' ? -1 : 1) * (hours * 3600 + minutes * 60);
    }
    local.setOffsetFromUtc(offset);
    return local;
}

// The time stamp's time when its imprint is of this signature value and the
// authority's signature over it holds.
QDateTime timeStampOf(CMS_SignerInfo *si)
{
    const int at = CMS_unsigned_get_attr_by_NID(si, NID_id_smime_aa_timeStampToken, -1);
    if (at < 0)
        return {};
    ASN1_TYPE *type = X509_ATTRIBUTE_get0_type(CMS_unsigned_get_attr(si, at), 0);
    if (!type || type->type != V_ASN1_SEQUENCE)
        return {};
    const unsigned char *p = type->value.sequence->data;
    Owned<PKCS7, PKCS7_free> token(d2i_PKCS7(nullptr, &p, type->value.sequence->length));
    if (!token)
        return {};
    Owned<TS_TST_INFO, TS_TST_INFO_free> info(PKCS7_to_TS_TST_INFO(token.get()));
    if (!info)
        return {};
    const ASN1_OCTET_STRING *value = CMS_SignerInfo_get0_signature(si);
    const ASN1_OCTET_STRING *stamped = TS_MSG_IMPRINT_get_msg(TS_TST_INFO_get_msg_imprint(info.get()));
    if (!stamped
        || QByteArray(reinterpret_cast<const char *>(ASN1_STRING_get0_data(stamped)), ASN1_STRING_length(stamped))
               != sha256(QByteArray(reinterpret_cast<const char *>(ASN1_STRING_get0_data(value)),
                                    ASN1_STRING_length(value))))
        return {};
    Bio none(BIO_new(BIO_s_mem()));
    if (PKCS7_verify(token.get(), nullptr, nullptr, nullptr, none.get(), PKCS7_NOVERIFY) != 1) {
        ERR_clear_error();
        return {};
    }
    return fromAsn1Time(TS_TST_INFO_get_time(info.get()));
}

} // namespace

PdfSignatureCheck checkPdfSignature(const QByteArray &pdf, const QString &caFile)
{
    PdfSignatureCheck check;
    const qsizetype rangeKey = pdf.indexOf("/ByteRange [");
    if (rangeKey < 0 || !pdf.contains("/Type /Sig"))
        return check;
    check.isSigned = true;
    qint64 range[4] = {};
    {
        const qsizetype close = pdf.indexOf(']', rangeKey);
        const QList<QByteArray> numbers = pdf.mid(rangeKey + 12, close - rangeKey - 12).simplified().split(' ');
        bool ok = numbers.size() == 4;
        for (int i = 0; ok && i < 4; ++i)
            range[i] = numbers[i].toLongLong(&ok);
        if (!ok || range[0] != 0 || range[1] < 0 || range[2] < range[1] || range[3] < 0
            || range[2] + range[3] > pdf.size()) {
            check.problem = QStringLiteral("its byte ranges are damaged");
            return check;
        }
    }
    check.wholeFile = range[2] + range[3] == pdf.size();
    check.signedRevision = pdf.left(range[2] + range[3]);

    // The value between the ranges: "<" hex ">".
    const QByteArray value = pdf.mid(range[1], range[2] - range[1]);
    if (value.size() < 2 || value.front() != '<' || value.back() != '>') {
        check.problem = QStringLiteral("its value is not where its byte ranges leave room");
        return check;
    }
    const QByteArray der = QByteArray::fromHex(value.mid(1, value.size() - 2));
    const unsigned char *p = reinterpret_cast<const unsigned char *>(der.constData());
    Cms cms(d2i_CMS_ContentInfo(nullptr, &p, long(der.size())));
    if (!cms) {
        check.problem = QStringLiteral("its value is no CMS signature");
        ERR_clear_error();
        return check;
    }
    const qsizetype dictionaryAt = pdf.lastIndexOf("/Type /Sig", rangeKey);
    const qsizetype dictionaryEnd = pdf.indexOf("endobj", range[2]);
    const QByteArray tail = pdf.mid(range[2], dictionaryEnd < 0 ? 200 : dictionaryEnd - range[2]);
    check.signedAt = fromPdfDate(PdfObjectReader::string(tail, "/M").value_or(QByteArray()));
    (void)dictionaryAt;

    const QByteArray signedBytes = bytesOf(pdf, range);
    Bio data(BIO_new_mem_buf(signedBytes.constData(), int(signedBytes.size())));
    check.intact = CMS_verify(cms.get(), nullptr, nullptr, data.get(), nullptr,
                              CMS_BINARY | CMS_DETACHED | CMS_NO_SIGNER_CERT_VERIFY)
                   == 1;
    if (!check.intact)
        check.problem = QStringLiteral("its signature does not match the signed bytes");
    ERR_clear_error();

    STACK_OF(CMS_SignerInfo) *signers = CMS_get0_SignerInfos(cms.get());
    CMS_SignerInfo *si = sk_CMS_SignerInfo_num(signers) == 1 ? sk_CMS_SignerInfo_value(signers, 0) : nullptr;
    Certs certificates(CMS_get1_certs(cms.get()));
    X509 *signerCert = nullptr;
    for (int i = 0; si && i < sk_X509_num(certificates.get()); ++i)
        if (CMS_SignerInfo_cert_cmp(si, sk_X509_value(certificates.get(), i)) == 0)
            signerCert = sk_X509_value(certificates.get(), i);
    if (!signerCert) {
        check.intact = false;
        check.problem = QStringLiteral("it holds no signer's certificate");
        check.trustProblem = check.problem;
        return check;
    }
    check.signer = commonNameOf(signerCert);
    const QDateTime stamped = timeStampOf(si);
    if (stamped.isValid()) {
        check.timestamped = true;
        check.signedAt = stamped;
    }

    Store store(X509_STORE_new());
    bool loaded = false;
    if (!caFile.isEmpty())
        loaded = X509_STORE_load_file(store.get(), QFile::encodeName(caFile).constData()) == 1;
    else
        loaded = X509_STORE_set_default_paths(store.get()) == 1;
    if (!loaded) {
        check.trustProblem = QStringLiteral("%1 holds no certificates").arg(caFile);
        ERR_clear_error();
        return check;
    }
    StoreContext context(X509_STORE_CTX_new());
    X509_STORE_CTX_init(context.get(), store.get(), signerCert, certificates.get());
    // The chain as it stood when signing: a certificate that expired since
    // does not unsign a protocol.
    if (check.signedAt.isValid())
        X509_VERIFY_PARAM_set_time(X509_STORE_CTX_get0_param(context.get()), time_t(check.signedAt.toSecsSinceEpoch()));
    check.trusted = X509_verify_cert(context.get()) == 1;
    if (!check.trusted)
        check.trustProblem = QString::fromLatin1(X509_verify_cert_error_string(X509_STORE_CTX_get_error(context.get())));
    ERR_clear_error();
    return check;
}
