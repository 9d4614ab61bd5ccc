// Signing's work on the text itself: the text up to its NUL (never past its
// length) and the 32 name digits through one MD5, against plain MD5 over the
// same 64 MiB. It needs no NPAPI types, so scripts/bench-native.sh also
// builds it for the machine itself.
#include "md5.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

const std::string& text() {
    static const std::string bytes(64u << 20, 's');
    return bytes;
}

void TextDigest(benchmark::State& state) {
    static const char kNameDigits[] = "0123456789ABCDEF0123456789ABCDEF";
    uint8_t digest[sigplug::kMd5DigestSize];
    for (auto _ : state) {
        sigplug::Md5 md5;
        md5.updateToNul(text().data(), text().size());
        md5.update(kNameDigits, 32);
        md5.final(digest);
        benchmark::DoNotOptimize(digest);
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(text().size()));
}

void RawMd5(benchmark::State& state) {
    uint8_t digest[sigplug::kMd5DigestSize];
    for (auto _ : state) {
        sigplug::Md5 md5;
        md5.update(text().data(), text().size());
        md5.final(digest);
        benchmark::DoNotOptimize(digest);
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(text().size()));
}

BENCHMARK(TextDigest)->Unit(benchmark::kMillisecond);
BENCHMARK(RawMd5)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
