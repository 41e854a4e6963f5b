/*
 * Pieces the shipped plug-ins share: the file read into memory (or the caller's bytes), the
 * 24-bit top-down DIB they deliver, and the part of a TIFF structure that holds its Exif
 * data. Header-only (static functions), so each plug-in stays one library of its own.
 */
#ifndef VELUMIRA_SPI_COMMON_H
#define VELUMIRA_SPI_COMMON_H

#include "loading/SpiContract.h"

#include <fcntl.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

/* The bytes a call reads: a file's (or its first bytes) read into memory of our own, or
 * memory the caller gave. Files are read, never mapped: a file cut short while it is read
 * gives a failure, not a bus error. */
typedef struct SpiInput {
    const unsigned char* data;
    size_t size;      /* bytes at data */
    size_t fileSize;  /* the whole file's size (= size for memory) */
    void* owned;      /* memory to free, or NULL */
} SpiInput;

/* The size of the regular, non-empty file at `name`; 0 or an SPI code. Libraries that open
 * files by name are asked only after this, so a FIFO named like a picture cannot block. */
static inline int SpiCheckFile(const char* name, size_t* size)
{
    struct stat st;
    if (!name || stat(name, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size <= 0) return SPI_FILE_READ_ERROR;
    *size = (size_t)st.st_size;
    return SPI_ALL_RIGHT;
}

/* Reads count bytes at offset of the open file into buf; non-zero when all were read. */
static inline int SpiReadAt(int fd, unsigned char* buf, size_t count, uint64_t offset)
{
    while (count > 0) {
        const ssize_t n = pread(fd, buf, count, (off_t)offset);
        if (n <= 0) return 0;
        buf += n;
        count -= (size_t)n;
        offset += (uint64_t)n;
    }
    return 1;
}

/* The first `limit` bytes of the regular file at `name` (all of it when smaller) into
 * in->data; 0 or an SPI code. O_NONBLOCK: a FIFO must not stall the viewer (refused below). */
static inline int SpiReadFile(const char* name, size_t limit, SpiInput* in)
{
    struct stat st;
    int fd;
    size_t n;
    memset(in, 0, sizeof *in);
    if (!name) return SPI_INTERNAL_ERROR;
    fd = open(name, O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) return SPI_FILE_READ_ERROR;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size <= 0) {
        close(fd);
        return SPI_FILE_READ_ERROR;
    }
    n = (uint64_t)st.st_size < limit ? (size_t)st.st_size : limit;
    in->owned = malloc(n);
    if (!in->owned) {
        close(fd);
        return SPI_NO_MEMORY;
    }
    if (!SpiReadAt(fd, (unsigned char*)in->owned, n, 0)) {
        close(fd);
        free(in->owned);
        memset(in, 0, sizeof *in);
        return SPI_FILE_READ_ERROR;
    }
    close(fd);
    in->data = (const unsigned char*)in->owned;
    in->size = n;
    in->fileSize = (size_t)st.st_size;
    return SPI_ALL_RIGHT;
}

/* The input the contract's (buf, len, flag) names: a whole file from offset len, or len
 * bytes in memory. */
static inline int SpiOpenInput(const char* buf, intptr_t len, uint32_t flag, SpiInput* in)
{
    int result;
    memset(in, 0, sizeof *in);
    if (!buf || len < 0) return SPI_INTERNAL_ERROR;
    switch (flag & SPI_INPUT_MASK) {
    case SPI_INPUT_FILE:
        result = SpiReadFile(buf, (size_t)-1, in);
        if (result != SPI_ALL_RIGHT) return result;
        if ((size_t)len >= in->size) {
            free(in->owned);
            memset(in, 0, sizeof *in);
            return SPI_FILE_READ_ERROR;
        }
        in->data += len; /* the picture starts len bytes in */
        in->size -= (size_t)len;
        in->fileSize = in->size;
        return SPI_ALL_RIGHT;
    case SPI_INPUT_MEMORY:
        in->data = (const unsigned char*)buf;
        in->size = in->fileSize = (size_t)len;
        return in->size > 0 ? SPI_ALL_RIGHT : SPI_OUT_OF_ORDER;
    default:
        return SPI_NOT_IMPLEMENTED;
    }
}

static inline void SpiCloseInput(SpiInput* in)
{
    free(in->owned);
    memset(in, 0, sizeof *in);
}

/* Whether the descriptor IsSupported got is a regular file whose first n bytes fit `head`. */
static inline int SpiReadHead(intptr_t fd, unsigned char* head, size_t n)
{
    struct stat st;
    if (fd < 0 || fstat((int)fd, &st) != 0 || !S_ISREG(st.st_mode)) return 0;
    return pread((int)fd, head, n, 0) == (ssize_t)n;
}

/* Whether a decode of width x height fits the memory the system has available, counted as the
 * host counts it before GetPicture (16 bytes a pixel). For calls the host does not check
 * first, such as GetThumbnail's fall-back to the picture itself. Fuzzing builds stand for a
 * small machine, so that a mutated size cannot run the fuzzer out of memory. */
static inline int SpiMemoryAllows(int64_t width, int64_t height)
{
    long long kib = -1;
    char line[256];
    FILE* file;
    if (width <= 0 || height <= 0) return 0;
#ifdef VELUMIRA_FUZZING
    return width * height <= (4LL << 20);
#endif
    file = fopen("/proc/meminfo", "re");
    if (!file) return 1; /* no figure: as the host, which then does not refuse either */
    while (fgets(line, sizeof line, file))
        if (sscanf(line, "MemAvailable: %lld kB", &kib) == 1) break;
    fclose(file);
    return kib < 0 || (uint64_t)width * (uint64_t)height * 16 <= (uint64_t)kib * 1024;
}

/* A 24-bit top-down DIB of width x height: header block and zeroed bits; 0 or SPI_NO_MEMORY. */
static inline int SpiNewDib(int32_t width, int32_t height, unsigned char** header, unsigned char** bits, size_t* stride)
{
    SpiBitmapInfoHeader bi;
    *stride = ((size_t)width * 3 + 3) & ~(size_t)3;
    *header = (unsigned char*)calloc(1, sizeof bi);
    *bits = (unsigned char*)malloc(*stride * (size_t)height);
    if (!*header || !*bits) {
        free(*header);
        free(*bits);
        *header = *bits = NULL;
        return SPI_NO_MEMORY;
    }
    memset(&bi, 0, sizeof bi);
    bi.biSize = sizeof bi;
    bi.biWidth = width;
    bi.biHeight = -height; /* rows top-down, as every library here gives them */
    bi.biPlanes = 1;
    bi.biBitCount = 24;
    bi.biCompression = SPI_BI_RGB;
    memcpy(*header, &bi, sizeof bi);
    /* Padding bytes at the row ends are zero, so nothing uninitialised reaches the host. */
    if (*stride != (size_t)width * 3)
        for (int32_t y = 0; y < height; ++y)
            memset(*bits + (size_t)y * *stride + (size_t)width * 3, 0, *stride - (size_t)width * 3);
    return SPI_ALL_RIGHT;
}

/* The end of a GetPicture: on success the blocks pass to the host, otherwise they are freed
   and the failure is returned. */
static inline int32_t SpiHandOverDib(int32_t result, unsigned char* header, unsigned char* bits, void** headerBlock,
                                     void** bitsBlock)
{
    if (result != SPI_ALL_RIGHT) {
        free(header);
        free(bits);
        return result;
    }
    *headerBlock = header;
    *bitsBlock = bits;
    return SPI_ALL_RIGHT;
}

/* One row of RGB (or RGBA with alpha set, composed on white) samples into BGR. */
static inline void SpiRowToBgr(const unsigned char* src, int channels, unsigned char* dst, int32_t width)
{
    for (int32_t x = 0; x < width; ++x, src += channels, dst += 3) {
        if (channels == 4 && src[3] != 255) {
            const unsigned a = src[3];
            dst[0] = (unsigned char)((src[2] * a + 255u * (255u - a) + 127u) / 255u);
            dst[1] = (unsigned char)((src[1] * a + 255u * (255u - a) + 127u) / 255u);
            dst[2] = (unsigned char)((src[0] * a + 255u * (255u - a) + 127u) / 255u);
        } else {
            dst[0] = src[2];
            dst[1] = src[1];
            dst[2] = src[0];
        }
    }
}

/* ---- The Exif part of a TIFF structure ---- */

static inline uint32_t SpiTiff32(const unsigned char* p, int intel)
{
    return intel ? (uint32_t)p[0] | (uint32_t)p[1] << 8 | (uint32_t)p[2] << 16 | (uint32_t)p[3] << 24
                 : (uint32_t)p[3] | (uint32_t)p[2] << 8 | (uint32_t)p[1] << 16 | (uint32_t)p[0] << 24;
}

static inline uint16_t SpiTiff16(const unsigned char* p, int intel)
{
    return intel ? (uint16_t)(p[0] | p[1] << 8) : (uint16_t)(p[1] | p[0] << 8);
}

/* Where the directory at `offset` and the values it points at end, at most `size`; its Exif
 * directory's offset (tag 0x8769) in *exif when asked. 0 when the directory is not inside. */
static inline size_t SpiDirectoryEnd(const unsigned char* tiff, size_t size, uint32_t offset, int intel, uint32_t* exif)
{
    static const unsigned typeSize[13] = {0, 1, 1, 2, 4, 8, 1, 1, 2, 4, 8, 4, 8};
    size_t end, count, i;
    if (offset < 8 || (size_t)offset + 2 > size) return 0;
    count = SpiTiff16(tiff + offset, intel);
    end = (size_t)offset + 2 + count * 12 + 4;
    if (end > size) return 0;
    for (i = 0; i < count; ++i) {
        const unsigned char* entry = tiff + offset + 2 + i * 12;
        const uint16_t tag = SpiTiff16(entry, intel);
        const uint16_t type = SpiTiff16(entry + 2, intel);
        const uint64_t bytes = (uint64_t)SpiTiff32(entry + 4, intel) * (type < 13 ? typeSize[type] : 0);
        const uint32_t value = SpiTiff32(entry + 8, intel);
        if (exif && tag == 0x8769) *exif = value;
        /* Values that stand beside the picture data (strips, tiles, previews) are left out. */
        if (bytes > 4 && bytes <= (1u << 20) && value + bytes <= size && value + bytes > end && tag != 0x0111 &&
            tag != 0x0144 && tag != 0x0201)
            end = (size_t)(value + bytes);
    }
    return end;
}

/* The first bytes of a TIFF structure (any two-byte magic: some raw files use their own)
 * far enough to hold its first directory, its Exif directory and their values, copied into a
 * malloc'ed block; 0 or an SPI code. Refused when they lie further in than `limit` bytes. */
static inline int SpiTiffExifBlock(const unsigned char* tiff, size_t size, size_t limit, void** block, intptr_t* length)
{
    int intel;
    uint32_t exif = 0;
    size_t end, exifEnd;
    if (size < 8 || !((tiff[0] == 'I' && tiff[1] == 'I') || (tiff[0] == 'M' && tiff[1] == 'M')))
        return SPI_NOT_SUPPORTED;
    intel = tiff[0] == 'I';
    if (size > limit) size = limit;
    end = SpiDirectoryEnd(tiff, size, SpiTiff32(tiff + 4, intel), intel, &exif);
    if (end == 0) return SPI_NOT_SUPPORTED;
    exifEnd = exif ? SpiDirectoryEnd(tiff, size, exif, intel, NULL) : 0;
    if (exifEnd > end) end = exifEnd;
    /* Makernotes and their own directories follow nearby; the first 256 KiB cost nothing. */
    if (end < (256u << 10)) end = size < (256u << 10) ? size : (256u << 10);
    *block = malloc(end);
    if (!*block) return SPI_NO_MEMORY;
    memcpy(*block, tiff, end);
    *length = (intptr_t)end;
    return SPI_ALL_RIGHT;
}

/* SpiTiffExifBlock over the file at `name`: its first 256 KiB hold the directories of nearly
 * every file; only when they do not are the first `limit` bytes read. */
static inline int SpiFileExifBlock(const char* name, size_t limit, void** block, intptr_t* length)
{
    SpiInput in;
    int result = SpiReadFile(name, 256u << 10, &in);
    if (result != SPI_ALL_RIGHT) return result;
    result = SpiTiffExifBlock(in.data, in.size, limit, block, length);
    if (result == SPI_NOT_SUPPORTED && in.fileSize > in.size && limit > in.size) {
        SpiCloseInput(&in);
        result = SpiReadFile(name, limit, &in);
        if (result != SPI_ALL_RIGHT) return result;
        result = SpiTiffExifBlock(in.data, in.size, limit, block, length);
    }
    SpiCloseInput(&in);
    return result;
}

/* The Exif block of a JPEG's APP1 segment (starting at its TIFF header), copied; 0 or an
 * SPI code. */
static inline int SpiJpegExifBlock(const unsigned char* jpeg, size_t size, void** block, intptr_t* length)
{
    size_t pos = 2;
    if (size < 4 || jpeg[0] != 0xFF || jpeg[1] != 0xD8) return SPI_NOT_SUPPORTED;
    while (pos + 4 <= size && jpeg[pos] == 0xFF) {
        const unsigned marker = jpeg[pos + 1];
        const size_t segment = (size_t)jpeg[pos + 2] << 8 | jpeg[pos + 3];
        if (marker == 0xDA || marker == 0xD9 || segment < 2 || pos + 2 + segment > size) break;
        if (marker == 0xE1 && segment >= 2 + 6 + 8 && memcmp(jpeg + pos + 4, "Exif\0\0", 6) == 0) {
            const size_t n = segment - 2 - 6;
            *block = malloc(n);
            if (!*block) return SPI_NO_MEMORY;
            memcpy(*block, jpeg + pos + 10, n);
            *length = (intptr_t)n;
            return SPI_ALL_RIGHT;
        }
        pos += 2 + segment;
    }
    return SPI_NOT_SUPPORTED;
}

#endif
