// A drag over four 24-megapixel pictures in the real window (offscreen platform): each
// iteration is one mouse move sent through the image control's event path, timed until
// the four panels are drawn and painted. The figure to watch is the mean time per move.
#include "BenchWindow.h"
#include "support/JpegBuilder.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <memory>

namespace {

constexpr QSize kScreen(1920, 1080);
constexpr QSize kClient(1880, 1000);  // four image controls of 924 x 428
constexpr QPoint kStart(400, 200);

struct DragWindow : TBenchWindow {
    DragWindow() : TBenchWindow(kScreen, kClient)
    {
        // One 6000 x 4000 file shown in all four panels: four pictures of that size in memory.
        const QString file = folder.Write("big.jpg", JpegBuilder::EncodePattern(6000, 4000, 85));
        form->LoadPictures({file, file, file, file});
        QApplication::processEvents();
    }
};

void Drag(benchmark::State& state, bool fit)
{
    DragWindow& w = BenchWindow<DragWindow>();
    if (w.form->LoadedPanels() != 4) {
        state.SkipWithError("the pictures did not load");
        return;
    }
    if (fit)
        w.form->PanZoom().Fit();
    else
        w.form->PanZoom().OneToOne();
    w.form->PanZoom().Origin();
    QApplication::processEvents();

    w.Send(QEvent::MouseButtonPress, kStart, Qt::LeftButton, Qt::LeftButton);
    int i = 1;
    QElapsedTimer clock;
    qint64 drawNs = 0, paintNs = 0;
    for (auto _ : state) {
        clock.start();
        w.Send(QEvent::MouseMove, ZigZagPoint(kStart, i++), Qt::NoButton, Qt::LeftButton);
        drawNs += clock.nsecsElapsed();
        clock.start();
        // The moves' redraws reach the screen: paint events of the four image controls.
        QApplication::sendPostedEvents();
        QApplication::processEvents();
        paintNs += clock.nsecsElapsed();
    }
    // Where a move's time goes: drawing the four views, and painting them on the window.
    state.counters["draw_ms"] = double(drawNs) / 1e6 / double(state.iterations());
    state.counters["paint_ms"] = double(paintNs) / 1e6 / double(state.iterations());
    w.Send(QEvent::MouseButtonRelease, ZigZagPoint(kStart, i), Qt::LeftButton, Qt::NoButton);
    state.counters["magnification"] = w.form->PanZoom().State().Magnification;
    state.counters["panel_draws"] = w.form->Panel(3).Draws;
}

void BM_DragAtOne(benchmark::State& state) { Drag(state, false); }
void BM_DragAtFit(benchmark::State& state) { Drag(state, true); }

BENCHMARK(BM_DragAtOne)->Iterations(100)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_DragAtFit)->Iterations(100)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv)
{
    return RunWindowBenchmarks(argc, argv, [] { BenchWindowSlot<DragWindow>().reset(); });
}
