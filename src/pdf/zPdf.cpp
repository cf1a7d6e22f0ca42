#include "pdf/zPdf.h"

#include "base/CodePage.h"
#include "base/ErrorHandling.h"
#include "base/SaveFile.h"
#include "base/Seams.h"
#include "base/WindowsBitmap.h"
#include "pdf/UnicodeFont.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QImage>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <numbers>
#include <stdexcept>

namespace {

constexpr int kFixedObjects = 20;
constexpr int kFirstPageObject = 21;

void appendInt(QByteArray &out, qint64 value)
{
    char buffer[24];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    out.append(buffer, result.ptr - buffer);
}

// Appends "a b c ... " + op + "\r\n" for whole-point operands.
void appendOperator(QByteArray &out, std::initializer_list<qint64> points, const char *op)
{
    for (const qint64 value : points) {
        appendInt(out, value);
        out.append(' ');
    }
    out.append(op);
    out.append("\r\n");
}

const char *const kBaseFonts[14] = {
    "Helvetica", "Helvetica-Bold", "Helvetica-Oblique", "Helvetica-BoldOblique",
    "Courier", "Courier-Bold", "Courier-Oblique", "Courier-BoldOblique",
    "Times-Roman", "Times-Bold", "Times-Italic", "Times-BoldItalic",
    "Symbol", "ZapfDingbats",
};

// Base WinAnsiEncoding with the codes where Windows-1250 differs from it, so
// Central European text shows with the standard fonts.
const char kEncodingObject[] =
    "17 0 obj\r\n<< /Type /Encoding /BaseEncoding /WinAnsiEncoding\r\n/Differences [131 /.notdef "
    "136 /.notdef 140 /Sacute /Tcaron 143 /Zacute 152 /.notdef 156 /sacute /tcaron 159 /zacute "
    "161 /caron /breve /Lslash 165 /Aogonek 170 /Scedilla 175 /Zdotaccent 178 /ogonek /lslash "
    "185 /aogonek /scedilla 188 /Lcaron /hungarumlaut /lcaron /zdotaccent /Racute 195 /Abreve "
    "197 /Lacute /Cacute 200 /Ccaron 202 /Eogonek 204 /Ecaron 207 /Dcaron /Dcroat /Nacute "
    "/Ncaron 213 /Ohungarumlaut 216 /Rcaron /Uring 219 /Uhungarumlaut 222 /Tcommaaccent "
    "224 /racute 227 /abreve 229 /lacute /cacute 232 /ccaron 234 /eogonek 236 /ecaron "
    "239 /dcaron /dcroat /nacute /ncaron 245 /ohungarumlaut 248 /rcaron /uring "
    "251 /uhungarumlaut 254 /tcommaaccent /dotaccent] >>\r\nendobj\r\n";

const char kResourcesObject[] =
    "18 0 obj\r\n<< /ProcSet [ /PDF /Text /ImageC]\r\n/XObject << >>\r\n/Font << /F1 3 0 R "
    "/F2 4 0 R /F3 5 0 R /F4 6 0 R /F5 7 0 R /F6 8 0 R /F7 9 0 R /F8 10 0 R /F9 11 0 R "
    "/F10 12 0 R /F11 13 0 R /F12 14 0 R /F13 15 0 R /F14 16 0 R >>\r\n>>\r\nendobj\r\n";

// An information value goes between parentheses as it is, so that balanced
// parentheses (the producer name "... (zPdf)") stay readable in any tool.
// Only what would end the string early or start an escape is escaped: a
// backslash, and a parenthesis without its partner.
QByteArray literalStringBody(const QByteArray &value)
{
    std::vector<bool> escape(size_t(value.size()), false);
    std::vector<qsizetype> open;
    for (qsizetype i = 0; i < value.size(); ++i) {
        const char c = value[i];
        if (c == '\\') {
            escape[size_t(i)] = true;
        } else if (c == '(') {
            open.push_back(i);
        } else if (c == ')') {
            if (open.empty())
                escape[size_t(i)] = true;
            else
                open.pop_back();
        }
    }
    for (const qsizetype i : open)
        escape[size_t(i)] = true;

    QByteArray out;
    out.reserve(value.size() + 8);
    for (qsizetype i = 0; i < value.size(); ++i) {
        // A bare carriage return would be read as a line end, and a line end
        // inside a string reads as one line feed: the byte 0D of a UTF-16
        // "č" (01 0D) would come back as 0A.
        if (value[i] == '\r') {
            out.append("\\r");
            continue;
        }
        if (escape[size_t(i)])
            out.append('\\');
        out.append(value[i]);
    }
    return out;
}

// The characters of PDFDocEncoding that are not those of the same number
// in Latin-1: 18..1F and 80..A0.  Zero marks a code it leaves undefined.
constexpr char16_t kPdfDocLow[8] = {0x02D8, 0x02C7, 0x02C6, 0x02D9, 0x02DD, 0x02DB, 0x02DA, 0x02DC};
constexpr char16_t kPdfDocHigh[33] = {
    0x2022, 0x2020, 0x2021, 0x2026, 0x2014, 0x2013, 0x0192, 0x2044, 0x2039, 0x203A, 0x2212,
    0x2030, 0x201E, 0x201C, 0x201D, 0x2018, 0x2019, 0x201A, 0x2122, 0xFB01, 0xFB02, 0x0141,
    0x0152, 0x0160, 0x0178, 0x017D, 0x0131, 0x0142, 0x0153, 0x0161, 0x017E, 0x0000, 0x20AC,
};

// The PDFDocEncoding byte of c, or -1 when it has none.
int pdfDocByte(char16_t c)
{
    if (c == u'\t' || c == u'\n' || c == u'\r' || (c >= 0x20 && c < 0x7F))
        return c;
    if (c >= 0xA1 && c <= 0xFF && c != 0xAD)
        return c;
    for (int i = 0; i < 8; ++i) {
        if (kPdfDocLow[i] == c)
            return 0x18 + i;
    }
    for (int i = 0; i < 33; ++i) {
        if (kPdfDocHigh[i] == c && c != 0)
            return 0x80 + i;
    }
    return -1;
}

// Whether Windows-1250 holds text, so that TextXY shows it as typed.
bool inWindows1250(const QString &text)
{
    for (const QChar c : text) {
        if (c.unicode() >= 0x80)
            return fromWindows1250(toWindows1250(text)) == text;
    }
    return true;
}

void appendTwoDigits(QByteArray &out, int value)
{
    out.append(char('0' + value / 10 % 10));
    out.append(char('0' + value % 10));
}

} // namespace

namespace zpdf {

qint64 mmToPoints(qint64 mm)
{
    // c * 72 / 25.4 is exactly c * 360 / 127.  Its fraction is a multiple of
    // 1/127 and so never a half, which makes rounding the exact quotient in
    // integers give what rounding the quotient in extended precision gives.
    const qint64 numerator = mm * 360;
    const qint64 quotient = numerator / 127;
    const qint64 remainder = numerator % 127; // same sign as numerator
    if (2 * remainder > 127)
        return quotient + 1;
    if (2 * remainder < -127)
        return quotient - 1;
    return quotient;
}

QByteArray formatReal(long double value)
{
    if (!std::isfinite(value))
        return "0.000";
    // Round once, at six significant digits or three decimals, whichever is
    // coarser; then always show three decimals.
    int integerDigits = 0;
    for (long double t = std::fabs(value); t >= 1.0L && integerDigits < 5000; t /= 10.0L)
        ++integerDigits;
    const int decimals = std::min(3, 6 - integerDigits);

    char buffer[5100];
    std::to_chars_result result;
    if (decimals >= 0) {
        result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
    } else {
        const long double scale = std::pow(10.0L, -decimals);
        result = std::to_chars(buffer, buffer + sizeof buffer, std::nearbyint(value / scale) * scale,
                               std::chars_format::fixed, 0);
    }
    QByteArray text(buffer, result.ptr - buffer);
    if (decimals <= 0)
        text.append('.');
    for (int i = std::max(decimals, 0); i < 3; ++i)
        text.append('0');
    if (text.startsWith('-') && text.count('0') == text.size() - 2)
        text.remove(0, 1); // no "-0.000"
    return text;
}

QByteArray formatOffset(qint64 offset)
{
    QByteArray digits = QByteArray::number(offset);
    if (digits.size() < 10)
        digits.prepend(QByteArray(10 - digits.size(), '0'));
    return digits;
}

QByteArray documentText(const QString &text)
{
    QByteArray bytes;
    bytes.reserve(text.size());
    for (const QChar c : text) {
        const int b = pdfDocByte(c.unicode());
        if (b < 0) {
            bytes = QByteArray("\xFE\xFF", 2);
            for (const QChar u : text)
                bytes.append(char(u.unicode() >> 8)).append(char(u.unicode() & 0xFF));
            return bytes;
        }
        bytes.append(char(b));
    }
    return bytes;
}

} // namespace zpdf

TzPdf::TzPdf(const Clock *clock) : m_clock(clock)
{
    StartCreating();
}

TzPdf::~TzPdf() = default;

void TzPdf::StartCreating()
{
    PDF = QByteArray();
    PagesStream.clear();
    m_pagesSize = 0;
    PageStream_Stream = QByteArray();
    m_contentStart = 0;
    XRef.assign(kFirstPageObject, 0);
    PagesCount = 0;
    StartXRef = 0;
    m_finished = false;
    for (auto &font : m_unicodeFonts)
        font.reset();
    m_fontNotice.clear();
    m_addedObjects.clear();
    m_catalogEntries.clear();
    m_pageEntries.clear();
    PDF.append("%PDF-1.4\r\n\r\n");
}

void TzPdf::AddPage(double SizeX, double SizeY)
{
    const QByteArray width = zpdf::formatReal(static_cast<long double>(SizeX) * 72.0L / 25.4L);
    const QByteArray height = zpdf::formatReal(static_cast<long double>(SizeY) * 72.0L / 25.4L);
    // Added objects are numbered after the pages.
    if (!m_addedObjects.empty())
        throw std::logic_error("TzPdf::AddPage after AddObject");
    qsizetype expectedSize = 0;
    if (PagesCount > 0) {
        ClosePage();
        expectedSize = PagesStream.back().size();
    }

    const qint64 page = kFirstPageObject + 3 * PagesCount;
    XRef.resize(XRef.size() + 3, 0);

    // Output before the first page is dropped here.  Pages of one document
    // tend to be alike, so the last one tells how much room to take.
    QByteArray &out = PageStream_Stream;
    out = QByteArray();
    out.reserve(expectedSize + 64);
    XRef[size_t(page)] = m_pagesSize;
    appendInt(out, page);
    out.append(" 0 obj\r\n<< /Type /Page /Parent 20 0 R\r\n/MediaBox [0 0 ");
    out.append(width).append(' ').append(height).append("]\r\n/Contents ");
    appendInt(out, page + 1);
    out.append(" 0 R\r\n/Resources 18 0 R\r\n>>\r\nendobj\r\n");

    // The content is still open, so its length is the next object.
    XRef[size_t(page + 1)] = m_pagesSize + out.size();
    appendInt(out, page + 1);
    out.append(" 0 obj\r\n<< /Length ");
    appendInt(out, page + 2);
    out.append(" 0 R >>\r\nstream\r\n");

    m_contentStart = out.size();
    ++PagesCount;
}

void TzPdf::ClosePage()
{
    QByteArray &out = PageStream_Stream;
    const qint64 lengthObject = kFixedObjects + 3 * qint64(PagesCount);
    const qint64 length = out.size() - m_contentStart;
    out.append("endstream\r\nendobj\r\n");

    XRef[size_t(lengthObject)] = m_pagesSize + out.size();
    appendInt(out, lengthObject);
    out.append(" 0 obj\r\n");
    appendInt(out, length);
    out.append("\r\nendobj\r\n");

    if (out.capacity() - out.size() > out.size() / 8)
        out.squeeze();
    m_pagesSize += out.size();
    PagesStream.push_back(std::move(out));
    out = QByteArray();
    m_contentStart = 0;
}

void TzPdf::KontrolujText(QByteArray &text)
{
    // Every parenthesis and backslash is escaped, so that a machine ID
    // "Press (line 4)" prints as typed and "C:\" cannot end the string early.
    const auto special = [](char c) { return c == '(' || c == ')' || c == '\\'; };
    if (std::none_of(text.cbegin(), text.cend(), special))
        return;
    QByteArray out;
    out.reserve(text.size() + 8);
    for (const char c : text) {
        if (special(c))
            out.append('\\');
        out.append(c);
    }
    text = std::move(out);
}

void TzPdf::TextXY(int X, int Y, int FontName, int FontSize, QByteArray Text)
{
    KontrolujText(Text);
    FontName = std::clamp(FontName, 1, 14);

    QByteArray &out = PageStream_Stream;
    out.append("BT\r\n/F");
    appendInt(out, FontName);
    out.append(' ');
    appendInt(out, FontSize);
    out.append(" Tf\r\n");
    appendOperator(out, {zpdf::mmToPoints(X), zpdf::mmToPoints(Y)}, "Td");
    out.append('(').append(Text).append(") Tj\r\nET\r\n");
}

void TzPdf::TextXYUnicode(int X, int Y, int FontName, int FontSize, const QString &Text)
{
    if (inWindows1250(Text)) {
        TextXY(X, Y, FontName, FontSize, toWindows1250(Text));
        return;
    }
    FontName = std::clamp(FontName, 1, 14);
    std::unique_ptr<zpdf::EmbeddedFont> &font = m_unicodeFonts[size_t(FontName - 1)];
    if (!font) {
        // The added objects are numbered behind the fonts: a font that
        // came after them would take their numbers.
        if (!m_addedObjects.empty())
            throw std::logic_error("TzPdf: a new embedded font after AddObject");
        const zpdf::TrueTypeFace *face = zpdf::TrueTypeFace::forFont(FontName);
        if (!face) {
            const QString file = zpdf::TrueTypeFace::fileNameFor(FontName);
            if (m_fontNotice.isEmpty() && !file.isEmpty())
                m_fontNotice = QStringLiteral("The protocol shows \"?\" for characters beyond Windows-1250: font %1 "
                                              "is not installed (Debian package %2).")
                                   .arg(QDir(zpdf::fontDirectory()).filePath(file), QLatin1String(zpdf::kFontPackage));
            TextXY(X, Y, FontName, FontSize, toWindows1250(Text));
            return;
        }
        font = std::make_unique<zpdf::EmbeddedFont>(*face);
    }

    QByteArray &out = PageStream_Stream;
    out.append("BT\r\n/U");
    appendInt(out, FontName);
    out.append(' ');
    appendInt(out, FontSize);
    out.append(" Tf\r\n");
    appendOperator(out, {zpdf::mmToPoints(X), zpdf::mmToPoints(Y)}, "Td");
    out.append(font->encode(Text)).append(" Tj\r\nET\r\n");
}

bool TzPdf::printsAsTyped(const QString &text, int FontName)
{
    if (inWindows1250(text))
        return true;
    const zpdf::TrueTypeFace *face = zpdf::TrueTypeFace::forFont(std::clamp(FontName, 1, 14));
    return face && zpdf::EmbeddedFont::covers(*face, text);
}

void TzPdf::Line(int x1, int y1, int x2, int y2, int Width, int DashOn, int DashOff)
{
    QByteArray &out = PageStream_Stream;
    appendOperator(out, {Width}, "w");
    if (DashOn != 0 && DashOff != 0) {
        out.append('[');
        appendInt(out, DashOn);
        out.append(' ');
        appendInt(out, DashOff);
        out.append("] 0 d\r\n");
    } else {
        out.append("[] 0 d\r\n");
    }
    appendOperator(out, {zpdf::mmToPoints(x1), zpdf::mmToPoints(y1)}, "m");
    appendOperator(out, {zpdf::mmToPoints(x2), zpdf::mmToPoints(y2)}, "l");
    out.append("S\r\n");
}

void TzPdf::Rectangle(int x1, int y1, int x2, int y2, int Width, int DashOn, int DashOff)
{
    Line(x1, y1, x2, y1, Width, DashOn, DashOff);
    Line(x2, y1, x2, y2, Width, DashOn, DashOff);
    Line(x2, y2, x1, y2, Width, DashOn, DashOff);
    Line(x1, y2, x1, y1, Width, DashOn, DashOff);
}

void TzPdf::Polygon(int x, int y, int r, int StartAngle, int StopAngle, int Corners, int Width,
                    int DashOn, int DashOff)
{
    const int n = Corners > 0 ? Corners : 1;
    const long double degree = std::numbers::pi_v<long double> / 180.0L;
    const double a0 = double(StartAngle * degree);
    const double a1 = double(StopAngle * degree);
    const double step = double((static_cast<long double>(a1) - a0) / n);

    const auto vertex = [&](double a) {
        const long double radius = r;
        return std::pair<int, int>(x + int(std::nearbyint(radius * std::sin(static_cast<long double>(a)))),
                                   y + int(std::nearbyint(radius * std::cos(static_cast<long double>(a)))));
    };

    // The angle is accumulated, not computed from the segment number, so a
    // sum that falls just short of the stop angle draws one more segment.
    double a = a0;
    auto previous = vertex(a);
    do {
        const double next = a + step;
        const bool stalled = next == a && next < a1; // a step too small to move on
        a = next;
        const auto current = vertex(a);
        Line(previous.first, previous.second, current.first, current.second, Width, DashOn, DashOff);
        previous = current;
        if (stalled)
            break;
    } while (a < a1);
}

void TzPdf::RectangleFilled(int x, int y, int Width, int Height, TzPdfRGB PenColor, TzPdfRGB FillColor)
{
    QByteArray &out = PageStream_Stream;
    const auto appendColor = [&out](TzPdfRGB c, const char *op) {
        for (const quint8 component : {c.R, c.G, c.B})
            out.append(zpdf::formatReal(component / 100.0L)).append(' ');
        out.append(op).append("\r\n");
    };
    appendColor(PenColor, "RG");
    appendColor(FillColor, "rg");
    appendOperator(out, {zpdf::mmToPoints(x), zpdf::mmToPoints(y), zpdf::mmToPoints(Width),
                         zpdf::mmToPoints(Height)}, "re");
    out.append("B\r\n");
}

void TzPdf::Bezier(int XB, int YB, int XE, int YE, int PBX, int PBY, int PEX, int PEY)
{
    QByteArray &out = PageStream_Stream;
    appendOperator(out, {zpdf::mmToPoints(XB), zpdf::mmToPoints(YB)}, "m");
    appendOperator(out, {zpdf::mmToPoints(PBX), zpdf::mmToPoints(PBY), zpdf::mmToPoints(PEX),
                         zpdf::mmToPoints(PEY), zpdf::mmToPoints(XE), zpdf::mmToPoints(YE)}, "c");
    out.append("S\r\n");
}

void TzPdf::Image(const QImage &Bitmap, int X, int Y, int Width, int Height)
{
    appendImage(Bitmap, zpdf::mmToPoints(X), zpdf::mmToPoints(Y), zpdf::mmToPoints(Width),
                zpdf::mmToPoints(Height));
}

void TzPdf::ImageFromFile(const QString &FileName, int X, int Y, int Width, int Height)
{
    QFile file(FileName);
    if (!file.open(QIODevice::ReadOnly))
        throw ZirkError(QStringLiteral("Cannot open file \"%1\". %2").arg(FileName, file.errorString()));
    const QByteArray contents = file.readAll();
    file.close();
    const QImage bitmap = decodeWindowsBitmap(contents);
    if (bitmap.isNull())
        throw ZirkError(QStringLiteral("Bitmap image is not valid"));
    if (Width == 0 || Height == 0) {
        Width = bitmap.width();
        Height = bitmap.height();
    }
    appendImage(bitmap, X, Y, Width, Height);
}

void TzPdf::appendImage(const QImage &bitmap, qint64 x, qint64 y, qint64 width, qint64 height)
{
    // An inline image of no pixels is rejected by readers; there is nothing
    // to show anyway.
    if (bitmap.isNull() || bitmap.width() == 0 || bitmap.height() == 0)
        return;
    const QImage rgb = bitmap.format() == QImage::Format_RGB888
                           ? bitmap
                           : bitmap.convertToFormat(QImage::Format_RGB888);
    const qsizetype rowBytes = qsizetype(rgb.width()) * 3;

    QByteArray header;
    header.append("q\r\n");
    appendOperator(header, {width, 0, 0, height, x, y}, "cm");
    header.append("BI\r\n/W ");
    appendInt(header, rgb.width());
    header.append("\r\n/H ");
    appendInt(header, rgb.height());
    // Exactly one white-space byte after ID: a reader takes the next byte as
    // the first sample.
    header.append("\r\n/CS /RGB\r\n/BPC 8\r\nID\n");
    static const char trailer[] = "\r\nEI\r\nQ\r\n";

    QByteArray &out = PageStream_Stream;
    const qsizetype needed = header.size() + rowBytes * rgb.height() + qsizetype(sizeof trailer - 1);
    if (out.capacity() - out.size() < needed)
        out.reserve(out.size() + needed);
    out.append(header);
    for (int row = 0; row < rgb.height(); ++row)
        out.append(reinterpret_cast<const char *>(rgb.constScanLine(row)), rowBytes);
    out.append(trailer, qsizetype(sizeof trailer - 1));
}

QByteArray TzPdf::dateValue(const QByteArray &value) const
{
    if (value.size() == 14)
        return value;
    const QDateTime now = m_clock ? m_clock->now() : QDateTime::currentDateTime();
    const QDate date = now.date();
    const QTime time = now.time();
    QByteArray text;
    const int year = date.year();
    if (year >= 0 && year < 10000) {
        for (int divisor = 1000; divisor > 0; divisor /= 10)
            text.append(char('0' + year / divisor % 10));
    } else {
        appendInt(text, year);
    }
    appendTwoDigits(text, date.month());
    appendTwoDigits(text, date.day());
    appendTwoDigits(text, time.hour());
    appendTwoDigits(text, time.minute());
    appendTwoDigits(text, time.second());
    return text;
}

void TzPdf::appendFixedObject(const QByteArray &object, int number)
{
    XRef[size_t(number)] = PDF.size();
    PDF.append(object);
}

void TzPdf::appendInformation()
{
    QByteArray info("1 0 obj\r\n<< ");
    const std::pair<const char *, const QByteArray *> entries[] = {
        {"/Producer (", &pProducer}, {"/Author (", &pAuthor},   {"/Creator (", &pCreator},
        {"/Title (", &pTitle},       {"/Subject (", &pSubject}, {"/Keywords (", &pKeywords},
    };
    for (const auto &[key, value] : entries) {
        if (!value->isEmpty())
            info.append(key).append(literalStringBody(*value)).append(") ");
    }
    info.append("/CreationDate (D:").append(literalStringBody(dateValue(pCreationDate))).append(") ");
    info.append("/ModDate (D:").append(literalStringBody(dateValue(pModDate))).append(") ");
    info.append(">>\r\nendobj\r\n");
    appendFixedObject(info, 1);
}

void TzPdf::FinishCreating()
{
    if (m_finished)
        return; // the document is complete; StartCreating begins another
    appendInformation();
    appendFixedObject("2 0 obj\r\n<< /Type /Outlines /Count 0 >>\r\nendobj\r\n", 2);
    for (int font = 1; font <= 14; ++font) {
        QByteArray object;
        appendInt(object, font + 2);
        object.append(" 0 obj\r\n<< /Type /Font /Subtype /TrueType /Name /F");
        appendInt(object, font);
        object.append(" /BaseFont /").append(kBaseFonts[font - 1]).append(" /Encoding 17 0 R >>\r\nendobj\r\n");
        appendFixedObject(object, font + 2);
    }
    appendFixedObject(kEncodingObject, 17);
    appendFixedObject(resourcesObject(), 18);
    appendFixedObject("19 0 obj\r\n<< /Type /Catalog /Pages 20 0 R /Outlines 2 0 R" + m_catalogEntries
                          + " >>\r\nendobj\r\n",
                      19);

    if (PagesCount == 0)
        AddPage(210, 297);
    ClosePage();
    insertPageEntries();

    QByteArray tree("20 0 obj\r\n<< /Type /Pages /Kids [\r\n");
    for (int page = 0; page < PagesCount; ++page) {
        appendInt(tree, kFirstPageObject + 3 * page);
        tree.append(" 0 R\r\n");
    }
    tree.append("]\r\n/Count ");
    appendInt(tree, PagesCount);
    tree.append(" >>\r\nendobj\r\n");
    appendFixedObject(tree, 20);

    // The pages were composed apart, their offsets counted from their own
    // start; now they follow the fixed objects.
    const qint64 pagesStart = PDF.size();
    for (size_t object = kFirstPageObject; object < XRef.size(); ++object)
        XRef[object] += pagesStart;
    PDF.reserve(PDF.size() + m_pagesSize + 20 * qsizetype(XRef.size()) + 160);
    for (QByteArray &page : PagesStream) {
        PDF.append(page);
        page = QByteArray();
    }
    PagesStream.clear();
    m_pagesSize = 0;
    // One numbering after the pages: the embedded fonts, then the objects
    // added to the document (signature, attachments).
    appendUnicodeFonts();
    appendAddedObjects();
    const qsizetype objects = qsizetype(XRef.size());

    StartXRef = PDF.size();
    PDF.append("xref\r\n0 ");
    appendInt(PDF, objects);
    PDF.append("\r\n0000000000 65535 f\r\n");
    for (qsizetype object = 1; object < objects; ++object)
        PDF.append(zpdf::formatOffset(XRef[size_t(object)])).append(" 00000 n\r\n");
    PDF.append("\r\ntrailer\r\n<< /Size ");
    appendInt(PDF, objects);
    PDF.append(" /Root 19 0 R /Info 1 0 R >>\r\nstartxref\r\n");
    appendInt(PDF, StartXRef);
    PDF.append("\r\n%%EOF\r\n");
    m_finished = true;
}

int TzPdf::firstUnicodeFontObject() const
{
    // After the objects of the last page; a document without pages gets one.
    return kFirstPageObject + 3 * std::max(PagesCount, 1);
}

QByteArray TzPdf::resourcesObject() const
{
    QByteArray fonts;
    int object = firstUnicodeFontObject();
    for (size_t i = 0; i < m_unicodeFonts.size(); ++i) {
        if (!m_unicodeFonts[i])
            continue;
        fonts.append(" /U");
        appendInt(fonts, qint64(i) + 1);
        fonts.append(' ');
        appendInt(fonts, object);
        fonts.append(" 0 R");
        object += zpdf::EmbeddedFont::kObjectCount;
    }
    QByteArray resources(kResourcesObject);
    if (!fonts.isEmpty())
        resources.insert(resources.indexOf("/F14 16 0 R") + 11, fonts);
    return resources;
}

void TzPdf::appendUnicodeFonts()
{
    int object = firstUnicodeFontObject();
    for (const auto &font : m_unicodeFonts) {
        if (!font)
            continue;
        for (const QByteArray &part : font->objects(object)) {
            XRef.push_back(PDF.size());
            PDF.append(part);
        }
        object += zpdf::EmbeddedFont::kObjectCount;
    }
}

void TzPdf::SaveToFile(const QString &FileName) const
{
    // A full disk must not pass for a saved report, nor cost the protocol
    // saved under that name before.
    const SaveResult saved = saveWholeFile(FileName, [this](QIODevice &file) {
        return file.write(PDF) == PDF.size();
    });
    // Say what failed: a file that could not be made, or one that was made
    // and could not be written (a full disk).
    if (saved.stage == SaveResult::NotCreated)
        throw ZirkError(QStringLiteral("Cannot create file \"%1\". %2").arg(FileName, saved.error));
    if (saved.stage == SaveResult::NotWritten)
        throw ZirkError(QStringLiteral("Cannot write file \"%1\". %2").arg(FileName, saved.error));
}
