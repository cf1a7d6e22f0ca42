// Project files and the import on a series of 1,000,000 stop times, through
// the main window as the user runs them.  Targets: the import at most twice
// as long as a bare strtod loop over the same file (StrtodLoop, same run);
// opening and saving the project each under 300 ms.

#include "../tests/FakePlatform.h"

#include "windows/MainForm.h"
#include "windows/Program.h"
#include "state/ProgramState.h"
#include "windows/ImagesForm.h"

#include <QApplication>
#include <QFile>
#include <QLocale>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>
#include <random>

namespace {

constexpr int kValues = 1000000;

// One program on fake seams, shown as at start, with its files in a
// temporary folder.
struct Bench
{
    QTemporaryDir dir;
    FakePlatform fake;
    std::unique_ptr<ZirkProgram> program;
    QString importFile;
    QString projectFile;

    Bench()
    {
        qputenv("ZIRK_CONFIG_DIR", dir.path().toLocal8Bit());
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        program = std::make_unique<ZirkProgram>(fake.platform, QStringList());
        program->mainForm()->show();
        // Saved right after start: the images dialog's four placeholders.
        Timagesform *images = program->forms().imagesform();
        for (int slot = 1; slot <= Timagesform::kSlotCount; ++slot) {
            if (images->picture(slot).isNull()) {
                QImage placeholder(270, 210, QImage::Format_RGB888);
                placeholder.fill(Qt::lightGray);
                images->setPicture(slot, placeholder);
            }
        }

        // Stop times as a text file, 100 ms to 900 ms with three decimals.
        std::mt19937 random(7);
        std::uniform_int_distribution<int> thousandths(100000, 900000);
        QByteArray text;
        text.reserve(kValues * 9);
        for (int i = 0; i < kValues; ++i) {
            const int v = thousandths(random);
            text += QByteArray::number(v / 1000) + '.' + QByteArray::number(v % 1000).rightJustified(3, '0') + '\n';
        }
        importFile = dir.filePath("values.txt");
        QFile f(importFile);
        if (!f.open(QIODevice::WriteOnly) || f.write(text) != text.size())
            std::abort();
        projectFile = dir.filePath("project.zPRJ");
    }

    TMainForm &window() { return *program->mainForm(); }
    ProgramState &state() { return program->state(); }

    void importValues()
    {
        fake.dialogs.fileAnswers.push_back(importFile);
        window().ImportValues();
    }
    void open()
    {
        fake.dialogs.fileAnswers.push_back(projectFile);
        window().submenu_OpenClick();
    }
    void saveAs()
    {
        fake.dialogs.fileAnswers.push_back(projectFile);
        window().submenu_SaveAsClick();
    }
};

Bench &bench()
{
    static int argc = 1;
    static char name[] = "zirk_bench";
    static char *argv[] = {name, nullptr};
    if (!QApplication::instance()) {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        new QApplication(argc, argv);
    }
    static Bench b;
    return b;
}

void StrtodLoop(benchmark::State &st)
{
    Bench &b = bench();
    for (auto _ : st) {
        QFile f(b.importFile);
        if (!f.open(QIODevice::ReadOnly))
            std::abort();
        const QByteArray text = f.readAll();
        const char *p = text.constData();
        const char *const end = p + text.size();
        double sum = 0;
        while (p < end) {
            char *next = nullptr;
            sum += std::strtod(p, &next);
            p = next + 1; // past the line feed
        }
        benchmark::DoNotOptimize(sum);
    }
}

void ImportValues(benchmark::State &st)
{
    Bench &b = bench();
    for (auto _ : st) {
        st.PauseTiming();
        b.state().clear();
        st.ResumeTiming();
        b.importValues();
    }
    if (b.state().stopTimes().size() != size_t(kValues))
        st.SkipWithError("not every value was imported");
}

void OpenProject(benchmark::State &st)
{
    Bench &b = bench();
    b.state().replace(std::vector<double>(kValues, 123.456));
    b.saveAs();
    for (auto _ : st) {
        st.PauseTiming();
        b.state().clear();
        st.ResumeTiming();
        b.open();
    }
    if (b.state().stopTimes().size() != size_t(kValues) || !b.fake.dialogs.questions.empty())
        st.SkipWithError("the project did not open");
}

void SaveProject(benchmark::State &st)
{
    Bench &b = bench();
    b.state().replace(std::vector<double>(kValues, 123.456));
    for (auto _ : st)
        b.saveAs();
    if (QFile(b.projectFile).size() < 4 + 8 * qint64(kValues) + 1128)
        st.SkipWithError("the project was not written");
}

} // namespace

BENCHMARK(StrtodLoop)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(ImportValues)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(OpenProject)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(SaveProject)->Unit(benchmark::kMillisecond)->MinTime(2.0);
