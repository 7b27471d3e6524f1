// Cost of one whole frame drawn straight into Wayland shared-memory buffers (plain memory here,
// no compositor), with the buffers given back as sway gives them back: each one two frames after
// its commit, so that every frame goes to a buffer two frames behind. A frame must cost the same
// whatever the size of the screen.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <memory>

#include "platform/common/systemcolors.h"
#include "platform/memory/virtualtimer.h"
#include "platform/wayland/shm.h"
#include "platform/wayland/surface.h"
#include "scene/scene.h"
#include "settings/settings.h"

namespace {

void BM_WaylandFrame(benchmark::State& state) {
    std::int32_t width = static_cast<std::int32_t>(state.range(0));
    std::int32_t height = static_cast<std::int32_t>(state.range(1));
    SaverSettings settings;
    settings.UpDown = 3;
    settings.Comet = true;
    settings.StarScroll = true;
    DefaultSystemColors colors;
    WaylandSurface surface(nullptr, colors, nullptr);
    surface.SetViewSize(width, height);
    if (!surface.SetBuffers(nullptr, nullptr, {width, height})) {
        state.SkipWithError("no memory for the buffers");
        return;
    }
    LcgRandom random;
    FixedClock clock(12345678);
    auto scene = std::make_unique<SceneState>();
    InitScene(*scene, settings, width, height, surface, random, clock, 3);
    int older = -1, old = -1;
    const auto frame = [&] {
        RunFrame(*scene, surface, random, false);
        surface.Present();
        if (older >= 0) surface.BufferReleased(older);
        older = old;
        old = surface.ShownSlot();
    };
    // Past the banner: the steady state a screen saver spends its life in.
    for (int i = 0; i < 2000; ++i) frame();
    double damaged = 0;
    for (auto _ : state) {
        frame();
        damaged += static_cast<double>(surface.LastDamageArea());
        benchmark::ClobberMemory();
    }
    // What the compositor is told to compose again, per frame: pixels damaged.
    state.counters["damaged_px"] = benchmark::Counter(damaged, benchmark::Counter::kAvgIterations);
}

}  // namespace

BENCHMARK(BM_WaylandFrame)->ArgNames({"w", "h"})->Args({1920, 1080})->Args({3840, 2160});

// A 4K buffer written opaque black, as the first buffer is when the saver starts: in fresh shared
// memory (the pages taken for the first time, as they are at every start), then again in the
// same memory. What the first costs beyond the second is the machine's price for new pages.
void BM_BlackBuffer(benchmark::State& state) {
    const bool fresh = state.range(0) != 0;
    constexpr std::size_t kPixels = std::size_t{3840} * 2160;
    std::unique_ptr<ShmPool> kept = std::make_unique<ShmPool>(nullptr, kPixels * 4);
    for (auto _ : state) {
        if (fresh) {
            state.PauseTiming();
            kept = std::make_unique<ShmPool>(nullptr, kPixels * 4);
            state.ResumeTiming();
            kept->Populate(0, kPixels * 4);
        }
        auto* pixels = reinterpret_cast<std::uint32_t*>(kept->Data());
        std::fill_n(pixels, kPixels, 0xFF000000u);
        benchmark::DoNotOptimize(pixels);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_BlackBuffer)->ArgName("fresh")->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
