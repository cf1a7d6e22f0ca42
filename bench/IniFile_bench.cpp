// Reading the settings and language files happens at start and on a change
// of language, on the user interface thread: it has to stay well below a
// frame even for a damaged file at the size limit.
#include "settings/IniFile.h"
#include "settings/LanguageTexts.h"

#include <benchmark/benchmark.h>

namespace {

QByteArray languageFile()
{
    QByteArray bytes;
    QByteArray section;
    for (const LanguageKey &k : languageKeys()) {
        if (section != k.section) {
            section = k.section;
            bytes += "\r\n[" + section + "]\r\n";
        }
        bytes += QByteArray(k.key) + "=" + k.defaultText + " \xC3\xBC\r\n";
    }
    return bytes;
}

void BM_ReadEveryLanguageKey(benchmark::State &state)
{
    const QByteArray bytes = languageFile();
    for (auto _ : state) {
        const IniFile ini = IniFile::fromBytes(bytes);
        qsizetype total = 0;
        for (const LanguageKey &k : languageKeys())
            total += ini.readString(QLatin1String(k.section), QLatin1String(k.key), QString()).size();
        benchmark::DoNotOptimize(total);
    }
    state.SetBytesProcessed(state.iterations() * bytes.size());
}
BENCHMARK(BM_ReadEveryLanguageKey);

// A damaged file of a megabyte, all short unknown lines.
void BM_ParseAMegabyteOfUnknownKeys(benchmark::State &state)
{
    QByteArray bytes = "[Settings]\r\n";
    int i = 0;
    while (bytes.size() < 1024 * 1024 - 64)
        bytes += "UnknownKey" + QByteArray::number(i++) + "=some value\r\n";
    for (auto _ : state) {
        IniFile ini = IniFile::fromBytes(bytes);
        ini.writeString(QStringLiteral("Settings"), QStringLiteral("Language"), QStringLiteral("German"));
        benchmark::DoNotOptimize(ini.readString(QStringLiteral("settings"), QStringLiteral("language"), QString()));
    }
    state.SetBytesProcessed(state.iterations() * bytes.size());
}
BENCHMARK(BM_ParseAMegabyteOfUnknownKeys)->Unit(benchmark::kMillisecond);

} // namespace
