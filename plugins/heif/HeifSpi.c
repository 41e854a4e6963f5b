/*
 * heif.spi: HEIC/HEIF pictures (phones) through libheif.
 *
 * The primary image at full size with its stored turn and mirroring applied (libheif does
 * that while decoding, as every HEIF reader shows the picture), transparency composed on
 * white; the Exif item as the Exif block; a stored thumbnail for the chooser.
 */
#include "plugins/common/SpiCommon.h"
#include "plugins/heif/HeifSizes.h"

#include <libheif/heif.h>

/* Sides beyond this are refused before anything is decoded (libheif's own default limit). */
#define HEIF_SPI_MAX_SIDE 65535
/* Thumbnails are reduced to fit this square: the chooser shows them at most 96 x 64. */
#define HEIF_SPI_THUMBNAIL_SIDE 256

typedef struct Heif {
    SpiInput in;
    struct heif_context* context;
    struct heif_image_handle* primary;
} Heif;

static void CloseHeif(Heif* h)
{
    if (h->primary) heif_image_handle_release(h->primary);
    if (h->context) heif_context_free(h->context);
    SpiCloseInput(&h->in);
}

/* Reads the file's boxes and finds the primary image over h->in; 0 or an SPI code. */
static int OpenHeif(Heif* h)
{
    struct heif_error error;
    h->context = heif_context_alloc();
    if (!h->context) return SPI_NO_MEMORY;
    heif_context_set_maximum_image_size_limit(h->context, HEIF_SPI_MAX_SIDE);
    error = heif_context_read_from_memory_without_copy(h->context, h->in.data, h->in.size, NULL);
    if (error.code != heif_error_Ok) return SPI_NOT_SUPPORTED;
    error = heif_context_get_primary_image_handle(h->context, &h->primary);
    if (error.code != heif_error_Ok) return SPI_OUT_OF_ORDER;
    {
        /* The host checks memory for the size reported here; a grid canvas or coded picture
         * far beyond it (a cropped picture's coded size is larger, never several times) is a
         * broken file, refused before libheif allocates for it. */
        const int64_t width = heif_image_handle_get_width(h->primary), height = heif_image_handle_get_height(h->primary);
        if (width <= 0 || height <= 0) return SPI_OUT_OF_ORDER;
        if (!HeifDeclaredSizesFit(h->in.data, h->in.size, 2 * (uint64_t)(width + 64) * (uint64_t)(height + 64)))
            return SPI_OUT_OF_ORDER;
    }
    return SPI_ALL_RIGHT;
}

static int OpenHeifFile(Heif* h, const char* name)
{
    int result;
    memset(h, 0, sizeof *h);
    result = SpiReadFile(name, (size_t)-1, &h->in);
    return result != SPI_ALL_RIGHT ? result : OpenHeif(h);
}

static int OpenHeifInput(Heif* h, const char* buf, intptr_t len, uint32_t flag)
{
    int result;
    memset(h, 0, sizeof *h);
    result = SpiOpenInput(buf, len, flag, &h->in);
    return result != SPI_ALL_RIGHT ? result : OpenHeif(h);
}

/* Decodes an image of the file into a 24-bit DIB, reduced to fit maxSide when that is not 0;
 * 0 or an SPI code. A size given in *outWidth and *outHeight must be the decoded one; 0 there
 * takes any size. */
static int DecodeToDib(struct heif_image_handle* handle, int maxSide, void** headerBlock, void** bitsBlock,
                       int32_t* outWidth, int32_t* outHeight)
{
    struct heif_image* image = NULL;
    const int alpha = heif_image_handle_has_alpha_channel(handle);
    struct heif_error error = heif_decode_image(handle, &image, heif_colorspace_RGB,
                                                alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB, NULL);
    const uint8_t* plane;
    int planeStride = 0, result;
    int32_t width, height, y;
    unsigned char *header = NULL, *bits = NULL;
    size_t stride;
    if (error.code != heif_error_Ok) return error.code == heif_error_Memory_allocation_error ? SPI_NO_MEMORY : SPI_OUT_OF_ORDER;
    width = heif_image_get_width(image, heif_channel_interleaved);
    height = heif_image_get_height(image, heif_channel_interleaved);
    if (maxSide > 0 && width > 0 && height > 0 && (width > maxSide || height > maxSide)) {
        struct heif_image* scaled = NULL;
        const int32_t w = width >= height ? maxSide : (int32_t)((int64_t)width * maxSide / height);
        const int32_t h = width >= height ? (int32_t)((int64_t)height * maxSide / width) : maxSide;
        error = heif_image_scale_image(image, &scaled, w > 0 ? w : 1, h > 0 ? h : 1, NULL);
        heif_image_release(image);
        if (error.code != heif_error_Ok) return SPI_OUT_OF_ORDER;
        image = scaled;
        width = heif_image_get_width(image, heif_channel_interleaved);
        height = heif_image_get_height(image, heif_channel_interleaved);
    }
    plane = heif_image_get_plane_readonly(image, heif_channel_interleaved, &planeStride);
    /* A broken file's coded picture may disagree with its declared size: GetPictureInfo
     * reported the declared one, and the host takes nothing else. */
    if (!plane || width <= 0 || height <= 0 || planeStride < width * (alpha ? 4 : 3) ||
        (*outWidth > 0 && (width != *outWidth || height != *outHeight))) {
        heif_image_release(image);
        return SPI_OUT_OF_ORDER;
    }
    result = SpiNewDib(width, height, &header, &bits, &stride);
    if (result == SPI_ALL_RIGHT)
        for (y = 0; y < height; ++y)
            SpiRowToBgr(plane + (size_t)y * (size_t)planeStride, alpha ? 4 : 3, bits + (size_t)y * stride, width);
    heif_image_release(image);
    if (result != SPI_ALL_RIGHT) return result;
    *headerBlock = header;
    *bitsBlock = bits;
    *outWidth = width;
    *outHeight = height;
    return SPI_ALL_RIGHT;
}

SPI_EXPORT int32_t IsSupported(const char* fileName, intptr_t fd)
{
    unsigned char head[12];
    enum heif_filetype_result type;
    (void)fileName;
    if (!SpiReadHead(fd, head, sizeof head)) return 0;
    type = heif_check_filetype(head, sizeof head);
    if (type != heif_filetype_yes_supported && type != heif_filetype_maybe) return 0;
    /* AVIF is the same container with another codec: taken only when it decodes here. */
    return heif_main_brand(head, sizeof head) != heif_avif || heif_have_decoder_for_format(heif_compression_AV1);
}

SPI_EXPORT int32_t GetPictureInfo(const char* buf, intptr_t len, uint32_t flag, SpiPictureInfo* out)
{
    Heif h;
    int result;
    if (!out) return SPI_INTERNAL_ERROR;
    result = OpenHeifInput(&h, buf, len, flag);
    if (result == SPI_ALL_RIGHT) {
        SpiPictureInfo info;
        memset(&info, 0, sizeof info);
        /* The size after the stored turn: what GetPicture delivers. */
        info.width = heif_image_handle_get_width(h.primary);
        info.height = heif_image_handle_get_height(h.primary);
        info.colorDepth = (int16_t)(heif_image_handle_get_luma_bits_per_pixel(h.primary) * 3);
        if (info.width <= 0 || info.height <= 0) result = SPI_OUT_OF_ORDER;
        else memcpy(out, &info, sizeof info);
    }
    CloseHeif(&h);
    return result;
}

SPI_EXPORT int32_t GetPicture(const char* buf, intptr_t len, uint32_t flag, void** headerBlock, void** bitsBlock,
                              SpiProgressCallback progress, intptr_t data)
{
    Heif h;
    int32_t width = 0, height = 0;
    int result;
    if (!headerBlock || !bitsBlock) return SPI_INTERNAL_ERROR;
    result = OpenHeifInput(&h, buf, len, flag);
    if (result == SPI_ALL_RIGHT) {
        width = heif_image_handle_get_width(h.primary);
        height = heif_image_handle_get_height(h.primary);
        if (width <= 0 || height <= 0) result = SPI_OUT_OF_ORDER;
    }
    if (result == SPI_ALL_RIGHT) result = DecodeToDib(h.primary, 0, headerBlock, bitsBlock, &width, &height);
    CloseHeif(&h);
    if (result == SPI_ALL_RIGHT && progress) progress(height, height, data);
    return result;
}

SPI_EXPORT int32_t GetThumbnail(const char* fileName, void** headerBlock, void** bitsBlock)
{
    Heif h;
    heif_item_id id;
    struct heif_image_handle* thumbnail = NULL;
    int32_t width = 0, height = 0;
    int result;
    if (!headerBlock || !bitsBlock) return SPI_INTERNAL_ERROR;
    result = OpenHeifFile(&h, fileName);
    /* The first stored thumbnail (phones store one small one); without one, the picture
     * itself reduced. */
    if (result == SPI_ALL_RIGHT &&
        (heif_image_handle_get_list_of_thumbnail_IDs(h.primary, &id, 1) != 1 ||
         heif_image_handle_get_thumbnail(h.primary, id, &thumbnail).code != heif_error_Ok))
        thumbnail = NULL;
    /* Nobody checks memory before a thumbnail: one is made only from a file whose picture
     * would be let through (its grids and coded pictures are bounded by that picture's size). */
    if (result == SPI_ALL_RIGHT &&
        !SpiMemoryAllows(heif_image_handle_get_width(h.primary), heif_image_handle_get_height(h.primary)))
        result = SPI_NO_MEMORY;
    if (result == SPI_ALL_RIGHT)
        result = DecodeToDib(thumbnail ? thumbnail : h.primary, HEIF_SPI_THUMBNAIL_SIDE, headerBlock, bitsBlock, &width,
                             &height);
    if (thumbnail) heif_image_handle_release(thumbnail);
    CloseHeif(&h);
    return result;
}

SPI_EXPORT int32_t GetExifBlock(const char* fileName, void** block, intptr_t* length)
{
    Heif h;
    heif_item_id id;
    int result;
    if (!block || !length) return SPI_INTERNAL_ERROR;
    result = OpenHeifFile(&h, fileName);
    if (result == SPI_ALL_RIGHT && heif_image_handle_get_list_of_metadata_block_IDs(h.primary, "Exif", &id, 1) != 1)
        result = SPI_NOT_SUPPORTED;
    if (result == SPI_ALL_RIGHT) {
        /* The item starts with the offset of the TIFF header from the bytes after it. */
        const size_t size = heif_image_handle_get_metadata_size(h.primary, id);
        unsigned char* item = size >= 4 ? (unsigned char*)malloc(size) : NULL;
        if (!item) {
            result = size >= 4 ? SPI_NO_MEMORY : SPI_OUT_OF_ORDER;
        } else if (heif_image_handle_get_metadata(h.primary, id, item).code != heif_error_Ok) {
            result = SPI_OUT_OF_ORDER;
        } else {
            const size_t skip = 4 + ((size_t)item[0] << 24 | (size_t)item[1] << 16 | (size_t)item[2] << 8 | item[3]);
            if (skip >= size || skip < 4) {
                result = SPI_OUT_OF_ORDER;
            } else {
                memmove(item, item + skip, size - skip);
                *block = item;
                *length = (intptr_t)(size - skip);
                item = NULL;
            }
        }
        free(item);
    }
    CloseHeif(&h);
    return result;
}
