#include "tests/plugins/PngWriter.h"

#include <png.h>
#include <setjmp.h>

namespace {

struct Output {
    std::vector<unsigned char>* bytes;
};

void Append(png_structp png, png_bytep data, png_size_t size)
{
    auto* out = static_cast<Output*>(png_get_io_ptr(png));
    out->bytes->insert(out->bytes->end(), data, data + size);
}

void Flush(png_structp) {}

// Only plain locals and pointers to objects the caller owns: libpng longjmps here on error.
bool Encode(const PngSpec* spec, png_bytep* rows, png_colorp palette, png_bytep alpha,
            png_color_16p transparent, Output* out)
{
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        return false;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_set_write_fn(png, out, Append, Flush);
    png_set_IHDR(png, info, spec->width, spec->height, spec->bitDepth, spec->colourType,
                 spec->interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (palette) png_set_PLTE(png, info, palette, int(spec->palette.size()));
    if (alpha || transparent)
        png_set_tRNS(png, info, alpha, alpha ? int(spec->paletteAlpha.size()) : 0, transparent);
    png_write_info(png, info);
    png_write_image(png, rows);
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return true;
}

} // namespace

int PngChannels(int colourType)
{
    switch (colourType) {
    case PNG_COLOR_TYPE_GRAY_ALPHA: return 2;
    case PNG_COLOR_TYPE_RGB: return 3;
    case PNG_COLOR_TYPE_RGB_ALPHA: return 4;
    default: return 1;
    }
}

QByteArray WritePng(const PngSpec& spec)
{
    const int channels = PngChannels(spec.colourType);
    const std::size_t rowBytes = (std::size_t(spec.width) * channels * spec.bitDepth + 7) / 8;
    std::vector<unsigned char> pixels(rowBytes * spec.height, 0);
    std::vector<png_bytep> rows(spec.height);
    for (int y = 0; y < spec.height; ++y) {
        unsigned char* row = pixels.data() + rowBytes * y;
        rows[y] = row;
        for (int x = 0; x < spec.width; ++x) {
            const std::vector<uint16_t> s = spec.sample(x, y);
            for (int c = 0; c < channels; ++c) {
                const std::size_t bit = (std::size_t(x) * channels + c) * spec.bitDepth;
                const uint16_t v = s.at(c);
                if (spec.bitDepth == 16) {
                    row[bit / 8] = uint8_t(v >> 8);
                    row[bit / 8 + 1] = uint8_t(v);
                } else {
                    row[bit / 8] |= uint8_t(v << (8 - spec.bitDepth - bit % 8));
                }
            }
        }
    }
    std::vector<png_color> palette;
    for (const auto& e : spec.palette) palette.push_back({e[0], e[1], e[2]});
    std::vector<png_byte> alpha(spec.paletteAlpha.begin(), spec.paletteAlpha.end());
    png_color_16 transparent{};
    if (spec.transparent) {
        transparent.gray = (*spec.transparent)[0];
        transparent.red = (*spec.transparent)[0];
        transparent.green = (*spec.transparent)[1];
        transparent.blue = (*spec.transparent)[2];
    }
    std::vector<unsigned char> bytes;
    Output out{&bytes};
    if (!Encode(&spec, rows.data(), palette.empty() ? nullptr : palette.data(),
                alpha.empty() ? nullptr : alpha.data(), spec.transparent ? &transparent : nullptr, &out))
        return QByteArray();
    return QByteArray(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size()));
}
