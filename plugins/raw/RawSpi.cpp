/*
 * raw.spi: raw files of every maker LibRaw knows (PEF stays with the viewer's own reader).
 *
 * What the viewer shows is the largest JPEG preview the camera stored, handed over by
 * GetJpegPreview and decoded by the viewer's own JPEG decoder, when it is at least half as
 * wide as the sensor's picture; otherwise GetPicture develops the raw data at full size
 * (camera white balance, sRGB, 8 bits). The Exif block is the file's own TIFF structure,
 * or the preview's Exif segment, or one made from the metadata LibRaw read (a CR3's). The chooser's thumbnail
 * is the smallest JPEG the TIFF structure names, or the preview LibRaw picks.
 * LibRaw's thread-safe build: the chooser asks for thumbnails while the viewer decodes.
 */
#include "plugins/common/SpiCommon.h"

#include <libraw.h>

#include <ctime>
#include <new>
#include <string>
#include <vector>

namespace {

// Exif directories of raw files lie in their first megabytes.
constexpr size_t kExifLimit = 8u << 20;

// LibRaw reports broken data and memory trouble through callbacks that print by default.
void Quiet(void*, const char*, const int) {}
void QuietMemory(void*, const char*, const char*) {}

// One open file and LibRaw's state over it. LibRaw reads files itself (never mapped), or
// the caller's bytes.
struct Raw {
    SpiInput in{};
    libraw_data_t* lr = nullptr;
    Raw() = default;
    Raw(const Raw&) = delete;
    Raw& operator=(const Raw&) = delete;
    ~Raw()
    {
        if (lr) libraw_close(lr);
        SpiCloseInput(&in);
    }

    int Init()
    {
        lr = libraw_init(0);
        if (!lr) return SPI_NO_MEMORY;
        libraw_set_dataerror_handler(lr, Quiet, nullptr);
        libraw_set_memerror_handler(lr, QuietMemory, nullptr);
        // The picture as stored, as the viewer shows every other file; camera white balance,
        // sRGB, 8 bits a sample.
        lr->params.user_flip = 0;
        lr->params.use_camera_wb = 1;
        lr->params.output_color = 1;
        lr->params.output_bps = 8;
        return SPI_ALL_RIGHT;
    }

    int Opened(int answer) const
    {
        if (answer != LIBRAW_SUCCESS) return SPI_NOT_SUPPORTED;
        return lr->sizes.width > 0 && lr->sizes.height > 0 ? SPI_ALL_RIGHT : SPI_NOT_SUPPORTED;
    }

    // Reads the metadata of the file named; 0 or an SPI code.
    int OpenFile(const char* name)
    {
        size_t size = 0;
        int result = SpiCheckFile(name, &size);
        if (result == SPI_ALL_RIGHT) result = Init();
        return result != SPI_ALL_RIGHT ? result : Opened(libraw_open_file(lr, name));
    }

    // The contract's (buf, len, flag) input: a file from its start by name, else its bytes.
    int OpenInput(const char* buf, intptr_t len, uint32_t flag)
    {
        if ((flag & SPI_INPUT_MASK) == SPI_INPUT_FILE && len == 0) return OpenFile(buf);
        int result = SpiOpenInput(buf, len, flag, &in);
        if (result == SPI_ALL_RIGHT) result = Init();
        return result != SPI_ALL_RIGHT ? result
                                       : Opened(libraw_open_buffer(lr, const_cast<unsigned char*>(in.data), in.size));
    }

    // The stored preview when it is a JPEG; null and 0 otherwise.
    const unsigned char* Preview(size_t* length)
    {
        *length = 0;
        if (libraw_unpack_thumb(lr) != LIBRAW_SUCCESS || lr->thumbnail.tformat != LIBRAW_THUMBNAIL_JPEG ||
            !lr->thumbnail.thumb || lr->thumbnail.tlength < 4)
            return nullptr;
        *length = lr->thumbnail.tlength;
        return reinterpret_cast<const unsigned char*>(lr->thumbnail.thumb);
    }
};

// The frame width a JPEG's start-of-frame marker gives; 0 when none is found.
int JpegWidth(const unsigned char* jpeg, size_t size)
{
    size_t pos = 2;
    if (size < 4 || jpeg[0] != 0xFF || jpeg[1] != 0xD8) return 0;
    while (pos + 9 <= size && jpeg[pos] == 0xFF) {
        const unsigned marker = jpeg[pos + 1];
        const size_t segment = size_t(jpeg[pos + 2]) << 8 | jpeg[pos + 3];
        if (marker == 0xFF) {
            ++pos;
            continue;
        }
        if (marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC)
            return jpeg[pos + 7] << 8 | jpeg[pos + 8];
        if (marker == 0xDA || segment < 2) return 0;
        pos += 2 + segment;
    }
    return 0;
}

// The JPEGs a TIFF-structured raw file names in its directory chain and their
// sub-directories (tags 0x0201/0x0202, or one strip of JPEG-compressed data), over the
// file's first bytes; the smallest at least as wide as a thumbnail is kept.
struct JpegCandidates {
    const SpiInput& head;   // the file's first bytes: the directories lie there
    int fd;
    int intel;
    uint64_t bestOffset = 0, bestLength = 0;
    int visited = 0;

    void Consider(uint64_t offset, uint64_t length)
    {
        if (offset == 0 || length < 4 || offset > head.fileSize || length > head.fileSize - offset) return;
        if (bestLength != 0 && length >= bestLength) return;
        // Thumbnails are at most 96 pixels wide: anything narrower would be enlarged. The
        // frame header follows the Exif segment (64 KiB at most) within the first bytes.
        unsigned char start[70000];
        const size_t n = length < sizeof start ? size_t(length) : sizeof start;
        if (!SpiReadAt(fd, start, n, offset) || JpegWidth(start, n) < 96) return;
        bestOffset = offset;
        bestLength = length;
    }

    void Directory(uint32_t offset, int depth)
    {
        const unsigned char* file = head.data;
        const size_t size = head.size;
        // A bounded walk: broken files may point in circles.
        for (int chain = 0; offset >= 8 && size_t(offset) + 2 <= size && chain < 8 && ++visited < 64; ++chain) {
            const uint32_t count = SpiTiff16(file + offset, intel);
            if (size_t(offset) + 2 + size_t(count) * 12 + 4 > size) return;
            uint32_t jpegOffset = 0, jpegLength = 0, stripOffset = 0, stripLength = 0, compression = 0, strips = 0;
            for (uint32_t i = 0; i < count; ++i) {
                const unsigned char* e = file + offset + 2 + i * 12;
                const uint16_t tag = SpiTiff16(e, intel), type = SpiTiff16(e + 2, intel);
                const uint32_t n = SpiTiff32(e + 4, intel);
                const uint32_t value = type == 3 ? SpiTiff16(e + 8, intel) : SpiTiff32(e + 8, intel);
                if (tag == 0x0201) jpegOffset = value;
                else if (tag == 0x0202) jpegLength = value;
                else if (tag == 0x0103) compression = value;
                else if (tag == 0x0111) stripOffset = value, strips = n;
                else if (tag == 0x0117) stripLength = value;
                else if (tag == 0x014A && depth == 0 && (type == 4 || type == 13)) {
                    if (n == 1) {
                        Directory(value, 1);
                    } else if (n <= 8 && size_t(value) + 4 * size_t(n) <= size) {
                        for (uint32_t k = 0; k < n; ++k) Directory(SpiTiff32(file + value + 4 * k, intel), 1);
                    }
                }
            }
            Consider(jpegOffset, jpegLength);
            if ((compression == 6 || compression == 7) && strips == 1) Consider(stripOffset, stripLength);
            offset = SpiTiff32(file + offset + 2 + count * 12, intel);
        }
    }
};

// The smallest JPEG preview of a TIFF-structured raw file, copied into a malloc'ed block;
// SPI_NOT_SUPPORTED when it names none.
int32_t SmallestTiffPreview(const char* name, void** jpeg, intptr_t* length)
{
    SpiInput head;
    int32_t result = SpiReadFile(name, 1u << 20, &head);
    if (result != SPI_ALL_RIGHT) return result;
    const int fd = open(name, O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    result = SPI_NOT_SUPPORTED;
    if (fd >= 0 && head.size >= 8 && ((head.data[0] == 'I' && head.data[1] == 'I') || (head.data[0] == 'M' && head.data[1] == 'M'))) {
        JpegCandidates walk{head, fd, head.data[0] == 'I'};
        walk.Directory(SpiTiff32(head.data + 4, walk.intel), 0);
        if (walk.bestLength != 0) {
            void* copy = malloc(size_t(walk.bestLength));
            result = !copy ? SPI_NO_MEMORY : SpiReadAt(fd, static_cast<unsigned char*>(copy), size_t(walk.bestLength), walk.bestOffset) ? SPI_ALL_RIGHT : SPI_FILE_READ_ERROR;
            if (result == SPI_ALL_RIGHT) {
                *jpeg = copy;
                *length = intptr_t(walk.bestLength);
            } else {
                free(copy);
            }
        }
    }
    if (fd >= 0) close(fd);
    SpiCloseInput(&head);
    return result;
}

// An Exif block made from what LibRaw read of the file's own metadata, for raw files whose
// shooting values the other routes do not reach (a CR3's boxes, a TIFF/EP file that keeps
// them in its first directory): IFD0 with make and model, an Exif directory with exposure
// time, f-number, ISO, focal length (and its 35 mm equivalent) and the shooting date.
class ExifFromMetadata {
public:
    explicit ExifFromMetadata(const libraw_data_t& lr) : FLr(lr) {}

    bool HasShootingValues() const { return FLr.other.shutter > 0 || FLr.other.aperture > 0; }

    int32_t Build(void** block, intptr_t* length)
    {
        std::string model = FLr.idata.model;
        const std::string make = FLr.idata.make;
        if (!make.empty() && model.compare(0, make.size(), make) != 0) model = make + " " + model;
        if (!make.empty()) Text(FIfd0, 0x010F, make);
        if (!model.empty()) Text(FIfd0, 0x0110, model);
        const libraw_imgother_t& o = FLr.other;
        if (o.shutter > 0) {
            if (o.shutter < 1) Rational(FExif, 0x829A, 1, uint32_t(1 / o.shutter + 0.5f));
            else Rational(FExif, 0x829A, uint32_t(o.shutter * 10 + 0.5f), 10);
        }
        if (o.aperture > 0) Rational(FExif, 0x829D, uint32_t(o.aperture * 10 + 0.5f), 10);
        if (o.iso_speed > 0) Short(FExif, 0x8827, uint16_t(o.iso_speed < 65535 ? o.iso_speed + 0.5f : 65535));
        if (o.timestamp > 0) {
            struct tm t;
            char date[20];
            if (localtime_r(&o.timestamp, &t) && strftime(date, sizeof date, "%Y:%m:%d %H:%M:%S", &t) == 19)
                Text(FExif, 0x9003, date);
        }
        // Metering: "unknown", as LibRaw does not say; left out, it would read as manual exposure.
        Short(FExif, 0x9207, 0);
        if (o.focal_len > 0) Rational(FExif, 0x920A, uint32_t(o.focal_len * 10 + 0.5f), 10);
        const unsigned mm35 = FLr.lens.FocalLengthIn35mmFormat;
        if (mm35 > 0 && mm35 < 65536) Short(FExif, 0xA405, uint16_t(mm35));
        return Write(block, length);
    }

private:
    struct Entry {
        uint16_t tag, type;
        uint32_t count;
        std::string data;   // the value's bytes, little-endian
    };

    static std::string Le(uint32_t v, int bytes)
    {
        std::string out;
        for (int i = 0; i < bytes; ++i) out += char((v >> (8 * i)) & 0xFF);
        return out;
    }
    void Text(std::vector<Entry>& dir, uint16_t tag, const std::string& text)
    {
        dir.push_back({tag, 2, uint32_t(text.size() + 1), text + '\0'});
    }
    void Rational(std::vector<Entry>& dir, uint16_t tag, uint32_t n, uint32_t d)
    {
        dir.push_back({tag, 5, 1, Le(n, 4) + Le(d, 4)});
    }
    void Short(std::vector<Entry>& dir, uint16_t tag, uint16_t v) { dir.push_back({tag, 3, 1, Le(v, 2)}); }

    // "II*\0", IFD0 at 8, the Exif directory after it, then every value longer than 4 bytes.
    int32_t Write(void** block, intptr_t* length)
    {
        if (!FExif.empty()) FIfd0.push_back({0x8769, 4, 1, std::string()});
        const size_t ifd0 = 8, exif = ifd0 + 2 + 12 * FIfd0.size() + 4;
        size_t data = exif + (FExif.empty() ? 0 : 2 + 12 * FExif.size() + 4);
        std::string out = "II*" + std::string(1, '\0') + Le(uint32_t(ifd0), 4), values;
        for (std::vector<Entry>* dir : {&FIfd0, &FExif}) {
            if (dir->empty()) continue;
            out += Le(uint32_t(dir->size()), 2);
            for (const Entry& e : *dir) {
                out += Le(e.tag, 2) + Le(e.type, 2) + Le(e.count, 4);
                if (e.tag == 0x8769) {
                    out += Le(uint32_t(exif), 4);
                } else if (e.data.size() <= 4) {
                    out += e.data + std::string(4 - e.data.size(), '\0');
                } else {
                    out += Le(uint32_t(data + values.size()), 4);
                    values += e.data;
                    if (values.size() % 2) values += '\0';
                }
            }
            out += Le(0, 4);
        }
        out += values;
        void* copy = malloc(out.size());
        if (!copy) return SPI_NO_MEMORY;
        memcpy(copy, out.data(), out.size());
        *block = copy;
        *length = intptr_t(out.size());
        return SPI_ALL_RIGHT;
    }

    const libraw_data_t& FLr;
    std::vector<Entry> FIfd0, FExif;
};

// Whether an Exif block (a TIFF structure) has an Exif directory in its first directory.
bool HasExifDirectory(const void* block, intptr_t length)
{
    const unsigned char* t = static_cast<const unsigned char*>(block);
    if (length < 8) return false;
    const int intel = t[0] == 'I';
    const uint32_t offset = SpiTiff32(t + 4, intel);
    if (offset < 8 || uint64_t(offset) + 2 > uint64_t(length)) return false;
    const uint32_t count = SpiTiff16(t + offset, intel);
    for (uint32_t i = 0; i < count && uint64_t(offset) + 2 + 12 * (i + 1) <= uint64_t(length); ++i)
        if (SpiTiff16(t + offset + 2 + 12 * i, intel) == 0x8769) return true;
    return false;
}

int32_t CopyOut(const unsigned char* bytes, size_t length, void** block, intptr_t* blockLength)
{
    void* copy = malloc(length);
    if (!copy) return SPI_NO_MEMORY;
    memcpy(copy, bytes, length);
    *block = copy;
    *blockLength = intptr_t(length);
    return SPI_ALL_RIGHT;
}

int32_t Info(Raw& raw, SpiPictureInfo* out)
{
    if (libraw_adjust_sizes_info_only(raw.lr) != LIBRAW_SUCCESS) return SPI_OUT_OF_ORDER;
    SpiPictureInfo info;
    memset(&info, 0, sizeof info);
    info.width = raw.lr->sizes.iwidth;
    info.height = raw.lr->sizes.iheight;
    info.colorDepth = 24;
    if (info.width <= 0 || info.height <= 0) return SPI_OUT_OF_ORDER;
    memcpy(out, &info, sizeof info);
    return SPI_ALL_RIGHT;
}

int32_t Develop(Raw& raw, void** headerBlock, void** bitsBlock, SpiProgressCallback progress, intptr_t data)
{
    int result = SPI_ALL_RIGHT;
    if (libraw_unpack(raw.lr) != LIBRAW_SUCCESS || libraw_dcraw_process(raw.lr) != LIBRAW_SUCCESS)
        return SPI_OUT_OF_ORDER;
    int error = 0;
    libraw_processed_image_t* image = libraw_dcraw_make_mem_image(raw.lr, &error);
    if (!image) return SPI_NO_MEMORY;
    // The developed picture is all that is needed from here on.
    libraw_recycle(raw.lr);
    const int32_t width = image->width, height = image->height;
    const int channels = image->colors;
    unsigned char* header = nullptr;
    unsigned char* bits = nullptr;
    size_t stride = 0;
    if (image->type != LIBRAW_IMAGE_BITMAP || image->bits != 8 || (channels != 3 && channels != 1) ||
        width <= 0 || height <= 0 || image->data_size < unsigned(width) * unsigned(height) * unsigned(channels)) {
        libraw_dcraw_clear_mem(image);
        return SPI_OUT_OF_ORDER;
    }
    result = SpiNewDib(width, height, &header, &bits, &stride);
    if (result == SPI_ALL_RIGHT) {
        for (int32_t y = 0; y < height; ++y) {
            const unsigned char* src = image->data + size_t(y) * size_t(width) * channels;
            unsigned char* dst = bits + size_t(y) * stride;
            if (channels == 3) {
                SpiRowToBgr(src, 3, dst, width);
            } else {
                for (int32_t x = 0; x < width; ++x) dst[3 * x] = dst[3 * x + 1] = dst[3 * x + 2] = src[x];
            }
        }
        if (progress && progress(height, height, data) != 0) result = SPI_ABORT;
    }
    libraw_dcraw_clear_mem(image);
    return SpiHandOverDib(result, header, bits, headerBlock, bitsBlock);
}

} // namespace

SPI_EXPORT int32_t IsSupported(const char* fileName, intptr_t fd)
{
    try {
        unsigned char head[4];
        if (!SpiReadHead(fd, head, sizeof head)) return 0;
        Raw raw;
        return raw.OpenFile(fileName) == SPI_ALL_RIGHT;
    } catch (...) {
        return 0;
    }
}

SPI_EXPORT int32_t GetPictureInfo(const char* buf, intptr_t len, uint32_t flag, SpiPictureInfo* info)
{
    if (!info) return SPI_INTERNAL_ERROR;
    try {
        Raw raw;
        const int result = raw.OpenInput(buf, len, flag);
        return result != SPI_ALL_RIGHT ? result : Info(raw, info);
    } catch (const std::bad_alloc&) {
        return SPI_NO_MEMORY;
    } catch (...) {
        return SPI_INTERNAL_ERROR;
    }
}

SPI_EXPORT int32_t GetPicture(const char* buf, intptr_t len, uint32_t flag, void** headerBlock, void** bitsBlock,
                              SpiProgressCallback progress, intptr_t data)
{
    if (!headerBlock || !bitsBlock) return SPI_INTERNAL_ERROR;
    try {
        Raw raw;
        const int result = raw.OpenInput(buf, len, flag);
        return result != SPI_ALL_RIGHT ? result : Develop(raw, headerBlock, bitsBlock, progress, data);
    } catch (const std::bad_alloc&) {
        return SPI_NO_MEMORY;
    } catch (...) {
        return SPI_INTERNAL_ERROR;
    }
}

SPI_EXPORT int32_t GetJpegPreview(const char* fileName, int32_t which, void** jpeg, intptr_t* length)
{
    if (!jpeg || !length || (which != SPI_PREVIEW_PICTURE && which != SPI_PREVIEW_SMALLEST))
        return SPI_INTERNAL_ERROR;
    try {
        if (which == SPI_PREVIEW_SMALLEST && SmallestTiffPreview(fileName, jpeg, length) == SPI_ALL_RIGHT)
            return SPI_ALL_RIGHT;
        Raw raw;
        int result = raw.OpenFile(fileName);
        if (result != SPI_ALL_RIGHT) return result;
        size_t size = 0;
        const unsigned char* preview = raw.Preview(&size);
        if (!preview) return SPI_NOT_SUPPORTED;
        // A preview much smaller than the sensor's picture would hide the focus: develop then.
        if (which == SPI_PREVIEW_PICTURE && 2 * JpegWidth(preview, size) < raw.lr->sizes.width)
            return SPI_NOT_SUPPORTED;
        return CopyOut(preview, size, jpeg, length);
    } catch (...) {
        return SPI_INTERNAL_ERROR;
    }
}

SPI_EXPORT int32_t GetExifBlock(const char* fileName, void** block, intptr_t* length)
{
    if (!block || !length) return SPI_INTERNAL_ERROR;
    try {
        // The file's own TIFF structure, when it has one with an Exif directory.
        void* own = nullptr;
        intptr_t ownLength = 0;
        if (SpiFileExifBlock(fileName, kExifLimit, &own, &ownLength) == SPI_ALL_RIGHT &&
            HasExifDirectory(own, ownLength)) {
            *block = own;
            *length = ownLength;
            return SPI_ALL_RIGHT;
        }
        Raw raw;
        int result = raw.OpenFile(fileName);
        size_t size = 0;
        const unsigned char* preview = result == SPI_ALL_RIGHT ? raw.Preview(&size) : nullptr;
        if (preview && SpiJpegExifBlock(preview, size, block, length) == SPI_ALL_RIGHT) {
            free(own);
            return SPI_ALL_RIGHT;
        }
        // What LibRaw read of the metadata, where it has shooting values; else the file's
        // own first directory (make and model) when there was one.
        if (result == SPI_ALL_RIGHT && ExifFromMetadata(*raw.lr).HasShootingValues()) {
            free(own);
            return ExifFromMetadata(*raw.lr).Build(block, length);
        }
        if (!own) return result != SPI_ALL_RIGHT ? result : SPI_NOT_SUPPORTED;
        *block = own;
        *length = ownLength;
        return SPI_ALL_RIGHT;
    } catch (...) {
        return SPI_INTERNAL_ERROR;
    }
}
