// velmora-idle's inhibitor book: a thousand clients of a hundred inhibits each leaving the bus.
// With an index by owner each leaving costs its own entries; a scan of the whole book per
// leaving client would grow with the square of the clients.
#include <benchmark/benchmark.h>

#include <string>

#include "idle/inhibitorbook.h"

namespace {

void OwnersLeaving(benchmark::State& state) {
    const int clients = static_cast<int>(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        InhibitorBook book(
            InhibitorBook::Limits{.PerClient = 100, .Total = 1000000, .TextBytes = 64});
        for (int client = 0; client < clients; ++client)
            for (int i = 0; i < 100; ++i) book.Add(":1." + std::to_string(client), "app", "r");
        state.ResumeTiming();
        for (int client = 0; client < clients; ++client)
            benchmark::DoNotOptimize(book.OwnerGone(":1." + std::to_string(client)));
    }
    state.SetComplexityN(clients);
}
BENCHMARK(OwnersLeaving)
    ->Arg(100)
    ->Arg(1000)
    ->Arg(4000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity();

}  // namespace

BENCHMARK_MAIN();
