// "dnsResolve" in the real dockplug.dll against a real DNS server.
//   resolve_*:       run by with-resolve.sh, which serves the npplug.test zone
//                    (tests/wine/dns/npplug.conf) on 127.0.0.1 in a network namespace.
//   resolvesilent_*: run by with-resolvesilent.sh, where the only name server never answers.
// Answers reach the callback on the main thread, where the fake host's async
// queue is drained (the host records any service called off that thread).
#include "host_context.h"
#include "script_function.h"

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

using fakehost::ScriptFunction;
using winehost::HostContext;
using winehost::PluginSession;
using winehost::serveUntil;

constexpr std::chrono::seconds kAnswerWait{60};

// One dockplug instance and its scriptable object.
struct Page {
    explicit Page(PluginSession& session)
        : session(session), npp(session.newInstance()), object(session.harness().scriptableObject(npp)) {}
    ~Page() {
        if (object) session.harness().release(object);
    }
    Page(const Page&) = delete;
    Page& operator=(const Page&) = delete;

    bool resolve(const char* name, uint32_t length, ScriptFunction& callback) {
        auto call = session.harness().invoke(object, "dnsResolve",
                                             {fakehost::stringVariant(name, length), fakehost::objectVariant(callback.object())});
        return call.ok();
    }
    bool resolve(const std::string& name, ScriptFunction& callback) {
        return resolve(name.c_str(), static_cast<uint32_t>(name.size()), callback);
    }

    PluginSession& session;
    NPP npp;
    NPObject* object;
};

double microseconds(LONGLONG ticks) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return 1e6 * static_cast<double>(ticks) / static_cast<double>(frequency.QuadPart);
}

void reportCallTimes(const char* what, std::vector<double> times) {
    if (times.empty()) return;
    std::sort(times.begin(), times.end());
    std::printf("   %s: dnsResolve returned in median %.0f us, worst %.0f us over %u calls\n", what,
                times[times.size() / 2], times.back(), static_cast<unsigned>(times.size()));
}

bool callbackReleased(const ScriptFunction& callback) { return callback.referenceCount() == 1; }

// No leaked block or object, no unexpected call, no service called off the main thread.
void expectCleanHost(PluginSession& session) {
    for (const std::string& problem : session.finish()) CHECK_MSG(false, problem);
}

}  // namespace

HOST_CHECK(resolve_answers) {
    PluginSession session(context, L"dockplug.dll");
    if (!REQUIRE(session.loaded())) return;
    {
        Page page(session);
        if (!REQUIRE(page.object)) return;
        static const char embeddedNul[] = "a.npplug.test\0b.npplug.test";
        const struct {
            const char* name;
            uint32_t length;
            std::string expected;
        } cases[] = {
            {"a.npplug.test", 13, "192.0.2.10"},
            // dnsmasq rotates several A records between answers, so any of them may come first.
            {"multi.npplug.test", 17, "192.0.2.21|192.0.2.22|192.0.2.23"},
            {"first.npplug.test", 17, "192.0.2.30"},  // first -> second -> target, two CNAMEs
            {"v6only.npplug.test", 18, ""},
            {"missing.npplug.test", 19, ""},
            {embeddedNul, sizeof embeddedNul - 1, "192.0.2.10"},
        };
        for (const auto& c : cases) {
            ScriptFunction callback(session.browser(), page.npp);
            if (!CHECK_MSG(page.resolve(c.name, c.length, callback), c.name)) continue;
            CHECK_MSG(serveUntil(session.browser(), [&] { return !callback.calls().empty(); }, kAnswerWait), c.name);
            const std::vector<std::string> received = callback.receivedStrings();
            if (!CHECK_EQ(received.size(), size_t(1))) continue;
            if (c.expected.find('|') == std::string::npos)
                CHECK_EQ(received[0], c.expected);
            else
                CHECK_MSG(!received[0].empty() && ("|" + c.expected + "|").find("|" + received[0] + "|") != std::string::npos,
                          received[0]);
            CHECK_MSG(callbackReleased(callback), c.name);
        }
    }
    expectCleanHost(session);
}

HOST_CHECK(resolve_burst) {
    constexpr int kCalls = 200;
    const char* const names[] = {"a.npplug.test", "first.npplug.test", "missing.npplug.test"};
    const char* const answers[] = {"192.0.2.10", "192.0.2.30", ""};
    PluginSession session(context, L"dockplug.dll");
    if (!REQUIRE(session.loaded())) return;
    {
        Page page(session);
        if (!REQUIRE(page.object)) return;
        std::vector<std::unique_ptr<ScriptFunction>> callbacks;
        std::vector<double> times;
        for (int i = 0; i < kCalls; ++i) {
            callbacks.push_back(std::make_unique<ScriptFunction>(session.browser(), page.npp));
            LARGE_INTEGER before, after;
            QueryPerformanceCounter(&before);
            const bool accepted = page.resolve(names[i % 3], *callbacks.back());
            QueryPerformanceCounter(&after);
            CHECK(accepted);
            times.push_back(microseconds(after.QuadPart - before.QuadPart));
        }
        reportCallTimes("200 answered lookups", times);
        auto allAnswered = [&] {
            return std::all_of(callbacks.begin(), callbacks.end(), [](const auto& f) { return !f->calls().empty(); });
        };
        CHECK(serveUntil(session.browser(), allAnswered, kAnswerWait));
        serveUntil(session.browser(), [] { return false; }, std::chrono::milliseconds(200));  // late duplicates
        int wrong = 0;
        for (int i = 0; i < kCalls; ++i) {
            if (callbacks[i]->receivedStrings() != std::vector<std::string>{answers[i % 3]} ||
                !callbackReleased(*callbacks[i]))
                ++wrong;
        }
        CHECK_EQ(wrong, 0);
    }
    expectCleanHost(session);
}

// Lookups that never get an answer must neither hold up the page nor outlive
// the library's code: the DLL stays mapped until the last worker has left.
HOST_CHECK(resolvesilent_unload) {
    constexpr int kCalls = 200;
    std::vector<double> times;
    {
        PluginSession session(context, L"dockplug.dll");
        if (!REQUIRE(session.loaded())) return;
        {
            Page page(session);
            if (!REQUIRE(page.object)) return;
            std::vector<std::unique_ptr<ScriptFunction>> callbacks;
            for (int i = 0; i < kCalls; ++i) {
                callbacks.push_back(std::make_unique<ScriptFunction>(session.browser(), page.npp));
                const std::string name = "n" + std::to_string(i) + ".silent.test";
                LARGE_INTEGER before, after;
                QueryPerformanceCounter(&before);
                const bool accepted = page.resolve(name, *callbacks.back());
                QueryPerformanceCounter(&after);
                CHECK(accepted);
                times.push_back(microseconds(after.QuadPart - before.QuadPart));
            }
            // The server never answers and the resolver waits a minute, far
            // longer than these calls take: any answer here means a call waited.
            session.browser().runAsyncCalls();
            int answered = 0;
            for (const auto& callback : callbacks) answered += !callback->calls().empty();
            CHECK_EQ(answered, 0);
        }
        // Instance destroyed (the callbacks are released uncalled) and NP_Shutdown;
        // the workers free their requests.
        expectCleanHost(session);
    }  // FreeLibrary
    reportCallTimes("200 unanswered lookups", times);
    CHECK_MSG(GetModuleHandleW(L"dockplug.dll") != nullptr, "lookups under way keep the library loaded (is the name server silent?)");
    // The workers give up after the resolver's time-out and drop the last references.
    const ULONGLONG end = GetTickCount64() + 300000;
    while (GetModuleHandleW(L"dockplug.dll") && GetTickCount64() < end) winehost::pumpMessages(std::chrono::milliseconds(100));
    CHECK_MSG(GetModuleHandleW(L"dockplug.dll") == nullptr, "the last worker unloads the library");
}
