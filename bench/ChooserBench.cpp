// How fast the chooser fills a folder: 500 camera-like JPEGs with Exif thumbnails and
// 50 PEF-like files. The protocol runs report files per second until every thumbnail is
// in and the longest call on the user-interface thread, for the old pacing and for the
// queued hand-over; the job run shows what the worker alone can do.
#include "chooser/ChooserCore.h"
#include "chooser/ReadThumbSource.h"
#include "support/JpegBuilder.h"
#include "support/TiffBuilder.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <benchmark/benchmark.h>
#include <chrono>
#include <ctime>
#include <sched.h>
#include <thread>

namespace {

Bytes WithPreview(const QByteArray& preview, std::size_t filler)
{
    TiffBuilder b;
    AddExifSpec(b, PhotoLikeSpec());
    const auto ifd1 = b.AddChainDirectory();
    b.AddShort(ifd1, 0x0103, 6);
    b.AddBlobPointer(ifd1, 0x0201, b.AddBlob(FromQByteArray(preview)));
    b.AddLong(ifd1, 0x0202, static_cast<uint32_t>(preview.size()));
    if (filler > 0)
        b.AddBlob(Bytes(filler, 0x5A));   // stands for the raw data
    return b.Build();
}

// The folder is made once: writing 550 files is not what is measured.
const QTemporaryDir& Folder()
{
    static QTemporaryDir dir;
    static bool made = false;
    if (!made) {
        const QByteArray picture = JpegBuilder::EncodePattern(3008, 2008, 85);
        const QByteArray thumb = JpegBuilder::EncodePattern(160, 120, 85);
        const QByteArray jpeg =
            ToQByteArray(InsertExifIntoJpeg(FromQByteArray(picture), WithPreview(thumb, 0)));
        const QByteArray pef = ToQByteArray(WithPreview(JpegBuilder::EncodePattern(640, 427, 85), 6 << 20));
        auto write = [](const QString& path, const QByteArray& bytes) {
            QFile f(path);
            if (f.open(QIODevice::WriteOnly))
                f.write(bytes);
        };
        for (int i = 0; i < 500; ++i)
            write(dir.filePath(QString("IMGP%1.JPG").arg(i, 4, 10, QLatin1Char('0'))), jpeg);
        for (int i = 0; i < 50; ++i)
            write(dir.filePath(QString("IMGP%1.PEF").arg(i, 4, 10, QLatin1Char('0'))), pef);
        made = true;
    }
    return dir;
}

QCoreApplication& App()
{
    static int argc = 1;
    static char name[] = "velumira_chooser_bench";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    return app;
}

// On a shared machine a call's wall time includes being preempted; this is its own work.
double ThreadCpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

int Nproc()
{
    cpu_set_t set;
    return sched_getaffinity(0, sizeof(set), &set) == 0 ? CPU_COUNT(&set) : 0;
}

// Arg 0: the old pacing (the worker looks for a job every 30 ms and rests 15 ms after
// each, results collected by the 30 ms ticks). Arg 1: the worker woken by each request
// and each job's end queuing its hand-over on this thread, the ticks as a backstop. Both
// run the same core in the same event loop; every call on this thread is timed.
void BM_ChooserFillsFolder(benchmark::State& state)
{
    const bool queued = state.range(0) == 1;
    const QString folder = Folder().path();
    QCoreApplication& app = App();
    double longestTickMs = 0;
    double longestTickCpuMs = 0;   // the same calls in this thread's processor time
    double seconds = 0;
    int files = 0;
    for (auto _ : state) {
        TChooserCore core(ReadThumbSource, queued ? TReaderPacing{} : TReaderPacing{30, 15});
        QObject ui;
        QEventLoop loop;
        auto timed = [&](auto&& call) {
            const double cpu0 = ThreadCpuMs();
            const auto t0 = std::chrono::steady_clock::now();
            call();
            const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
            longestTickMs = std::max(longestTickMs, ms);
            longestTickCpuMs = std::max(longestTickCpuMs, ThreadCpuMs() - cpu0);
            if (core.ReadCursor() == rcAllRead)
                loop.quit();
        };
        auto handOver = [&] { timed([&] { core.HandOver(); }); };
        if (queued)
            core.SetJobEnded([&] { QMetaObject::invokeMethod(&ui, handOver, Qt::QueuedConnection); });
        QTimer timer;
        timer.setInterval(30);
        QObject::connect(&timer, &QTimer::timeout, &ui, [&] { timed([&] { core.Timer1Timer(); }); });
        const auto start = std::chrono::steady_clock::now();
        core.ListFolder(folder, true);
        timer.start();
        if (queued)
            QMetaObject::invokeMethod(&ui, handOver, Qt::QueuedConnection);
        loop.exec();
        seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        core.SetJobEnded({});
        files = core.ViewList.Count();
        int thumbs = 0;
        for (int i = 0; i < files; ++i)
            thumbs += core.ViewList.Entry(i)->ThumbShape != 0;
        if (thumbs != files)
            state.SkipWithError("some entries have no thumbnail");
    }
    app.processEvents();   // hand-overs queued for a core that is gone find no receiver
    state.counters["nproc"] = Nproc();
    state.counters["files"] = files;
    state.counters["files_per_s"] = files / seconds;
    state.counters["longest_tick_ms"] = longestTickMs;
    state.counters["longest_tick_cpu_ms"] = longestTickCpuMs;
}
BENCHMARK(BM_ChooserFillsFolder)->ArgName("queued")->Arg(0)->Arg(1)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

void BM_ReadThumbSource(benchmark::State& state)
{
    const QString path =
        Folder().filePath(state.range(0) == 0 ? QStringLiteral("IMGP0000.JPG") : QStringLiteral("IMGP0000.PEF"));
    TReaderState reader;
    for (auto _ : state)
        benchmark::DoNotOptimize(ReadThumbSource(reader, path, false));
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ReadThumbSource)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

void BM_FinishEntry(benchmark::State& state)
{
    TReaderState reader;
    ReadThumbSource(reader, Folder().filePath(QStringLiteral("IMGP0000.PEF")), false);
    TPictEntry entry;
    for (auto _ : state)
        FinishEntry(entry, reader.DecodedPicture, true);
}
BENCHMARK(BM_FinishEntry)->Unit(benchmark::kMicrosecond);

} // namespace
