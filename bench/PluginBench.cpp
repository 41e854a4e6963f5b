// Opening one 24-megapixel picture in each plug-in format next to the same picture as a
// JPEG, as the viewer's loader opens them (plug-ins from the build's plug-in folder). A DNG
// with a full-size preview and a HEIC should stay within 1.5 times the JPEG.
//   velumira_plugin_bench [WIDTH HEIGHT | PICTURE.jpg]   (default: a camera-like 6000 x 4000
//   picture, noisy, so every codec has much to decode; files cached in the temp folder)
//   velumira_plugin_bench --100mp   a 100-megapixel raw file with no large preview, developed
#include "loading/Bmpmagbase.h"
#include "loading/SpiHost.h"
#include "support/DngBuilder.h"
#include "support/JpegBuilder.h"
#include "support/PictureWriters.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QThread>
#include <webp/encode.h>

#include <chrono>
#include <cstdio>
#include <functional>

namespace {

QString Cached(const QString& name, const std::function<QByteArray()>& make)
{
    const QString path = QDir::tempPath() + "/velumira-plugin-bench-" + name;
    if (!QFile::exists(path)) {
        const QByteArray bytes = make();
        QFile f(path);
        if (bytes.isEmpty() || !f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
            return QString();
    }
    return path;
}

double BestSeconds(TSpiHost& host, const QString& path, QSize& size)
{
    double best = 1e9;
    for (int run = 0; run < 3; ++run) {
        const auto start = std::chrono::steady_clock::now();
        TBitmapMAGBase picture;
        picture.SetPluginHost(&host);
        picture.LoadFromFile(path);
        best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        size = picture.Image().size();
    }
    return best;
}

QByteArray LossyWebp(const QImage& picture)
{
    const QImage rgb = picture.convertToFormat(QImage::Format_RGB888);
    uint8_t* out = nullptr;
    const size_t n = WebPEncodeRGB(rgb.constBits(), rgb.width(), rgb.height(), int(rgb.bytesPerLine()), 90, &out);
    const QByteArray bytes(reinterpret_cast<const char*>(out), qsizetype(n));
    WebPFree(out);
    return bytes;
}

} // namespace

int main(int argc, char** argv)
{
    QByteArray jpeg;
    QString tag;
    if (argc == 2 && QByteArray(argv[1]) == "--100mp") {
        // A medium-format sensor's size; its small preview leaves the raw data to develop.
        const QString path = Cached("11648x8736.dng", [] {
            DngSpec spec;
            spec.Width = 11648;
            spec.Height = 8736;
            spec.SmallPreview = SolidJpeg(160, 120, Qt::gray);
            return BuildDng(spec);
        });
        TSpiHost host;
        LoadPlugins(host, QStringLiteral(VELUMIRA_SHIPPED_SPI_DIR));
        QSize size;
        const auto start = std::chrono::steady_clock::now();
        TBitmapMAGBase picture;
        picture.SetPluginHost(&host);
        picture.LoadFromFile(path);
        std::printf("100-MP DNG developed: %d x %d in %.1f s, %d cores\n", picture.Width(), picture.Height(),
                    std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(),
                    QThread::idealThreadCount());
        return 0;
    }
    if (argc == 2) {
        QFile source(QString::fromLocal8Bit(argv[1]));
        if (!source.open(QIODevice::ReadOnly)) return 2;
        jpeg = source.readAll();
        tag = QStringLiteral("%1-%2").arg(QFileInfo(source.fileName()).completeBaseName()).arg(jpeg.size());
    } else {
        const int w = argc == 3 ? std::atoi(argv[1]) : 6000, h = argc == 3 ? std::atoi(argv[2]) : 4000;
        jpeg = JpegBuilder::EncodeCameraLike(w, h, 12345);
        tag = QStringLiteral("%1x%2").arg(w).arg(h);
    }
    const QImage picture = QImage::fromData(jpeg, "JPEG");
    const int width = picture.width(), height = picture.height();

    struct Format {
        const char* name;
        QString path;
    };
    std::vector<Format> formats = {
        {"JPEG", Cached(tag + ".jpg", [&] { return jpeg; })},
        {"DNG, full-size preview", Cached(tag + ".dng", [&] {
             DngSpec spec;
             spec.Width = width;
             spec.Height = height;
             spec.SmallPreview = SolidJpeg(160, 120, Qt::gray);
             spec.Preview = jpeg;
             return BuildDng(spec);
         })},
        {"HEIC", Cached(tag + ".heic", [&] { return WriteHeic(picture, false, {}); })},
        {"TIFF, 8-bit RGB", Cached(tag + ".tif", [&] { return WriteTiff(width, height, 8, false, Qt::darkCyan); })},
        {"WebP, lossy", Cached(tag + ".webp", [&] { return LossyWebp(picture); })},
        {"DNG, developed (1/16 the pixels)", Cached(tag + "-small.dng", [&] {
             DngSpec spec;
             spec.Width = width / 4;
             spec.Height = height / 4;
             spec.SmallPreview = SolidJpeg(160, 120, Qt::gray);
             return BuildDng(spec);
         })},
    };

    TSpiHost host;
    LoadPlugins(host, QStringLiteral(VELUMIRA_SHIPPED_SPI_DIR));
    std::printf("Opening each format as the viewer's loader does, best of 3, %d cores\n", QThread::idealThreadCount());
    double jpegSeconds = 0;
    for (const Format& f : formats) {
        if (f.path.isEmpty()) {
            std::printf("%-34s not written (no encoder here)\n", f.name);
            continue;
        }
        QSize size;
        double s = 0;
        try {
            s = BestSeconds(host, f.path, size);
        } catch (const std::exception& e) {
            std::printf("%-34s failed: %s\n", f.name, e.what());
            continue;
        }
        if (jpegSeconds == 0)
            jpegSeconds = s;
        std::printf("%-34s %5d x %-5d %8.1f ms  %5.2f x JPEG\n", f.name, size.width(), size.height(), s * 1000,
                    s / jpegSeconds);
    }
    return 0;
}
