#include "pdf/UnicodeFont.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <hb-ot.h>
#include <hb-subset.h>
#include <hb.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <mutex>

namespace zpdf {

namespace {

const char kInstalledFontDirectory[] = "/usr/share/fonts/truetype/liberation2";

std::mutex &fontMutex()
{
    static std::mutex mutex;
    return mutex;
}

QString &overriddenDirectory()
{
    static QString directory;
    return directory;
}

int thousandths(double units, unsigned unitsPerEm)
{
    return int(std::lround(units * 1000.0 / double(unitsPerEm)));
}

int readInt16(const char *data)
{
    return std::int16_t(std::uint16_t((std::uint8_t(data[0]) << 8) | std::uint8_t(data[1])));
}

QByteArray hex4(unsigned value)
{
    return QByteArray::number(value, 16).toUpper().rightJustified(4, '0');
}

// A character as UTF-16BE hex digits, a surrogate pair for one beyond the
// Basic Multilingual Plane.
QByteArray utf16Hex(char32_t c)
{
    if (c < 0x10000)
        return hex4(unsigned(c));
    const char32_t v = c - 0x10000;
    return hex4(0xD800 + unsigned(v >> 10)) + hex4(0xDC00 + unsigned(v & 0x3FF));
}

void appendLine(QByteArray &out, const QByteArray &line)
{
    out.append(line).append("\r\n");
}

QByteArray streamObject(int number, const QByteArray &dictionary, const QByteArray &data)
{
    QByteArray out = QByteArray::number(number) + " 0 obj\r\n<< /Length " + QByteArray::number(data.size())
                     + dictionary + " >>\r\nstream\r\n";
    out.append(data);
    out.append("\r\nendstream\r\nendobj\r\n");
    return out;
}

// zlib data as FlateDecode wants it: qCompress puts the length in front.
QByteArray deflated(const QByteArray &data)
{
    return qCompress(data, 9).mid(4);
}

} // namespace

QString fontDirectory()
{
    std::lock_guard lock(fontMutex());
    const QString &o = overriddenDirectory();
    return o.isEmpty() ? QString::fromLatin1(kInstalledFontDirectory) : o;
}

void setFontDirectory(const QString &directory)
{
    std::lock_guard lock(fontMutex());
    overriddenDirectory() = directory;
}

QString TrueTypeFace::fileNameFor(int fontName)
{
    static const char *const files[12] = {
        "LiberationSans-Regular.ttf", "LiberationSans-Bold.ttf", "LiberationSans-Italic.ttf",
        "LiberationSans-BoldItalic.ttf", "LiberationMono-Regular.ttf", "LiberationMono-Bold.ttf",
        "LiberationMono-Italic.ttf", "LiberationMono-BoldItalic.ttf", "LiberationSerif-Regular.ttf",
        "LiberationSerif-Bold.ttf", "LiberationSerif-Italic.ttf", "LiberationSerif-BoldItalic.ttf",
    };
    if (fontName < 1 || fontName > 12)
        return {};
    return QString::fromLatin1(files[fontName - 1]);
}

const TrueTypeFace *TrueTypeFace::forFont(int fontName)
{
    const QString file = fileNameFor(fontName);
    if (file.isEmpty())
        return nullptr;
    const QString path = QDir(fontDirectory()).filePath(file);
    // Faces stay loaded for the life of the process: a protocol after the
    // first one reads no font file.  A file that is not there is looked
    // for again next time, so installing the package helps at once.
    static std::map<QString, std::unique_ptr<TrueTypeFace>> faces;
    std::lock_guard lock(fontMutex());
    auto it = faces.find(path);
    if (it == faces.end()) {
        std::unique_ptr<TrueTypeFace> face = load(path);
        if (!face)
            return nullptr;
        it = faces.emplace(path, std::move(face)).first;
    }
    return it->second.get();
}

std::unique_ptr<TrueTypeFace> TrueTypeFace::load(const QString &path)
{
    hb_blob_t *blob = hb_blob_create_from_file_or_fail(QFile::encodeName(path).constData());
    if (!blob)
        return nullptr;
    hb_face_t *face = hb_face_create(blob, 0);
    hb_blob_destroy(blob);
    if (hb_face_get_glyph_count(face) == 0) {
        hb_face_destroy(face);
        return nullptr;
    }
    std::unique_ptr<TrueTypeFace> f(new TrueTypeFace);
    f->m_face = face;
    f->m_font = hb_font_create(face);
    f->m_unitsPerEm = std::max(1u, hb_face_get_upem(face));
    const unsigned upem = f->m_unitsPerEm;

    char name[128] = {};
    unsigned size = sizeof name;
    hb_ot_name_get_utf8(face, HB_OT_NAME_ID_POSTSCRIPT_NAME, HB_LANGUAGE_INVALID, &size, name);
    f->m_postScriptName = QByteArray(name);
    // A name of a PDF holds no blanks or delimiters.
    f->m_postScriptName.replace(' ', "");
    if (f->m_postScriptName.isEmpty())
        f->m_postScriptName = QFile::encodeName(QFileInfo(path).completeBaseName());

    hb_position_t value = 0;
    if (hb_ot_metrics_get_position(f->m_font, HB_OT_METRICS_TAG_HORIZONTAL_ASCENDER, &value))
        f->ascent = thousandths(value, upem);
    if (hb_ot_metrics_get_position(f->m_font, HB_OT_METRICS_TAG_HORIZONTAL_DESCENDER, &value))
        f->descent = thousandths(value, upem);
    if (hb_ot_metrics_get_position(f->m_font, HB_OT_METRICS_TAG_CAP_HEIGHT, &value))
        f->capHeight = thousandths(value, upem);

    hb_blob_t *head = hb_face_reference_table(face, HB_TAG('h', 'e', 'a', 'd'));
    unsigned headSize = 0;
    const char *headData = hb_blob_get_data(head, &headSize);
    if (headData && headSize >= 44) {
        for (int i = 0; i < 4; ++i)
            f->bbox[i] = thousandths(readInt16(headData + 36 + 2 * i), upem);
    }
    hb_blob_destroy(head);

    hb_blob_t *post = hb_face_reference_table(face, HB_TAG('p', 'o', 's', 't'));
    unsigned postSize = 0;
    const char *postData = hb_blob_get_data(post, &postSize);
    if (postData && postSize >= 16) {
        f->italicAngle = readInt16(postData + 4); // whole degrees of the 16.16 value
        f->m_fixedPitch = (postData[12] | postData[13] | postData[14] | postData[15]) != 0;
    }
    hb_blob_destroy(post);
    return f;
}

TrueTypeFace::~TrueTypeFace()
{
    hb_font_destroy(m_font);
    hb_face_destroy(m_face);
}

std::uint32_t TrueTypeFace::glyph(char32_t character) const
{
    hb_codepoint_t g = 0;
    return hb_font_get_nominal_glyph(m_font, character, &g) ? g : 0;
}

int TrueTypeFace::advance(std::uint32_t glyph) const
{
    return thousandths(hb_font_get_glyph_h_advance(m_font, glyph), m_unitsPerEm);
}

QByteArray TrueTypeFace::subset(const std::vector<std::uint32_t> &glyphs, std::vector<std::uint32_t> &newGlyphs) const
{
    newGlyphs.assign(glyphs.size(), 0);
    hb_subset_input_t *input = hb_subset_input_create_or_fail();
    if (!input)
        return {};
    hb_set_t *glyphSet = hb_subset_input_glyph_set(input);
    for (const std::uint32_t g : glyphs)
        hb_set_add(glyphSet, g);
    // A PDF reader draws the outlines from the glyph numbers it is given:
    // hints, layout tables and the character map only take room.
    hb_subset_input_set_flags(input, HB_SUBSET_FLAGS_NO_HINTING);
    hb_set_t *drop = hb_subset_input_set(input, HB_SUBSET_SETS_DROP_TABLE_TAG);
    for (const hb_tag_t tag : {HB_TAG('G', 'S', 'U', 'B'), HB_TAG('G', 'P', 'O', 'S'), HB_TAG('G', 'D', 'E', 'F'),
                               HB_TAG('k', 'e', 'r', 'n'), HB_TAG('D', 'S', 'I', 'G'), HB_TAG('g', 'a', 's', 'p'),
                               HB_TAG('h', 'd', 'm', 'x'), HB_TAG('V', 'D', 'M', 'X'), HB_TAG('L', 'T', 'S', 'H'),
                               HB_TAG('P', 'C', 'L', 'T'), HB_TAG('F', 'F', 'T', 'M')})
        hb_set_add(drop, tag);

    QByteArray result;
    hb_subset_plan_t *plan = hb_subset_plan_create_or_fail(m_face, input);
    hb_subset_input_destroy(input);
    if (!plan)
        return {};
    const hb_map_t *oldToNew = hb_subset_plan_old_to_new_glyph_mapping(plan);
    for (std::size_t i = 0; i < glyphs.size(); ++i)
        newGlyphs[i] = hb_map_get(oldToNew, glyphs[i]);
    if (hb_face_t *sub = hb_subset_plan_execute_or_fail(plan)) {
        hb_blob_t *blob = hb_face_reference_blob(sub);
        unsigned size = 0;
        const char *data = hb_blob_get_data(blob, &size);
        if (data && size > 0)
            result = QByteArray(data, qsizetype(size));
        hb_blob_destroy(blob);
        hb_face_destroy(sub);
    }
    hb_subset_plan_destroy(plan);
    return result;
}

bool EmbeddedFont::covers(const TrueTypeFace &face, const QString &text)
{
    for (const char32_t c : text.toUcs4()) {
        if (face.glyph(c) == 0)
            return false;
    }
    return true;
}

std::uint16_t EmbeddedFont::code(char32_t character)
{
    const auto at = std::lower_bound(m_codes.begin(), m_codes.end(), character,
                                     [](const auto &entry, char32_t c) { return entry.first < c; });
    if (at != m_codes.end() && at->first == character)
        return at->second;
    std::uint32_t g = m_face.glyph(character);
    char32_t shown = character;
    if (g == 0) {
        shown = U'?';
        g = m_face.glyph(U'?');
    }
    if (m_used.size() >= 0xFFFF)
        return 0; // no code left: the reader shows its missing glyph
    m_used.push_back({g, shown});
    const auto code = std::uint16_t(m_used.size());
    m_codes.insert(at, {character, code});
    return code;
}

QByteArray EmbeddedFont::encode(const QString &text)
{
    QByteArray out;
    out.reserve(text.size() * 4 + 2);
    out.append('<');
    for (const char32_t c : text.toUcs4())
        out.append(hex4(code(c)));
    out.append('>');
    return out;
}

std::vector<QByteArray> EmbeddedFont::objects(int firstObject) const
{
    const int type0 = firstObject, cidFont = firstObject + 1, descriptor = firstObject + 2,
              fontFile = firstObject + 3, toUnicode = firstObject + 4, gidMap = firstObject + 5;

    std::vector<std::uint32_t> glyphs;
    glyphs.reserve(m_used.size());
    for (const Used &u : m_used)
        glyphs.push_back(u.glyph);
    std::vector<std::uint32_t> newGlyphs;
    const QByteArray file = m_face.subset(glyphs, newGlyphs);

    // A subset is named by a tag of six capitals before the face's name;
    // the same glyphs give the same tag, so a document is reproducible.
    const QByteArray digest = QCryptographicHash::hash(
        QByteArray(reinterpret_cast<const char *>(glyphs.data()), qsizetype(glyphs.size() * sizeof(std::uint32_t)))
            + m_face.postScriptName(),
        QCryptographicHash::Sha256);
    QByteArray tag;
    for (int i = 0; i < 6; ++i)
        tag.append(char('A' + std::uint8_t(digest[i]) % 26));
    const QByteArray baseFont = tag + '+' + m_face.postScriptName();

    std::vector<QByteArray> out;
    out.push_back(QByteArray::number(type0) + " 0 obj\r\n<< /Type /Font /Subtype /Type0 /BaseFont /" + baseFont
                  + " /Encoding /Identity-H /DescendantFonts [" + QByteArray::number(cidFont)
                  + " 0 R] /ToUnicode " + QByteArray::number(toUnicode) + " 0 R >>\r\nendobj\r\n");

    // Widths of codes 1 ... n in one run; code 0 takes the default.
    QByteArray widths;
    for (std::size_t i = 0; i < m_used.size(); ++i) {
        if (i > 0)
            widths.append(i % 16 == 0 ? "\r\n" : " ");
        widths.append(QByteArray::number(m_face.advance(m_used[i].glyph)));
    }
    // The map from code to the subset's glyph number, two bytes each.
    QByteArray cidToGid(qsizetype(2 * (m_used.size() + 1)), '\0');
    for (std::size_t i = 0; i < newGlyphs.size(); ++i) {
        const std::uint32_t g = newGlyphs[i] == HB_MAP_VALUE_INVALID ? 0 : newGlyphs[i];
        cidToGid[qsizetype(2 * (i + 1))] = char(g >> 8);
        cidToGid[qsizetype(2 * (i + 1) + 1)] = char(g & 0xFF);
    }
    out.push_back(QByteArray::number(cidFont) + " 0 obj\r\n<< /Type /Font /Subtype /CIDFontType2 /BaseFont /"
                  + baseFont + "\r\n/CIDSystemInfo << /Registry (Adobe) /Ordering (Identity) /Supplement 0 >>"
                  + "\r\n/FontDescriptor " + QByteArray::number(descriptor) + " 0 R /DW 1000\r\n/W [1 [" + widths
                  + "]]\r\n/CIDToGIDMap " + QByteArray::number(gidMap) + " 0 R >>\r\nendobj\r\n");

    const int flags = 32 | (m_face.fixedPitch() ? 1 : 0) | (m_face.italicAngle != 0 ? 64 : 0); // nonsymbolic
    out.push_back(QByteArray::number(descriptor) + " 0 obj\r\n<< /Type /FontDescriptor /FontName /" + baseFont
                  + " /Flags " + QByteArray::number(flags) + "\r\n/FontBBox [" + QByteArray::number(m_face.bbox[0])
                  + ' ' + QByteArray::number(m_face.bbox[1]) + ' ' + QByteArray::number(m_face.bbox[2]) + ' '
                  + QByteArray::number(m_face.bbox[3]) + "] /ItalicAngle " + QByteArray::number(m_face.italicAngle)
                  + " /Ascent " + QByteArray::number(m_face.ascent) + " /Descent "
                  + QByteArray::number(m_face.descent) + " /CapHeight " + QByteArray::number(m_face.capHeight)
                  + " /StemV 80\r\n/FontFile2 " + QByteArray::number(fontFile) + " 0 R >>\r\nendobj\r\n");

    out.push_back(streamObject(fontFile, " /Length1 " + QByteArray::number(file.size()) + " /Filter /FlateDecode",
                               deflated(file)));

    QByteArray cmap;
    appendLine(cmap, "/CIDInit /ProcSet findresource begin");
    appendLine(cmap, "12 dict begin");
    appendLine(cmap, "begincmap");
    appendLine(cmap, "/CIDSystemInfo << /Registry (Adobe) /Ordering (UCS) /Supplement 0 >> def");
    appendLine(cmap, "/CMapName /Adobe-Identity-UCS def");
    appendLine(cmap, "/CMapType 2 def");
    appendLine(cmap, "1 begincodespacerange");
    appendLine(cmap, "<0000> <FFFF>");
    appendLine(cmap, "endcodespacerange");
    for (std::size_t start = 0; start < m_used.size(); start += 100) {
        const std::size_t end = std::min(m_used.size(), start + 100);
        appendLine(cmap, QByteArray::number(qulonglong(end - start)) + " beginbfchar");
        for (std::size_t i = start; i < end; ++i)
            appendLine(cmap, '<' + hex4(unsigned(i + 1)) + "> <" + utf16Hex(m_used[i].character) + '>');
        appendLine(cmap, "endbfchar");
    }
    appendLine(cmap, "endcmap");
    appendLine(cmap, "CMapName currentdict /CMap defineresource pop");
    appendLine(cmap, "end");
    appendLine(cmap, "end");
    out.push_back(streamObject(toUnicode, QByteArray(), cmap));
    out.push_back(streamObject(gidMap, QByteArray(), cidToGid));
    return out;
}

} // namespace zpdf
