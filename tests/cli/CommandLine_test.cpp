// zirk-cli as a whole: help, usage and the exit status of a bad call.
#include "CliRunner.h"

namespace {

const char *const kCommands[] = {"distance", "reflective", "table", "stats", "project-info", "new-project", "report"};

TEST(ZirkCliHelp, ProgramHelpListsEveryCommand)
{
    for (const char *call : {"--help", "-h", "help"}) {
        const CliRun run = runCli({call});
        EXPECT_EQ(run.exitCode, 0) << call;
        EXPECT_TRUE(run.err.isEmpty()) << call;
        for (const char *command : kCommands)
            EXPECT_TRUE(run.out.contains(QByteArray("\n  ") + command + ' ')) << call << " " << command;
        EXPECT_TRUE(run.out.contains("Exit status")) << call;
    }
}

TEST(ZirkCliHelp, EachCommandDescribesItsInterface)
{
    for (const char *command : kCommands) {
        const CliRun run = runCli({command, "--help"});
        EXPECT_EQ(run.exitCode, 0) << command;
        EXPECT_TRUE(run.out.startsWith(QByteArray("Usage: zirk-cli ") + command + ' ')) << command;
        EXPECT_TRUE(run.out.contains("  --json ")) << command;
        EXPECT_TRUE(run.out.contains("JSON: {")) << command;
        // --help wins over whatever else is wrong with the call.
        EXPECT_EQ(runCli({command, "--help", "--json", "no-such-file"}).exitCode, 0) << command;
    }
}

struct UsageCase
{
    QStringList arguments;
    const char *named;
};

const UsageCase kUsage[] = {
    {{}, "COMMAND"},
    {{"frobnicate"}, "frobnicate"},
    {{"--json"}, "--json"},
    {{"distance", "--kind", "vlc", "--time"}, "--time"},
};

TEST(ZirkCliHelp, WrongUsageShowsTheUsage)
{
    for (const UsageCase &c : kUsage)
        expectFailure(runCli(c.arguments), 2, c.named, callText(c.arguments));
}

} // namespace
