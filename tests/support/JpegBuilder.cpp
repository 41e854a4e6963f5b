#include "support/JpegBuilder.h"

#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <vector>

#include <jpeglib.h>

namespace JpegBuilder {

QImage Pattern(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB888);
    for (int y = 0; y < height; ++y) {
        uchar* row = image.scanLine(y);
        for (int x = 0; x < width; ++x) {
            const bool block = ((x / 16) + (y / 16)) % 2 == 0;
            row[3 * x] = static_cast<uchar>((x * 255) / (width > 1 ? width - 1 : 1));
            row[3 * x + 1] = static_cast<uchar>((y * 255) / (height > 1 ? height - 1 : 1));
            row[3 * x + 2] = block ? 200 : 40;
        }
    }
    return image;
}

QByteArray Encode(const QImage& source, int quality, bool subsampling, bool progressive)
{
    const QImage image = source.convertToFormat(QImage::Format_RGB888);
    jpeg_compress_struct cinfo{};
    jpeg_error_mgr err{};
    cinfo.err = jpeg_std_error(&err);   // fixtures are well-formed; libjpeg's default exit is fine here
    jpeg_create_compress(&cinfo);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = static_cast<JDIMENSION>(image.width());
    cinfo.image_height = static_cast<JDIMENSION>(image.height());
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    if (!subsampling) {
        cinfo.comp_info[0].h_samp_factor = 1;
        cinfo.comp_info[0].v_samp_factor = 1;
    }
    if (progressive)
        jpeg_simple_progression(&cinfo);
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = const_cast<uchar*>(image.constScanLine(static_cast<int>(cinfo.next_scanline)));
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    QByteArray bytes(reinterpret_cast<const char*>(buffer), static_cast<qsizetype>(size));
    jpeg_destroy_compress(&cinfo);
    std::free(buffer);
    return bytes;
}

QByteArray EncodePattern(int width, int height, int quality)
{
    return Encode(Pattern(width, height), quality);
}

QByteArray InsertApp1(const QByteArray& jpeg, const QByteArray& body, int position)
{
    return InsertSegment(jpeg, 0xE1, body, position);
}

QByteArray InsertSegment(const QByteArray& jpeg, unsigned char marker, const QByteArray& body, int position)
{
    const int length = static_cast<int>(body.size()) + 2;
    if (length > 0xFFFF)
        throw std::invalid_argument("segment body too long");
    QByteArray segment;
    segment.append(char(0xFF)).append(char(marker));
    segment.append(char(length >> 8)).append(char(length & 0xFF));
    segment.append(body);
    QByteArray out = jpeg;
    out.insert(position, segment);
    return out;
}

QByteArray ExifBody(const QByteArray& tiff)
{
    return QByteArray("Exif\0\0", 6) + tiff;
}

QByteArray Cut(const QByteArray& bytes, int length)
{
    return bytes.left(length);
}

QByteArray Corrupt(const QByteArray& bytes, int position, unsigned char value)
{
    QByteArray out = bytes;
    out[position] = static_cast<char>(value);
    return out;
}

QByteArray WithFrameSize(const QByteArray& jpeg, int width, int height)
{
    QByteArray out = jpeg;
    // Walk the marker segments up to the first SOFn.
    int pos = 2;
    while (pos + 4 <= out.size()) {
        const auto marker = static_cast<unsigned char>(out[pos + 1]);
        const int length = (static_cast<unsigned char>(out[pos + 2]) << 8) |
                           static_cast<unsigned char>(out[pos + 3]);
        if (marker >= 0xC0 && marker <= 0xC2) {
            out[pos + 5] = char(height >> 8);
            out[pos + 6] = char(height & 0xFF);
            out[pos + 7] = char(width >> 8);
            out[pos + 8] = char(width & 0xFF);
            return out;
        }
        pos += 2 + length;
    }
    throw std::invalid_argument("no frame header");
}

QByteArray EncodeCameraLike(int width, int height, unsigned int seed)
{
    QImage image = Pattern(width, height);
    for (int y = 0; y < image.height(); ++y) {
        uchar* row = image.scanLine(y);
        for (int x = 0; x < 3 * image.width(); ++x) {
            seed = seed * 1103515245u + 12345u;
            row[x] = static_cast<uchar>(row[x] / 2 + ((seed >> 16) & 0x3F) + 32);
        }
    }
    return Encode(image, 92);
}

} // namespace JpegBuilder
