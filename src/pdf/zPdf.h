#pragma once

#include <QByteArray>
#include <QString>

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

class Clock;
class QImage;

namespace zpdf {
class EmbeddedFont;
}

// Colour of RectangleFilled, each component a percentage of full intensity
// (0 to 100).
struct TzPdfRGB
{
    quint8 R = 0;
    quint8 G = 0;
    quint8 B = 0;
};

// The program's own PDF 1.4 writer.  Every document has the same layout, so
// that readers and our tests can rely on object numbers:
//   1 information dictionary, 2 outline root, 3..16 the fourteen standard
//   fonts /F1..F14, 17 the Windows-1250 font encoding, 18 the resources
//   shared by all pages, 19 catalog, 20 page tree, then three objects per
//   page p: 21+3p page, 22+3p content stream, 23+3p its length.
// Nothing is compressed and no font is embedded.  Text reaches TextXY as
// Windows-1250 bytes (toWindows1250 in base/CodePage.h); it converts nothing.
// TextXYUnicode takes any text: what Windows-1250 holds it writes as TextXY
// does, byte for byte, and a run with other characters in an embedded
// subset of a Liberation font (pdf/UnicodeFont.h).  Those fonts, six
// objects each, follow the pages' objects, and the shared resources name
// them /U1 to /U12 by the font number they stand for; a document without
// such a run is the same file as before.
//
// Positions and sizes are whole millimetres from the lower-left page corner
// unless a parameter says points.  The whole document, image samples
// included, stays in memory until it is saved.
//
// Use: StartCreating, set the information, then AddPage and output
// operations per page, FinishCreating, SaveToFile.  Output before the first
// AddPage is dropped.
class TzPdf
{
public:
    // clock gives the creation and modification dates when they are not set;
    // without one the system clock is read.  The writer does not own it.
    explicit TzPdf(const Clock *clock = nullptr);
    ~TzPdf();
    TzPdf(const TzPdf &) = delete;
    TzPdf &operator=(const TzPdf &) = delete;

    void StartCreating();
    void AddPage(double SizeX, double SizeY);
    // FontName 1..14 as in the table above (clamped); FontSize in points.
    void TextXY(int X, int Y, int FontName, int FontSize, QByteArray Text);
    // Escapes every "(", ")" and backslash for a literal string.
    static void KontrolujText(QByteArray &text);
    // Text as the user typed it.  A text that Windows-1250 holds is written
    // as TextXY writes it; any other with the Liberation face of FontName,
    // its glyphs embedded.  Where that face is not installed (or FontName
    // is Symbol or ZapfDingbats) the text is written as TextXY writes it,
    // "?" for each character Windows-1250 lacks, and fontNotice says so.
    void TextXYUnicode(int X, int Y, int FontName, int FontSize, const QString &Text);
    // Whether TextXYUnicode prints text exactly as typed in FontName: every
    // character is in Windows-1250, or the embedded face is installed and
    // has a glyph for each.  For a caller that must not sign or hand on a
    // name that the page would show otherwise.
    static bool printsAsTyped(const QString &text, int FontName);
    // One line naming the font that was missing and the package that brings
    // it, for the status bar or stderr; empty when nothing was missing.
    const QString &fontNotice() const { return m_fontNotice; }
    void FinishCreating();
    // Throws ZirkError "Cannot create file "<name>". <reason>".
    void SaveToFile(const QString &FileName) const;

    // Drawing.  Width, DashOn and DashOff in points; a dash pattern needs
    // both lengths non-zero, otherwise the line is solid.
    void Line(int x1, int y1, int x2, int y2, int Width, int DashOn, int DashOff);
    void Rectangle(int x1, int y1, int x2, int y2, int Width, int DashOn, int DashOff);
    // Angles in degrees, 0 pointing up the page, growing clockwise.
    void Polygon(int x, int y, int r, int StartAngle, int StopAngle, int Corners, int Width,
                 int DashOn, int DashOff);
    void RectangleFilled(int x, int y, int Width, int Height, TzPdfRGB PenColor, TzPdfRGB FillColor);
    void Bezier(int XB, int YB, int XE, int YE, int PBX, int PBY, int PEX, int PEY);
    // Places the picture scaled to Width x Height with its lower-left corner
    // at X, Y.  An empty picture places nothing.
    void Image(const QImage &Bitmap, int X, int Y, int Width, int Height);
    // Like Image for a Windows bitmap file, but X, Y, Width, Height are
    // points; a Width or Height of 0 places the picture one point per pixel.
    // Throws ZirkError "Cannot open file "<name>". <reason>" or "Bitmap
    // image is not valid"; the page is unchanged then.
    void ImageFromFile(const QString &FileName, int X, int Y, int Width, int Height);

    // Document information, written as given: PDFDocEncoding bytes or
    // UTF-16BE with its byte-order mark, as zpdf::documentText makes them.
    const QByteArray &Producer() const { return pProducer; }
    void setProducer(const QByteArray &value) { pProducer = value; }
    const QByteArray &Author() const { return pAuthor; }
    void setAuthor(const QByteArray &value) { pAuthor = value; }
    const QByteArray &Creator() const { return pCreator; }
    void setCreator(const QByteArray &value) { pCreator = value; }
    const QByteArray &Title() const { return pTitle; }
    void setTitle(const QByteArray &value) { pTitle = value; }
    const QByteArray &Subject() const { return pSubject; }
    void setSubject(const QByteArray &value) { pSubject = value; }
    const QByteArray &Keywords() const { return pKeywords; }
    void setKeywords(const QByteArray &value) { pKeywords = value; }
    // "YYYYMMDDHHmmSS"; any other length means the time of FinishCreating.
    const QByteArray &CreationDate() const { return pCreationDate; }
    void setCreationDate(const QByteArray &value) { pCreationDate = value; }
    const QByteArray &ModDate() const { return pModDate; }
    void setModDate(const QByteArray &value) { pModDate = value; }

    // The finished document (after FinishCreating).
    const QByteArray &data() const { return PDF; }
    int pageCount() const { return PagesCount; }

    // Objects beyond the fixed layout: a signature, its form field, attached
    // files.  A document that adds none keeps the fixed layout byte for byte.
    // Objects are numbered after the pages, so they are added once the last
    // page is (AddObject after AddPage is refused).  body is the object
    // between "N 0 obj" and "endobj", its lines ending in \r\n.
    int AddObject(const QByteArray &body);
    // Entries (" /Key value") added to the catalog and to a page's
    // dictionary (page 0-based).
    void AddCatalogEntries(const QByteArray &entries);
    void AddPageEntries(int page, const QByteArray &entries);
    // Where an object starts in the finished document.
    qint64 objectOffset(int number) const;
    // Overwrites bytes of the finished document in place, never changing its
    // length, so offsets stay true: the signature's byte range and value.
    void overwrite(qint64 position, const QByteArray &bytes);

private:
    void ClosePage();
    void appendImage(const QImage &bitmap, qint64 x, qint64 y, qint64 width, qint64 height);
    void appendFixedObject(const QByteArray &object, int number);
    void appendInformation();
    QByteArray dateValue(const QByteArray &value) const;
    QByteArray resourcesObject() const;
    void appendUnicodeFonts();
    int firstUnicodeFontObject() const;
    int kFirstAddedObject() const;
    void insertPageEntries();
    void appendAddedObjects();

    const Clock *m_clock = nullptr;

    QByteArray PDF;
    std::vector<qint64> XRef; // byte offsets; index = object number
    // The three objects of every closed page, one buffer a page, so that a
    // long document never needs one buffer of its whole size beside the
    // finished file.  Their offsets count from the first page until the
    // fixed objects in front of them are known.
    std::vector<QByteArray> PagesStream;
    qint64 m_pagesSize = 0;
    // The current page: its page object and stream head, then its content
    // (the drawing operators) from m_contentStart on.
    QByteArray PageStream_Stream;
    qsizetype m_contentStart = 0;
    int PagesCount = 0;
    qint64 StartXRef = 0;
    bool m_finished = false;
    // The embedded subsets, by font number - 1; none until a run needs one.
    std::array<std::unique_ptr<zpdf::EmbeddedFont>, 14> m_unicodeFonts;
    QString m_fontNotice;

    std::vector<QByteArray> m_addedObjects; // numbered from 21 + 3 * PagesCount
    QByteArray m_catalogEntries;
    std::vector<std::pair<int, QByteArray>> m_pageEntries;

    QByteArray pProducer;
    QByteArray pAuthor;
    QByteArray pCreator;
    QByteArray pTitle;
    QByteArray pSubject;
    QByteArray pKeywords;
    QByteArray pCreationDate;
    QByteArray pModDate;
};

// Helpers of the writer's number formats, shared with its tests.
namespace zpdf {
// Whole millimetres to the nearest whole point (c * 72 / 25.4).
qint64 mmToPoints(qint64 mm);
// Three decimals with "." after rounding to six significant digits.
QByteArray formatReal(long double value);
// A byte offset of the cross-reference table: ten digits, zero-padded.
QByteArray formatOffset(qint64 offset);
// A document property as a reader shows it exactly: the PDFDocEncoding
// bytes of a text that encoding holds, else the bytes FE FF and the text in
// UTF-16BE.
QByteArray documentText(const QString &text);
} // namespace zpdf
