// One libFuzzer target per plug-in (FUZZ_DOCKPLUG or FUZZ_SIGPLUG): the input
// drives a host through the entry points, an instance, its window and the
// scriptable object's class table, interleaving follow-timer ticks, window
// destruction and DNS worker runs. Any crash, sanitizer report, leaked host
// block or object, stray GDI object or DNS list, or a failing call that wrote
// its result aborts the run as a finding.
#include "entry_points.h"
#include "fake_browser.h"
#include "script_function.h"
#include "winsim.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <vector>

namespace {

#if defined(FUZZ_DOCKPLUG)
const char kMime[] = "application/quorvia-npruntime-dockplug-plugin";
const char* const kMethods[] = {"attachWndToTab", "attachWndToMainFrame", "hideLayeredWnd",
                                "showLayeredWnd", "setDisplayRgn",        "dnsResolve"};
#else
const char kMime[] = "application/quorvia-sigplug-plugin";
const char* const kMethods[] = {"signature", "getCacheFile"};
#endif
const char* const kOtherNames[] = {"", "toString", "valueOf", "Signature", "dnsresolve", "length"};

[[noreturn]] void finding(const char* what, const std::string& detail = {}) {
    std::fprintf(stderr, "FINDING: %s %s\n", what, detail.c_str());
    std::fflush(stderr);
    std::abort();
}

const int32_t kOddInts[] = {0, 1, -1, 2, 0x7fffffff, static_cast<int32_t>(0x80000000), 0x10000, -100000};
const double kOddDoubles[] = {0.0,
                              -0.0,
                              0.5,
                              -0.99,
                              1e300,
                              -1e300,
                              2147483648.0,
                              -2147483649.0,
                              4294967296.0,
                              4294967295.0,
                              std::numeric_limits<double>::quiet_NaN(),
                              std::numeric_limits<double>::infinity(),
                              -std::numeric_limits<double>::infinity(),
                              std::numeric_limits<double>::denorm_min(),
                              std::numeric_limits<double>::max(),
                              std::numeric_limits<double>::lowest()};

NPVariant sentinel() {
    NPVariant v{};
    v.type = NPVariantType_Int32;
    v.value.intValue = 0x5EED;
    return v;
}
bool untouched(const NPVariant& v) { return v.type == NPVariantType_Int32 && v.value.intValue == 0x5EED; }

struct Session {
    Session(FuzzedDataProvider& input, fakehost::FakeBrowser& host) : in(input), browser(host) {}
    FuzzedDataProvider& in;
    fakehost::FakeBrowser& browser;
    NPP_t npp{};
    NPObject* object = nullptr;
    HWND pluginWindow = nullptr;
    std::vector<HWND> windows;  // live and dead, as a page may still name them
    std::vector<std::unique_ptr<fakehost::ScriptFunction>> functions;
    std::vector<std::string> texts;  // keep string argument storage for the call

    HWND anyWindow() {
        if (windows.empty() || in.ConsumeBool()) return reinterpret_cast<HWND>(in.ConsumeIntegral<uintptr_t>());
        return windows[in.ConsumeIntegralInRange<size_t>(0, windows.size() - 1)];
    }

    HWND makeWindow() {
        winsim::WindowSpec desc;
        int kind = in.ConsumeIntegralInRange(0, 3);
        if (kind == 0 && !windows.empty()) desc.userData = static_cast<LONG>(reinterpret_cast<uintptr_t>(anyWindow()));
        else if (kind == 1) desc.userData = in.ConsumeIntegral<LONG>();
        if (in.ConsumeBool()) desc.className = L"KX_BrennicMDIClient";
        if (in.ConsumeBool() && !windows.empty()) {
            HWND parent = windows[in.ConsumeIntegralInRange<size_t>(0, windows.size() - 1)];
            if (winsim::isLive(parent)) desc.parent = parent;
        }
        int w = in.ConsumeIntegralInRange(-50, 3000), h = in.ConsumeIntegralInRange(-50, 3000);
        int x = in.ConsumeIntegralInRange(-40000, 40000), y = in.ConsumeIntegralInRange(-40000, 40000);
        desc.windowRect = RECT{x, y, x + w, y + h};
        desc.clientRect = RECT{0, 0, w, h};
        desc.visible = in.ConsumeBool();
        desc.style = in.ConsumeIntegral<LONG>();
        HWND window = winsim::createWindow(desc);
        windows.push_back(window);
        return window;
    }

    NPVariant argument() {
        NPVariant v{};
        switch (in.ConsumeIntegralInRange(0, 9)) {
        case 0: v.type = NPVariantType_Void; break;
        case 1: v.type = NPVariantType_Null; break;
        case 2: v.type = NPVariantType_Bool; v.value.boolValue = in.ConsumeBool(); break;
        case 3:
            v.type = NPVariantType_Int32;
            v.value.intValue = in.ConsumeBool() ? in.ConsumeIntegral<int32_t>()
                                                : kOddInts[in.ConsumeIntegralInRange<size_t>(0, 7)];
            break;
        case 4:
            v.type = NPVariantType_Int32;
            v.value.intValue = static_cast<int32_t>(reinterpret_cast<uintptr_t>(anyWindow()));
            break;
        case 5:
            v.type = NPVariantType_Double;
            v.value.doubleValue = in.ConsumeBool() ? kOddDoubles[in.ConsumeIntegralInRange<size_t>(0, 15)]
                                                   : static_cast<double>(static_cast<uint32_t>(
                                                         reinterpret_cast<uintptr_t>(anyWindow())));
            break;
        case 6:
            v.type = NPVariantType_Double;
            v.value.doubleValue = in.ConsumeFloatingPoint<double>();
            break;
        case 7: {
            // Host-owned text, possibly with NULs inside UTF8Length; a heap copy
            // of exactly that length, so reads past it are caught.
            texts.push_back(in.ConsumeRandomLengthString(300));
            const std::string& text = texts.back();
            v.type = NPVariantType_String;
            v.value.stringValue.UTF8Characters = text.empty() ? nullptr : text.data();
            v.value.stringValue.UTF8Length = static_cast<uint32_t>(text.size());
            break;
        }
        case 8:
            v.type = NPVariantType_Object;
            if (functions.empty() || in.ConsumeBool()) {
                functions.push_back(std::make_unique<fakehost::ScriptFunction>(browser, &npp));
                int behaviour = in.ConsumeIntegralInRange(0, 2);
                if (behaviour == 1) functions.back()->failCalls(true);
                if (behaviour == 2) functions.back()->returnString("answer");
            }
            v.value.objectValue = functions[in.ConsumeIntegralInRange<size_t>(0, functions.size() - 1)]->object();
            break;
        default:
            v.type = NPVariantType_Object;
            v.value.objectValue = object;
            break;
        }
        return v;
    }

    NPIdentifier name() {
        if (in.ConsumeBool()) return fakehost::FakeBrowser::identifier(kMethods[in.ConsumeIntegralInRange<size_t>(0, sizeof kMethods / sizeof *kMethods - 1)]);
        if (in.ConsumeBool()) return fakehost::FakeBrowser::identifier(kOtherNames[in.ConsumeIntegralInRange<size_t>(0, 5)]);
        // Identifiers live as long as the process, so random names come from a bounded set.
        std::string text = in.ConsumeRandomLengthString(2);
        for (char& c : text) c = static_cast<char>('a' + static_cast<unsigned char>(c) % 8);
        return fakehost::FakeBrowser::identifier(text);
    }

    void answered(bool ok, NPVariant& result, const char* member) {
        if (!ok) {
            if (!untouched(result)) finding("a failing call wrote its result:", member);
            return;
        }
        if (result.type == NPVariantType_String) {
            const NPString& s = result.value.stringValue;
            if (!browser.isLiveBlock(s.UTF8Characters) || browser.blockSize(s.UTF8Characters) <= s.UTF8Length ||
                s.UTF8Characters[s.UTF8Length] != '\0')
                finding("a string result is not a NUL-terminated host block:", member);
        }
        browser.clearVariant(&result);
    }

    void scriptCall() {
        NPClass* table = object->_class;
        std::vector<NPVariant> args;
        size_t count = in.ConsumeIntegralInRange<size_t>(0, 5);
        texts.reserve(texts.size() + count);
        for (size_t i = 0; i < count; ++i) args.push_back(argument());
        const NPVariant* argv = args.empty() && in.ConsumeBool() ? nullptr : args.data();
        NPVariant result = sentinel();
        switch (in.ConsumeIntegralInRange(0, 7)) {
        case 0: table->hasMethod(object, name()); break;
        case 1: answered(table->invoke(object, name(), argv, static_cast<uint32_t>(args.size()), &result), result, "invoke"); break;
        case 2: answered(table->invokeDefault(object, argv, static_cast<uint32_t>(args.size()), &result), result, "invokeDefault"); break;
        case 3: table->hasProperty(object, name()); break;
        case 4: answered(table->getProperty(object, name(), &result), result, "getProperty"); break;
        case 5: {
            NPVariant value = args.empty() ? argument() : args[0];
            table->setProperty(object, name(), &value);
            break;
        }
        case 6: table->removeProperty(object, name()); break;
        default:
            if (table->structVersion >= NP_CLASS_STRUCT_VERSION_CTOR && table->construct)
                answered(table->construct(object, argv, static_cast<uint32_t>(args.size()), &result), result, "construct");
            break;
        }
    }

    void step() {
        switch (in.ConsumeIntegralInRange(0, 11)) {
        case 0: case 1: case 2: case 3: case 4: scriptCall(); break;
        case 5: makeWindow(); break;
        case 6: if (!windows.empty()) DestroyWindow(windows[in.ConsumeIntegralInRange<size_t>(0, windows.size() - 1)]); break;
        case 7: if (pluginWindow) winsim::fireTimer(pluginWindow, 15); break;
        case 8:
            if (!windows.empty()) {
                HWND w = windows[in.ConsumeIntegralInRange<size_t>(0, windows.size() - 1)];
                if (!winsim::isLive(w)) break;
                if (in.ConsumeBool()) {
                    int x = in.ConsumeIntegralInRange(-40000, 40000), y = in.ConsumeIntegralInRange(-40000, 40000);
                    winsim::setWindowRect(w, RECT{x, y, x + in.ConsumeIntegralInRange(0, 3000), y + in.ConsumeIntegralInRange(0, 3000)});
                } else {
                    winsim::setStyle(w, in.ConsumeIntegral<LONG>());
                }
            }
            break;
        case 9: winsim::runPendingThreads(); break;
        case 10: browser.runAsyncCalls(); break;
        default: {
            winsim::DnsAnswer answer;
            std::string host = in.ConsumeRandomLengthString(30);
            answer.status = in.ConsumeBool() ? 0 : in.ConsumeIntegral<DNS_STATUS>();
            answer.nullList = in.ConsumeBool();
            size_t records = in.ConsumeIntegralInRange<size_t>(0, 3);
            for (size_t i = 0; i < records; ++i)
                answer.records.push_back({in.ConsumeBool() ? WORD(DNS_TYPE_A) : WORD(DNS_TYPE_CNAME), host,
                                          in.ConsumeIntegral<IP4_ADDRESS>(), in.ConsumeRandomLengthString(20)});
            winsim::setDnsAnswer(host, answer);
        }
        }
    }
};

// The host's table as a block of exactly the size it claims, so a plug-in
// reading past a short table is caught.
NPError initializeWith(FuzzedDataProvider& in, fakehost::FakeBrowser& browser) {
    NPNetscapeFuncs& table = browser.functions();
    if (in.ConsumeIntegralInRange(0, 7) == 0) {
        table.version = in.ConsumeIntegral<uint16_t>();
        table.size = in.ConsumeIntegralInRange<uint16_t>(0, sizeof(NPNetscapeFuncs));
    }
    size_t bytes = std::max<size_t>(table.size, offsetof(NPNetscapeFuncs, version) + sizeof table.version);
    std::unique_ptr<unsigned char[]> exact(new unsigned char[bytes]);
    std::memcpy(exact.get(), &table, std::min(bytes, sizeof table));
    NPError status = NP_Initialize(reinterpret_cast<NPNetscapeFuncs*>(exact.get()));
    return status;
}

void entryPoints(FuzzedDataProvider& in) {
    uint16_t size = in.ConsumeIntegralInRange<uint16_t>(0, sizeof(NPPluginFuncs) + 16);
    size_t bytes = std::max<size_t>(size, sizeof(uint16_t) * 2);
    std::unique_ptr<unsigned char[]> block(new unsigned char[bytes]());
    NPPluginFuncs header{};
    header.size = size;
    header.version = in.ConsumeIntegral<uint16_t>();
    std::memcpy(block.get(), &header, sizeof(uint16_t) * 2);
    NPError status = NP_GetEntryPoints(reinterpret_cast<NPPluginFuncs*>(block.get()));
    if ((status == NPERR_NO_ERROR) != (size >= kPluginFuncsMinSize)) finding("NP_GetEntryPoints answered", std::to_string(status));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    winsim::reset();
    winsim::setThreadMode(winsim::ThreadMode::Deferred);
    long referencesAtStart = winsim::moduleReferences();
    {
        fakehost::FakeBrowser browser;
        entryPoints(in);
        if (initializeWith(in, browser) != NPERR_NO_ERROR) {
            NP_Shutdown();
            return 0;
        }
        NPPluginFuncs handlers{};
        handlers.size = sizeof handlers;
        if (NP_GetEntryPoints(&handlers) != NPERR_NO_ERROR) finding("NP_GetEntryPoints refused a full table");
        Session s(in, browser);
        char mime[sizeof kMime];
        std::memcpy(mime, kMime, sizeof kMime);
        if (handlers.newp(mime, &s.npp, 1, 0, nullptr, nullptr, nullptr) != NPERR_NO_ERROR) finding("NPP_New failed");
        if (in.ConsumeIntegralInRange(0, 7) != 0) {
            s.pluginWindow = winsim::createWindow();
            NPWindow window{};
            window.window = s.pluginWindow;
            window.type = NPWindowTypeWindow;
            handlers.setwindow(&s.npp, &window);
        }
        if (handlers.getvalue(&s.npp, NPPVpluginScriptableNPObject, &s.object) != NPERR_NO_ERROR || !s.object)
            finding("no scriptable object");
        for (int i = 0, n = in.ConsumeIntegralInRange(0, 6); i < n; ++i) s.makeWindow();
        while (in.remaining_bytes() > 0) s.step();

        // The page goes: every lookup finishes, then the instance and the library.
        winsim::runPendingThreads();
        winsim::joinThreads();
        browser.runAsyncCalls();
        if (in.ConsumeBool() && s.pluginWindow) DestroyWindow(s.pluginWindow);
        browser.releaseObject(s.object);
        s.functions.clear();
        handlers.destroy(&s.npp, nullptr);
        NP_Shutdown();
        std::vector<std::string> problems = browser.problems();
        if (!problems.empty()) finding("host ledger:", problems.front());
    }
    if (winsim::liveGdiObjects() != 0) finding("GDI objects left:", std::to_string(winsim::liveGdiObjects()));
    if (winsim::liveDnsRecordLists() != 0) finding("DNS record lists left");
    if (winsim::invalidDnsFrees() != 0) finding("invalid DnsFree");
    if (winsim::moduleReferences() != referencesAtStart) finding("module references unbalanced");
    return 0;
}
