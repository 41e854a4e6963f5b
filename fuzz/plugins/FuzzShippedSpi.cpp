// Feeds arbitrary bytes to one shipped plug-in (linked in, its code instrumented) through
// every entry point the viewer and the chooser call: the file-name forms read an in-memory
// file (memfd), GetPictureInfo/GetPicture the memory form. Whatever is handed over must be a
// DIB the host accepts or a block no longer than its allocation; GetPicture is skipped for
// pictures the host would refuse for their size, as the viewer does.
#include "loading/SpiContract.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <malloc.h>
#include <sys/mman.h>
#include <unistd.h>

extern "C" int32_t IsSupported(const char*, intptr_t);
extern "C" int32_t GetPictureInfo(const char*, intptr_t, uint32_t, SpiPictureInfo*);
extern "C" int32_t GetPicture(const char*, intptr_t, uint32_t, void**, void**, SpiProgressCallback, intptr_t);
extern "C" __attribute__((weak)) int32_t GetExifBlock(const char*, void**, intptr_t*);
extern "C" __attribute__((weak)) int32_t GetJpegPreview(const char*, int32_t, void**, intptr_t*);
extern "C" __attribute__((weak)) int32_t GetThumbnail(const char*, void**, void**);

namespace {

// A picture this large is refused by the host before GetPicture (it stands for the memory
// check, which depends on the machine).
constexpr long long kMaxFuzzPixels = 4LL << 20;

void CheckBlock(void* block, intptr_t length)
{
    if (!block || length <= 0 || size_t(length) > malloc_usable_size(block)) std::abort();
    volatile unsigned sum = 0;
    for (intptr_t i = 0; i < length; ++i) sum = sum + static_cast<const unsigned char*>(block)[i];
    std::free(block);
}

// The host's own checks of a delivered DIB, in brief: a 40-byte header whose size agrees,
// every promised row inside the bits block.
void CheckDib(void* header, void* bits, int32_t width, int32_t height)
{
    if (!header || !bits) std::abort();
    SpiBitmapInfoHeader bi;
    if (malloc_usable_size(header) < sizeof bi) std::abort();
    std::memcpy(&bi, header, sizeof bi);
    const int32_t rows = bi.biHeight < 0 ? -bi.biHeight : bi.biHeight;
    if (bi.biSize != 40 || bi.biBitCount != 24 || bi.biWidth <= 0 || rows <= 0) std::abort();
    if (width > 0 && (bi.biWidth != width || rows != height)) std::abort();
    const size_t need = ((size_t(bi.biWidth) * 3 + 3) & ~size_t(3)) * size_t(rows);
    if (malloc_usable_size(bits) < need) std::abort();
    volatile unsigned sum = 0;
    for (size_t i = 0; i < need; ++i) sum = sum + static_cast<const unsigned char*>(bits)[i];
    std::free(header);
    std::free(bits);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const int fd = memfd_create("fuzz-input", MFD_CLOEXEC);
    if (fd < 0 || ftruncate(fd, 0) != 0 || pwrite(fd, data, size, 0) != ssize_t(size)) return 0;
    char name[64];
    std::snprintf(name, sizeof name, "/proc/self/fd/%d", fd);

    IsSupported(name, fd);
    void* block = nullptr;
    intptr_t length = 0;
    if (GetExifBlock && GetExifBlock(name, &block, &length) == SPI_ALL_RIGHT) CheckBlock(block, length);
    for (int32_t which : {SPI_PREVIEW_PICTURE, SPI_PREVIEW_SMALLEST})
        if (GetJpegPreview && GetJpegPreview(name, which, &block, &length) == SPI_ALL_RIGHT) CheckBlock(block, length);
    void* header = nullptr;
    void* bits = nullptr;
    if (GetThumbnail && GetThumbnail(name, &header, &bits) == SPI_ALL_RIGHT) CheckDib(header, bits, 0, 0);

    const char* bytes = reinterpret_cast<const char*>(data);
    SpiPictureInfo info;
    std::memset(&info, 0, sizeof info);
    if (GetPictureInfo(bytes, intptr_t(size), SPI_INPUT_MEMORY, &info) != SPI_ALL_RIGHT) return 0;
    std::free(info.hInfo);
    if (info.width <= 0 || info.height <= 0 || (long long)info.width * info.height > kMaxFuzzPixels) return 0;
    if (GetPicture(bytes, intptr_t(size), SPI_INPUT_MEMORY, &header, &bits, nullptr, 0) == SPI_ALL_RIGHT)
        CheckDib(header, bits, info.width, info.height);
    return 0;
}
