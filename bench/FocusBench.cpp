// The focus aids on 24-megapixel pictures, one core: the focus map of one picture, and the
// sharpness figures of four whole pictures (what the panels' figures cost per refresh).
// Before the timings, the figure's decisions on bursts made from the real photographs in
// the fixtures folder, beside the figure it replaced.
#include "focus/FocusMap.h"
#include "support/FocusBursts.h"
#include "support/FocusScenes.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <thread>

namespace {

// The figure this one replaced: the mean Sobel magnitude of the strongest 1 % of the
// pixels in plain 8-bit levels, after the same 3 x 3 binomial prefilter.
double FormerFigure(const QImage& picture)
{
    const QImage grey = picture.convertToFormat(QImage::Format_Grayscale8);
    const int w = grey.width(), h = grey.height();
    std::vector<double> f(static_cast<std::size_t>(w) * h);
    const auto at = [&](int x, int y) { return double(grey.constScanLine(std::clamp(y, 0, h - 1))[std::clamp(x, 0, w - 1)]); };
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            double v = 0.0;
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx)
                    v += (2 - std::abs(dx)) * (2 - std::abs(dy)) * at(x + dx, y + dy);
            f[static_cast<std::size_t>(y) * w + x] = v / 16.0;
        }
    const auto fat = [&](int x, int y) { return f[static_cast<std::size_t>(std::clamp(y, 0, h - 1)) * w + std::clamp(x, 0, w - 1)]; };
    std::vector<double> g;
    g.reserve(f.size());
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const double gx = fat(x + 1, y - 1) + 2 * fat(x + 1, y) + fat(x + 1, y + 1) - fat(x - 1, y - 1) - 2 * fat(x - 1, y) - fat(x - 1, y + 1);
            const double gy = fat(x - 1, y + 1) + 2 * fat(x, y + 1) + fat(x + 1, y + 1) - fat(x - 1, y - 1) - 2 * fat(x, y - 1) - fat(x + 1, y - 1);
            g.push_back(std::hypot(gx, gy));
        }
    const std::size_t strongest = (g.size() + 99) / 100;
    std::nth_element(g.begin(), g.begin() + strongest, g.end(), std::greater<>());
    double sum = 0.0;
    for (std::size_t i = 0; i < strongest; ++i)
        sum += g[i];
    return sum / strongest;
}

double Median(std::vector<double> v)
{
    if (v.empty())
        return 0.0;
    std::nth_element(v.begin(), v.begin() + v.size() / 2, v.end());
    return v[v.size() / 2];
}

// Per confounder: how often the sharp frame ranks first and the mean Kendall tau, for the
// new figure and the former one; the figures of sigma 0.7 and 1.5 relative to the sharp
// frame on clean bursts; how far half a stop moves the figure.
void PrintBurstDecisions()
{
    using namespace FocusBursts;
    const std::vector<QImage> photos = Photos();
    if (photos.empty()) {
        std::printf("bursts: no photographs under VELUMIRA_TEST_FIXTURES/photos, skipped\n");
        return;
    }
    constexpr int W = 640, H = 480;
    std::vector<QImage> fields;
    for (const QImage& photo : photos)
        for (QImage& field : Fields(photo, W, H))
            fields.push_back(std::move(field));
    std::printf("bursts: %zu cuts of %dx%d from %zu photographs, frames sigma 0, 0.7, 1, 1.5, 3\n", fields.size(), W, H,
                photos.size());
    std::printf("%-24s %13s %13s\n", "confounder", "new top1 tau", "old top1 tau");
    for (TConfounder c : Confounders) {
        int hits[2] = {0, 0};
        double tau[2] = {0.0, 0.0};
        for (const QImage& field : fields) {
            std::vector<double> figures[2];
            for (const QImage& frame : Burst(field, c, W, H)) {
                figures[0].push_back(SharpnessFigure(ComputeFocusMap(frame)));
                figures[1].push_back(FormerFigure(frame));
            }
            for (int k = 0; k < 2; ++k) {
                hits[k] += std::max_element(figures[k].begin(), figures[k].end()) == figures[k].begin();
                tau[k] += KendallTau(figures[k]);
            }
        }
        std::printf("%-24s %4d/%-2zu %6.3f %4d/%-2zu %6.3f\n", Name(c), hits[0], fields.size(), tau[0] / fields.size(),
                    hits[1], fields.size(), tau[1] / fields.size());
    }
    std::vector<double> rel07[2], rel15[2], exposure[2];
    for (const QImage& field : fields) {
        const std::vector<QImage> frames = Burst(field, TConfounder::Clean, W, H);
        const double sharp[2] = {SharpnessFigure(ComputeFocusMap(frames[0])), FormerFigure(frames[0])};
        rel07[0].push_back(SharpnessFigure(ComputeFocusMap(frames[1])) / sharp[0]);
        rel15[0].push_back(SharpnessFigure(ComputeFocusMap(frames[3])) / sharp[0]);
        rel07[1].push_back(FormerFigure(frames[1]) / sharp[1]);
        rel15[1].push_back(FormerFigure(frames[3]) / sharp[1]);
        for (double ev : {-0.5, 0.5}) {
            const QImage exposed = Exposed(frames[0], ev);
            exposure[0].push_back(std::abs(SharpnessFigure(ComputeFocusMap(exposed)) / sharp[0] - 1.0));
            exposure[1].push_back(std::abs(FormerFigure(exposed) / sharp[1] - 1.0));
        }
    }
    std::printf("median figure relative to sharp: sigma 0.7 new %.3f old %.3f; sigma 1.5 new %.3f old %.3f\n",
                Median(rel07[0]), Median(rel07[1]), Median(rel15[0]), Median(rel15[1]));
    std::printf("+-0.5 EV on the sharp frame moves the figure: new median %.1f %% most %.1f %%; old median %.1f %% most %.1f %%\n",
                100 * Median(exposure[0]), 100 * *std::max_element(exposure[0].begin(), exposure[0].end()),
                100 * Median(exposure[1]), 100 * *std::max_element(exposure[1].begin(), exposure[1].end()));
    std::fflush(stdout);
}

// Peaking at the fit on 2400 x 1600 cuts of the photographs: the pixels a sigma-3 frame
// with 3 % noise lights beside its sharp frame, as a share of the sharp frame's, and what
// a frame of noise alone lights beside it.
void PrintPeakingShares()
{
    using namespace FocusBursts;
    const std::vector<QImage> photos = Photos();
    if (photos.empty())
        return;
    std::printf("peaking at the fit (0.3) of 2400x1600 cuts: lit soft / lit sharp, noise-only lit share\n");
    for (const QImage& photo : photos) {
        const QImage cut = photo.copy((photo.width() - 2400) / 2, (photo.height() - 1600) / 2, 2400, 1600);
        const TFocusMap sharp = ComputeFocusMap(cut);
        const TFocusMap soft = ComputeFocusMap(FocusScenes::Noisy(FocusScenes::Blurred(cut, 3.0), 0.03 * 255, 3));
        const TFocusMap noise = ComputeFocusMap(FocusScenes::Noisy(FocusScenes::Flat(2400, 1600), 0.03 * 255, 4));
        const TPeakLevels levels = SharedPeakLevels({&sharp, &soft});
        const TPeakLevels withNoise = SharedPeakLevels({&sharp, &noise});
        const auto lit = [](const TFocusMap& map, int level) { return FocusBursts::LitShare(map, 0.3f, level); };
        std::printf("  %.3f (sharp lights %.3f)  noise %.4f  levels %d %d %d\n", lit(soft, levels.Little) / lit(sharp, levels.Little),
                    lit(sharp, levels.Little), lit(noise, withNoise.Little), levels.Little, levels.Sharp, levels.VerySharp);
    }
    std::fflush(stdout);
}

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

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("VELUMIRA_TEST_FIXTURES"))
        qputenv("VELUMIRA_TEST_FIXTURES", VELUMIRA_FIXTURES);
    PrintBurstDecisions();
    PrintPeakingShares();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
