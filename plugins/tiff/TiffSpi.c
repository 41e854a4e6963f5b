/*
 * tiff.spi: TIFF pictures through libtiff: the first page, 8 or 16 bits a sample, RGB,
 * grey or palette (and whatever else libtiff's RGBA reader takes), transparency composed
 * on white. Raw files are TIFF structures too; those (a DNG, a camera's raw data in any
 * directory) are left to the raw plug-in. The Exif block is the file's own structure.
 */
#include "plugins/common/SpiCommon.h"

#include <stdarg.h>
#include <tiffio.h>

/* The first directory and the Exif directory of a TIFF from a camera or an editor lie in its
 * first megabytes; a file that keeps them further in shows its size only. */
#define TIFF_SPI_EXIF_LIMIT (16u << 20)
#define TIFF_SPI_MAX_PIXELS (1ull << 28)

#if __BYTE_ORDER__ != __ORDER_LITTLE_ENDIAN__
#error "the RGBA raster is read as bytes in little-endian order"
#endif

/* What libtiff reads: memory the caller gave, or a file through its descriptor (never mapped,
 * so a file cut short while it is read fails instead of faulting). */
typedef struct Stream {
    const unsigned char* data; /* memory input, or NULL */
    int fd;                    /* file input: the descriptor, read from `base` on */
    toff_t base;
    toff_t size;
    toff_t pos;
} Stream;

static tmsize_t ReadStream(thandle_t h, void* buf, tmsize_t n)
{
    Stream* s = (Stream*)h;
    toff_t room = s->pos < s->size ? s->size - s->pos : 0;
    if (n < 0) return -1;
    if ((toff_t)n > room) n = (tmsize_t)room;
    if (s->data) memcpy(buf, s->data + s->pos, (size_t)n);
    else if (!SpiReadAt(s->fd, (unsigned char*)buf, (size_t)n, s->base + s->pos)) return -1;
    s->pos += (toff_t)n;
    return n;
}

static tmsize_t WriteStream(thandle_t h, void* buf, tmsize_t n)
{
    (void)h;
    (void)buf;
    (void)n;
    return -1;
}

static toff_t SeekStream(thandle_t h, toff_t off, int whence)
{
    Stream* s = (Stream*)h;
    toff_t base = whence == SEEK_CUR ? s->pos : whence == SEEK_END ? s->size : 0;
    if (whence != SEEK_SET && whence != SEEK_CUR && whence != SEEK_END) return (toff_t)-1;
    s->pos = base + off;
    return s->pos;
}

static int CloseStream(thandle_t h)
{
    (void)h;
    return 0;
}

static toff_t SizeStream(thandle_t h)
{
    return ((Stream*)h)->size;
}

static int MapStream(thandle_t h, void** base, toff_t* size)
{
    Stream* s = (Stream*)h;
    if (!s->data) return 0;
    *base = (void*)s->data;
    *size = s->size;
    return 1;
}

static void UnmapStream(thandle_t h, void* base, toff_t size)
{
    (void)h;
    (void)base;
    (void)size;
}

/* libtiff's messages go nowhere; per handle, as the chooser's thread opens files too. */
static int Silent(TIFF* tif, void* data, const char* module, const char* format, va_list args)
{
    (void)tif;
    (void)data;
    (void)module;
    (void)format;
    (void)args;
    return 1;
}

static TIFF* OpenStream(Stream* s)
{
    TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
    TIFF* tif;
    if (!options) return NULL;
    TIFFOpenOptionsSetErrorHandlerExtR(options, Silent, NULL);
    TIFFOpenOptionsSetWarningHandlerExtR(options, Silent, NULL);
    tif = TIFFClientOpenExt("tiff.spi", "r", (thandle_t)s, ReadStream, WriteStream, SeekStream, CloseStream,
                            SizeStream, MapStream, UnmapStream, options);
    TIFFOpenOptionsFree(options);
    return tif;
}

/* libtiff over the (buf, len, flag) input of the contract: the file named, read from offset
 * len, or len bytes of memory; NULL when it is no TIFF or cannot be read. Close with Done. */
static TIFF* OpenTiff(const char* buf, intptr_t len, uint32_t flag, Stream* s, int* result)
{
    size_t size;
    TIFF* tif;
    memset(s, 0, sizeof *s);
    s->fd = -1;
    *result = SPI_INTERNAL_ERROR;
    if (!buf || len < 0) return NULL;
    if ((flag & SPI_INPUT_MASK) == SPI_INPUT_MEMORY) {
        s->data = (const unsigned char*)buf;
        s->size = (toff_t)len;
    } else if ((flag & SPI_INPUT_MASK) == SPI_INPUT_FILE) {
        *result = SpiCheckFile(buf, &size);
        if (*result != SPI_ALL_RIGHT) return NULL;
        s->fd = open(buf, O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
        *result = SPI_FILE_READ_ERROR;
        if (s->fd < 0 || (size_t)len >= size) return NULL;
        s->base = (toff_t)len;
        s->size = (toff_t)(size - (size_t)len);
    } else {
        *result = SPI_NOT_IMPLEMENTED;
        return NULL;
    }
    tif = OpenStream(s);
    *result = tif ? SPI_ALL_RIGHT : SPI_NOT_SUPPORTED;
    return tif;
}

static void Done(TIFF* tif, Stream* s)
{
    if (tif) TIFFClose(tif);
    if (s->fd >= 0) close(s->fd);
    s->fd = -1;
}

/* Whether a directory holds a camera's sensor data: colour filter array or linear raw. */
static int HoldsRawData(TIFF* tif)
{
    uint16_t photometric = 0;
    return TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &photometric) && (photometric == 32803 || photometric == 34892);
}

/* Whether the first directory (of a classic TIFF) has an entry with this tag. */
static int FirstDirectoryHas(const SpiInput* in, uint16_t tag)
{
    const int intel = in->data[0] == 'I';
    uint32_t offset, i, count;
    if (in->size < 8) return 0;
    offset = SpiTiff32(in->data + 4, intel);
    if (offset < 8 || (size_t)offset + 2 > in->size) return 0;
    count = SpiTiff16(in->data + offset, intel);
    for (i = 0; i < count && (size_t)offset + 2 + 12 * (i + 1) <= in->size; ++i)
        if (SpiTiff16(in->data + offset + 2 + 12 * i, intel) == tag) return 1;
    return 0;
}

/* A raw file in TIFF clothes: a DNG, a Canon CR2, or sensor data in the first directory or
 * one of its sub-directories. `in` holds the file's first bytes. */
static int IsRawFile(TIFF* tif, const SpiInput* in)
{
    uint16_t count = 0;
    uint64_t* subs = NULL;
    if (in->size >= 10 && in->data[8] == 'C' && in->data[9] == 'R') return 1;
    if (FirstDirectoryHas(in, TIFFTAG_DNGVERSION)) return 1;
    if (HoldsRawData(tif)) return 1;
    if (TIFFGetField(tif, TIFFTAG_SUBIFD, &count, &subs) && count > 0) {
        uint64_t offsets[8];
        uint16_t i, n = count < 8 ? count : 8;
        memcpy(offsets, subs, n * sizeof offsets[0]);
        for (i = 0; i < n; ++i)
            if (TIFFSetSubDirectory(tif, offsets[i]) && HoldsRawData(tif)) return 1;
        TIFFSetDirectory(tif, 0);
    }
    return 0;
}

static int Size(TIFF* tif, uint32_t* width, uint32_t* height)
{
    char message[1024];
    if (!TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, width) || !TIFFGetField(tif, TIFFTAG_IMAGELENGTH, height) ||
        *width == 0 || *height == 0)
        return SPI_OUT_OF_ORDER;
    if (*width > 0x7FFFFFFFu || *height > 0x7FFFFFFFu) return SPI_OUT_OF_ORDER;
    return TIFFRGBAImageOK(tif, message) ? SPI_ALL_RIGHT : SPI_NOT_SUPPORTED;
}

SPI_EXPORT int32_t IsSupported(const char* fileName, intptr_t fd)
{
    unsigned char head[4];
    SpiInput in;
    Stream s;
    TIFF* tif;
    int yes, result;
    if (!SpiReadHead(fd, head, sizeof head)) return 0;
    if (!((head[0] == 'I' && head[1] == 'I' && head[2] == 42 && head[3] == 0) ||
          (head[0] == 'M' && head[1] == 'M' && head[2] == 0 && head[3] == 42) ||
          (head[0] == 'I' && head[1] == 'I' && head[2] == 43 && head[3] == 0) ||
          (head[0] == 'M' && head[1] == 'M' && head[2] == 0 && head[3] == 43)))
        return 0;
    /* A raw file's first directory lies near its start. */
    if (SpiReadFile(fileName, 64u << 10, &in) != SPI_ALL_RIGHT) return 0;
    tif = OpenTiff(fileName, 0, SPI_INPUT_FILE, &s, &result);
    yes = tif && !IsRawFile(tif, &in);
    Done(tif, &s);
    SpiCloseInput(&in);
    return yes;
}

SPI_EXPORT int32_t GetPictureInfo(const char* buf, intptr_t len, uint32_t flag, SpiPictureInfo* out)
{
    Stream s;
    TIFF* tif;
    uint32_t width = 0, height = 0;
    uint16_t bits = 0, samples = 0;
    int result;
    if (!out) return SPI_INTERNAL_ERROR;
    tif = OpenTiff(buf, len, flag, &s, &result);
    if (tif) result = Size(tif, &width, &height);
    if (result == SPI_ALL_RIGHT) {
        SpiPictureInfo info;
        memset(&info, 0, sizeof info);
        TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &bits);
        TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &samples);
        info.width = (int32_t)width;
        info.height = (int32_t)height;
        info.colorDepth = (int16_t)(bits * samples);
        memcpy(out, &info, sizeof info);
    }
    Done(tif, &s);
    return result;
}

SPI_EXPORT int32_t GetPicture(const char* buf, intptr_t len, uint32_t flag, void** headerBlock, void** bitsBlock,
                              SpiProgressCallback progress, intptr_t data)
{
    Stream s;
    TIFF* tif;
    uint32_t width = 0, height = 0, y;
    uint32_t* raster = NULL;
    unsigned char *header = NULL, *bits = NULL;
    size_t stride;
    int result;
    if (!headerBlock || !bitsBlock) return SPI_INTERNAL_ERROR;
    tif = OpenTiff(buf, len, flag, &s, &result);
    if (tif) result = Size(tif, &width, &height);
    /* GetPictureInfo reports any size, so the host can say why it will not take it. */
    if (result == SPI_ALL_RIGHT && (unsigned long long)width * height > TIFF_SPI_MAX_PIXELS) result = SPI_NO_MEMORY;
    if (result == SPI_ALL_RIGHT) {
        raster = (uint32_t*)malloc((size_t)width * height * sizeof(uint32_t));
        result = raster ? SpiNewDib((int32_t)width, (int32_t)height, &header, &bits, &stride) : SPI_NO_MEMORY;
    }
    /* Rows top-down; each pixel's red in its lowest byte, alpha in its highest. */
    if (result == SPI_ALL_RIGHT && !TIFFReadRGBAImageOriented(tif, width, height, raster, ORIENTATION_TOPLEFT, 0))
        result = SPI_OUT_OF_ORDER;
    if (result == SPI_ALL_RIGHT) {
        for (y = 0; y < height; ++y) {
            /* The raster's bytes are red, green, blue, alpha in memory order. */
            SpiRowToBgr((const unsigned char*)(raster + (size_t)y * width), 4, bits + (size_t)y * stride,
                        (int32_t)width);
        }
        if (progress && progress((int32_t)height, (int32_t)height, data) != 0) result = SPI_ABORT;
    }
    free(raster);
    Done(tif, &s);
    return SpiHandOverDib(result, header, bits, headerBlock, bitsBlock);
}

SPI_EXPORT int32_t GetExifBlock(const char* fileName, void** block, intptr_t* length)
{
    if (!block || !length) return SPI_INTERNAL_ERROR;
    return SpiFileExifBlock(fileName, TIFF_SPI_EXIF_LIMIT, block, length);
}
