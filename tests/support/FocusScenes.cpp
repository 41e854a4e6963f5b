#include "support/FocusScenes.h"

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

namespace FocusScenes {

namespace {

void FillRect(QImage& image, int x0, int y0, int w, int h, int level)
{
    const int x1 = std::min(image.width(), x0 + w), y1 = std::min(image.height(), y0 + h);
    for (int y = std::max(0, y0); y < y1; ++y) {
        uchar* row = image.scanLine(y);
        for (int x = std::max(0, x0); x < x1; ++x)
            row[3 * x] = row[3 * x + 1] = row[3 * x + 2] = static_cast<uchar>(level);
    }
}

} // namespace

QImage Flat(int width, int height)
{
    QImage image(width, height, QImage::Format_BGR888);
    image.fill(QColor(128, 128, 128));
    return image;
}

QImage Scene(int width, int height, unsigned seed, double contrast)
{
    QImage image = Flat(width, height);
    std::mt19937 random(seed);
    const auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(std::max(1, n))); };
    const auto level = [&] {
        const int raw = pick(256);
        return std::clamp(static_cast<int>(std::lround(128 + (raw - 128) * contrast)), 0, 255);
    };
    // About a third of the field covered: blocks of "words" and single strokes.
    const int words = width * height / 1500;
    for (int i = 0; i < words; ++i) {
        const int x = pick(width), y = pick(height), v = level();
        const int letters = 2 + pick(5), size = 4 + pick(10);
        for (int k = 0; k < letters; ++k)
            FillRect(image, x + k * (size + 2), y, size, size + pick(size), v);
    }
    const int strokes = width * height / 4000;
    for (int i = 0; i < strokes; ++i) {
        const int v = level();
        if (pick(2) == 0)
            FillRect(image, pick(width), pick(height), 1 + pick(2), 10 + pick(60), v);
        else
            FillRect(image, pick(width), pick(height), 10 + pick(60), 1 + pick(2), v);
    }
    return image;
}

QImage Blurred(const QImage& picture, double sigma)
{
    QImage source = picture.convertToFormat(QImage::Format_BGR888);
    if (sigma <= 0.0)
        return source;
    const int radius = static_cast<int>(std::ceil(3.0 * sigma));
    std::vector<double> kernel(2 * radius + 1);
    double sum = 0.0;
    for (int i = -radius; i <= radius; ++i)
        sum += kernel[i + radius] = std::exp(-0.5 * i * i / (sigma * sigma));
    for (double& k : kernel)
        k /= sum;
    const int w = source.width(), h = source.height();
    std::vector<double> across(static_cast<std::size_t>(w) * h * 3);
    for (int y = 0; y < h; ++y) {
        const uchar* row = source.constScanLine(y);
        for (int x = 0; x < w; ++x)
            for (int c = 0; c < 3; ++c) {
                double v = 0.0;
                for (int i = -radius; i <= radius; ++i)
                    v += kernel[i + radius] * row[3 * std::clamp(x + i, 0, w - 1) + c];
                across[(static_cast<std::size_t>(y) * w + x) * 3 + c] = v;
            }
    }
    QImage result(w, h, QImage::Format_BGR888);
    for (int y = 0; y < h; ++y) {
        uchar* row = result.scanLine(y);
        for (int x = 0; x < w; ++x)
            for (int c = 0; c < 3; ++c) {
                double v = 0.0;
                for (int i = -radius; i <= radius; ++i)
                    v += kernel[i + radius] * across[(static_cast<std::size_t>(std::clamp(y + i, 0, h - 1)) * w + x) * 3 + c];
                row[3 * x + c] = static_cast<uchar>(std::clamp(std::lround(v), 0L, 255L));
            }
    }
    return result;
}

QImage Noisy(const QImage& picture, double rms, unsigned seed)
{
    QImage result = picture.convertToFormat(QImage::Format_BGR888);
    std::mt19937 random(seed);
    std::normal_distribution<double> noise(0.0, rms);
    for (int y = 0; y < result.height(); ++y) {
        uchar* row = result.scanLine(y);
        for (int x = 0; x < result.width(); ++x) {
            const double n = noise(random);
            for (int c = 0; c < 3; ++c)
                row[3 * x + c] = static_cast<uchar>(std::clamp(std::lround(row[3 * x + c] + n), 0L, 255L));
        }
    }
    return result;
}

QImage Shifted(const QImage& picture, int dx, int dy, int width, int height)
{
    return picture.copy(dx, dy, width, height).convertToFormat(QImage::Format_BGR888);
}

} // namespace FocusScenes
