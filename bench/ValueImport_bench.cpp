// The import reader on input no stop-time file holds but a user may pick:
// one endless line (/dev/zero, a binary file, a 100 MB log line).  Time
// must grow with the bytes, not their square, and the memory in use must
// stay the same whatever the length: compare bytes_per_second and
// heap_peak_bytes across the lengths.
#include "project/ValueImport.h"

#include <QIODevice>
#include <benchmark/benchmark.h>

#include <malloc.h>

#include <algorithm>
#include <cstring>

namespace {

// A sequential file of `length` zero bytes and then one stop time, made up
// as it is read so that the input itself takes no memory.  Between reads
// it notes how much heap the reader holds.
class ZeroLineDevice : public QIODevice
{
public:
    explicit ZeroLineDevice(qint64 length) : m_length(length)
    {
        open(QIODevice::ReadOnly | QIODevice::Unbuffered);
        m_heapAtStart = heapInUse();
    }
    bool isSequential() const override { return true; }
    qint64 heapPeak() const { return m_heapPeak - m_heapAtStart; }

protected:
    qint64 readData(char *data, qint64 maxSize) override
    {
        m_heapPeak = std::max(m_heapPeak, heapInUse());
        static constexpr char kTail[] = "\n123.4\n";
        const qint64 total = m_length + qint64(sizeof kTail - 1);
        const qint64 n = std::min(maxSize, total - m_at);
        for (qint64 i = 0; i < n; ++i) {
            const qint64 at = m_at + i;
            data[i] = at < m_length ? '\0' : kTail[at - m_length];
        }
        m_at += n;
        return n;
    }
    qint64 writeData(const char *, qint64) override { return -1; }

private:
    static qint64 heapInUse()
    {
        const struct mallinfo2 m = mallinfo2();
        return qint64(m.uordblks + m.hblkhd); // small blocks and mapped large ones
    }

    qint64 m_length;
    qint64 m_at = 0;
    qint64 m_heapAtStart = 0;
    qint64 m_heapPeak = 0;
};

void BM_ImportOneEndlessLine(benchmark::State &state)
{
    const qint64 length = state.range(0);
    qint64 heapPeak = 0;
    for (auto _ : state) {
        ZeroLineDevice device(length);
        double last = 0;
        const ImportSummary summary = readImportValues(device, '.', [&last](double v) { last = v; });
        if (summary.added != 1 || last != 123.4 || summary.notNumbers != 1)
            state.SkipWithError("the stop time behind the long line was not read");
        heapPeak = std::max(heapPeak, device.heapPeak());
    }
    state.SetBytesProcessed(state.iterations() * length);
    state.counters["heap_peak_bytes"] = double(heapPeak);
}
BENCHMARK(BM_ImportOneEndlessLine)->RangeMultiplier(4)->Range(1 << 20, 256 << 20)->Unit(benchmark::kMillisecond);

} // namespace
