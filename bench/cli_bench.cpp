// zirk-cli stats over a million stop times, run as a pipeline runs it: the
// whole process, start-up and output included.
#include <benchmark/benchmark.h>

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QString>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cstdlib>
#include <string>
#include <vector>

extern char **environ;

namespace {

constexpr int kLines = 1000000;

// One value per line as an instrument log or a spreadsheet export gives
// them: one decimal, with a sprinkling of lines that are not numbers.
const QString &millionLineFile()
{
    static const QString fileName = [] {
        const QString name = QDir::temp().filePath(QStringLiteral("zirk_cli_bench_1M.txt"));
        QFile file(name);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            std::abort();
        QRandomGenerator random(13855);
        QByteArray text;
        text.reserve(kLines * 7);
        for (int i = 0; i < kLines; ++i) {
            if (i % 1000 == 999) {
                text += "n/a\r\n";
                continue;
            }
            text += QByteArray::number(50.0 + random.bounded(3500) / 10.0, 'f', 1);
            text += "\r\n";
        }
        file.write(text);
        return name;
    }();
    return fileName;
}

// Runs zirk-cli with the arguments, its output thrown away; false unless it
// ends with status 0.
bool runCli(const std::vector<std::string> &arguments)
{
    const std::string program = ZIRK_BINARY_DIR "/zirk-cli";
    std::vector<char *> argv;
    argv.push_back(const_cast<char *>(program.c_str()));
    for (const std::string &a : arguments)
        argv.push_back(const_cast<char *>(a.c_str()));
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int rc = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0)
        return false;
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

void BM_CliStatsMillionLines(benchmark::State &state)
{
    setenv("LC_ALL", "C.UTF-8", 1);
    const std::string file = millionLineFile().toStdString();
    for (auto _ : state) {
        if (!runCli({"stats", "--json", file}))
            state.SkipWithError("zirk-cli stats failed");
    }
    state.SetItemsProcessed(state.iterations() * kLines);
}
BENCHMARK(BM_CliStatsMillionLines)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

// The start-up alone, for telling it from the work.
void BM_CliStartUp(benchmark::State &state)
{
    for (auto _ : state) {
        if (!runCli({"reflective", "--distance", "3000", "--json"}))
            state.SkipWithError("zirk-cli reflective failed");
    }
}
BENCHMARK(BM_CliStartUp)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(10);

} // namespace
