// The receive parser on a full receive buffer (32 768 bytes, the most one
// poll reads): measurement frames with line noise between them.
#include "device/Protocol.h"

#include <benchmark/benchmark.h>

#include <random>

namespace {

QByteArray noisyStream(qsizetype size)
{
    std::mt19937 random(7);
    QByteArray stream;
    while (stream.size() < size) {
        for (int junk = int(random() % 4); junk > 0; --junk)
            stream.append(char(random() % 0xAA));
        const ReplyFrame f = buildMeasurementFrame(quint32(random() & kMaxCount));
        stream.append(reinterpret_cast<const char *>(f.data()), qsizetype(f.size()));
    }
    stream.truncate(size);
    return stream;
}

void BM_TakeMeasurementFrames(benchmark::State &state)
{
    const QByteArray stream = noisyStream(state.range(0));
    std::size_t frames = 0;
    for (auto _ : state) {
        QByteArray accumulator = stream;
        frames = takeMeasurementFrames(accumulator).size();
        benchmark::DoNotOptimize(frames);
    }
    state.SetBytesProcessed(state.iterations() * state.range(0));
    state.counters["frames"] = double(frames);
}
BENCHMARK(BM_TakeMeasurementFrames)->Arg(32768);

// Garbage without a single frame, a start byte every other byte: each one
// is tried and dropped alone, which must stay linear.
void BM_TakeMeasurementFramesFromGarbage(benchmark::State &state)
{
    QByteArray stream;
    while (stream.size() < state.range(0))
        stream.append("\xAA\x01", 2);
    for (auto _ : state) {
        QByteArray accumulator = stream;
        benchmark::DoNotOptimize(takeMeasurementFrames(accumulator));
    }
    state.SetBytesProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_TakeMeasurementFramesFromGarbage)->Arg(32768);

} // namespace
