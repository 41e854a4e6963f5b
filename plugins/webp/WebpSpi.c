/*
 * webp.spi: WebP pictures through libwebp (still pictures; of an animation its first
 * frame), transparency composed on white; the EXIF chunk as the Exif block.
 */
#include "plugins/common/SpiCommon.h"

#include <webp/decode.h>
#include <webp/demux.h>

#define WEBP_SPI_MAX_PIXELS (1ull << 28)

static int Features(const SpiInput* in, WebPBitstreamFeatures* features)
{
    if (WebPGetFeatures(in->data, in->size, features) != VP8_STATUS_OK) return SPI_NOT_SUPPORTED;
    if (features->width <= 0 || features->height <= 0) return SPI_OUT_OF_ORDER;
    return SPI_ALL_RIGHT;
}

SPI_EXPORT int32_t IsSupported(const char* fileName, intptr_t fd)
{
    unsigned char head[12];
    (void)fileName;
    return SpiReadHead(fd, head, sizeof head) && memcmp(head, "RIFF", 4) == 0 && memcmp(head + 8, "WEBP", 4) == 0;
}

SPI_EXPORT int32_t GetPictureInfo(const char* buf, intptr_t len, uint32_t flag, SpiPictureInfo* out)
{
    SpiInput in;
    WebPBitstreamFeatures features;
    int result;
    if (!out) return SPI_INTERNAL_ERROR;
    result = SpiOpenInput(buf, len, flag, &in);
    if (result != SPI_ALL_RIGHT) return result;
    result = Features(&in, &features);
    if (result == SPI_ALL_RIGHT) {
        SpiPictureInfo info;
        memset(&info, 0, sizeof info);
        info.width = features.width;
        info.height = features.height;
        info.colorDepth = features.has_alpha ? 32 : 24;
        memcpy(out, &info, sizeof info);
    }
    SpiCloseInput(&in);
    return result;
}

SPI_EXPORT int32_t GetPicture(const char* buf, intptr_t len, uint32_t flag, void** headerBlock, void** bitsBlock,
                              SpiProgressCallback progress, intptr_t data)
{
    SpiInput in;
    WebPBitstreamFeatures features;
    WebPDecoderConfig config;
    unsigned char *header = NULL, *bits = NULL;
    size_t stride = 0;
    int result;
    if (!headerBlock || !bitsBlock) return SPI_INTERNAL_ERROR;
    result = SpiOpenInput(buf, len, flag, &in);
    if (result != SPI_ALL_RIGHT) return result;
    result = Features(&in, &features);
    if (result == SPI_ALL_RIGHT && (unsigned long long)features.width * (unsigned long long)features.height > WEBP_SPI_MAX_PIXELS)
        result = SPI_NO_MEMORY;
    if (result == SPI_ALL_RIGHT) result = SpiNewDib(features.width, features.height, &header, &bits, &stride);
    if (result == SPI_ALL_RIGHT && !WebPInitDecoderConfig(&config)) result = SPI_INTERNAL_ERROR;
    if (result == SPI_ALL_RIGHT) {
        if (!features.has_alpha) {
            /* Straight into the DIB's rows. */
            config.output.colorspace = MODE_BGR;
            config.output.is_external_memory = 1;
            config.output.u.RGBA.rgba = bits;
            config.output.u.RGBA.stride = (int)stride;
            config.output.u.RGBA.size = stride * (size_t)features.height;
        } else {
            config.output.colorspace = MODE_RGBA;
        }
        if (WebPDecode(in.data, in.size, &config) != VP8_STATUS_OK) {
            result = SPI_OUT_OF_ORDER;
        } else if (features.has_alpha) {
            int32_t y;
            for (y = 0; y < features.height; ++y)
                SpiRowToBgr(config.output.u.RGBA.rgba + (size_t)y * (size_t)config.output.u.RGBA.stride, 4,
                            bits + (size_t)y * stride, features.width);
        }
        WebPFreeDecBuffer(&config.output);
    }
    SpiCloseInput(&in);
    if (result == SPI_ALL_RIGHT && progress && progress(features.height, features.height, data) != 0)
        result = SPI_ABORT;
    return SpiHandOverDib(result, header, bits, headerBlock, bitsBlock);
}

SPI_EXPORT int32_t GetExifBlock(const char* fileName, void** block, intptr_t* length)
{
    SpiInput in;
    WebPData bytes;
    WebPDemuxer* demux;
    WebPChunkIterator chunk;
    int result;
    if (!block || !length) return SPI_INTERNAL_ERROR;
    result = SpiReadFile(fileName, (size_t)-1, &in);
    if (result != SPI_ALL_RIGHT) return result;
    bytes.bytes = in.data;
    bytes.size = in.size;
    demux = WebPDemux(&bytes);
    result = SPI_NOT_SUPPORTED;
    if (demux && WebPDemuxGetChunk(demux, "EXIF", 1, &chunk)) {
        const uint8_t* p = chunk.chunk.bytes;
        size_t n = chunk.chunk.size;
        /* Some writers keep JPEG's "Exif\0\0" in front of the TIFF header. */
        if (n >= 6 && memcmp(p, "Exif\0\0", 6) == 0) {
            p += 6;
            n -= 6;
        }
        if (n >= 8 && (*block = malloc(n)) != NULL) {
            memcpy(*block, p, n);
            *length = (intptr_t)n;
            result = SPI_ALL_RIGHT;
        }
        WebPDemuxReleaseChunkIterator(&chunk);
    }
    WebPDemuxDelete(demux);
    SpiCloseInput(&in);
    return result;
}
