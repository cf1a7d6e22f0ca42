// Any bytes drawn with TzPdf::TextXY, and the same bytes in the document
// information, leave a PDF whose structure holds: every cross-reference
// entry points at its object, the page's content stream has the length its
// length object declares, and the text operand is one literal string that
// ends right before its Tj.  (qpdf --check runs on the corpus in the tests.)
#include "FuzzTarget.h"
#include "PdfTextDocument.h"

#include <QList>

namespace {

qsizetype afterLine(const QByteArray &pdf, qsizetype at)
{
    const qsizetype end = pdf.indexOf("\r\n", at);
    return end < 0 ? -1 : end + 2;
}

// The offset of every object through the table startxref names.
void checkCrossReference(const QByteArray &pdf)
{
    const qsizetype startxref = pdf.lastIndexOf("\r\nstartxref\r\n");
    FUZZ_CHECK(startxref > 0);
    const qsizetype numberAt = startxref + 13;
    const qsizetype tableAt = pdf.mid(numberAt, afterLine(pdf, numberAt) - numberAt).trimmed().toLongLong();
    FUZZ_CHECK(pdf.mid(tableAt, 6) == "xref\r\n");
    qsizetype at = tableAt + 6;
    const QList<QByteArray> range = pdf.mid(at, afterLine(pdf, at) - at).trimmed().split(' ');
    FUZZ_CHECK(range.size() == 2 && range[0] == "0");
    const int objects = range[1].toInt();
    FUZZ_CHECK(objects >= 24);
    at = afterLine(pdf, at);
    for (int n = 0; n < objects; ++n, at += 20) {
        const QByteArray entry = pdf.mid(at, 20);
        FUZZ_CHECK(entry.size() == 20 && entry.endsWith("\r\n"));
        if (n == 0)
            continue;
        qsizetype object = entry.left(10).toLongLong();
        while (object < pdf.size() && (pdf[object] == '\r' || pdf[object] == '\n'))
            ++object;
        FUZZ_CHECK(pdf.mid(object).startsWith(QByteArray::number(n) + " 0 obj\r\n"));
    }
}

// A PDF literal string from its opening parenthesis: backslash escapes the
// next byte, unescaped parentheses nest.  Returns the offset behind it.
qsizetype endOfLiteralString(const QByteArray &s, qsizetype open)
{
    int depth = 0;
    for (qsizetype i = open; i < s.size(); ++i) {
        if (s[i] == '\\') {
            ++i;
        } else if (s[i] == '(') {
            ++depth;
        } else if (s[i] == ')' && --depth == 0) {
            return i + 1;
        }
    }
    return -1;
}

// The information dictionary: key, literal string, key, ... up to ">>".
void checkInformation(const QByteArray &pdf)
{
    const QByteArray head = "\r\n1 0 obj\r\n<< ";
    qsizetype at = pdf.indexOf(head);
    FUZZ_CHECK(at > 0);
    at += head.size();
    int entries = 0;
    while (pdf.mid(at, 2) != ">>") {
        FUZZ_CHECK(pdf[at] == '/');
        const qsizetype open = pdf.indexOf(" (", at);
        FUZZ_CHECK(open > at && !pdf.mid(at, open - at).contains(' '));
        const qsizetype end = endOfLiteralString(pdf, open + 1);
        FUZZ_CHECK(end > 0 && pdf[end] == ' ');
        at = end + 1;
        ++entries;
    }
    FUZZ_CHECK(entries >= 2);
    FUZZ_CHECK(pdf.mid(at, 12) == ">>\r\nendobj\r\n");
}

void checkPageContent(const QByteArray &pdf)
{
    const QByteArray streamHead = "\r\n22 0 obj\r\n<< /Length 23 0 R >>\r\nstream\r\n";
    const qsizetype head = pdf.indexOf(streamHead);
    FUZZ_CHECK(head > 0);
    const qsizetype contentAt = head + streamHead.size();
    const QByteArray lengthHead = "\r\n23 0 obj\r\n";
    const qsizetype lengthAt = pdf.indexOf(lengthHead, contentAt);
    FUZZ_CHECK(lengthAt > 0);
    const qsizetype numberAt = lengthAt + lengthHead.size();
    const qsizetype length = pdf.mid(numberAt, afterLine(pdf, numberAt) - numberAt).trimmed().toLongLong();
    FUZZ_CHECK(pdf.mid(contentAt + length, 11) == "endstream\r\n");

    const QByteArray content = pdf.mid(contentAt, length);
    const qsizetype td = content.indexOf(" Td\r\n");
    FUZZ_CHECK(td > 0 && content.size() > td + 5 && content[td + 5] == '(');
    const qsizetype end = endOfLiteralString(content, td + 5);
    FUZZ_CHECK(end > 0);
    FUZZ_CHECK(content.mid(end) == " Tj\r\nET\r\n");
}

} // namespace

ZIRK_FUZZ_TARGET(pdf_text)
{
    const QByteArray pdf = pdfTextDocument(data, size);
    FUZZ_CHECK(pdf.startsWith("%PDF-1.4\r\n"));
    FUZZ_CHECK(pdf.endsWith("%%EOF\r\n"));
    checkCrossReference(pdf);
    checkInformation(pdf);
    checkPageContent(pdf);
    return 0;
}
