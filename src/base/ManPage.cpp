#include "base/ManPage.h"

#include <algorithm>

QString roffEscape(const QString &text)
{
    QString out;
    out.reserve(text.size() + 8);
    bool lineStart = true;
    for (const QChar c : text) {
        if (lineStart && (c == QLatin1Char('.') || c == QLatin1Char('\'')))
            out += QStringLiteral("\\&");
        if (c == QLatin1Char('\\'))
            out += QStringLiteral("\\e");
        else if (c == QLatin1Char('-'))
            out += QStringLiteral("\\-");
        else
            out += c;
        lineStart = c == QLatin1Char('\n');
    }
    return out;
}

namespace {

// Paragraphs filled by roff; a line that --help sets apart (a JSON shape, an
// indented example) keeps its own line.
QString roffParagraphs(const QString &text)
{
    QString out;
    const QStringList paragraphs = text.trimmed().split(QStringLiteral("\n\n"), Qt::SkipEmptyParts);
    for (const QString &paragraph : paragraphs) {
        out += QStringLiteral(".PP\n");
        bool first = true;
        for (const QString &line : paragraph.split(QLatin1Char('\n'))) {
            const bool apart = line.startsWith(QLatin1String("JSON:")) || line.startsWith(QLatin1String("  "));
            if (apart && !first)
                out += QStringLiteral(".br\n");
            out += roffEscape(apart ? line.trimmed() : line) + QLatin1Char('\n');
            first = false;
        }
    }
    return out;
}

QString roffItems(const std::vector<ManItem> &items)
{
    QString out;
    for (const ManItem &item : items) {
        out += QStringLiteral(".TP\n\\fB") + roffEscape(item.term) + QStringLiteral("\\fR\n");
        out += roffEscape(item.text) + QLatin1Char('\n');
    }
    return out;
}

QString roffSection(const ManSection &section, bool sub)
{
    QString out = (sub ? QStringLiteral(".SS ") : QStringLiteral(".SH ")) + roffEscape(section.title) + QLatin1Char('\n');
    out += roffParagraphs(section.text);
    out += roffItems(section.items);
    out += roffParagraphs(section.after);
    for (const ManSection &s : section.subsections)
        out += roffSection(s, true);
    return out;
}

} // namespace

QString manPageRoff(const ManPage &page, const QString &version, const QString &date)
{
    QString out = QStringLiteral(".TH %1 1 \"%2\" \"Zirk %3\" \"User Commands\"\n")
                      .arg(roffEscape(page.name.toUpper()), date, version);
    out += QStringLiteral(".SH NAME\n") + roffEscape(page.name) + QStringLiteral(" \\- ") + roffEscape(page.summary)
        + QLatin1Char('\n');
    out += QStringLiteral(".SH SYNOPSIS\n");
    for (qsizetype i = 0; i < page.synopsis.size(); ++i) {
        if (i > 0)
            out += QStringLiteral(".br\n");
        out += QStringLiteral("\\fB") + roffEscape(page.name) + QStringLiteral("\\fR ") + roffEscape(page.synopsis.at(i))
            + QLatin1Char('\n');
    }
    out += QStringLiteral(".SH DESCRIPTION\n") + roffParagraphs(page.description);
    for (const ManSection &section : page.sections)
        out += roffSection(section, false);
    return out;
}

QString helpItemLines(const std::vector<ManItem> &items)
{
    constexpr qsizetype kLineWidth = 79;
    qsizetype width = 0;
    for (const ManItem &item : items)
        width = std::max(width, item.term.size());
    // The texts start in one column and wrap under it; beside very wide
    // terms a text starts on the next line.
    const qsizetype column = 2 + width + 2;
    const bool below = column > 36;
    const qsizetype indent = below ? 8 : column;
    QString text;
    for (const ManItem &item : items) {
        QString line = QStringLiteral("  ") + item.term;
        if (below) {
            text += line + QLatin1Char('\n');
            line = QString(indent, QLatin1Char(' '));
        } else {
            line = line.leftJustified(column);
        }
        bool lineEmpty = true;
        for (const QString &word : item.text.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
            if (!lineEmpty && line.size() + 1 + word.size() > kLineWidth) {
                text += line + QLatin1Char('\n');
                line = QString(indent, QLatin1Char(' '));
                lineEmpty = true;
            }
            if (!lineEmpty)
                line += QLatin1Char(' ');
            line += word;
            lineEmpty = false;
        }
        text += line + QLatin1Char('\n');
    }
    return text;
}
