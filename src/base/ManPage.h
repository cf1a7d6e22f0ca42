#pragma once

#include <QString>
#include <QStringList>

#include <vector>

// What a program says about its command line, written once and shown two
// ways: as the text of --help and as a manual page in roff, so that the two
// cannot tell different stories.
//
// Texts are plain: paragraphs are separated by a blank line, and the line
// breaks inside a paragraph are those of --help (the manual page fills
// them, except before a line that starts with "JSON:" or "  ").
struct ManItem
{
    QString term; // "--time MS", "ZIRK_ARCHIVE", "0"
    QString text;
};

struct ManSection
{
    QString title;               // "ENVIRONMENT"; the help text writes it as "Environment:"
    QString text;                // before the items
    std::vector<ManItem> items;
    QString after;               // after the items
    // Subsections of their own (one per zirk-cli command).
    std::vector<ManSection> subsections;
};

struct ManPage
{
    QString name;        // "zirk-cli"
    QString summary;     // the NAME line after the dash
    QStringList synopsis; // whole lines after the program name
    QString description;
    std::vector<ManSection> sections;
};

// The manual page in section 1, for groff's man macros.
QString manPageRoff(const ManPage &page, const QString &version, const QString &date);

// A section's items as --help lists them: two blanks, the term padded to
// the widest, the text.
QString helpItemLines(const std::vector<ManItem> &items);

// roff-safe text: backslashes, a dot or quote at the start of a line, and
// hyphens (which roff would print as a hyphen, not the ASCII minus an
// option needs).
QString roffEscape(const QString &text);
