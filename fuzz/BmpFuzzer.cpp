// Feeds arbitrary bytes to the BMP reader. The header-only probe answers for the reader (the
// chooser and velumira-info trust it), so both must accept the same files and agree on the size
// and the format tag.
#include "loading/BmpReader.h"
#include "loading/LoadErrors.h"

#include <cstddef>
#include <cstdint>

namespace {

// Pictures above this many pixels are only probed. Uncompressed ones need more bytes than an
// input holds and are refused by the probe's own checks; run-length ones may be that large
// from a few bytes, and would spend each run allocating and clearing up to 256 MB.
constexpr long long kFuzzMaxPixels = 1LL << 18;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    bool probed = true;
    QSize probedSize;
    TPixelFormat probedFormat = TPixelFormat::pfDevice;
    try {
        probedSize = ReadBmpSize(data, size, &probedFormat);
    } catch (const EStreamError&) {
        probed = false;
    }

    if (probed && static_cast<long long>(probedSize.width()) * probedSize.height() > kFuzzMaxPixels)
        return 0;
    bool read = true;
    QImage image;
    TPixelFormat format = TPixelFormat::pfDevice;
    try {
        ReadBmpData(data, size, image, format);
    } catch (const EStreamError&) {
        read = false;
    }

    if (probed != read)
        __builtin_trap();
    if (read && size > 0 && (image.size() != probedSize || format != probedFormat))
        __builtin_trap();
    return 0;
}
