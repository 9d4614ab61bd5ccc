// One follow pass over 1, 16 and 256 dockings in winsim: windows at rest
// (queries only) and frames that move every pass (a placement per entry).
#include "dockplug_object.h"
#include "follow_pass.h"
#include "winsim.h"

#include <benchmark/benchmark.h>

#include <vector>

namespace {

struct Scene {
    dockplug::ScriptablePluginObject object{nullptr};
    std::vector<HWND> frames;
};

HWND makeWindow(RECT rect, HWND parent = nullptr, const wchar_t* className = L"Plain") {
    winsim::WindowSpec desc;
    desc.className = className;
    desc.parent = parent;
    desc.windowRect = rect;
    desc.clientRect = RECT{0, 0, rect.right - rect.left, rect.bottom - rect.top};
    return winsim::createWindow(desc);
}

// Each layered window already sits at its computed place, so a pass at rest places nothing.
void buildScene(Scene& scene, int dockings) {
    winsim::reset();
    dockplug::sizeCountdown = 0;
    for (int i = 0; i < dockings; ++i) {
        HWND frame = makeWindow({0, 0, 1000, 800});
        makeWindow({8, 100, 992, 780}, frame, dockplug::kContentWindowClass);
        HWND layered = makeWindow({8, 100, 992, 772});
        scene.object.frameDockings[frame] = layered;
        scene.object.displayBands[layered] = {20, 10};
        scene.frames.push_back(frame);
    }
    winsim::clearCalls();
}

void reportPerEntry(benchmark::State& state, int dockings) {
    state.counters["per_entry"] =
        benchmark::Counter(dockings, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void BM_FollowPassAtRest(benchmark::State& state) {
    const int dockings = static_cast<int>(state.range(0));
    Scene scene;
    buildScene(scene, dockings);
    for (auto _ : state) {
        dockplug::followFrameDockings(scene.object);
        winsim::clearCalls();  // the simulation's log would otherwise grow without bound
    }
    if (!winsim::windowPosCalls().empty()) state.SkipWithError("a window at rest was placed");
    reportPerEntry(state, dockings);
}

// Frames widen and narrow by a pixel every pass, so the wanted size keeps
// changing: every entry reaches SetWindowPos, and the shared countdown lets one
// size change in three through (with its bands re-applied).
void BM_FollowPassMoving(benchmark::State& state) {
    const int dockings = static_cast<int>(state.range(0));
    Scene scene;
    buildScene(scene, dockings);
    LONG shift = 0;
    for (auto _ : state) {
        shift ^= 1;
        for (HWND frame : scene.frames) {
            winsim::setWindowRect(frame, {shift, 0, 1000 + shift, 800});
        }
        dockplug::followFrameDockings(scene.object);
        winsim::clearCalls();
        winsim::clearWindowPosCalls();
    }
    reportPerEntry(state, dockings);
}

BENCHMARK(BM_FollowPassAtRest)->Arg(1)->Arg(16)->Arg(256);
BENCHMARK(BM_FollowPassMoving)->Arg(1)->Arg(16)->Arg(256);

}  // namespace

BENCHMARK_MAIN();
