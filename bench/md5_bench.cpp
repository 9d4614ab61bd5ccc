// Our MD5 against OpenSSL's on short, medium and long messages, one whole
// digest (init, update, final) per iteration.
#define OPENSSL_SUPPRESS_DEPRECATED
#include "md5.h"

#include <benchmark/benchmark.h>
#include <openssl/md5.h>

#include <vector>

namespace {

std::vector<unsigned char> message(benchmark::State& state) {
    std::vector<unsigned char> bytes(static_cast<size_t>(state.range(0)));
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<unsigned char>(i * 131 + 7);
    return bytes;
}

void Md5Ours(benchmark::State& state) {
    const std::vector<unsigned char> bytes = message(state);
    uint8_t digest[sigplug::kMd5DigestSize];
    for (auto _ : state) {
        sigplug::Md5 md5;
        md5.update(bytes.data(), bytes.size());
        md5.final(digest);
        benchmark::DoNotOptimize(digest);
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(bytes.size()));
}

void Md5OpenSsl(benchmark::State& state) {
    const std::vector<unsigned char> bytes = message(state);
    unsigned char digest[MD5_DIGEST_LENGTH];
    for (auto _ : state) {
        MD5_CTX context;
        MD5_Init(&context);
        MD5_Update(&context, bytes.data(), bytes.size());
        MD5_Final(digest, &context);
        benchmark::DoNotOptimize(digest);
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(bytes.size()));
}

BENCHMARK(Md5Ours)->Arg(64)->Arg(1024)->Arg(1 << 20);
BENCHMARK(Md5OpenSsl)->Arg(64)->Arg(1024)->Arg(1 << 20);

}  // namespace

BENCHMARK_MAIN();
