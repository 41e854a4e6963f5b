// How fast the chooser fills a folder: 500 camera-like JPEGs with Exif thumbnails and
// 50 PEF-like files. The protocol run keeps the designed pace (30 ms timer ticks on this
// thread, the worker's 15/30 ms pauses) and reports files per second and the longest
// tick; the job run shows what the worker alone could do without those pauses.
#include "chooser/ChooserCore.h"
#include "chooser/ReadThumbSource.h"
#include "support/JpegBuilder.h"
#include "support/TiffBuilder.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <chrono>
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

void BM_ChooserFillsFolder(benchmark::State& state)
{
    const QString folder = Folder().path();
    double longestTickMs = 0;
    double seconds = 0;
    int files = 0;
    for (auto _ : state) {
        TChooserCore core(ReadThumbSource);
        const auto start = std::chrono::steady_clock::now();
        core.ListFolder(folder, true);
        auto next = start;
        while (core.ReadCursor() != rcAllRead) {
            next += std::chrono::milliseconds(30);
            std::this_thread::sleep_until(next);
            const auto t0 = std::chrono::steady_clock::now();
            core.Timer1Timer();
            const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
            longestTickMs = std::max(longestTickMs, ms);
        }
        seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        files = core.ViewList.Count();
        int thumbs = 0;
        for (int i = 0; i < files; ++i)
            thumbs += core.ViewList.Entry(i)->ThumbShape != 0;
        if (thumbs != files)
            state.SkipWithError("some entries have no thumbnail");
    }
    state.counters["files"] = files;
    state.counters["files_per_s"] = files / seconds;
    state.counters["longest_tick_ms"] = longestTickMs;
}
BENCHMARK(BM_ChooserFillsFolder)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

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
