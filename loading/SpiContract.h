/*
 * Velumira decoder plug-in contract (plain C; usable from C and C++).
 *
 * A plug-in is an ELF shared library whose file name ends in ".spi" (any letter case),
 * placed in the plug-in folder. It exports, with C linkage and the platform's ordinary
 * C calling convention, IsSupported, GetPictureInfo and GetPicture. docs/plugins.md is the
 * full description; this header holds the declarations an author compiles against.
 */
#ifndef VELUMIRA_SPI_CONTRACT_H
#define VELUMIRA_SPI_CONTRACT_H

#include <stdint.h>

#ifdef __cplusplus
#define SPI_EXTERN_C extern "C"
#else
#define SPI_EXTERN_C
#endif

/* Marks an entry point for export even when the library is built with hidden visibility. */
#define SPI_EXPORT SPI_EXTERN_C __attribute__((visibility("default")))

/* Answers of GetPictureInfo and GetPicture. The host only tells 0 from the rest. */
enum {
    SPI_NOT_IMPLEMENTED = -1,
    SPI_ALL_RIGHT = 0,
    SPI_ABORT = 1,          /* the progress callback asked to stop */
    SPI_NOT_SUPPORTED = 2,  /* not a format this plug-in reads */
    SPI_OUT_OF_ORDER = 3,   /* data broken */
    SPI_NO_MEMORY = 4,
    SPI_MEMORY_ERROR = 5,
    SPI_FILE_READ_ERROR = 6,
    SPI_RESERVED = 7,
    SPI_INTERNAL_ERROR = 8
};

/* Flag bits (third argument). The host always passes SPI_INPUT_FILE. */
enum {
    SPI_INPUT_FILE = 0,     /* first argument: UTF-8 file name; second: byte offset of the picture */
    SPI_INPUT_MEMORY = 1,   /* first argument: the bytes; second: their count (optional to support) */
    SPI_INPUT_MASK = 7
};

#pragma pack(push, 1)

/* Filled by GetPictureInfo. Packed, no padding: 30 bytes on a 64-bit system. */
typedef struct SpiPictureInfo {
    int32_t left;        /* position of the picture on its page; 0 if none */
    int32_t top;
    int32_t width;       /* picture width in pixels, > 0 */
    int32_t height;      /* picture height in pixels, > 0 */
    uint16_t x_density;  /* pixels per metre, 0 when unknown */
    uint16_t y_density;
    int16_t colorDepth;  /* bits per pixel of the picture as stored */
    void* hInfo;         /* NULL, or a malloc'ed zero-terminated UTF-8 text the host frees */
} SpiPictureInfo;

/* The head of the header block GetPicture returns: a Windows BITMAPINFOHEADER,
 * little-endian, 40 bytes. The colour table (SpiRgbQuad entries) follows at offset biSize. */
typedef struct SpiBitmapInfoHeader {
    uint32_t biSize;          /* 40 (larger V4/V5 headers are accepted; the table follows them) */
    int32_t biWidth;          /* > 0 */
    int32_t biHeight;         /* > 0: rows bottom-up; < 0: rows top-down */
    uint16_t biPlanes;        /* 1 */
    uint16_t biBitCount;      /* 1, 4, 8, 16, 24 or 32 */
    uint32_t biCompression;   /* SPI_BI_RGB, or SPI_BI_BITFIELDS for 16 and 32 bits */
    uint32_t biSizeImage;     /* may be 0 */
    int32_t biXPelsPerMeter;
    int32_t biYPelsPerMeter;
    uint32_t biClrUsed;       /* colour-table entries; 0: 2^biBitCount for 1, 4 and 8 bits */
    uint32_t biClrImportant;
} SpiBitmapInfoHeader;

typedef struct SpiRgbQuad {
    uint8_t rgbBlue;
    uint8_t rgbGreen;
    uint8_t rgbRed;
    uint8_t rgbReserved;
} SpiRgbQuad;

#pragma pack(pop)

enum { SPI_BI_RGB = 0, SPI_BI_BITFIELDS = 3 };

/* Called by a plug-in during GetPicture when the caller gave one; non-zero asks it to stop.
 * The host gives none (NULL). */
typedef int32_t (*SpiProgressCallback)(int32_t num, int32_t denom, intptr_t data);

/* The entry points, as the host calls them. */
typedef int32_t (*SpiIsSupportedFn)(const char* fileName, intptr_t fd);
typedef int32_t (*SpiGetPictureInfoFn)(const char* buf, intptr_t len, uint32_t flag,
                                       SpiPictureInfo* info);
typedef int32_t (*SpiGetPictureFn)(const char* buf, intptr_t len, uint32_t flag,
                                   void** headerBlock, void** bitsBlock,
                                   SpiProgressCallback progress, intptr_t data);

/*
 * Optional exports (a plug-in without them works as before). Each takes the file's name
 * (zero-terminated UTF-8), may be called from any thread, also while another call of the
 * same plug-in runs, and hands over blocks allocated with malloc that the host frees with
 * free. Answer 0 when something was handed over, non-zero (and nothing handed over) else.
 */

/* The file's Exif data: a TIFF header ("II*\0" or "MM\0*") and its directories, offsets
 * counted from the block's first byte. The host reads it as it reads a JPEG's Exif block. */
typedef int32_t (*SpiGetExifBlockFn)(const char* fileName, void** block, intptr_t* length);

/* A JPEG stored in the file, its bytes copied into *jpeg. `which`:
 * SPI_PREVIEW_PICTURE: a preview good enough to stand for the picture; the host then
 *   decodes it with its own JPEG decoder instead of calling GetPictureInfo / GetPicture.
 *   Answer non-zero when the file has none, and the host decodes the picture as usual.
 * SPI_PREVIEW_SMALLEST: the smallest preview, for a thumbnail. */
enum { SPI_PREVIEW_PICTURE = 0, SPI_PREVIEW_SMALLEST = 1 };
typedef int32_t (*SpiGetJpegPreviewFn)(const char* fileName, int32_t which, void** jpeg, intptr_t* length);

/* A small picture for a thumbnail (a stored thumbnail, decoded), as GetPicture delivers a
 * picture: header block and bits block under the same rules. Asked when GetJpegPreview is
 * missing or has no SPI_PREVIEW_SMALLEST answer. */
typedef int32_t (*SpiGetThumbnailFn)(const char* fileName, void** headerBlock, void** bitsBlock);

#endif
