// Opening four 24-megapixel JPEG files in the real window (offscreen platform): the whole
// load, its files decoded side by side on the runner, against the slowest of the four
// decoded alone. Best of a few rounds, as the machine may be shared.
#include "loading/Bmpmagbase.h"
#include "support/FakePrompter.h"
#include "support/JpegBuilder.h"
#include "support/TestFolder.h"
#include "viewer/Mainunit.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QThread>
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <functional>
#include <memory>

namespace {

constexpr QSize kScreen(1920, 1080);
constexpr int kRounds = 5;

double Seconds(const std::function<void()>& run)
{
    QElapsedTimer clock;
    clock.start();
    run();
    return double(clock.nsecsElapsed()) / 1e9;
}

// The process's processor time, all threads: on a shared machine it tells whether the
// side-by-side load did more work, or only got less of the machine.
double ProcessorSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    TestFolder folder;
    QStringList names;
    for (unsigned int i = 0; i < 4; ++i)
        names << folder.Write(QStringLiteral("shot%1.jpg").arg(i), JpegBuilder::EncodeCameraLike(6000, 4000, 12345u + 977u * i));

    // Each file alone, which also brings them into the page cache.
    double slowestSingle = 0;
    for (const QString& name : names) {
        double best = 1e9;
        for (int r = 0; r < kRounds; ++r)
            best = std::min(best, Seconds([&] {
                TBitmapMAGBase picture;
                picture.LoadFromFile(name);
            }));
        slowestSingle = std::max(slowestSingle, best);
    }

    FakePrompter prompter;
    TMainFormEnv env{&prompter, folder.Path("velumira.INI"), kScreen, nullptr, {}};
    env.chooserTimer = false;
    TMainForm form(env);
    form.show();
    QApplication::processEvents();

    // A load runs on the runner; it is done when the shown set is no longer busy.
    const auto load = [&](const QStringList& list) {
        form.LoadPictures(list);
        while (form.Shown().Busy())
            QApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    };
    double parallel = 1e9, parallelCpu = 1e9;
    for (int r = 0; r < kRounds; ++r) {
        load({});  // nothing old kept over from the round before
        const double cpu = ProcessorSeconds();
        parallel = std::min(parallel, Seconds([&] { load(names); }));
        parallelCpu = std::min(parallelCpu, ProcessorSeconds() - cpu);
        if (form.LoadedPanels() != 4) {
            std::fprintf(stderr, "the pictures did not load\n");
            return 1;
        }
    }

    std::printf("nproc %d\n", QThread::idealThreadCount());
    std::printf("four 6000x4000 JPEG files, best of %d:\n", kRounds);
    std::printf("  side by side       %8.1f ms  (processor time %.1f ms)\n", parallel * 1000, parallelCpu * 1000);
    std::printf("  slowest file alone %8.1f ms  (side by side is %.2f x that)\n", slowestSingle * 1000,
                parallel / slowestSingle);
    return 0;
}
