// Cost of one tint refresh: the three channels computed and the ramp handed to the display.
// The display does nothing, so only the engine's own work is measured.

#include <cstdint>

#include <benchmark/benchmark.h>

#include "tint/gamma_ramp.h"

namespace {

class NullGammaDisplay final : public qvx::tint::GammaDisplay {
public:
    bool SetDeviceGammaRamp(const qvx::tint::GammaRamp& ramp) override {
        benchmark::DoNotOptimize(ramp.data());
        return true;
    }
};

// Steady ticks one second apart: no nudge.
void BM_TintRefresh(benchmark::State& state) {
    qvx::tint::TintEngine engine;
    engine.InitBaseRamp();
    NullGammaDisplay display;
    const int v = static_cast<int>(state.range(0));
    std::int64_t now = 0;
    engine.ResetRefresh(now);
    for (auto _ : state) {
        engine.Refresh(v, ++now, display);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_TintRefresh)->Arg(0)->Arg(33)->Arg(50);

// Ticks seven seconds apart: every refresh is nudged (lifted and darkened channels alike).
void BM_TintRefreshNudged(benchmark::State& state) {
    qvx::tint::TintEngine engine;
    engine.InitBaseRamp();
    NullGammaDisplay display;
    std::int64_t now = 0;
    engine.ResetRefresh(now);
    for (auto _ : state) {
        now += 7;
        engine.Refresh(0, now, display);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_TintRefreshNudged);

}  // namespace

BENCHMARK_MAIN();
