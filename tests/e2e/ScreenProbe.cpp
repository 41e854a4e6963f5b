#include "e2e/ScreenProbe.h"

#include <QString>

#include <algorithm>
#include <cstdlib>

bool Near(QRgb a, QRgb b, int tolerance)
{
    return std::abs(qRed(a) - qRed(b)) <= tolerance && std::abs(qGreen(a) - qGreen(b)) <= tolerance
        && std::abs(qBlue(a) - qBlue(b)) <= tolerance;
}

namespace {

template <typename PixelAt>
ColourRun FirstRun(int from, int to, QRgb colour, PixelAt pixelAt)
{
    ColourRun run;
    for (int p = from; p <= to; ++p) {
        const bool match = Near(pixelAt(p), colour);
        if (match && run.begin < 0)
            run.begin = p;
        if (!match && run.begin >= 0) {
            run.end = p;
            return run;
        }
    }
    if (run.begin >= 0)
        run.end = to + 1;
    return run;
}

}  // namespace

ColourRun RowRun(const QImage& image, int y, int fromX, int toX, QRgb colour)
{
    if (y < 0 || y >= image.height())
        return {};
    fromX = std::max(fromX, 0);
    toX = std::min(toX, image.width() - 1);
    return FirstRun(fromX, toX, colour, [&](int x) { return image.pixel(x, y); });
}

ColourRun ColumnRun(const QImage& image, int x, int fromY, int toY, QRgb colour)
{
    if (x < 0 || x >= image.width())
        return {};
    fromY = std::max(fromY, 0);
    toY = std::min(toY, image.height() - 1);
    return FirstRun(fromY, toY, colour, [&](int y) { return image.pixel(x, y); });
}

QRect ImageControlRect(QSize client, int n, int i)
{
    const int cw = client.width();
    const int a = client.height() - 32;
    const int hw = cw / 2;
    const int hh = a / 2;
    QRect box;
    if (n == 1)
        box = QRect(0, 32, cw, a);
    else if (n == 2)
        box = QRect(i == 0 ? 0 : hw - 1, 32, hw, a);
    else
        box = QRect(i % 2 == 0 ? 0 : hw - 1, i < 2 ? 32 : hh + 31, hw, hh);
    return QRect(box.left() + 8, box.top() + 48, box.width() - 16, box.height() - 56);
}

namespace {

float AsShown(float m)
{
    return QString::asprintf("%8.4f", m).trimmed().toFloat();
}

}  // namespace

float FitMagnification(QSize control, const QList<QSize>& pictures)
{
    float m = 16.0f;
    for (const QSize& p : pictures) {
        m = std::min(m, static_cast<float>(control.width()) / static_cast<float>(p.width()));
        m = std::min(m, static_cast<float>(control.height()) / static_cast<float>(p.height()));
    }
    return AsShown(std::clamp(m, 0.001f, 16.0f));
}

float WheelTowardMagnification(float shown)
{
    return AsShown(std::min(shown * 1.05f, 16.0f));
}

QRect LocateClient(const QImage& screen, QRect window, QRgb first)
{
    // The first image control starts 80 px (32 + 48) below the client top, 8 px in.
    const ColourRun down = ColumnRun(screen, window.left() + 8 + 3, window.top(), window.top() + 200, first);
    if (down.begin < 0)
        return {};
    const int top = down.begin - 80;
    return QRect(window.left(), top, window.width(), window.bottom() + 1 - top);
}
