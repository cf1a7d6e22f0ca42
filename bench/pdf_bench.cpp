// The PDF writer on the two largest documents a report can make: a long
// series (2,000 pages of text) and two picture pages with four 640 x 480
// pictures.  Targets: each under 100 ms, heap under three times the file.
//
// Counters: file_bytes, the finished document; peak_heap_bytes, the most the
// heap grew above its level before the document was started; heap_per_file,
// their ratio.

#include "base/Seams.h"
#include "pdf/zPdf.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QImage>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <vector>

#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
#define ZIRK_COUNT_HEAP 1
#include <malloc.h>
#include <cerrno>

// Every allocation of the program, Qt's included, passes through these so
// the benchmark can see the heap's high-water mark.
namespace {
std::atomic<std::int64_t> heapNow {0};
std::atomic<std::int64_t> heapPeak {0};

void counted(void *p)
{
    if (!p)
        return;
    const std::int64_t now = heapNow.fetch_add(std::int64_t(malloc_usable_size(p))) + std::int64_t(malloc_usable_size(p));
    std::int64_t peak = heapPeak.load();
    while (now > peak && !heapPeak.compare_exchange_weak(peak, now)) {
    }
}

void uncounted(void *p)
{
    if (p)
        heapNow.fetch_sub(std::int64_t(malloc_usable_size(p)));
}
} // namespace

extern "C" {
void *__libc_malloc(size_t);
void *__libc_calloc(size_t, size_t);
void *__libc_realloc(void *, size_t);
void *__libc_memalign(size_t, size_t);
void __libc_free(void *);

void *malloc(size_t size)
{
    void *p = __libc_malloc(size);
    counted(p);
    return p;
}

void *calloc(size_t count, size_t size)
{
    void *p = __libc_calloc(count, size);
    counted(p);
    return p;
}

void *realloc(void *old, size_t size)
{
    const std::int64_t before = old ? std::int64_t(malloc_usable_size(old)) : 0;
    void *p = __libc_realloc(old, size);
    if (p || size == 0) {
        heapNow.fetch_sub(before);
        counted(p);
    }
    return p;
}

void *memalign(size_t alignment, size_t size)
{
    void *p = __libc_memalign(alignment, size);
    counted(p);
    return p;
}

void *aligned_alloc(size_t alignment, size_t size)
{
    return memalign(alignment, size);
}

int posix_memalign(void **out, size_t alignment, size_t size)
{
    void *p = memalign(alignment, size);
    if (!p)
        return ENOMEM;
    *out = p;
    return 0;
}

void free(void *p)
{
    uncounted(p);
    __libc_free(p);
}
}
#endif

namespace {

class FixedClock : public Clock
{
public:
    QDateTime now() const override { return QDateTime(QDate(2026, 12, 9), QTime(10, 30)); }
};

// Measures one document per iteration and reports its size and the heap it
// took; with save, the file is written too (to the temporary folder).
template <typename Compose>
void runDocument(benchmark::State &state, bool save, Compose compose)
{
    const QString path = QDir::temp().filePath(QStringLiteral("zirk-bench-%1.pdf").arg(QCoreApplication::applicationPid()));
    const FixedClock clock;
    qint64 fileBytes = 0;
    std::int64_t peakBytes = 0;
    for (auto _ : state) {
#ifdef ZIRK_COUNT_HEAP
        const std::int64_t before = heapNow.load();
        heapPeak.store(before);
#endif
        {
            TzPdf pdf(&clock);
            pdf.StartCreating();
            compose(pdf);
            pdf.FinishCreating();
            fileBytes = pdf.data().size();
            if (save)
                pdf.SaveToFile(path);
            benchmark::DoNotOptimize(pdf.data().constData());
        }
#ifdef ZIRK_COUNT_HEAP
        peakBytes = std::max(peakBytes, heapPeak.load() - before);
#endif
    }
    QFile::remove(path);
    state.counters["file_bytes"] = double(fileBytes);
    state.counters["peak_heap_bytes"] = double(peakBytes);
    state.counters["heap_per_file"] = fileBytes ? double(peakBytes) / double(fileBytes) : 0.0;
    state.SetBytesProcessed(state.iterations() * fileBytes);
}

// The measured-values table of the report: 52 rows a page in Courier.
void TextDocument(benchmark::State &state)
{
    const int pages = int(state.range(0));
    std::vector<QByteArray> rows;
    for (int i = 0; i < 52 * pages; ++i) {
        rows.push_back(QByteArray(11, ' ') + QByteArray::number(i + 1).rightJustified(10, ' ')
                       + QByteArray(15, ' ') + QByteArray("123.4").rightJustified(15, ' '));
    }
    runDocument(state, state.range(1) != 0, [&](TzPdf &pdf) {
        int row = 0;
        for (int page = 0; page < pages; ++page) {
            pdf.AddPage(210, 297);
            for (int y = 277; y > 20; y -= 5)
                pdf.TextXY(15, y, 5, 10, rows[size_t(row++)]);
        }
    });
}
BENCHMARK(TextDocument)->ArgNames({"pages", "save"})->Args({2000, 0})->Args({2000, 1})->Unit(benchmark::kMillisecond);

// The two picture pages of the report with all four slots filled.
void PictureDocument(benchmark::State &state)
{
    std::vector<QImage> pictures;
    for (int n = 0; n < 4; ++n) {
        QImage picture(640, 480, QImage::Format_RGB888);
        for (int y = 0; y < 480; ++y)
            for (int x = 0; x < 640; ++x)
                picture.setPixel(x, y, qRgb((x + n * 40) & 0xFF, y & 0xFF, (x ^ y) & 0xFF));
        pictures.push_back(picture);
    }
    runDocument(state, state.range(0) != 0, [&](TzPdf &pdf) {
        for (int page = 0; page < 2; ++page) {
            pdf.AddPage(210, 297);
            pdf.Image(pictures[size_t(2 * page)], 35, 180, 140, 105);
            pdf.TextXY(92, 159, 5, 14, "Image 1");
            pdf.Image(pictures[size_t(2 * page + 1)], 35, 30, 140, 105);
            pdf.TextXY(92, 20, 5, 14, "Image 2");
        }
    });
}
BENCHMARK(PictureDocument)->ArgName("save")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

} // namespace
