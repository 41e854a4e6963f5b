// Writes the bundled sample set: four 3008 x 2008 frames of one synthetic focus chart
// (fine lines, text, a Siemens star) at four amounts of blur, each with the Exif block a
// PENTAX *ist D writes, so the viewer can be tried without pictures of one's own.
//   velumira-samples OUTPUT_FOLDER
#include "tools/samples/ExifWriter.h"

#include <QDir>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QString>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include <jpeglib.h>

namespace {

constexpr int kWidth = 3008;
constexpr int kHeight = 2008;

QImage DrawChart()
{
    QImage img(kWidth, kHeight, QImage::Format_RGB888);
    img.fill(QColor(236, 234, 228));
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing, true);

    // Siemens star: 72 black wedges.
    const QPointF c(820, 1004);
    const double r = 700;
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(20, 20, 24));
    for (int i = 0; i < 72; ++i) {
        const double a0 = 2 * M_PI * i / 72.0, a1 = 2 * M_PI * (i + 0.5) / 72.0;
        QPainterPath wedge(c);
        wedge.lineTo(c + QPointF(r * std::cos(a0), r * std::sin(a0)));
        wedge.arcTo(QRectF(c.x() - r, c.y() - r, 2 * r, 2 * r), -a0 * 180 / M_PI, -(a1 - a0) * 180 / M_PI);
        wedge.closeSubpath();
        p.drawPath(wedge);
    }
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(200, 30, 30), 6));
    p.drawEllipse(c, r + 20, r + 20);

    // Line groups of falling pitch, vertical and horizontal.
    p.setRenderHint(QPainter::Antialiasing, false);
    int x = 1700;
    for (int pitch : {12, 8, 6, 4, 3, 2}) {
        for (int k = 0; k < 14; ++k)
            p.fillRect(x + k * pitch, 180, pitch / 2, 520, QColor(10, 10, 10));
        for (int k = 0; k < 14; ++k)
            p.fillRect(x, 760 + k * pitch, 14 * pitch, pitch / 2, QColor(10, 10, 10));
        x += 14 * pitch + 40;
    }

    // Text in falling sizes, Latin and Japanese.
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(QColor(15, 15, 15));
    int y = 1120;
    for (int px : {56, 40, 28, 20, 14, 10, 8}) {
        QFont f(QStringList{"Noto Sans CJK JP", "DejaVu Sans"});
        f.setPixelSize(px);
        p.setFont(f);
        p.drawText(1700, y, QString::fromUtf8("ピント確認 Velumira 0123456789 AaBbCcXxYyZz"));
        y += px + 22;
    }
    // Colour patches for the histograms.
    const QColor patches[] = {QColor(200, 40, 40), QColor(40, 160, 60), QColor(40, 70, 200), QColor(230, 200, 40)};
    for (int i = 0; i < 4; ++i)
        p.fillRect(1700 + i * 300, 1800, 260, 140, patches[i]);
    return img;
}

// Three running-box passes per direction approximate a Gaussian of the given sigma.
void BoxBlur(QImage& img, int radius)
{
    if (radius <= 0)
        return;
    const int w = img.width(), h = img.height();
    std::vector<int> line(std::max(w, h) * 3);
    auto pass = [&](uchar* base, int n, int step) {
        for (int i = 0; i < n; ++i)
            for (int ch = 0; ch < 3; ++ch)
                line[i * 3 + ch] = base[i * step + ch];
        const int div = 2 * radius + 1;
        for (int ch = 0; ch < 3; ++ch) {
            int sum = 0;
            for (int k = -radius; k <= radius; ++k)
                sum += line[std::clamp(k, 0, n - 1) * 3 + ch];
            for (int i = 0; i < n; ++i) {
                base[i * step + ch] = uchar(sum / div);
                sum += line[std::clamp(i + radius + 1, 0, n - 1) * 3 + ch] - line[std::clamp(i - radius, 0, n - 1) * 3 + ch];
            }
        }
    };
    for (int round = 0; round < 3; ++round) {
        for (int yy = 0; yy < h; ++yy)
            pass(img.scanLine(yy), w, 3);
        for (int xx = 0; xx < w; ++xx)
            pass(img.bits() + xx * 3, h, int(img.bytesPerLine()));
    }
}

std::vector<uint8_t> EncodeJpeg(const QImage& rgb, int quality, const std::vector<uint8_t>* exifTiff)
{
    jpeg_compress_struct cinfo;
    jpeg_error_mgr jerr;
    cinfo.err = jpeg_std_error(&jerr);   // the default handler exits: fine for a build tool
    jpeg_create_compress(&cinfo);
    unsigned char* mem = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &mem, &size);
    cinfo.image_width = rgb.width();
    cinfo.image_height = rgb.height();
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    cinfo.write_JFIF_header = exifTiff ? FALSE : TRUE;
    jpeg_start_compress(&cinfo, TRUE);
    if (exifTiff) {
        std::vector<uint8_t> app1 = {'E', 'x', 'i', 'f', 0, 0};
        app1.insert(app1.end(), exifTiff->begin(), exifTiff->end());
        jpeg_write_marker(&cinfo, JPEG_APP0 + 1, app1.data(), unsigned(app1.size()));
    }
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = const_cast<uchar*>(rgb.constScanLine(int(cinfo.next_scanline)));
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    std::vector<uint8_t> out(mem, mem + size);
    free(mem);
    return out;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_FOLDER\n", argv[0]);
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QString out = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(out);

    const QImage chart = DrawChart();
    struct Frame { int blur; uint32_t expDen; int biasNum; const char* time; uint16_t afPoint; };
    // The sharp frame is the second, as on a real card; the AF point wandered between shots
    // (centre, mid-left, mid-right, top).
    const Frame frames[] = {{3, 125, 0, "2026:12:07 10:15:01", 6},
                            {0, 160, -1, "2026:12:07 10:15:03", 5},
                            {9, 100, 0, "2026:12:07 10:15:06", 7},
                            {1, 125, 1, "2026:12:07 10:15:08", 2}};
    for (int i = 0; i < 4; ++i) {
        QImage img = chart.copy();
        BoxBlur(img, frames[i].blur);
        const QImage thumb = img.scaled(160, 107, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        const std::vector<uint8_t> thumbJpeg = EncodeJpeg(thumb, 80, nullptr);
        SampleShot shot{1, frames[i].expDen, 80, 10, 500, 10, 75, 200, frames[i].biasNum, 3,
                        3 /*Av*/, 5 /*multi-segment*/, 16 /*not fired*/, 0 /*auto*/,
                        16 /*AF-S*/, frames[i].afPoint, 5, 4 /*smc PENTAX-FA 50mmF1.4*/, frames[i].time,
                        kWidth, kHeight};
        const std::vector<uint8_t> exif = BuildSampleExif(shot, thumbJpeg);
        const std::vector<uint8_t> jpeg = EncodeJpeg(img, 92, &exif);
        const QString name = QString("%1/IMGP%2.JPG").arg(out).arg(i + 1, 4, 10, QChar('0'));
        FILE* f = std::fopen(name.toLocal8Bit().constData(), "wb");
        if (!f || std::fwrite(jpeg.data(), 1, jpeg.size(), f) != jpeg.size() || std::fclose(f) != 0) {
            std::fprintf(stderr, "cannot write %s\n", name.toLocal8Bit().constData());
            return 1;
        }
    }
    return 0;
}
