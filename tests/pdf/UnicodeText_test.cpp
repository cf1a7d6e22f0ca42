// Text beyond Windows-1250: embedded Liberation subsets that the readers
// (qpdf, poppler) take, give the typed text back and list as subsets; the
// Windows-1250 path byte for byte as before; a missing font gives "?" and a
// notice, never a broken file; document properties as typed.

#include "pdf/UnicodeFont.h"
#include "pdf/zPdf.h"

#include "FakePlatform.h"
#include "PdfTestTools.h"
#include "base/CodePage.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>

namespace {

// The fonts of one test from another folder, the installed ones after it.
class FontDirectoryScope
{
public:
    explicit FontDirectoryScope(const QString &directory) { zpdf::setFontDirectory(directory); }
    ~FontDirectoryScope() { zpdf::setFontDirectory(QString()); }
    FontDirectoryScope(const FontDirectoryScope &) = delete;
    FontDirectoryScope &operator=(const FontDirectoryScope &) = delete;
};

class UnicodeText : public ::testing::Test
{
protected:
    QByteArray document(const std::function<void(TzPdf &)> &draw, QString *notice = nullptr)
    {
        const FakeClock clock;
        TzPdf pdf(&clock);
        pdf.StartCreating();
        pdf.AddPage(210, 297);
        draw(pdf);
        pdf.FinishCreating();
        if (notice)
            *notice = pdf.fontNotice();
        EXPECT_TRUE(writeFile(file, pdf.data()));
        return pdf.data();
    }

    QString text()
    {
        const ToolResult r = runTool(QStringLiteral("pdftotext"), {file, QStringLiteral("-")});
        EXPECT_EQ(r.exitCode, 0) << r.err.constData();
        return QString::fromUtf8(r.out);
    }

    void expectQpdfClean()
    {
        const ToolResult r = runTool(QStringLiteral("qpdf"), {QStringLiteral("--check"), file});
        EXPECT_EQ(r.exitCode, 0) << r.out.constData() << r.err.constData();
        EXPECT_FALSE(r.err.contains("WARNING")) << r.err.constData();
    }

    // The lines of pdffonts that name embedded subsets of TrueType CID fonts.
    QStringList embeddedSubsets()
    {
        const ToolResult r = runTool(QStringLiteral("pdffonts"), {file});
        EXPECT_EQ(r.exitCode, 0) << r.err.constData();
        QStringList subsets;
        for (const QString &line : QString::fromUtf8(r.out).split(u'\n')) {
            const QStringList words = line.simplified().split(u' ');
            // name type... encoding emb sub uni object ID
            if (line.contains(QStringLiteral("CID TrueType")) && words.size() >= 7 && words[0].size() > 7
                && words[0][6] == u'+' && words[words.size() - 5] == QStringLiteral("yes")
                && words[words.size() - 4] == QStringLiteral("yes") && words[words.size() - 3] == QStringLiteral("yes"))
                subsets << words[0].mid(7);
        }
        return subsets;
    }

    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("unicode.pdf"));
};

TEST_F(UnicodeText, EveryScriptPrintsAsTypedInEachFaceOfTheProtocol)
{
    struct Case
    {
        const char *what;
        QString text;
    };
    const Case cases[] = {
        {"Russian", QStringLiteral("Пресс № 4")},
        {"French", QStringLiteral("Presse à chaud n° 3 — èé")},
        {"French name", QStringLiteral("Hélène Brèves")},
        {"Czech with Western letters", QStringLiteral("Škoda Plzeň, Brèves")},
        {"Greek", QStringLiteral("Πρέσα αρ. 5")},
        {"Turkish", QStringLiteral("Şişecam İzmir ğ")},
        {"Nordic and Iberian", QStringLiteral("Åsa Øster ñ ã")},
        {"parentheses and backslash", QStringLiteral("Пресс (линия \\ B)")},
    };
    // Helvetica, Helvetica-Bold, Courier, Courier-Bold: the protocol's four.
    const int fonts[] = {1, 2, 5, 6};
    document([&](TzPdf &pdf) {
        int y = 280;
        for (const Case &c : cases) {
            for (const int font : fonts) {
                pdf.TextXYUnicode(15, y, font, 10, c.text);
                y -= 8;
            }
        }
    });
    expectQpdfClean();
    const QString extracted = text();
    for (const Case &c : cases)
        EXPECT_EQ(extracted.count(c.text), 4) << c.what << "\n" << extracted.toStdString();
    QStringList subsets = embeddedSubsets();
    subsets.sort();
    EXPECT_EQ(subsets, (QStringList{QStringLiteral("LiberationMono"), QStringLiteral("LiberationMono-Bold"),
                                    QStringLiteral("LiberationSans"), QStringLiteral("LiberationSans-Bold")}));
}

TEST_F(UnicodeText, Windows1250TextIsWrittenAsBeforeByteForByte)
{
    const QString czech = QStringLiteral("Lis č. 4 (linka B) – Škoda Plzeň");
    const QByteArray unicode = document([&](TzPdf &pdf) { pdf.TextXYUnicode(15, 200, 5, 10, czech); });
    const QByteArray bytes = document([&](TzPdf &pdf) { pdf.TextXY(15, 200, 5, 10, toWindows1250(czech)); });
    EXPECT_EQ(unicode, bytes);
    EXPECT_FALSE(unicode.contains("/Type0"));
}

TEST_F(UnicodeText, OnlyTheRunThatNeedsItTakesTheEmbeddedFont)
{
    const QByteArray pdf = document([](TzPdf &p) {
        p.TextXYUnicode(15, 250, 2, 10, QStringLiteral("Machine ID:"));
        p.TextXYUnicode(50, 250, 5, 10, QStringLiteral("Пресс"));
    });
    const QByteArray content = pageContent(pdf, 0);
    EXPECT_TRUE(content.contains("/F2 10 Tf\r\n43 709 Td\r\n(Machine ID:) Tj")) << content.constData();
    EXPECT_TRUE(content.contains("/U5 10 Tf\r\n142 709 Td\r\n<00010002000300040004> Tj")) << content.constData();
    // One subset, of Liberation Mono, with the four letters and what draws
    // nothing else.
    EXPECT_EQ(pdf.count("/Subtype /Type0"), 1);
    EXPECT_TRUE(pdf.contains("/F14 16 0 R /U5 24 0 R >>"));
    expectQpdfClean();
    EXPECT_TRUE(text().contains(QStringLiteral("Пресс")));
}

TEST_F(UnicodeText, AMissingFontGivesQuestionMarksAndANoticeNeverABrokenFile)
{
    QTemporaryDir noFonts;
    const FontDirectoryScope scope(noFonts.path());
    QString notice;
    const QByteArray pdf = document(
        [](TzPdf &p) {
            p.TextXYUnicode(15, 250, 5, 10, QStringLiteral("Пресс № 4"));
            p.TextXYUnicode(15, 240, 1, 10, QStringLiteral("Hélène Brèves"));
        },
        &notice);
    expectQpdfClean();
    EXPECT_FALSE(pdf.contains("/Type0"));
    const QString extracted = text();
    EXPECT_TRUE(extracted.contains(QStringLiteral("????? ? 4"))) << extracted.toStdString();
    EXPECT_TRUE(extracted.contains(QStringLiteral("Hél?ne Br?ves"))) << extracted.toStdString();
    // One line, naming the font and the package that brings it.
    EXPECT_FALSE(notice.contains(u'\n'));
    EXPECT_TRUE(notice.contains(QStringLiteral("LiberationMono-Regular.ttf"))) << notice.toStdString();
    EXPECT_TRUE(notice.contains(QStringLiteral("fonts-liberation2"))) << notice.toStdString();
    EXPECT_FALSE(TzPdf::printsAsTyped(QStringLiteral("Пресс"), 5));

    // Text Windows-1250 holds needs no font and leaves no notice.
    document([](TzPdf &p) { p.TextXYUnicode(15, 250, 5, 10, QStringLiteral("Škoda Plzeň")); }, &notice);
    EXPECT_TRUE(notice.isEmpty());
}

TEST(UnicodeFonts, PrintsAsTypedSaysWhetherThePageShowsTheTextAsTyped)
{
    struct Case
    {
        const char *what;
        QString text;
        int font;
        bool asTyped;
    };
    const Case cases[] = {
        {"ASCII", QStringLiteral("Press 4"), 5, true},
        {"Czech in Windows-1250", QStringLiteral("Škoda Plzeň"), 13, true},
        {"Cyrillic in Liberation Mono", QStringLiteral("Пресс № 4"), 5, true},
        {"Greek in Liberation Sans Bold", QStringLiteral("Πρέσα"), 2, true},
        {"no embedded Symbol face", QStringLiteral("Пресс"), 13, false},
        {"ideographs Liberation lacks", QStringLiteral("工場 4"), 1, false},
    };
    for (const Case &c : cases)
        EXPECT_EQ(TzPdf::printsAsTyped(c.text, c.font), c.asTyped) << c.what;
}

TEST(UnicodeFonts, DocumentPropertiesAreInPdfDocEncodingOrUtf16)
{
    struct Case
    {
        const char *what;
        QString text;
        QByteArray bytes;
    };
    const Case cases[] = {
        {"ASCII as it is", QStringLiteral("Stop time (zPdf)"), "Stop time (zPdf)"},
        {"Latin-1 letters", QStringLiteral("Hélène"), "H\xE9l\xE8ne"},
        {"the codes PDFDocEncoding moves", QStringLiteral("€ – “Š”"), "\xA0 \x85 \x8D\x97\x8E"},
        {"Czech", QStringLiteral("č"), QByteArray("\xFE\xFF\x01\x0D", 4)},
        {"no-break space has no code", QStringLiteral("a\u00A0b"), QByteArray("\xFE\xFF\x00" "a\x00\xA0\x00" "b", 8)},
    };
    for (const Case &c : cases)
        EXPECT_EQ(zpdf::documentText(c.text), c.bytes) << c.what;
}

TEST_F(UnicodeText, PdfinfoShowsThePropertiesAsTyped)
{
    const QString subject = QStringLiteral("Lis č. 4 (linka B)");
    const QString author = QStringLiteral("Hélène Brèves");
    const QString keywords = QStringLiteral("Пресс № 4, Svislá světelná závora, d=14 mm");
    document([&](TzPdf &p) {
        p.setSubject(zpdf::documentText(subject));
        p.setAuthor(zpdf::documentText(author));
        p.setKeywords(zpdf::documentText(keywords));
        p.setTitle(zpdf::documentText(QStringLiteral("Stop time measurement protocol")));
    });
    expectQpdfClean();
    const ToolResult r = runTool(QStringLiteral("pdfinfo"), {QStringLiteral("-enc"), QStringLiteral("UTF-8"), file});
    ASSERT_EQ(r.exitCode, 0) << r.err.constData();
    const QString info = QString::fromUtf8(r.out);
    for (const QString &line : {QStringLiteral("Subject:         ") + subject, QStringLiteral("Author:          ") + author,
                                QStringLiteral("Keywords:        ") + keywords,
                                QStringLiteral("Title:           Stop time measurement protocol")})
        EXPECT_TRUE(info.contains(line)) << line.toStdString() << "\n" << info.toStdString();
}

} // namespace
