// Device-independent bitmap (header + colour table, separate pixel bits) into the working
// bitmap. Everything is checked against the block sizes before the first pixel is written.
#include "loading/SpiHost.h"

#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <vector>

namespace {

uint32_t ReadU32(const unsigned char* p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

// One colour channel given as a bit mask: scales the masked value to 0..255.
struct Channel {
    uint32_t mask = 0;
    int shift = 0;
    uint32_t max = 0;

    explicit Channel(uint32_t m) : mask(m)
    {
        if (m) {
            shift = std::countr_zero(m);
            max = m >> shift;
        }
    }
    uint32_t Scale(uint32_t pixel) const
    {
        if (!max) return 0;
        const uint64_t v = (pixel & mask) >> shift;
        return static_cast<uint32_t>((v * 255 + max / 2) / max);
    }
};

struct DibLayout {
    int bitCount = 0;
    bool topDown = false;
    uint64_t stride = 0;
    std::vector<QRgb> palette;            // 1, 4, 8 bits: always 2^bitCount entries
    std::array<uint32_t, 3> masks{};      // 16, 32 bits: red, green, blue
};

bool ReadLayout(const unsigned char* h, std::size_t headerSize, int width, int height, DibLayout& out)
{
    if (headerSize < sizeof(SpiBitmapInfoHeader)) return false;
    SpiBitmapInfoHeader bi;
    std::memcpy(&bi, h, sizeof bi);
    if (bi.biSize < sizeof(SpiBitmapInfoHeader) || bi.biSize > headerSize) return false;
    if (bi.biWidth != width) return false;
    if (bi.biHeight == INT32_MIN) return false;
    const int32_t absHeight = bi.biHeight < 0 ? -bi.biHeight : bi.biHeight;
    if (absHeight != height) return false;

    out.bitCount = bi.biBitCount;
    out.topDown = bi.biHeight < 0;
    switch (bi.biBitCount) {
    case 1: case 4: case 8: case 24:
        if (bi.biCompression != SPI_BI_RGB) return false;
        break;
    case 16: case 32:
        if (bi.biCompression != SPI_BI_RGB && bi.biCompression != SPI_BI_BITFIELDS) return false;
        break;
    default:
        return false;
    }
    out.stride = (uint64_t(width) * bi.biBitCount + 31) / 32 * 4;

    if (bi.biBitCount <= 8) {
        const uint64_t full = uint64_t(1) << bi.biBitCount;
        const uint64_t entries = bi.biClrUsed == 0 || bi.biClrUsed > full ? full : bi.biClrUsed;
        if (entries * 4 > headerSize - bi.biSize) return false;
        // Indices past a short table show black rather than reading beyond it.
        out.palette.assign(full, qRgb(0, 0, 0));
        const unsigned char* table = h + bi.biSize;
        for (uint64_t i = 0; i < entries; ++i)
            out.palette[i] = qRgb(table[i * 4 + 2], table[i * 4 + 1], table[i * 4]);
    } else if (bi.biCompression == SPI_BI_BITFIELDS) {
        // V4/V5 headers carry the masks inside; a plain header is followed by them.
        const std::size_t at = bi.biSize >= 52 ? 40 : bi.biSize;
        if (at + 12 > headerSize) return false;
        out.masks = {ReadU32(h + at), ReadU32(h + at + 4), ReadU32(h + at + 8)};
    } else if (bi.biBitCount == 16) {
        out.masks = {0x7C00u, 0x03E0u, 0x001Fu};
    } else if (bi.biBitCount == 32) {
        out.masks = {0x00FF0000u, 0x0000FF00u, 0x000000FFu};
    }
    return true;
}

void ConvertRow(const DibLayout& dib, const unsigned char* src, QRgb* dst, int width,
                const Channel* channels, const std::vector<QRgb>& lut16)
{
    switch (dib.bitCount) {
    case 1:
        for (int x = 0; x < width; ++x) dst[x] = dib.palette[(src[x >> 3] >> (7 - (x & 7))) & 1];
        break;
    case 4:
        for (int x = 0; x < width; ++x) dst[x] = dib.palette[(src[x >> 1] >> ((x & 1) ? 0 : 4)) & 0x0F];
        break;
    case 8:
        for (int x = 0; x < width; ++x) dst[x] = dib.palette[src[x]];
        break;
    case 16:
        if (!lut16.empty()) {
            for (int x = 0; x < width; ++x) dst[x] = lut16[src[2 * x] | src[2 * x + 1] << 8];
        } else {
            for (int x = 0; x < width; ++x) {
                const uint32_t v = src[2 * x] | src[2 * x + 1] << 8;
                dst[x] = qRgb(channels[0].Scale(v), channels[1].Scale(v), channels[2].Scale(v));
            }
        }
        break;
    case 24:
        for (int x = 0; x < width; ++x, src += 3) dst[x] = qRgb(src[2], src[1], src[0]);
        break;
    case 32:
        if (dib.masks == std::array<uint32_t, 3>{0x00FF0000u, 0x0000FF00u, 0x000000FFu}) {
            for (int x = 0; x < width; ++x, src += 4) dst[x] = qRgb(src[2], src[1], src[0]);
        } else {
            for (int x = 0; x < width; ++x, src += 4) {
                const uint32_t v = ReadU32(src);
                dst[x] = qRgb(channels[0].Scale(v), channels[1].Scale(v), channels[2].Scale(v));
            }
        }
        break;
    }
}

} // namespace

bool ConvertDibToImage(const void* header, std::size_t headerSize, const void* bits,
                       std::size_t bitsSize, int width, int height, QImage& target)
{
    if (!header || !bits || width <= 0 || height <= 0) return false;
    if (target.width() != width || target.height() != height || target.format() != QImage::Format_RGB32)
        return false;
    DibLayout dib;
    if (!ReadLayout(static_cast<const unsigned char*>(header), headerSize, width, height, dib)) return false;
    // Sizes are capped by the caller, so stride * height cannot wrap.
    if (dib.stride * uint64_t(height) > bitsSize) return false;

    const Channel channels[3] = {Channel(dib.masks[0]), Channel(dib.masks[1]), Channel(dib.masks[2])};
    std::vector<QRgb> lut16;
    // A table of every 16-bit value pays only when the picture has more pixels than that.
    if (dib.bitCount == 16 && uint64_t(width) * uint64_t(height) > 65536) {
        lut16.resize(65536);
        for (uint32_t v = 0; v < 65536; ++v)
            lut16[v] = qRgb(channels[0].Scale(v), channels[1].Scale(v), channels[2].Scale(v));
    }
    const auto* base = static_cast<const unsigned char*>(bits);
    for (int y = 0; y < height; ++y) {
        const uint64_t row = dib.topDown ? uint64_t(y) : uint64_t(height - 1 - y);
        ConvertRow(dib, base + row * dib.stride, reinterpret_cast<QRgb*>(target.scanLine(y)), width,
                   channels, lut16);
    }
    return true;
}
