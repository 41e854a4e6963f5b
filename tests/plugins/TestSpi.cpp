// Small plug-ins the host tests load, one library per set of SPI_* definitions (see the
// CMakeLists.txt here). They read a tiny test format: 4 magic bytes, width and height
// (int32, little-endian), one mode byte.
//
//   palette      accepts "TPAL": 8-bit bottom-up DIB with a 4-entry table, text block in hInfo
//   topdown24    accepts "T24D": 24-bit top-down DIB
//   failing      accepts "TFAI": GetPictureInfo succeeds, GetPicture fails
//   malformed    accepts "TMAL": the mode byte picks the malformed answer (MalformedMode)
//   declines     accepts nothing
//   noinfo       accepts "TPAL" but has no GetPictureInfo
//   supportonly  exports IsSupported alone; pictureonly exports GetPicture alone
#include "loading/SpiContract.h"
#include "tests/plugins/TestSpiFormat.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

#ifndef SPI_PALETTE_SHIFT
#define SPI_PALETTE_SHIFT 0
#endif

// Every IsSupported call counts here, so tests can see which libraries were asked.
extern "C" {
__attribute__((visibility("default"))) int32_t TestCalls = 0;
}

namespace {

[[maybe_unused]] bool ReadHead(const char* name, TestSpiHead& head)
{
    FILE* f = std::fopen(name, "rb");
    if (!f) return false;
    const bool ok = std::fread(&head, sizeof head, 1, f) == 1;
    std::fclose(f);
    return ok;
}

[[maybe_unused]] bool MagicIs(intptr_t fd, const char* magic)
{
    char got[4];
    return fd >= 0 && pread(static_cast<int>(fd), got, 4, 0) == 4 && std::memcmp(got, magic, 4) == 0;
}

[[maybe_unused]] void* Header(int width, int height, uint16_t bits, uint32_t colours, std::size_t blockSize)
{
    auto* block = static_cast<unsigned char*>(std::calloc(1, blockSize));
    SpiBitmapInfoHeader bi{};
    bi.biSize = sizeof bi;
    bi.biWidth = width;
    bi.biHeight = height;
    bi.biPlanes = 1;
    bi.biBitCount = bits;
    bi.biClrUsed = colours;
    std::memcpy(block, &bi, sizeof bi);
    return block;
}

[[maybe_unused]] uint32_t Stride(int width, int bits) { return (uint32_t(width) * bits + 31) / 32 * 4; }

// Palette picture: index (x + 2y) % 4, rows stored bottom-up.
[[maybe_unused]] int32_t PalettePicture(const TestSpiHead& head, void** header, void** bits)
{
    unsigned char* h = static_cast<unsigned char*>(Header(head.width, head.height, 8, 4, 40 + 16));
    for (int i = 0; i < 4; ++i) {
        const TestSpiColour c = TestPaletteColour(i, SPI_PALETTE_SHIFT);
        h[40 + i * 4] = c.b;
        h[40 + i * 4 + 1] = c.g;
        h[40 + i * 4 + 2] = c.r;
    }
    const uint32_t stride = Stride(head.width, 8);
    auto* b = static_cast<unsigned char*>(std::calloc(head.height, stride));
    for (int y = 0; y < head.height; ++y)
        for (int x = 0; x < head.width; ++x)
            b[(head.height - 1 - y) * stride + x] = static_cast<unsigned char>((x + 2 * y) % 4);
    *header = h;
    *bits = b;
    return SPI_ALL_RIGHT;
}

[[maybe_unused]] int32_t TopDownPicture(const TestSpiHead& head, void** header, void** bits)
{
    void* h = Header(head.width, -head.height, 24, 0, 40);
    const uint32_t stride = Stride(head.width, 24);
    auto* b = static_cast<unsigned char*>(std::calloc(head.height, stride));
    for (int y = 0; y < head.height; ++y)
        for (int x = 0; x < head.width; ++x) {
            const TestSpiColour c = TestTopDownColour(x, y);
            unsigned char* p = b + y * stride + x * 3;
            p[0] = c.b;
            p[1] = c.g;
            p[2] = c.r;
        }
    *header = h;
    *bits = b;
    return SPI_ALL_RIGHT;
}

[[maybe_unused]] int32_t MalformedPicture(const TestSpiHead& head, void** header, void** bits)
{
    const int w = head.width;
    const int h = head.height;
    const uint32_t stride = Stride(w, 24);
    switch (static_cast<MalformedMode>(head.mode)) {
    case MalformedMode::NullHeader:
        *header = nullptr;
        *bits = std::calloc(h, stride);
        break;
    case MalformedMode::NullBits:
        *header = Header(w, h, 24, 0, 40);
        *bits = nullptr;
        break;
    case MalformedMode::HeaderLargerThanBlock: {
        *header = Header(w, h, 24, 0, 40);
        const uint32_t big = 4000;
        std::memcpy(*header, &big, 4);
        *bits = std::calloc(h, stride);
        break;
    }
    case MalformedMode::TableBeyondBlock:
        *header = Header(w, h, 8, 256, 40 + 8);   // room for two entries of 256
        *bits = std::calloc(h, Stride(w, 8));
        break;
    case MalformedMode::BitsTooShort:
        *header = Header(w, h, 24, 0, 40);
        *bits = std::calloc(h - 1, stride);   // last row missing
        break;
    case MalformedMode::HeightDisagrees:
        *header = Header(w, -(h + 1), 24, 0, 40);
        *bits = std::calloc(h + 1, stride);
        break;
    default:
        return SPI_NOT_SUPPORTED;
    }
    return SPI_ALL_RIGHT;
}

} // namespace

#if !defined(SPI_PICTURE_ONLY)
SPI_EXPORT int32_t IsSupported(const char* fileName, intptr_t fd)
{
    (void)fileName;
    (void)fd;
    ++TestCalls;
#if defined(SPI_ACCEPT)
    return MagicIs(fd, SPI_ACCEPT);
#else
    return 0;
#endif
}
#endif

#if !defined(SPI_SUPPORT_ONLY) && !defined(SPI_NO_INFO)
SPI_EXPORT int32_t GetPictureInfo(const char* buf, intptr_t len, uint32_t flag, SpiPictureInfo* info)
{
    TestSpiHead head{};
    if (len != 0 || flag != SPI_INPUT_FILE || !ReadHead(buf, head)) return SPI_FILE_READ_ERROR;
    info->width = head.width;
    info->height = head.height;
    info->colorDepth = 24;
    // The host frees the text block; a leak would show in the sanitizer build.
    info->hInfo = strdup("test picture");
    return SPI_ALL_RIGHT;
}
#endif

#if !defined(SPI_SUPPORT_ONLY)
SPI_EXPORT int32_t GetPicture(const char* buf, intptr_t len, uint32_t flag, void** header, void** bits,
                              SpiProgressCallback progress, intptr_t data)
{
    TestSpiHead head{};
    if (len != 0 || flag != SPI_INPUT_FILE || progress || data || !ReadHead(buf, head)) return SPI_FILE_READ_ERROR;
#if defined(SPI_FAIL_PICTURE)
    (void)header;
    (void)bits;
    return SPI_OUT_OF_ORDER;
#elif defined(SPI_MALFORMED)
    return MalformedPicture(head, header, bits);
#elif defined(SPI_TOP_DOWN)
    return TopDownPicture(head, header, bits);
#else
    return PalettePicture(head, header, bits);
#endif
}
#endif

#if defined(SPI_ALL_EXPORTS)
SPI_EXPORT int32_t GetPreview() { return SPI_NOT_IMPLEMENTED; }
SPI_EXPORT int32_t GetArchiveInfo() { return SPI_NOT_IMPLEMENTED; }
SPI_EXPORT int32_t GetFile() { return SPI_NOT_IMPLEMENTED; }
#endif
