// The whole "signature" call, as a host makes it, on a 64 MiB text against
// our plain MD5 over the same bytes: the difference is what signing adds.
#include "fake_browser.h"
#include "md5.h"
#include "native_entry_points.h"
#include "plugin_harness.h"
#include "winsim.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

constexpr size_t kTextSize = 64u << 20;

const std::string& text() {
    static const std::string bytes(kTextSize, 's');
    return bytes;
}

void SignatureCall(benchmark::State& state) {
    winsim::reset();
    winsim::setModuleFileName("C:\\Apps\\Host.EXE");
    fakehost::FakeBrowser browser;
    fakehost::PluginHarness harness(browser, nativeEntryPoints());
    NPObject* object = harness.scriptableObject(harness.newInstance());
    const NPIdentifier signature = fakehost::FakeBrowser::identifier("signature");
    const NPVariant argument = fakehost::stringVariant(text());
    for (auto _ : state) {
        NPVariant result = fakehost::voidVariant();
        if (!object->_class->invoke(object, signature, &argument, 1, &result)) state.SkipWithError("signature failed");
        browser.clearVariant(&result);
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(kTextSize));
    harness.release(object);
}

void RawMd5(benchmark::State& state) {
    uint8_t digest[sigplug::kMd5DigestSize];
    for (auto _ : state) {
        sigplug::Md5 md5;
        md5.update(text().data(), text().size());
        md5.final(digest);
        benchmark::DoNotOptimize(digest);
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(kTextSize));
}

BENCHMARK(SignatureCall)->Unit(benchmark::kMillisecond);
BENCHMARK(RawMd5)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
