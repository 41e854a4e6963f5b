#include "support/FocusBursts.h"

#include "focus/FocusMap.h"

#include "support/FocusScenes.h"
#include "support/JpegBuilder.h"

#include <QDir>
#include <QImageReader>

#include <algorithm>
#include <array>
#include <cmath>
#include <random>

namespace FocusBursts {

const char* Name(TConfounder confounder)
{
    switch (confounder) {
    case TConfounder::Clean: return "clean";
    case TConfounder::Exposure: return "exposure flicker";
    case TConfounder::UnevenNoise: return "uneven noise";
    case TConfounder::Highlights: return "glints at another depth";
    case TConfounder::ShiftScale: return "shifts and scale";
    case TConfounder::Jpeg: return "JPEG q70 / q95";
    }
    return "";
}

std::vector<QImage> Photos()
{
    std::vector<QImage> photos;
    const QString root = qEnvironmentVariable("VELUMIRA_TEST_FIXTURES");
    if (root.isEmpty())
        return photos;
    const QDir dir(root + QStringLiteral("/photos"));
    for (const QString& name : dir.entryList({QStringLiteral("*.jpg")}, QDir::Files, QDir::Name)) {
        QImageReader reader(dir.filePath(name));
        reader.setAllocationLimit(0);
        QImage photo = reader.read().convertToFormat(QImage::Format_BGR888);
        if (!photo.isNull())
            photos.push_back(std::move(photo));
    }
    return photos;
}

std::vector<QImage> Fields(const QImage& photo, int width, int height)
{
    // A focus check looks where the picture has detail: the two candidates of a 5 x 5 grid
    // with the most (mean difference of neighbouring pixels) that do not overlap.
    const int w = width + 2 * Margin, h = height + 2 * Margin;
    struct Candidate {
        QRect place;
        double detail;
    };
    std::vector<Candidate> candidates;
    for (int i = 0; i < 5; ++i)
        for (int j = 0; j < 5; ++j) {
            const int x = std::clamp(static_cast<int>((0.1 + 0.2 * i) * photo.width()) - w / 2, 0, std::max(0, photo.width() - w));
            const int y = std::clamp(static_cast<int>((0.1 + 0.2 * j) * photo.height()) - h / 2, 0, std::max(0, photo.height() - h));
            double sum = 0.0;
            for (int yy = y; yy < y + h - 1 && yy + 1 < photo.height(); yy += 2) {
                const uchar* row = photo.constScanLine(yy);
                const uchar* below = photo.constScanLine(yy + 1);
                for (int xx = x; xx < x + w - 1 && xx + 1 < photo.width(); xx += 2)
                    sum += std::abs(row[3 * xx + 1] - row[3 * xx + 4]) + std::abs(row[3 * xx + 1] - below[3 * xx + 1]);
            }
            candidates.push_back({QRect(x, y, w, h), sum});
        }
    std::stable_sort(candidates.begin(), candidates.end(),
                     [](const Candidate& a, const Candidate& b) { return a.detail > b.detail; });
    std::vector<QImage> fields;
    std::vector<QRect> taken;
    for (const Candidate& c : candidates) {
        if (std::any_of(taken.begin(), taken.end(), [&](const QRect& r) { return r.intersects(c.place); }))
            continue;
        taken.push_back(c.place);
        fields.push_back(photo.copy(c.place).convertToFormat(QImage::Format_BGR888));
        if (fields.size() == 2)
            break;
    }
    return fields;
}

namespace {

double ToLinear(double v)
{
    v /= 255.0;
    return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
}

double ToEncoded(double l)
{
    l = std::clamp(l, 0.0, 1.0);
    return 255.0 * (l <= 0.0031308 ? 12.92 * l : 1.055 * std::pow(l, 1.0 / 2.4) - 0.055);
}

double CatmullRom(double t)
{
    t = std::abs(t);
    if (t < 1.0)
        return 1.5 * t * t * t - 2.5 * t * t + 1.0;
    if (t < 2.0)
        return -0.5 * t * t * t + 2.5 * t * t - 4.0 * t + 2.0;
    return 0.0;
}

} // namespace

QImage Exposed(const QImage& picture, double ev)
{
    QImage result = picture.convertToFormat(QImage::Format_BGR888);
    const double gain = std::exp2(ev);
    std::array<uchar, 256> table;
    for (int v = 0; v < 256; ++v)
        table[v] = static_cast<uchar>(std::lround(ToEncoded(ToLinear(v) * gain)));
    for (int y = 0; y < result.height(); ++y) {
        uchar* row = result.scanLine(y);
        for (int x = 0; x < 3 * result.width(); ++x)
            row[x] = table[row[x]];
    }
    return result;
}

QImage Scaled(const QImage& picture, double factor)
{
    const QImage source = picture.convertToFormat(QImage::Format_BGR888);
    const int w = source.width(), h = source.height();
    // Separable: across into doubles, then down.
    const auto taps = [&](int i, int n, std::array<int, 4>& at, std::array<double, 4>& weight) {
        const double s = (i - (n - 1) / 2.0) / factor + (n - 1) / 2.0;
        const int base = static_cast<int>(std::floor(s)) - 1;
        for (int k = 0; k < 4; ++k) {
            at[k] = std::clamp(base + k, 0, n - 1);
            weight[k] = CatmullRom(s - (base + k));
        }
    };
    std::vector<double> across(static_cast<std::size_t>(w) * h * 3);
    std::array<int, 4> at;
    std::array<double, 4> weight;
    for (int x = 0; x < w; ++x) {
        taps(x, w, at, weight);
        for (int y = 0; y < h; ++y) {
            const uchar* row = source.constScanLine(y);
            for (int c = 0; c < 3; ++c) {
                double v = 0.0;
                for (int k = 0; k < 4; ++k)
                    v += weight[k] * row[3 * at[k] + c];
                across[(static_cast<std::size_t>(y) * w + x) * 3 + c] = v;
            }
        }
    }
    QImage result(w, h, QImage::Format_BGR888);
    for (int y = 0; y < h; ++y) {
        taps(y, h, at, weight);
        uchar* row = result.scanLine(y);
        for (int x = 0; x < 3 * w; ++x) {
            double v = 0.0;
            for (int k = 0; k < 4; ++k)
                v += weight[k] * across[static_cast<std::size_t>(at[k]) * w * 3 + x];
            row[x] = static_cast<uchar>(std::clamp(std::lround(v), 0L, 255L));
        }
    }
    return result;
}

QImage JpegRoundTrip(const QImage& picture, int quality)
{
    return QImage::fromData(JpegBuilder::Encode(picture, quality), "JPEG").convertToFormat(QImage::Format_BGR888);
}

QImage WithGlints(const QImage& picture, int count, unsigned seed)
{
    QImage result = picture.convertToFormat(QImage::Format_BGR888);
    std::mt19937 random(seed);
    for (int i = 0; i < count; ++i) {
        const int size = 2 + static_cast<int>(random() % 2);
        const int x0 = static_cast<int>(random() % static_cast<unsigned>(result.width() - size));
        const int y0 = static_cast<int>(random() % static_cast<unsigned>(result.height() - size));
        for (int y = y0; y < y0 + size; ++y)
            std::fill_n(result.scanLine(y) + 3 * x0, 3 * size, uchar(255));
    }
    return result;
}

std::vector<QImage> Burst(const QImage& field, TConfounder confounder, int width, int height)
{
    // A hand-held burst moves by a few pixels from frame to frame.
    static constexpr int Shifts[FrameCount][2] = {{0, 0}, {3, -2}, {-4, 1}, {2, 4}, {-1, -3}};
    std::vector<QImage> frames;
    for (int i = 0; i < FrameCount; ++i) {
        QImage frame = FocusScenes::Blurred(field, Sigmas[i]);
        int dx = 0, dy = 0;
        switch (confounder) {
        case TConfounder::Clean:
            break;
        case TConfounder::Exposure:
            // The sharp frame darker, the next one brighter, by half a stop each.
            if (i < 2)
                frame = Exposed(frame, i == 0 ? -0.5 : 0.5);
            break;
        case TConfounder::UnevenNoise:
            frame = FocusScenes::Noisy(frame, (i == 0 ? 0.02 : 0.05) * 255, 31 + i);
            break;
        case TConfounder::Highlights:
            // Glints at another depth stay sharp in the frames focused away from the scene.
            if (i > 0)
                frame = WithGlints(frame, 12, 5 + i);
            break;
        case TConfounder::ShiftScale:
            dx = Shifts[i][0];
            dy = Shifts[i][1];
            // Focus breathing: the sharp frame resampled 1 % larger.
            if (i == 0)
                frame = Scaled(frame, 1.01);
            break;
        case TConfounder::Jpeg:
            break;
        }
        frame = FocusScenes::Shifted(frame, Margin + dx, Margin + dy, width, height);
        if (confounder == TConfounder::Jpeg)
            frame = JpegRoundTrip(frame, i == 0 ? 70 : 95);
        frames.push_back(std::move(frame));
    }
    return frames;
}

double KendallTau(const std::vector<double>& figures)
{
    int concordant = 0, discordant = 0;
    for (std::size_t i = 0; i < figures.size(); ++i)
        for (std::size_t j = i + 1; j < figures.size(); ++j) {
            if (figures[i] > figures[j])
                ++concordant;
            else if (figures[i] < figures[j])
                ++discordant;
        }
    const double pairs = static_cast<double>(figures.size() * (figures.size() - 1) / 2);
    return pairs > 0 ? (concordant - discordant) / pairs : 0.0;
}

double LitShare(const TFocusMap& map, float scale, int level)
{
    const TFocusMap reduced = ReduceFocusMap(map, scale);
    long long n = 0;
    for (int y = 0; y < reduced.Height(); ++y)
        for (int x = 0; x < reduced.Width(); ++x)
            n += reduced.At(x, y) >= level;
    return static_cast<double>(n) / (static_cast<double>(reduced.Width()) * reduced.Height());
}

} // namespace FocusBursts
