#include "loading/BmpLayout.h"
#include "loading/BmpReader.h"

#include "loading/LoadErrors.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include <sys/stat.h>

namespace bmp {

namespace {

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

} // namespace

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

namespace {

EFOpenError Unopenable(const std::string& fileName)
{
    return EFOpenError("ファイル " + fileName + " は開けません");
}

bool IsEmptyFile(const std::string& fileName)
{
    struct stat st {};
    return ::stat(fileName.c_str(), &st) == 0 && S_ISREG(st.st_mode) && st.st_size == 0;
}

} // namespace

void ReadWholeFile(const std::string& fileName, TMappedFile& file)
{
    // Only regular files: a named pipe would block the window in open() and a device
    // such as /dev/zero would be read until memory runs out.
    if (MapFile(file, fileName, 18) == nullptr) {
        if (IsEmptyFile(fileName))
            return;   // an empty picture, not a failure
        throw Unopenable(fileName);
    }
    // The signature and the header's size settle whether this can be a bitmap at all,
    // before the rest of a possibly huge file is read.
    const unsigned char* d = file.View;
    if (file.Length >= 2 && (d[0] != 'B' || d[1] != 'M'))
        ThrowInvalidBitmap();
    if (file.Length >= 18) {
        const uint32_t headerSize = U32(d + 14);
        if (headerSize != 12 && headerSize != 40 && headerSize != 52 && headerSize != 56 &&
            headerSize != 108 && headerSize != 124)
            ThrowInvalidBitmap();
    }
    if (!MapMore(file, file.Size))
        throw Unopenable(fileName);
}

} // namespace bmp

using namespace bmp;

void ThrowInvalidBitmap()
{
    throw EInvalidGraphic(std::string("ビットマップイメージが不正です"));
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

QSize ReadBmpFileSize(const std::string& fileName, TPixelFormat& format)
{
    TMappedFile file;
    ReadWholeFile(fileName, file);
    return ReadBmpSize(file.View, file.Length, &format);
}
