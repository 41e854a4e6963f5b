#include "support/PictureWriters.h"

#include "support/TestFolder.h"

#include <QFile>
#include <libheif/heif.h>
#include <tiffio.h>
#include <webp/encode.h>

#include <cstring>
#include <vector>

QByteArray WriteHeic(const QImage& picture, bool turned, const Bytes& exif)
{
    if (!heif_have_encoder_for_format(heif_compression_HEVC)) return QByteArray();
    heif_context* context = heif_context_alloc();
    heif_encoder* encoder = nullptr;
    heif_image* image = nullptr;
    heif_context_get_encoder_for_format(context, heif_compression_HEVC, &encoder);
    heif_encoder_set_lossy_quality(encoder, 90);
    heif_image_create(picture.width(), picture.height(), heif_colorspace_RGB, heif_chroma_interleaved_RGB, &image);
    heif_image_add_plane(image, heif_channel_interleaved, picture.width(), picture.height(), 8);
    int stride = 0;
    uint8_t* plane = heif_image_get_plane(image, heif_channel_interleaved, &stride);
    const QImage rgb = picture.convertToFormat(QImage::Format_RGB888);
    for (int y = 0; y < rgb.height(); ++y) std::memcpy(plane + y * stride, rgb.constScanLine(y), rgb.width() * 3);
    heif_encoding_options* options = heif_encoding_options_alloc();
    options->image_orientation = turned ? heif_orientation_rotate_90_cw : heif_orientation_normal;
    heif_image_handle* handle = nullptr;
    heif_context_encode_image(context, image, encoder, options, &handle);
    if (!exif.empty()) heif_context_add_exif_metadata(context, handle, exif.data(), int(exif.size()));
    heif_context_encode_thumbnail(context, image, handle, encoder, options, 16, nullptr);
    QByteArray bytes;
    heif_writer writer{1, [](heif_context*, const void* data, size_t size, void* out) {
                           static_cast<QByteArray*>(out)->append(static_cast<const char*>(data), qsizetype(size));
                           return heif_error{heif_error_Ok, heif_suberror_Unspecified, ""};
                       }};
    heif_context_write(context, &writer, &bytes);
    heif_encoding_options_free(options);
    heif_image_handle_release(handle);
    heif_image_release(image);
    heif_encoder_release(encoder);
    heif_context_free(context);
    return bytes;
}

QByteArray WriteTiff(int width, int height, int bits, bool palette, QColor colour)
{
    const TestFolder folder;
    const QString path = folder.Path(QStringLiteral("w.tif"));
    TIFF* tif = TIFFOpen(path.toLocal8Bit().constData(), "w");
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, width);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, height);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, bits);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, palette ? 1 : 3);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, palette ? PHOTOMETRIC_PALETTE : PHOTOMETRIC_RGB);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, height);
    std::vector<uint16_t> map(256, 0), red(256, 0), green(256, 0), blue(256, 0);
    red[1] = uint16_t(colour.red() * 257);
    green[1] = uint16_t(colour.green() * 257);
    blue[1] = uint16_t(colour.blue() * 257);
    if (palette) TIFFSetField(tif, TIFFTAG_COLORMAP, red.data(), green.data(), blue.data());
    std::vector<uint16_t> row16;
    std::vector<uint8_t> row8;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            if (palette) row8.push_back(1);
            else if (bits == 16) row16.insert(row16.end(), {uint16_t(colour.red() * 257), uint16_t(colour.green() * 257), uint16_t(colour.blue() * 257)});
            else row8.insert(row8.end(), {uint8_t(colour.red()), uint8_t(colour.green()), uint8_t(colour.blue())});
        }
        TIFFWriteScanline(tif, bits == 16 ? static_cast<void*>(row16.data()) : row8.data(), uint32_t(y), 0);
        row8.clear();
        row16.clear();
    }
    TIFFClose(tif);
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    return file.readAll();
}

QByteArray WriteWebp(const QImage& picture)
{
    const QImage rgba = picture.convertToFormat(QImage::Format_RGBA8888);
    uint8_t* encoded = nullptr;
    const size_t size =
        WebPEncodeLosslessRGBA(rgba.constBits(), rgba.width(), rgba.height(), int(rgba.bytesPerLine()), &encoded);
    const QByteArray bytes(reinterpret_cast<const char*>(encoded), qsizetype(size));
    WebPFree(encoded);
    return bytes;
}
