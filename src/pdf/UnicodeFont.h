#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <memory>
#include <vector>

// Text that the Windows-1250 layout of the standard fonts cannot show (a
// Cyrillic machine ID, a French "à", a Greek company name) is written with
// embedded TrueType fonts: Liberation Sans and Liberation Mono, whose
// advance widths are those of Helvetica and Courier, so a line set in them
// takes the room the protocol's layout gives it.  Each face is embedded as
// a subset of the glyphs the document uses (Type0 / CIDFontType2,
// Identity-H, with a ToUnicode map so that text extraction and copy-paste
// give the typed text back).

struct hb_face_t;
struct hb_font_t;

namespace zpdf {

// The folder of the Liberation fonts (Debian package fonts-liberation2).
QString fontDirectory();
// Points the writer at another folder, so tests can take the fonts away;
// an empty name is the installed folder again.
void setFontDirectory(const QString &directory);

// The Debian package that brings the fonts, as a notice names it.
inline constexpr const char *kFontPackage = "fonts-liberation2";

// One installed TrueType face, loaded once per process and folder.
class TrueTypeFace
{
public:
    // The face behind the writer's font number: Helvetica (1 to 4) is
    // Liberation Sans, Courier (5 to 8) Liberation Mono, Times (9 to 12)
    // Liberation Serif, each in its weight and slant.  Symbol and
    // ZapfDingbats have none.
    static QString fileNameFor(int fontName);
    // nullptr when the font number has no face or its file is not
    // installed (or is no font).
    static const TrueTypeFace *forFont(int fontName);

    ~TrueTypeFace();
    TrueTypeFace(const TrueTypeFace &) = delete;
    TrueTypeFace &operator=(const TrueTypeFace &) = delete;

    // 0 when the face has no glyph for the character.
    std::uint32_t glyph(char32_t character) const;
    // Advance width in thousandths of the font size.
    int advance(std::uint32_t glyph) const;
    const QByteArray &postScriptName() const { return m_postScriptName; }
    bool fixedPitch() const { return m_fixedPitch; }

    // The font file cut down to the given glyphs (and what they are built
    // of), hints dropped; newGlyphs receives the glyph number of each
    // given glyph in the subset.  Empty when the subsetter fails.
    QByteArray subset(const std::vector<std::uint32_t> &glyphs, std::vector<std::uint32_t> &newGlyphs) const;

    // Font descriptor values in thousandths of the size.
    int ascent = 0;
    int descent = 0;
    int capHeight = 0;
    int italicAngle = 0;
    int bbox[4] = {0, 0, 0, 0};

private:
    TrueTypeFace() = default;
    static std::unique_ptr<TrueTypeFace> load(const QString &path);

    hb_face_t *m_face = nullptr;
    hb_font_t *m_font = nullptr;
    unsigned m_unitsPerEm = 1000;
    QByteArray m_postScriptName;
    bool m_fixedPitch = false;
};

// The glyphs that one document uses of one face.  Each glyph gets a
// character code (CID) at its first use, 1, 2, 3 ..., so a content stream
// can be written before the subset exists; the embedded CIDToGIDMap turns
// them into the subset's glyph numbers.
class EmbeddedFont
{
public:
    // Type0 font, CIDFont, descriptor, font file, ToUnicode, CIDToGIDMap.
    static constexpr int kObjectCount = 6;

    explicit EmbeddedFont(const TrueTypeFace &face) : m_face(face) {}

    // The text as a hexadecimal string "<0001000200…>" of its codes.  A
    // character the face lacks is written as the face's "?".
    QByteArray encode(const QString &text);
    // Whether the face has a glyph for every character of text.
    static bool covers(const TrueTypeFace &face, const QString &text);

    // The kObjectCount objects of the font, numbered from firstObject; the
    // Type0 font, which a page's resources name, is firstObject.
    std::vector<QByteArray> objects(int firstObject) const;

private:
    std::uint16_t code(char32_t character);

    const TrueTypeFace &m_face;
    struct Used
    {
        std::uint32_t glyph;
        char32_t character;
    };
    std::vector<Used> m_used;                    // index + 1 = code
    std::vector<std::pair<char32_t, std::uint16_t>> m_codes; // sorted by character
};

} // namespace zpdf
