#pragma once
// Reading a written protocol back the way its readers see it: the words
// and their boxes from poppler's pdftotext, pages rendered by pdftoppm, the
// structure checked by qpdf.

#include "pdf/PdfTestTools.h"

#include <QImage>
#include <QImageReader>
#include <QtEndian>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <algorithm>
#include <cmath>
#include <vector>

struct PdfWord
{
    int page = 0; // 1-based
    double xMin = 0, yMin = 0, xMax = 0, yMax = 0; // points from the top-left corner
    QString text;
};

struct PdfWords
{
    bool ok = false;
    int pages = 0;
    double pageHeight = 0;
    std::vector<PdfWord> words;

    // The words whose baseline stands y mm above the bottom of page, left
    // to right.
    std::vector<PdfWord> line(int page, int yMm) const
    {
        const double baseline = pageHeight - std::nearbyint(yMm * 72 / 25.4);
        std::vector<PdfWord> out;
        for (const PdfWord &w : words) {
            if (w.page == page && w.yMin <= baseline && baseline <= w.yMax)
                out.push_back(w);
        }
        std::sort(out.begin(), out.end(), [](const PdfWord &a, const PdfWord &b) { return a.xMin < b.xMin; });
        return out;
    }

    // The words of the line whose baseline stands y mm above the bottom of
    // page, starting with the word that begins x mm from the left edge,
    // joined by single blanks; as many words as expected holds.  Empty when
    // no word begins there.
    QString textAt(int page, int xMm, int yMm, const QString &expected) const
    {
        const double x = std::nearbyint(xMm * 72 / 25.4);
        const std::vector<PdfWord> all = line(page, yMm);
        auto first = std::find_if(all.begin(), all.end(), [x](const PdfWord &w) { return w.xMin > x - 0.6; });
        if (first == all.end() || std::abs(first->xMin - x) > 0.6)
            return {};
        const qsizetype n = expected.simplified().split(QLatin1Char(' '), Qt::SkipEmptyParts).size();
        QStringList out;
        for (auto it = first; it != all.end() && out.size() < n; ++it)
            out << it->text;
        return out.join(QLatin1Char(' '));
    }

    // Every word of the document joined, page by page.
    QString allText() const
    {
        QStringList out;
        for (const PdfWord &w : words)
            out << w.text;
        return out.join(QLatin1Char(' '));
    }

    const PdfWord *find(const QString &text) const
    {
        for (const PdfWord &w : words) {
            if (w.text == text)
                return &w;
        }
        return nullptr;
    }
};

inline PdfWords readWords(const QString &pdfFile)
{
    PdfWords result;
    const ToolResult run = runTool(QStringLiteral("pdftotext"),
                                   {QStringLiteral("-bbox"), QStringLiteral("-enc"), QStringLiteral("UTF-8"),
                                    pdfFile, QStringLiteral("-")});
    if (run.exitCode != 0)
        return result;
    const QString html = QString::fromUtf8(run.out);
    static const QRegularExpression tag(QStringLiteral(
        R"re(<page width="([\d.]+)" height="([\d.]+)">|<word xMin="([\d.-]+)" yMin="([\d.-]+)" xMax="([\d.-]+)" yMax="([\d.-]+)">([^<]*)</word>)re"));
    for (auto it = tag.globalMatch(html); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        if (!m.captured(1).isEmpty()) {
            ++result.pages;
            result.pageHeight = m.captured(2).toDouble();
            continue;
        }
        QString text = m.captured(7);
        text.replace(QStringLiteral("&lt;"), QStringLiteral("<"))
            .replace(QStringLiteral("&gt;"), QStringLiteral(">"))
            .replace(QStringLiteral("&quot;"), QStringLiteral("\""))
            .replace(QStringLiteral("&apos;"), QStringLiteral("'"))
            .replace(QStringLiteral("&amp;"), QStringLiteral("&"));
        result.words.push_back({result.pages, m.captured(3).toDouble(), m.captured(4).toDouble(),
                                m.captured(5).toDouble(), m.captured(6).toDouble(), text});
    }
    result.ok = true;
    return result;
}

// qpdf's verdict: true when it finds nothing to complain about.
inline bool qpdfAccepts(const QString &pdfFile, QByteArray *output = nullptr)
{
    const ToolResult run = runTool(QStringLiteral("qpdf"), {QStringLiteral("--check"), pdfFile});
    if (output)
        *output = run.out + run.err;
    return run.exitCode == 0;
}

// Page (1-based) rendered by pdftoppm at one pixel per millimetre: pixel
// (x, 297 - y) covers the millimetre right of x and below y (measured from
// the lower-left corner).
inline QImage renderPageMm(const QString &pdfFile, int page)
{
    QTemporaryDir dir;
    const QString prefix = dir.filePath(QStringLiteral("page"));
    const ToolResult run = runTool(QStringLiteral("pdftoppm"),
                                   {QStringLiteral("-r"), QStringLiteral("25.4"), QStringLiteral("-f"),
                                    QString::number(page), QStringLiteral("-l"), QString::number(page),
                                    QStringLiteral("-singlefile"), QStringLiteral("-png"), pdfFile, prefix});
    if (run.exitCode != 0)
        return {};
    return QImage(prefix + QStringLiteral(".png"));
}

inline quint32 crc32(const QByteArray &bytes)
{
    quint32 crc = 0xFFFFFFFFu;
    for (const char c : bytes) {
        crc ^= quint8(c);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

// The start of an RGBA PNG of width x height pixels: as much as a decoder
// needs to know how much memory the picture would take.
inline QByteArray hugePngHeader(quint32 width, quint32 height)
{
    auto chunk = [](const char *type, const QByteArray &data) {
        QByteArray body = QByteArray(type) + data;
        QByteArray c(4, '\0');
        qToBigEndian(quint32(data.size()), c.data());
        c += body;
        QByteArray crc(4, '\0');
        qToBigEndian(crc32(body), crc.data());
        return c + crc;
    };
    QByteArray ihdr(13, '\0');
    qToBigEndian(width, ihdr.data());
    qToBigEndian(height, ihdr.data() + 4);
    ihdr[8] = 8; // bits per channel
    ihdr[9] = 6; // RGBA
    return QByteArray("\x89PNG\r\n\x1a\n", 8) + chunk("IHDR", ihdr) +
           chunk("IDAT", QByteArray::fromHex("789c030000000001")) + chunk("IEND", {});
}

// A square side whose RGBA pixels are over Qt's allocation limit (8000 x
// 8000 with the usual limit).
inline quint32 sideOverTheDecodeLimit()
{
    const qint64 bytes = qint64(QImageReader::allocationLimit()) * 1024 * 1024;
    return std::max<quint32>(8000, quint32(std::sqrt(double(bytes) / 4)) + 16);
}
