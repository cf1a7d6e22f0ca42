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

// "-o $OUT" with OUT unset: no file has an empty name, and the message says
// which option or argument is empty.
TEST(ZirkCliHelp, AnEmptyFileNameIsWrongUsage)
{
    const UsageCase cases[] = {
        {{"new-project", "-o", ""}, "-o: the file name is empty"},
        {{"new-project", "-o", "p.zPRJ", "--import", ""}, "--import: the file name is empty"},
        {{"new-project", "-o", "p.zPRJ", "--import="}, "--import: the file name is empty"},
        {{"report", "", "-o", "r.pdf"}, "PROJECT.zPRJ: the file name is empty"},
        {{"report", "p.zPRJ", "-o", ""}, "-o: the file name is empty"},
        {{"table", "-o", ""}, "-o: the file name is empty"},
        {{"stats", ""}, "FILE: the file name is empty"},
        {{"stats", "values.txt", ""}, "FILE: the file name is empty"},
        {{"project-info", ""}, "FILE.zPRJ: the file name is empty"},
    };
    for (const UsageCase &c : cases)
        expectFailure(runCli(c.arguments), 2, c.named, callText(c.arguments));
}

} // namespace
