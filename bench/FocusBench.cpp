// The focus aids on 24-megapixel pictures, one core: the focus map of one picture, and the
// sharpness figures of four whole pictures (what the panels' figures cost per refresh).
#include "focus/FocusMap.h"
#include "support/FocusScenes.h"

#include <benchmark/benchmark.h>

#include <thread>

namespace {

const QImage& Scene24M()
{
    static const QImage scene = FocusScenes::Noisy(FocusScenes::Scene(6000, 4000), 4.0);
    return scene;
}

void BM_FocusMap24M(benchmark::State& state)
{
    const QImage& picture = Scene24M();
    for (auto _ : state) {
        TFocusMap map = ComputeFocusMap(picture);
        benchmark::DoNotOptimize(map);
    }
    state.counters["nproc"] = std::thread::hardware_concurrency();
    state.counters["megapixels"] = picture.width() * picture.height() / 1e6;
}
BENCHMARK(BM_FocusMap24M)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void BM_FourWholeFigures24M(benchmark::State& state)
{
    static const TFocusMap map = ComputeFocusMap(Scene24M());
    // Four maps as four panels hold them (copies, so no figure reads another's cache lines).
    static const TFocusMap maps[4] = {map, map, map, map};
    for (auto _ : state) {
        double sum = 0.0;
        for (const TFocusMap& m : maps)
            sum += SharpnessFigure(m);
        benchmark::DoNotOptimize(sum);
    }
    state.counters["nproc"] = std::thread::hardware_concurrency();
}
BENCHMARK(BM_FourWholeFigures24M)->Unit(benchmark::kMillisecond);

void BM_SharedLevelsFour24M(benchmark::State& state)
{
    static const TFocusMap map = ComputeFocusMap(Scene24M());
    for (auto _ : state) {
        TPeakLevels levels = SharedPeakLevels({&map, &map, &map, &map});
        benchmark::DoNotOptimize(levels);
    }
}
BENCHMARK(BM_SharedLevelsFour24M)->Unit(benchmark::kMillisecond);

void BM_ReduceFocusMap24MToFit(benchmark::State& state)
{
    static const TFocusMap map = ComputeFocusMap(Scene24M());
    for (auto _ : state) {
        TFocusMap reduced = ReduceFocusMap(map, 0.125f);
        benchmark::DoNotOptimize(reduced);
    }
}
BENCHMARK(BM_ReduceFocusMap24MToFit)->Unit(benchmark::kMillisecond);

void BM_TurnFocusMap24M(benchmark::State& state)
{
    static const TFocusMap map = ComputeFocusMap(Scene24M());
    for (auto _ : state) {
        TFocusMap turned = TurnFocusMap(map, TFocusTurn::Right);
        benchmark::DoNotOptimize(turned);
    }
}
BENCHMARK(BM_TurnFocusMap24M)->Unit(benchmark::kMillisecond);

} // namespace
