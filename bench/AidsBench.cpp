// The focus aids and burst stepping in the real window (offscreen platform), four
// 24-megapixel frames: a drag's redraw with peaking against the same without, the four
// sharpness figures after a pan, and a step to a group decoded ahead until it is painted.
#include "BenchWindow.h"
#include "support/JpegBuilder.h"

#include <benchmark/benchmark.h>

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QThread>
#include <cstdio>
#include <memory>

namespace {

constexpr QSize kScreen(1920, 1080);
constexpr QSize kClient(1880, 1000);
constexpr QPoint kStart(400, 200);

struct AidsWindow : TBenchWindow {
    QStringList frames;

    AidsWindow() : TBenchWindow(kScreen, kClient)
    {
        for (int i = 1; i <= 8; ++i)
            frames << folder.Write(QStringLiteral("burst%1.jpg").arg(i), JpegBuilder::EncodeCameraLike(6000, 4000, 977u * i));
        Load();
    }

    // The first four frames, and time for the next four to be decoded ahead.
    void Load()
    {
        form->LoadPictures(frames.mid(0, 4));
        while (form->Shown().Busy())
            QApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
        QApplication::processEvents();
    }

    void SetAids(bool on)
    {
        form->findChild<QAction*>("FocusAid")->setChecked(on);
        form->FocusAids().SetEnabled(on);
        form->FocusAids().Settle();
        QApplication::processEvents();
    }
};

// Mean time of one drag move until the four panels are drawn and painted.
void Redraw(benchmark::State& state, bool aids, bool fit)
{
    AidsWindow& w = BenchWindow<AidsWindow>();
    w.SetAids(aids);
    if (fit)
        w.form->PanZoom().Fit();
    else
        w.form->PanZoom().OneToOne();
    w.form->PanZoom().Origin();
    QApplication::processEvents();
    w.Send(QEvent::MouseButtonPress, kStart, Qt::LeftButton, Qt::LeftButton);
    int i = 1;
    for (auto _ : state) {
        w.Send(QEvent::MouseMove, ZigZagPoint(kStart, i++), Qt::NoButton, Qt::LeftButton);
        QApplication::sendPostedEvents();
        QApplication::processEvents();
    }
    w.Send(QEvent::MouseButtonRelease, ZigZagPoint(kStart, i), Qt::LeftButton, Qt::NoButton);
}

void BM_RedrawAtOne(benchmark::State& state) { Redraw(state, false, false); }
void BM_RedrawAtOneWithPeaking(benchmark::State& state) { Redraw(state, true, false); }
void BM_RedrawAtFit(benchmark::State& state) { Redraw(state, false, true); }
void BM_RedrawAtFitWithPeaking(benchmark::State& state) { Redraw(state, true, true); }
BENCHMARK(BM_RedrawAtOne)->Iterations(100)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_RedrawAtOneWithPeaking)->Iterations(100)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_RedrawAtFit)->Iterations(100)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_RedrawAtFitWithPeaking)->Iterations(100)->Unit(benchmark::kMillisecond)->UseRealTime();

// From the end of a pan to the four figures shown (the 100 ms rest not counted).
void BM_FiguresAfterPan(benchmark::State& state)
{
    AidsWindow& w = BenchWindow<AidsWindow>();
    w.SetAids(true);
    w.form->PanZoom().OneToOne();
    w.Send(QEvent::MouseButtonPress, kStart, Qt::LeftButton, Qt::LeftButton);
    int i = 1;
    QElapsedTimer clock;
    for (auto _ : state) {
        state.PauseTiming();
        w.Send(QEvent::MouseMove, ZigZagPoint(kStart, i++), Qt::NoButton, Qt::LeftButton);
        QApplication::processEvents();
        state.ResumeTiming();
        w.form->FocusAids().Settle();
    }
    w.Send(QEvent::MouseButtonRelease, ZigZagPoint(kStart, i), Qt::LeftButton, Qt::NoButton);
    const auto figures = w.form->FocusAids().Figures();
    state.counters["figure1"] = figures[0];
}
BENCHMARK(BM_FiguresAfterPan)->Iterations(50)->Unit(benchmark::kMillisecond)->UseRealTime();

// PageDown to a group decoded ahead, until the new frames are painted.
void BM_StepToPreparedGroup(benchmark::State& state)
{
    AidsWindow& w = BenchWindow<AidsWindow>();
    w.SetAids(false);
    w.form->PanZoom().OneToOne();
    for (auto _ : state) {
        state.PauseTiming();
        w.Load();
        state.ResumeTiming();
        w.form->findChild<QAction*>("NextGroup")->trigger();
        while (w.form->Shown().Busy())
            QApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
        QApplication::processEvents();
    }
    state.counters["first_shown"] = w.form->Panel(0).Path.endsWith("burst5.jpg");
}
BENCHMARK(BM_StepToPreparedGroup)->Iterations(5)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv)
{
    return RunWindowBenchmarks(argc, argv, [] { BenchWindowSlot<AidsWindow>().reset(); });
}
