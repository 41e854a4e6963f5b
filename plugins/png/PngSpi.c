/*
 * png.spi: PNG pictures for the viewer, through libpng.
 *
 * Every colour type and depth (grey 1..16 bits, grey + alpha, palette with or without tRNS,
 * RGB and RGBA in 8 and 16 bits, interlaced or not) comes out as a 24-bit bottom-up DIB;
 * transparency is composed on white. libpng reports errors by longjmp, so the decoding
 * function keeps everything it must release in a Job that its caller owns and cleans up.
 */
#include "loading/SpiContract.h"

#include <fcntl.h>
#include <png.h>
#include <setjmp.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

/* Limits checked before anything is allocated: the side as libpng's own default, the
 * area as the host accepts it. */
#define PNG_SPI_MAX_SIDE 1000000u
#define PNG_SPI_MAX_PIXELS (1ull << 28)
/* libpng's cap for one ancillary chunk (text, ICC profile...), so a hostile length field
 * cannot make it allocate gigabytes. */
#define PNG_SPI_MAX_CHUNK (8u * 1024u * 1024u)

typedef struct MemorySource {
    const unsigned char* data;
    size_t size;
    size_t pos;
} MemorySource;

typedef struct Job {
    FILE* file;
    MemorySource memory;
    png_structp png;
    png_infop info;
    uint32_t width;
    uint32_t height;
    int storedBits;           /* bits per pixel as stored in the file */
    uint32_t xDensity;        /* pixels per metre, 0 when unknown */
    uint32_t yDensity;
    unsigned char* header;    /* DIB header block, handed to the caller on success */
    unsigned char* bits;      /* DIB pixel block, likewise */
    unsigned char* alpha;     /* BGRA rows of a picture with transparency */
    png_bytep* rows;
} Job;

static void OnError(png_structp png, png_const_charp message)
{
    (void)message;
    png_longjmp(png, 1);
}

static void OnWarning(png_structp png, png_const_charp message)
{
    (void)png;
    (void)message;
}

static void ReadFromMemory(png_structp png, png_bytep out, png_size_t count)
{
    MemorySource* source = (MemorySource*)png_get_io_ptr(png);
    if (count > source->size - source->pos) png_error(png, "truncated");
    memcpy(out, source->data + source->pos, count);
    source->pos += count;
}

/* Opens the input the way the flag names it and prepares libpng; 0 or an SPI code. */
static int OpenJob(Job* job, const char* buf, intptr_t len, uint32_t flag)
{
    memset(job, 0, sizeof *job);
    if (!buf) return SPI_INTERNAL_ERROR;
    switch (flag & SPI_INPUT_MASK) {
    case SPI_INPUT_FILE: {
        /* O_NONBLOCK: a FIFO must not stall the viewer; it is refused below anyway. */
        int fd = open(buf, O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
        struct stat st;
        if (fd < 0) return SPI_FILE_READ_ERROR;
        if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || len < 0 || (off_t)len > st.st_size) {
            close(fd);
            return SPI_FILE_READ_ERROR;
        }
        job->file = fdopen(fd, "rb");
        if (!job->file) {
            close(fd);
            return SPI_FILE_READ_ERROR;
        }
        if (fseeko(job->file, (off_t)len, SEEK_SET) != 0) return SPI_FILE_READ_ERROR;
        break;
    }
    case SPI_INPUT_MEMORY:
        if (len < 0) return SPI_INTERNAL_ERROR;
        job->memory.data = (const unsigned char*)buf;
        job->memory.size = (size_t)len;
        break;
    default:
        return SPI_NOT_IMPLEMENTED;
    }
    job->png = png_create_read_struct(PNG_LIBPNG_VER_STRING, job, OnError, OnWarning);
    if (!job->png) return SPI_NO_MEMORY;
    job->info = png_create_info_struct(job->png);
    if (!job->info) return SPI_NO_MEMORY;
    if (job->file) png_init_io(job->png, job->file);
    else png_set_read_fn(job->png, &job->memory, ReadFromMemory);
    png_set_user_limits(job->png, PNG_SPI_MAX_SIDE, PNG_SPI_MAX_SIDE);
    png_set_chunk_malloc_max(job->png, PNG_SPI_MAX_CHUNK);
#ifdef VELUMIRA_FUZZING
    /* Lets mutated inputs get past the checksums to the code behind them. */
    png_set_crc_action(job->png, PNG_CRC_QUIET_USE, PNG_CRC_QUIET_USE);
#endif
    return SPI_ALL_RIGHT;
}

static void CloseJob(Job* job)
{
    if (job->png) png_destroy_read_struct(&job->png, job->info ? &job->info : NULL, NULL);
    if (job->file) fclose(job->file);
    free(job->rows);
    free(job->alpha);
    free(job->header);
    free(job->bits);
    memset(job, 0, sizeof *job);
}

/* White under a pixel of the given opacity, rounded. */
static unsigned char OnWhite(unsigned value, unsigned alpha)
{
    return (unsigned char)((value * alpha + 255u * (255u - alpha) + 127u) / 255u);
}

static void ComposeRow(const unsigned char* bgra, unsigned char* bgr, uint32_t width)
{
    for (uint32_t x = 0; x < width; ++x, bgra += 4, bgr += 3) {
        bgr[0] = OnWhite(bgra[0], bgra[3]);
        bgr[1] = OnWhite(bgra[1], bgra[3]);
        bgr[2] = OnWhite(bgra[2], bgra[3]);
    }
}

static int Report(SpiProgressCallback progress, intptr_t data, uint32_t done, uint32_t total)
{
    return progress && progress((int32_t)done, (int32_t)total, data) != 0;
}

/*
 * Reads the header, and with wantPixels the whole picture into job->header / job->bits.
 * Only plain locals live here: libpng's longjmp lands on the setjmp below, and nothing
 * modified after it is read on that path.
 */
static int Decode(Job* job, int wantPixels, SpiProgressCallback progress, intptr_t data)
{
    png_structp png = job->png;
    png_infop info = job->info;
    png_uint_32 width, height, xres, yres;
    int depth, colourType, interlace, unit, passes, pass, channels;
    size_t stride;
    uint32_t y;
    SpiBitmapInfoHeader bi;

    if (setjmp(png_jmpbuf(png))) return SPI_OUT_OF_ORDER;

    png_read_info(png, info);
    png_get_IHDR(png, info, &width, &height, &depth, &colourType, &interlace, NULL, NULL);
    if (width == 0 || height == 0) return SPI_OUT_OF_ORDER;
    if ((unsigned long long)width * height > PNG_SPI_MAX_PIXELS) return SPI_NO_MEMORY;
    job->width = width;
    job->height = height;
    job->storedBits = depth * png_get_channels(png, info);
    if (png_get_pHYs(png, info, &xres, &yres, &unit) && unit == PNG_RESOLUTION_METER) {
        job->xDensity = xres > 0xFFFFu ? 0xFFFFu : xres;
        job->yDensity = yres > 0xFFFFu ? 0xFFFFu : yres;
    }
    if (!wantPixels) return SPI_ALL_RIGHT;

    png_set_expand(png);        /* palette to RGB, grey below 8 bits to 8, tRNS to alpha */
    png_set_scale_16(png);
    png_set_gray_to_rgb(png);
    png_set_bgr(png);
    passes = png_set_interlace_handling(png);
    png_read_update_info(png, info);
    channels = png_get_channels(png, info);
    if (png_get_bit_depth(png, info) != 8 || (channels != 3 && channels != 4)) return SPI_INTERNAL_ERROR;

    stride = ((size_t)width * 3 + 3) & ~(size_t)3;
    job->header = (unsigned char*)calloc(1, sizeof bi);
    job->bits = (unsigned char*)calloc(height, stride);
    job->rows = (png_bytep*)calloc(height, sizeof(png_bytep));
    if (!job->header || !job->bits || !job->rows) return SPI_NO_MEMORY;

    if (channels == 3) {
        /* Straight into the DIB, last row first. */
        for (y = 0; y < height; ++y) job->rows[y] = job->bits + (size_t)(height - 1 - y) * stride;
    } else {
        /* Interlaced passes refine earlier rows, so those need every row kept; otherwise one
         * row is decoded and composed at a time. */
        const size_t rowBytes = (size_t)width * 4;
        job->alpha = (unsigned char*)malloc(interlace != PNG_INTERLACE_NONE ? rowBytes * height : rowBytes);
        if (!job->alpha) return SPI_NO_MEMORY;
        for (y = 0; y < height; ++y)
            job->rows[y] = job->alpha + (interlace != PNG_INTERLACE_NONE ? (size_t)y * rowBytes : 0);
    }

    for (pass = 0; pass < passes; ++pass) {
        const int last = pass == passes - 1;
        for (y = 0; y < height; ++y) {
            png_read_row(png, job->rows[y], NULL);
            if (last && channels == 4)
                ComposeRow(job->rows[y], job->bits + (size_t)(height - 1 - y) * stride, width);
            if (last && (y & 63) == 0 && Report(progress, data, y, height)) return SPI_ABORT;
        }
    }

    memset(&bi, 0, sizeof bi);
    bi.biSize = sizeof bi;
    bi.biWidth = (int32_t)width;
    bi.biHeight = (int32_t)height;
    bi.biPlanes = 1;
    bi.biBitCount = 24;
    bi.biCompression = SPI_BI_RGB;
    bi.biSizeImage = (uint32_t)(stride * height > 0xFFFFFFFFu ? 0 : stride * height);
    bi.biXPelsPerMeter = (int32_t)job->xDensity;
    bi.biYPelsPerMeter = (int32_t)job->yDensity;
    memcpy(job->header, &bi, sizeof bi);
    Report(progress, data, height, height);
    return SPI_ALL_RIGHT;
}

SPI_EXPORT int32_t IsSupported(const char* fileName, intptr_t fd)
{
    unsigned char signature[8];
    (void)fileName;
    if (fd < 0) return 0;
    if (pread((int)fd, signature, sizeof signature, 0) != (ssize_t)sizeof signature) return 0;
    return png_sig_cmp(signature, 0, sizeof signature) == 0;
}

SPI_EXPORT int32_t GetPictureInfo(const char* buf, intptr_t len, uint32_t flag, SpiPictureInfo* out)
{
    Job job;
    int result;
    if (!out) return SPI_INTERNAL_ERROR;
    result = OpenJob(&job, buf, len, flag);
    if (result == SPI_ALL_RIGHT) result = Decode(&job, 0, NULL, 0);
    if (result == SPI_ALL_RIGHT) {
        SpiPictureInfo info;
        memset(&info, 0, sizeof info);
        info.width = (int32_t)job.width;
        info.height = (int32_t)job.height;
        info.x_density = (uint16_t)job.xDensity;
        info.y_density = (uint16_t)job.yDensity;
        info.colorDepth = (int16_t)job.storedBits;
        info.hInfo = NULL;
        memcpy(out, &info, sizeof info);
    }
    CloseJob(&job);
    return result;
}

SPI_EXPORT int32_t GetPicture(const char* buf, intptr_t len, uint32_t flag, void** headerBlock,
                              void** bitsBlock, SpiProgressCallback progress, intptr_t data)
{
    Job job;
    int result;
    if (!headerBlock || !bitsBlock) return SPI_INTERNAL_ERROR;
    result = OpenJob(&job, buf, len, flag);
    if (result == SPI_ALL_RIGHT) result = Decode(&job, 1, progress, data);
    if (result == SPI_ALL_RIGHT) {
        *headerBlock = job.header;
        *bitsBlock = job.bits;
        job.header = NULL;
        job.bits = NULL;
    }
    CloseJob(&job);
    return result;
}
