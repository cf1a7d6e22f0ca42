#pragma once

#include <QByteArray>

#include <map>
#include <optional>

// Reads objects of a PDF the program wrote, without a full parser: every
// "N 0 obj" at a line start is an object (a later one of the same number
// replaces an earlier, as an incremental update does), and the values looked
// up are the simple forms the program writes.
class PdfObjectReader
{
public:
    explicit PdfObjectReader(const QByteArray &pdf);

    // The object's text from after "obj" up to "endobj" (its stream
    // included); empty when there is none.
    QByteArray object(int number) const;
    const std::map<int, qsizetype> &objects() const { return m_starts; }

    // A stream's bytes by its /Length; none when cut short.
    std::optional<QByteArray> stream(int number) const;

    // Values in a dictionary text: the integer after key, the reference
    // "N 0 R" after key, the literal or hex string after key (unescaped).
    static std::optional<qint64> integer(const QByteArray &dict, const QByteArray &key);
    static std::optional<int> reference(const QByteArray &dict, const QByteArray &key);
    static std::optional<QByteArray> string(const QByteArray &dict, const QByteArray &key);
    static std::optional<QByteArray> name(const QByteArray &dict, const QByteArray &key);

    // A literal string "(...)" starting at position; its end in *end.
    static QByteArray literal(const QByteArray &text, qsizetype position, qsizetype *end = nullptr);

private:
    const QByteArray &m_pdf;
    std::map<int, qsizetype> m_starts; // number -> first byte after "obj"
};
