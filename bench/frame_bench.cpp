// Cost of one whole frame on the in-memory surface, at two screen sizes: a frame must cost
// the same whatever the size of the screen.
#include <benchmark/benchmark.h>

#include <memory>

#include "platform/common/systemcolors.h"
#include "platform/memory/surface.h"
#include "platform/memory/virtualtimer.h"
#include "scene/scene.h"
#include "settings/settings.h"

namespace {

void BM_Frame(benchmark::State& state) {
    std::int32_t width = static_cast<std::int32_t>(state.range(0));
    std::int32_t height = static_cast<std::int32_t>(state.range(1));
    SaverSettings settings;
    settings.UpDown = static_cast<std::int32_t>(state.range(2));
    settings.Comet = true;
    settings.StarScroll = true;
    DefaultSystemColors colors;
    MemorySurface surface(width, height, colors);
    LcgRandom random;
    FixedClock clock(12345678);
    auto scene = std::make_unique<SceneState>();
    InitScene(*scene, settings, width, height, surface, random, clock, 3);
    // Past the banner: the steady state a screen saver spends its life in.
    for (int i = 0; i < 2000; ++i) RunFrame(*scene, surface, random, false);
    for (auto _ : state) {
        RunFrame(*scene, surface, random, false);
        benchmark::ClobberMemory();
    }
}

}  // namespace

BENCHMARK(BM_Frame)
    ->ArgNames({"w", "h", "hills"})
    ->Args({640, 480, 0})
    ->Args({640, 480, 3})
    ->Args({1920, 1080, 3})
    ->Args({3840, 2160, 0})
    ->Args({3840, 2160, 3});

BENCHMARK_MAIN();
