#include "loading/BmpReader.h"

#include "loading/BmpLayout.h"
#include "loading/LoadErrors.h"

#include <algorithm>
#include <bit>
#include <cstring>

using namespace bmp;

namespace {

QImage Allocate(int width, int height, QImage::Format format)
{
    QImage image(width, height, format);
    if (image.isNull())
        ThrowInvalidBitmap();
    return image;
}

// Scales one mask's field to 0..255.
struct Channel {
    uint32_t Mask = 0;
    int Shift = 0;
    uint32_t Max = 0;
    explicit Channel(uint32_t mask) : Mask(mask)
    {
        if (mask == 0)
            return;
        Shift = std::countr_zero(mask);
        Max = mask >> Shift;
    }
    int Value(uint32_t pixel) const
    {
        if (Max == 0)
            return 0;
        return static_cast<int>(static_cast<uint64_t>((pixel & Mask) >> Shift) * 255 / Max);
    }
};

void DecodeRle(const unsigned char* d, std::size_t size, const BmpLayout& l, QImage& image)
{
    image.fill(0);
    const bool four = l.Compression == BiRle4;
    auto put = [&](long long x, long long y, int index) {
        if (x >= 0 && x < l.Width && y >= 0 && y < l.Height)
            image.scanLine(l.Height - 1 - static_cast<int>(y))[x] = static_cast<uchar>(index);
    };
    std::size_t pos = l.DataOffset;
    long long x = 0, y = 0;
    // A stream that ends without its end-of-bitmap mark keeps what it drew.
    while (size - pos >= 2 && y < l.Height) {
        const int a = d[pos], b = d[pos + 1];
        pos += 2;
        if (a > 0) {
            for (int i = 0; i < a; ++i)
                put(x + i, y, four ? ((i & 1) ? (b & 15) : (b >> 4)) : b);
            x += a;
        } else if (b == 0) {
            x = 0;
            ++y;
        } else if (b == 1) {
            break;
        } else if (b == 2) {
            if (size - pos < 2)
                break;
            x += d[pos];
            y += d[pos + 1];
            pos += 2;
        } else {
            std::size_t bytes = four ? (static_cast<std::size_t>(b) + 1) / 2 : b;
            if (bytes > size - pos)
                break;
            for (int i = 0; i < b; ++i) {
                const int v = four ? ((i & 1) ? (d[pos + i / 2] & 15) : (d[pos + i / 2] >> 4)) : d[pos + i];
                put(x + i, y, v);
            }
            x += b;
            bytes += bytes & 1;   // runs are padded to a 16-bit boundary
            pos += std::min(bytes, size - pos);
        }
    }
}

void DecodeRows(const unsigned char* d, const BmpLayout& l, QImage& image)
{
    const int w = l.Width;
    const Channel r(l.Masks[0]), g(l.Masks[1]), b(l.Masks[2]);
    for (int row = 0; row < l.Height; ++row) {
        const unsigned char* src = d + l.DataOffset + l.Stride * static_cast<std::size_t>(row);
        uchar* dst = image.scanLine(l.TopDown ? row : l.Height - 1 - row);
        switch (l.Bits) {
        case 1:
            std::memcpy(dst, src, (static_cast<std::size_t>(w) + 7) / 8);
            break;
        case 4:
            for (int x = 0; x < w; ++x)
                dst[x] = (x & 1) ? (src[x / 2] & 15) : (src[x / 2] >> 4);
            break;
        case 8:
            std::memcpy(dst, src, static_cast<std::size_t>(w));
            break;
        case 24:
            std::memcpy(dst, src, static_cast<std::size_t>(w) * 3);
            break;
        default:
            if (l.Format == TPixelFormat::pf15bit || l.Format == TPixelFormat::pf16bit) {
                auto* out = reinterpret_cast<quint16*>(dst);
                for (int x = 0; x < w; ++x)
                    out[x] = U16(src + 2 * x);
            } else if (l.Format == TPixelFormat::pf32bit) {
                auto* out = reinterpret_cast<QRgb*>(dst);
                for (int x = 0; x < w; ++x)
                    out[x] = 0xFF000000u | (U32(src + 4 * x) & 0x00FFFFFFu);
            } else {
                auto* out = reinterpret_cast<QRgb*>(dst);
                for (int x = 0; x < w; ++x) {
                    const uint32_t v = l.Bits == 16 ? U16(src + 2 * x) : U32(src + 4 * x);
                    out[x] = qRgb(r.Value(v), g.Value(v), b.Value(v));
                }
            }
        }
    }
}

QImage::Format QtFormatOf(const BmpLayout& l)
{
    switch (l.Format) {
    case TPixelFormat::pf1bit: return QImage::Format_Mono;
    case TPixelFormat::pf4bit:
    case TPixelFormat::pf8bit: return QImage::Format_Indexed8;
    case TPixelFormat::pf15bit: return QImage::Format_RGB555;
    case TPixelFormat::pf16bit: return QImage::Format_RGB16;
    case TPixelFormat::pf24bit: return QImage::Format_BGR888;
    default: return QImage::Format_RGB32;
    }
}

} // namespace

void ReadBmpData(const unsigned char* data, std::size_t size, QImage& image, TPixelFormat& format)
{
    if (size == 0) {
        image = QImage();
        return;
    }
    const BmpLayout l = ParseLayout(data, size);
    QImage result = Allocate(l.Width, l.Height, QtFormatOf(l));
    if (l.Bits <= 8)
        result.setColorTable(QList<QRgb>(l.Palette.begin(), l.Palette.end()));
    if (l.Compression == BiRle8 || l.Compression == BiRle4)
        DecodeRle(data, size, l, result);
    else
        DecodeRows(data, l, result);
    image = std::move(result);
    format = l.Format;
}

void ReadBmpFile(const QString& fileName, QImage& image, TPixelFormat& format)
{
    TMappedFile file;
    ReadWholeFile(fileName.toStdString(), file);
    ReadBmpData(file.View, file.Length, image, format);
}
