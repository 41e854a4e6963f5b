// Feeds arbitrary bytes to the host's handling of a plug-in's picture: a stand-in plug-in
// reports the size its header block states and hands over both blocks as malloc'ed copies of
// the input, so the host's checks and the conversion into the working bitmap run as for a real
// plug-in. Input: the header block's length (2 bytes, little-endian), the header block, the bits.
#include "loading/SpiHost.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

// The stand-in reports pictures up to this many pixels: bigger ones need more bits than an
// input holds and are refused by the same size check, after a costly allocation.
constexpr long long kFuzzMaxPixels = 1LL << 18;

const uint8_t* header = nullptr;
std::size_t headerSize = 0;
const uint8_t* bits = nullptr;
std::size_t bitsSize = 0;

int32_t GetPictureInfo(const char*, intptr_t, uint32_t, SpiPictureInfo* info)
{
    if (headerSize < sizeof(SpiBitmapInfoHeader))
        return SPI_OUT_OF_ORDER;
    SpiBitmapInfoHeader bi;
    std::memcpy(&bi, header, sizeof bi);
    const long long width = bi.biWidth;
    const long long height = bi.biHeight < 0 ? -static_cast<long long>(bi.biHeight) : bi.biHeight;
    if (width * height > kFuzzMaxPixels)
        return SPI_NO_MEMORY;
    info->width = static_cast<int32_t>(width);
    info->height = static_cast<int32_t>(height);
    return SPI_ALL_RIGHT;
}

void* Copy(const uint8_t* data, std::size_t size)
{
    void* block = std::malloc(size);
    if (block && size > 0)
        std::memcpy(block, data, size);
    return block;
}

int32_t GetPicture(const char*, intptr_t, uint32_t, void** headerBlock, void** bitsBlock, SpiProgressCallback,
                   intptr_t)
{
    *headerBlock = Copy(header, headerSize);
    *bitsBlock = Copy(bits, bitsSize);
    return SPI_ALL_RIGHT;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    if (size < 2)
        return 0;
    headerSize = std::min<std::size_t>(data[0] | data[1] << 8, size - 2);
    header = data + 2;
    bits = header + headerSize;
    bitsSize = size - 2 - headerSize;

    auto plugin = std::make_shared<TSpiPlugin>();
    plugin->GetPictureInfo = GetPictureInfo;
    plugin->GetPicture = GetPicture;
    TSpiHost host;
    host.CurrentFile = QStringLiteral("/fuzz/picture.dib");
    host.Extension = QStringLiteral(".DIB");
    host.SetSelected(plugin);
    DecodeWithPlugin(host);
    ReleaseWorkBitmap(host);
    return 0;
}
