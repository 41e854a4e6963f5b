// Loading a 24-megapixel JPEG into a picture, against libjpeg-turbo's own djpeg with the
// same inverse DCT on the same file: the loader should cost little more than the decode.
#include "loading/Bmpmagbase.h"
#include "support/JpegBuilder.h"

#include <benchmark/benchmark.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <chrono>
#include <cstdio>

namespace {

// A camera-like picture: smooth gradients with fine texture, so the entropy decoder has
// real work (a plain pattern compresses to almost nothing).
QString BigJpegPath()
{
    static const QString path = [] {
        const QString p = QDir::tempPath() + "/velumira-bench-6000x4000.jpg";
        if (!QFile::exists(p)) {
            QFile f(p);
            if (f.open(QIODevice::WriteOnly))
                f.write(JpegBuilder::EncodeCameraLike(6000, 4000, 12345));
        }
        return p;
    }();
    return path;
}

double DjpegSeconds(const QString& path, int runs)
{
    double best = 1e9;
    for (int i = 0; i < runs; ++i) {
        const auto start = std::chrono::steady_clock::now();
        const int rc = QProcess::execute("djpeg", {"-dct", "float", "-outfile", "/dev/null", path});
        const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (rc != 0)
            return -1;
        best = std::min(best, s);
    }
    return best;
}

void BM_LoadJpeg6000x4000(benchmark::State& state)
{
    const QString path = BigJpegPath();
    double best = 1e9;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        TBitmapMAGBase picture;
        picture.LoadFromFile(path);
        benchmark::DoNotOptimize(picture.Image().constBits());
        best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    const double djpeg = DjpegSeconds(path, 3);
    state.counters["loader_best_ms"] = best * 1000;
    state.counters["djpeg_best_ms"] = djpeg * 1000;
    state.counters["ratio"] = djpeg > 0 ? best / djpeg : 0;
    std::printf("\nloader %.1f ms, djpeg -dct float %.1f ms, ratio %.3f (best of runs)\n", best * 1000,
                djpeg * 1000, djpeg > 0 ? best / djpeg : 0.0);
}
BENCHMARK(BM_LoadJpeg6000x4000)->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace
