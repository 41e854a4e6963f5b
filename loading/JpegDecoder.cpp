#include "loading/JpegDecoder.h"

#include "loading/JpegCore.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <sys/mman.h>

#include <jpeglib.h>
#include <jerror.h>

using namespace jpegcore;

namespace {

// These hold setjmp and plain locals only: longjmp skips no destructor.
bool StartDecode(Decompressor* d)
{
    if (setjmp(d->err.jump))
        return false;
    jpeg_start_decompress(&d->cinfo);
    return true;
}

bool ReadRows(Decompressor* d, unsigned char* base, std::ptrdiff_t stride)
{
    if (setjmp(d->err.jump))
        return false;
    JSAMPROW rows[16];
    while (d->cinfo.output_scanline < d->cinfo.output_height) {
        const unsigned int first = d->cinfo.output_scanline;
        unsigned int count = d->cinfo.output_height - first;
        if (count > 16)
            count = 16;
        for (unsigned int i = 0; i < count; ++i)
            rows[i] = base + static_cast<std::ptrdiff_t>(first + i) * stride;
        if (jpeg_read_scanlines(&d->cinfo, rows, count) == 0)
            return false;   // suspension cannot happen with a memory source
    }
    jpeg_finish_decompress(&d->cinfo);
    return true;
}

void FreeBuffer(void* buffer)
{
    std::free(buffer);
}

// A big picture's buffer on 2 MB pages where the system offers them: touching 70 MB of
// fresh 4 KB pages costs more than a tenth of the decode itself.
QImage AllocatePicture(int width, int height)
{
    constexpr std::size_t HugePage = 2u << 20;
    const qsizetype stride = (static_cast<qsizetype>(width) * 3 + 3) & ~qsizetype(3);
    const std::size_t bytes = static_cast<std::size_t>(stride) * static_cast<std::size_t>(height);
    if (bytes < 4 * HugePage)
        return QImage(width, height, QImage::Format_BGR888);
    void* buffer = nullptr;
    const std::size_t rounded = (bytes + HugePage - 1) / HugePage * HugePage;
    if (posix_memalign(&buffer, HugePage, rounded) != 0)
        return QImage();
    madvise(buffer, rounded, MADV_HUGEPAGE);   // a hint; fine if refused
    QImage image(static_cast<uchar*>(buffer), width, height, stride, QImage::Format_BGR888,
                 FreeBuffer, buffer);
    if (image.isNull())
        std::free(buffer);
    return image;
}

QImage Decode(const unsigned char* data, std::size_t length, Mode mode, int scaleDenom)
{
    if (data == nullptr)
        length = 0;   // libjpeg reports the empty input
    Decompressor d;
    if (!BeginDecode(&d, data, length, mode, scaleDenom))
        Fail(d);
    const long long pixels =
        static_cast<long long>(d.cinfo.output_width) * static_cast<long long>(d.cinfo.output_height);
    if (pixels <= 0 || pixels > JpegPixelLimit)
        throw EJpegError("picture too large");
    if (!StartDecode(&d))
        Fail(d);
    if (d.cinfo.output_components != 3)
        throw EJpegError("unexpected output components");
    QImage image = AllocatePicture(static_cast<int>(d.cinfo.output_width),
                                   static_cast<int>(d.cinfo.output_height));
    if (image.isNull())
        throw EJpegError("out of memory");
    if (!ReadRows(&d, image.bits(), image.bytesPerLine()))
        Fail(d);
    return image;
}

} // namespace

QImage DecodeJpegBest(const unsigned char* data, std::size_t length)
{
    return Decode(data, length, Mode::Best, 1);
}

QImage DecodeJpegReduced(const unsigned char* data, std::size_t length, int scaleDenom)
{
    if (scaleDenom != 1 && scaleDenom != 2 && scaleDenom != 4 && scaleDenom != 8)
        throw EJpegError("unsupported scale");
    return Decode(data, length, Mode::Fast, scaleDenom);
}

