#include "loading/BmpReader.h"

#include "loading/LoadErrors.h"

#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <vector>

namespace {

constexpr long long BmpPixelLimit = 1LL << 28;

enum Compression : uint32_t { BiRgb = 0, BiRle8 = 1, BiRle4 = 2, BiBitfields = 3 };

uint16_t U16(const unsigned char* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t U32(const unsigned char* p)
{
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

// Everything the headers say, checked against the data's size.
struct BmpLayout {
    int Width = 0;
    int Height = 0;
    bool TopDown = false;
    int Bits = 0;
    uint32_t Compression = BiRgb;
    uint32_t Masks[3] = {0, 0, 0};
    std::vector<QRgb> Palette;
    std::size_t DataOffset = 0;
    std::size_t Stride = 0;
    TPixelFormat Format = TPixelFormat::pf24bit;
};

bool IsMasks(const BmpLayout& l, uint32_t r, uint32_t g, uint32_t b)
{
    return l.Masks[0] == r && l.Masks[1] == g && l.Masks[2] == b;
}

TPixelFormat FormatOf(const BmpLayout& l)
{
    switch (l.Bits) {
    case 1: return TPixelFormat::pf1bit;
    case 4: return TPixelFormat::pf4bit;
    case 8: return TPixelFormat::pf8bit;
    case 16:
        if (l.Compression == BiRgb || IsMasks(l, 0x7C00, 0x03E0, 0x001F))
            return TPixelFormat::pf15bit;
        if (IsMasks(l, 0xF800, 0x07E0, 0x001F))
            return TPixelFormat::pf16bit;
        return TPixelFormat::pfCustom;
    case 24: return TPixelFormat::pf24bit;
    default:
        if (l.Compression == BiRgb || IsMasks(l, 0xFF0000, 0x00FF00, 0x0000FF))
            return TPixelFormat::pf32bit;
        return TPixelFormat::pfCustom;
    }
}

BmpLayout ParseLayout(const unsigned char* d, std::size_t size)
{
    BmpLayout l;
    if (size < 14 + 12 || d[0] != 'B' || d[1] != 'M')
        ThrowInvalidBitmap();
    const uint32_t offBits = U32(d + 10);
    const unsigned char* h = d + 14;
    const uint32_t headerSize = U32(h);
    if (headerSize > size - 14)
        ThrowInvalidBitmap();
    long long width = 0, height = 0;
    std::size_t entrySize = 4;
    uint32_t colorsUsed = 0;
    std::size_t paletteStart = 14 + headerSize;
    if (headerSize == 12) {
        width = U16(h + 4);
        height = U16(h + 6);
        l.Bits = U16(h + 10);
        entrySize = 3;
    } else if (headerSize == 40 || headerSize == 52 || headerSize == 56 || headerSize == 108 ||
               headerSize == 124) {
        width = static_cast<int32_t>(U32(h + 4));
        height = static_cast<int32_t>(U32(h + 8));
        l.Bits = U16(h + 14);
        l.Compression = U32(h + 16);
        colorsUsed = U32(h + 32);
        if (l.Compression == BiBitfields) {
            if (headerSize == 40) {
                // The three masks follow a plain info header.
                if (size - paletteStart < 12)
                    ThrowInvalidBitmap();
                for (int i = 0; i < 3; ++i)
                    l.Masks[i] = U32(d + paletteStart + 4 * i);
                paletteStart += 12;
            } else {
                for (int i = 0; i < 3; ++i)
                    l.Masks[i] = U32(h + 40 + 4 * i);
            }
        }
    } else {
        ThrowInvalidBitmap();
    }
    if (height < 0) {
        height = -height;
        l.TopDown = true;
    }
    if (width <= 0 || height <= 0 || width * height > BmpPixelLimit)
        ThrowInvalidBitmap();
    l.Width = static_cast<int>(width);
    l.Height = static_cast<int>(height);

    switch (l.Compression) {
    case BiRgb:
        if (l.Bits != 1 && l.Bits != 4 && l.Bits != 8 && l.Bits != 16 && l.Bits != 24 && l.Bits != 32)
            ThrowInvalidBitmap();
        break;
    case BiRle8:
        if (l.Bits != 8 || l.TopDown)
            ThrowInvalidBitmap();
        break;
    case BiRle4:
        if (l.Bits != 4 || l.TopDown)
            ThrowInvalidBitmap();
        break;
    case BiBitfields:
        if ((l.Bits != 16 && l.Bits != 32) || (l.Masks[0] | l.Masks[1] | l.Masks[2]) == 0)
            ThrowInvalidBitmap();
        if (l.Bits == 16 && ((l.Masks[0] | l.Masks[1] | l.Masks[2]) >> 16) != 0)
            ThrowInvalidBitmap();
        break;
    default:
        ThrowInvalidBitmap();
    }

    if (l.Bits <= 8) {
        const uint32_t full = 1u << l.Bits;
        uint32_t count = (colorsUsed == 0 || colorsUsed > full) ? full : colorsUsed;
        // Writers that leave the count 0 often store a shorter table; the pixel data's
        // offset tells how long it is.
        if (colorsUsed == 0 && offBits > paletteStart)
            count = static_cast<uint32_t>(std::min<std::size_t>(full, (offBits - paletteStart) / entrySize));
        if (paletteStart > size || count * entrySize > size - paletteStart)
            ThrowInvalidBitmap();
        l.Palette.assign(full, qRgb(0, 0, 0));   // indices past the file's table show black
        for (uint32_t i = 0; i < count; ++i) {
            const unsigned char* e = d + paletteStart + i * entrySize;
            l.Palette[i] = qRgb(e[2], e[1], e[0]);
        }
        paletteStart += count * entrySize;
    }

    l.DataOffset = offBits != 0 ? offBits : paletteStart;
    if (l.DataOffset > size)
        ThrowInvalidBitmap();
    l.Stride = (static_cast<std::size_t>(l.Width) * static_cast<std::size_t>(l.Bits) + 31) / 32 * 4;
    if (l.Compression == BiRgb || l.Compression == BiBitfields) {
        // The last row may come without its padding.
        const std::size_t lastRow = (static_cast<std::size_t>(l.Width) * l.Bits + 7) / 8;
        const std::size_t need = l.Stride * static_cast<std::size_t>(l.Height - 1) + lastRow;
        if (need > size - l.DataOffset)
            ThrowInvalidBitmap();
    }
    l.Format = FormatOf(l);
    return l;
}

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

void ThrowInvalidBitmap()
{
    throw EInvalidGraphic(QStringLiteral("ビットマップイメージが不正です"));
}

QSize ReadBmpSize(const unsigned char* data, std::size_t size, TPixelFormat* format)
{
    if (size == 0)
        return QSize(0, 0);
    const BmpLayout l = ParseLayout(data, size);
    if (format)
        *format = l.Format;
    return QSize(l.Width, l.Height);
}

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

namespace {

QByteArray ReadWholeFile(const QString& fileName)
{
    QFile file(fileName);
    // Only regular files: a named pipe would block the window in open() and a device
    // such as /dev/zero would be read until memory runs out.
    if (!QFileInfo(fileName).isFile() || !file.open(QIODevice::ReadOnly))
        throw EFOpenError(QStringLiteral("ファイル %1 は開けません").arg(fileName));
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw EFOpenError(QStringLiteral("ファイル %1 は開けません").arg(fileName));
    return bytes;
}

} // namespace

void ReadBmpFile(const QString& fileName, QImage& image, TPixelFormat& format)
{
    const QByteArray bytes = ReadWholeFile(fileName);
    ReadBmpData(reinterpret_cast<const unsigned char*>(bytes.constData()),
                static_cast<std::size_t>(bytes.size()), image, format);
}

QSize ReadBmpFileSize(const QString& fileName, TPixelFormat& format)
{
    const QByteArray bytes = ReadWholeFile(fileName);
    return ReadBmpSize(reinterpret_cast<const unsigned char*>(bytes.constData()),
                       static_cast<std::size_t>(bytes.size()), &format);
}
