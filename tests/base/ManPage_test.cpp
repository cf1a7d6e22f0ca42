#include "base/ManPage.h"

#include "QtPrinters.h"

#include <gtest/gtest.h>

TEST(ManPage, RoffEscapeKeepsTextFromBeingReadAsRequests)
{
    struct Case
    {
        const char *what;
        const char *text;
        const char *roff;
    };
    const Case cases[] = {
        {"plain", "stop time", "stop time"},
        {"an option's hyphens are ASCII minus signs", "--json -o", "\\-\\-json \\-o"},
        {"a backslash is printed, not an escape", "C:\\Zirk", "C:\\eZirk"},
        {"a dot at a line start is no request", ".zPRJ files\n.TH", "\\&.zPRJ files\n\\&.TH"},
        {"nor a quote", "'x'", "\\&'x'"},
        {"a dot inside a line stays", "a.zPRJ", "a.zPRJ"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(roffEscape(QString::fromUtf8(c.text)), QString::fromUtf8(c.roff));
    }
}

TEST(ManPage, HelpItemsWrapWithinEightyColumnsUnderTheirText)
{
    const std::vector<ManItem> items = {
        {QStringLiteral("-o FILE"), QStringLiteral("the file to create or replace")},
        {QStringLiteral("--json"), QString(40, QLatin1Char('x')) + QLatin1Char(' ') + QString(40, QLatin1Char('y'))},
    };
    EXPECT_EQ(helpItemLines(items), QStringLiteral("  -o FILE  the file to create or replace\n"
                                                   "  --json   ")
                                        + QString(40, QLatin1Char('x')) + QStringLiteral("\n           ")
                                        + QString(40, QLatin1Char('y')) + QLatin1Char('\n'));

    // A word longer than the line is not cut.
    const QString word(100, QLatin1Char('w'));
    EXPECT_EQ(helpItemLines({{QStringLiteral("t"), word}}), QStringLiteral("  t  ") + word + QLatin1Char('\n'));
}

TEST(ManPage, PageHasTheSectionsInOrderAndEscapedItems)
{
    ManPage page;
    page.name = QStringLiteral("zirk-cli");
    page.summary = QStringLiteral("stop times");
    page.synopsis = {QStringLiteral("COMMAND --help"), QStringLiteral("--help")};
    page.description = QStringLiteral("First paragraph\nwrapped.\n\nSecond.\nJSON: {\"file\"}");
    page.sections.push_back({QStringLiteral("EXIT STATUS"), QString(), {{QStringLiteral("2"), QStringLiteral("wrong usage")}},
                             QString(), {}});
    const QString roff = manPageRoff(page, QStringLiteral("5.1.0"), QStringLiteral("2026-12-10"));
    EXPECT_EQ(roff, QStringLiteral(".TH ZIRK\\-CLI 1 \"2026-12-10\" \"Zirk 5.1.0\" \"User Commands\"\n"
                                   ".SH NAME\nzirk\\-cli \\- stop times\n"
                                   ".SH SYNOPSIS\n\\fBzirk\\-cli\\fR COMMAND \\-\\-help\n.br\n\\fBzirk\\-cli\\fR \\-\\-help\n"
                                   ".SH DESCRIPTION\n.PP\nFirst paragraph\nwrapped.\n.PP\nSecond.\n.br\nJSON: {\"file\"}\n"
                                   ".SH EXIT STATUS\n.TP\n\\fB2\\fR\nwrong usage\n"));
}
