#pragma once

// One fuzz target is one function over bytes, written once and built twice:
// with clang's libFuzzer as its own program (ZIRK_FUZZ build, scripts/fuzz.sh)
// and into the unit tests, which run it over its committed corpus
// (fuzz/corpus/<name>/) with the normal compiler and sanitizers, so that
// every input that once found a fault stays a regression case.
//
//     ZIRK_FUZZ_TARGET(name) { ... FUZZ_CHECK(property); ... return 0; }

#include <cstddef>
#include <cstdint>
#include <vector>

namespace fuzz {

using Function = int (*)(const std::uint8_t *data, std::size_t size);

struct Target
{
    const char *name;
    Function run;
};

// Every target linked into the program (the tests hold all of them).
std::vector<Target> &targets();
bool registerTarget(const char *name, Function run);

// Targets that need the windows or pictures call this first: it makes a
// QApplication on the offscreen platform when none is running yet.
void ensureApplication();

// A broken property: the fuzzer stops with a crash report, a test fails.
[[noreturn]] void fail(const char *file, int line, const char *what);

// The inputs libFuzzer hands over are plain bytes; most units want a few
// numbers first and the rest as text or file contents.
class Input
{
public:
    Input(const std::uint8_t *data, std::size_t size) : m_data(data), m_size(size) {}
    std::uint8_t byte() { return m_at < m_size ? m_data[m_at++] : 0; }
    std::uint16_t u16() { return std::uint16_t(byte() | byte() << 8); }
    bool empty() const { return m_at >= m_size; }
    const std::uint8_t *rest() const { return m_data + m_at; }
    std::size_t restSize() const { return m_size - m_at; }

private:
    const std::uint8_t *m_data;
    std::size_t m_size;
    std::size_t m_at = 0;
};

} // namespace fuzz

#define FUZZ_CHECK(condition)                                   \
    do {                                                        \
        if (!(condition))                                       \
            ::fuzz::fail(__FILE__, __LINE__, #condition);       \
    } while (0)

#ifdef ZIRK_FUZZ_ENGINE
#define ZIRK_FUZZ_TARGET(name) \
    extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
#else
#define ZIRK_FUZZ_TARGET(name)                                                                  \
    static int fuzz_##name(const std::uint8_t *data, std::size_t size);                         \
    [[maybe_unused]] static const bool fuzz_##name##_registered = ::fuzz::registerTarget(#name, fuzz_##name); \
    static int fuzz_##name(const std::uint8_t *data, std::size_t size)
#endif
