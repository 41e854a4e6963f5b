// Feeds arbitrary bytes to the PNG plug-in's entry points (memory input) and checks that
// whatever it delivers is a DIB the host accepts: header and sizes agree, and every row
// the header promises lies inside the bits block.
#include "loading/SpiContract.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <malloc.h>

extern "C" int32_t GetPictureInfo(const char*, intptr_t, uint32_t, SpiPictureInfo*);
extern "C" int32_t GetPicture(const char*, intptr_t, uint32_t, void**, void**, SpiProgressCallback, intptr_t);

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const char* bytes = reinterpret_cast<const char*>(data);
    SpiPictureInfo info;
    std::memset(&info, 0, sizeof info);
    const bool haveInfo = GetPictureInfo(bytes, intptr_t(size), SPI_INPUT_MEMORY, &info) == SPI_ALL_RIGHT;
    std::free(info.hInfo);

    void* header = nullptr;
    void* bits = nullptr;
    if (GetPicture(bytes, intptr_t(size), SPI_INPUT_MEMORY, &header, &bits, nullptr, 0) != SPI_ALL_RIGHT) return 0;
    if (!haveInfo || !header || !bits) std::abort();
    SpiBitmapInfoHeader bi;
    if (malloc_usable_size(header) < sizeof bi) std::abort();
    std::memcpy(&bi, header, sizeof bi);
    if (bi.biSize != 40 || bi.biBitCount != 24 || bi.biWidth != info.width || bi.biHeight != info.height)
        std::abort();
    const size_t stride = (size_t(bi.biWidth) * 3 + 3) & ~size_t(3);
    const size_t need = stride * size_t(bi.biHeight);
    if (malloc_usable_size(bits) < need) std::abort();
    // Touch every byte so the sanitizer sees a short or uninitialised block.
    volatile unsigned sum = 0;
    for (size_t i = 0; i < need; ++i) sum = sum + static_cast<const unsigned char*>(bits)[i];
    std::free(header);
    std::free(bits);
    return 0;
}
