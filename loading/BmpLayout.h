#pragma once
// What the BMP headers say, shared by the pixel reader and the header-only size probe
// (which needs no picture code, so tools that only probe stay light).
#include "loading/Bmpmagbase.h"
#include "loading/MappedFile.h"

#include <QByteArray>
#include <QRgb>
#include <QString>
#include <string>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace bmp {

constexpr long long BmpPixelLimit = 1LL << 28;

enum Compression : uint32_t { BiRgb = 0, BiRle8 = 1, BiRle4 = 2, BiBitfields = 3 };

inline uint16_t U16(const unsigned char* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
inline uint32_t U32(const unsigned char* p)
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

// Checks the headers against the data's size; throws EInvalidGraphic.
BmpLayout ParseLayout(const unsigned char* d, std::size_t size);

// Reads the whole file into `file` (left empty for an empty file), regular files only;
// throws EFOpenError with the reader's message, or EInvalidGraphic as soon as the first
// bytes show that this is no bitmap.
void ReadWholeFile(const std::string& fileName, TMappedFile& file);

} // namespace bmp
