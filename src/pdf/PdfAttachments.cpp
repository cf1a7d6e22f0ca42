#include "pdf/PdfAttachments.h"

#include "pdf/PdfObjectReader.h"
#include "pdf/zPdf.h"

#include <QCryptographicHash>

#include <algorithm>

namespace {

QByteArray literalString(QByteArray text)
{
    TzPdf::KontrolujText(text);
    return '(' + text + ')';
}

// A text string in UTF-16BE with its byte-order mark, as /UF and /Desc take
// any language.
QByteArray textString(const QString &text)
{
    QByteArray hex("<FEFF");
    for (const QChar c : text)
        hex.append(QByteArray::number(c.unicode() | 0x10000, 16).mid(1).toUpper());
    return hex + '>';
}

// "application/octet-stream" as a PDF name: "/" is written #2F.
QByteArray mimeName(const QByteArray &mime)
{
    QByteArray out("/");
    for (const char c : mime) {
        if (c == '/' || c == '#' || c <= ' ' || c > '~')
            out.append('#').append(QByteArray::number(uchar(c) | 0x100, 16).mid(1).toUpper());
        else
            out.append(c);
    }
    return out;
}

QByteArray reference(int number)
{
    return QByteArray::number(number) + " 0 R";
}

} // namespace

QString attachmentName(const QString &name)
{
    QString out = name;
    for (QChar &c : out)
        if (c.unicode() < 0x20 || c.unicode() > 0x7e)
            c = QLatin1Char('_');
    return out;
}

bool looksLikePdf(const QByteArray &head)
{
    return head.startsWith("%PDF-");
}

void attachFiles(TzPdf &pdf, const std::vector<PdfAttachment> &files)
{
    if (files.empty())
        return;
    std::vector<std::pair<QByteArray, int>> names; // the name tree wants its keys in order
    QByteArray associated;
    for (const PdfAttachment &file : files) {
        QByteArray stream("<< /Type /EmbeddedFile /Subtype ");
        stream.append(mimeName(file.mimeType.isEmpty() ? QByteArray("application/octet-stream") : file.mimeType));
        stream.append(" /Params << /Size ").append(QByteArray::number(file.bytes.size()));
        stream.append(" /CheckSum <")
            .append(QCryptographicHash::hash(file.bytes, QCryptographicHash::Md5).toHex().toUpper())
            .append("> >>\r\n/Length ")
            .append(QByteArray::number(file.bytes.size()))
            .append(" >>\r\nstream\r\n");
        stream.append(file.bytes).append("\r\nendstream\r\n");
        const int streamObject = pdf.AddObject(stream);

        const QByteArray key = literalString(attachmentName(file.name).toLatin1());
        QByteArray spec("<< /Type /Filespec /F ");
        spec.append(key).append(" /UF ").append(textString(file.name));
        if (!file.description.isEmpty())
            spec.append(" /Desc ").append(textString(file.description));
        spec.append("\r\n/EF << /F ").append(reference(streamObject)).append(" /UF ").append(reference(streamObject));
        spec.append(" >> /AFRelationship /").append(file.relationship.isEmpty() ? QByteArray("Unspecified")
                                                                                 : file.relationship);
        spec.append(" >>\r\n");
        const int specObject = pdf.AddObject(spec);
        names.emplace_back(attachmentName(file.name).toLatin1(), specObject);
        associated.append(associated.isEmpty() ? "" : " ").append(reference(specObject));
    }
    std::sort(names.begin(), names.end());
    QByteArray tree(" /Names << /EmbeddedFiles << /Names [");
    for (size_t i = 0; i < names.size(); ++i)
        tree.append(i ? " " : "").append(literalString(names[i].first)).append(' ').append(reference(names[i].second));
    tree.append("] >> >> /AF [").append(associated).append("]");
    pdf.AddCatalogEntries(tree);
}

std::vector<PdfAttachment> readAttachments(const QByteArray &pdf)
{
    std::vector<PdfAttachment> files;
    if (!looksLikePdf(pdf))
        return files;
    const PdfObjectReader reader(pdf);
    for (const auto &[number, start] : reader.objects()) {
        (void)start;
        const QByteArray spec = reader.object(number);
        if (!spec.contains("/Type /Filespec"))
            continue;
        const qsizetype ef = spec.indexOf("/EF <<");
        if (ef < 0)
            continue;
        const std::optional<int> streamObject = PdfObjectReader::reference(spec.mid(ef + 6), "/F");
        if (!streamObject)
            continue;
        const std::optional<QByteArray> bytes = reader.stream(*streamObject);
        if (!bytes)
            continue;
        PdfAttachment file;
        const std::optional<QByteArray> uf = PdfObjectReader::string(spec.left(ef), "/UF");
        if (uf && uf->startsWith("\xFE\xFF")) {
            QString name;
            for (qsizetype i = 2; i + 1 < uf->size(); i += 2)
                name.append(QChar(char16_t((uchar((*uf)[i]) << 8) | uchar((*uf)[i + 1]))));
            file.name = name;
        } else if (const std::optional<QByteArray> f = PdfObjectReader::string(spec.left(ef), "/F")) {
            file.name = QString::fromLatin1(*f);
        }
        file.bytes = *bytes;
        file.relationship = PdfObjectReader::name(spec, "/AFRelationship").value_or(QByteArray());
        files.push_back(std::move(file));
    }
    return files;
}
