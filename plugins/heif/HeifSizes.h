/*
 * The sizes a HEIF file declares beyond its primary image's: the canvas of every grid and
 * overlay and the picture size of every coded image (HEVC parameter sets, AV1 sequence
 * headers). libheif allocates those before it decodes a pixel, so a file whose 'ispe' says
 * one size and whose grid or parameter set says a far larger one would get past the viewer's
 * memory check, which sees only the primary's size.
 */
#ifndef VELUMIRA_HEIF_SIZES_H
#define VELUMIRA_HEIF_SIZES_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* 1 when no grid, overlay or coded picture in the file covers more than maxPixels, and every
 * one that libheif could read is read here; 0 otherwise. */
int HeifDeclaredSizesFit(const unsigned char* file, size_t size, uint64_t maxPixels);

#ifdef __cplusplus
}
#endif

#endif
