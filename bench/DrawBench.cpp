// Redrawing the four panels of a 1920 x 1080 screen (two columns, two rows, each image
// area 944 x 484) from one 24-megapixel picture per panel while panning, as a drag does.
#include "loading/Bmpmagbase.h"
#include "support/FocusScenes.h"

#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <thread>

namespace {
std::atomic<long> Allocations{0};
}

// Counts operator new calls so the figures show whether drawing allocates.
void* operator new(std::size_t size)
{
    Allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace {

QImage Picture24M()
{
    QImage image(6000, 4000, QImage::Format_BGR888);
    for (int y = 0; y < image.height(); ++y) {
        uchar* row = image.scanLine(y);
        for (int x = 0; x < 3 * image.width(); ++x)
            row[x] = static_cast<uchar>(x * 7 + y * 3);
    }
    return image;
}

// Four 944 x 484 panels drawn at the offsets offset(step) gives, one redraw per iteration,
// with the heap allocations counted per redraw.
template <class Offset>
void RedrawFourPanels(benchmark::State& state, TBitmapMAGBase (&pictures)[4], QImage (&canvases)[4], const Offset& offset)
{
    // One warm-up draw lets the index tables reach the panel size.
    for (int i = 0; i < 4; ++i)
        pictures[i].DrawView(canvases[i], 944, 484, 0, 0);
    const long before = Allocations.load();
    int step = 0;
    for (auto _ : state) {
        const QPoint at = offset(step++);
        for (int i = 0; i < 4; ++i)
            pictures[i].DrawView(canvases[i], 944, 484, at.x(), at.y());
        benchmark::ClobberMemory();
    }
    state.counters["allocations_per_redraw"] =
        static_cast<double>(Allocations.load() - before) / static_cast<double>(state.iterations());
}

void BM_RedrawFourPanels(benchmark::State& state)
{
    const float magnification = static_cast<float>(state.range(0)) / 1000.0f;
    static const QImage source = Picture24M();
    TBitmapMAGBase pictures[4];
    QImage canvases[4];
    for (int i = 0; i < 4; ++i) {
        pictures[i].Assign(source, TPixelFormat::pf24bit);   // shared data, no copy
        pictures[i].SetMagnification(magnification, false);
        canvases[i] = QImage(1920, 1080, QImage::Format_RGB32);
    }
    RedrawFourPanels(state, pictures, canvases, [](int step) { return QPoint(step % 200, step % 150); });
}
BENCHMARK(BM_RedrawFourPanels)->Arg(125)->Arg(1000)->Arg(4000)->Unit(benchmark::kMillisecond);

// The same redraw of four panels over a textured, slightly noisy 24-megapixel scene, with
// the focus overlay (second argument 1) or without (0); the two figures at one magnification
// give the overlay's cost.
void BM_RedrawFourPanelsFocus(benchmark::State& state)
{
    const float magnification = static_cast<float>(state.range(0)) / 1000.0f;
    const bool overlay = state.range(1) != 0;
    static const QImage source = FocusScenes::Noisy(FocusScenes::Scene(6000, 4000), 4.0);
    static const auto map = std::make_shared<const TFocusMap>(ComputeFocusMap(source));
    static const TPeakLevels levels = SharedPeakLevels({map.get(), map.get(), map.get(), map.get()});
    TBitmapMAGBase pictures[4];
    QImage canvases[4];
    for (int i = 0; i < 4; ++i) {
        pictures[i].Assign(source, TPixelFormat::pf24bit);
        pictures[i].SetMagnification(magnification, false);
        if (overlay)
            pictures[i].SetFocusOverlay(map, levels);
        canvases[i] = QImage(1920, 1080, QImage::Format_RGB32);
    }
    // At one and above, the middle of the scene, where its texture is.
    const QPoint from = magnification < 1.0f ? QPoint(0, 0) : QPoint(2000, 1500);
    RedrawFourPanels(state, pictures, canvases, [&](int step) { return from + QPoint(step % 200, step % 150); });
    state.counters["nproc"] = std::thread::hardware_concurrency();
}
BENCHMARK(BM_RedrawFourPanelsFocus)
    ->ArgNames({"mag_x1000", "overlay"})
    ->ArgsProduct({{125, 1000, 4000}, {0, 1}})
    ->Unit(benchmark::kMillisecond);

} // namespace
