#pragma once
// The main window of the window benchmarks, over a private folder, on the offscreen
// platform, with the mouse driven through the first image control's event path.
#include "support/FakePrompter.h"
#include "support/TestFolder.h"
#include "viewer/Mainunit.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QMouseEvent>
#include <QThread>
#include <cstdio>
#include <functional>
#include <memory>

struct TBenchWindow {
    TestFolder folder;
    FakePrompter prompter;
    std::unique_ptr<TMainForm> form;

    TBenchWindow(QSize screen, QSize client)
    {
        TMainFormEnv env{&prompter, folder.Path("velumira.INI"), screen, nullptr, {}};
        env.chooserTimer = false;
        form = std::make_unique<TMainForm>(env);
        form->show();
        form->resize(form->size() + (client - form->centralWidget()->size()));
        QApplication::processEvents();
    }

    void Send(QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons buttons)
    {
        QWidget* image = form->Panel(0).Image;
        QMouseEvent e(type, QPointF(at), image->mapToGlobal(QPointF(at)), button, buttons, Qt::NoModifier);
        QApplication::sendEvent(image, &e);
    }
};

// A zig-zag of 7-pixel steps from start, so a drag stays over the pictures for any number
// of moves.
inline QPoint ZigZagPoint(QPoint start, int i)
{
    const int phase = i % 40;
    const int k = phase < 20 ? phase : 40 - phase;
    return start + QPoint(7 * k, 3 * k);
}

// The benchmark's one window, made on first use (after the application object); main()
// releases it through BenchWindowSlot before the application goes.
template <class TWindow>
std::unique_ptr<TWindow>& BenchWindowSlot()
{
    static std::unique_ptr<TWindow> slot;
    return slot;
}

template <class TWindow>
TWindow& BenchWindow()
{
    std::unique_ptr<TWindow>& slot = BenchWindowSlot<TWindow>();
    if (!slot)
        slot = std::make_unique<TWindow>();
    return *slot;
}

// main() of a window benchmark: the offscreen platform unless another is asked for, the
// application object, the benchmarks, then release (the window goes before the application).
inline int RunWindowBenchmarks(int argc, char** argv, const std::function<void()>& release)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    std::printf("cores: %d\n", QThread::idealThreadCount());
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    release();
    return 0;
}
