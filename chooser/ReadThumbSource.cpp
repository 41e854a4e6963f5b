#include "chooser/ReadThumbSource.h"

#include "chooser/PictEntry.h"
#include "exif/Exifana.h"
#include "loading/JpegDecoder.h"
#include "loading/JpegFile.h"
#include "loading/MappedFile.h"
#include "loading/PefPreview.h"
#include "loading/PictureName.h"
#include "loading/SpiHost.h"
#include "loading/SpiLibrary.h"

#include <QFile>
#include <cstdlib>
#include <cstring>
#include <malloc.h>

int ChooseReduction(int width, int height)
{
    if (width > 1200 || height > 800)
        return 8;
    if (width > 600 || height > 400)
        return 4;
    if (width > 300 || height > 200)
        return 2;
    return 1;
}

TJpegBytes ReadEmbeddedJpeg(const TExifRoot* reader, const TMappedFile& file, std::size_t base)
{
    const std::size_t size = file.Size;
    TJpegBytes bytes;
    if (file.View == nullptr || base > size)
        return bytes;
    if (reader == nullptr) {
        if (base != 0 || !ReadJpegBytes(file, 0, size, bytes))
            bytes.clear();
        return bytes;
    }
    if (reader->DirectoryCount < 2)
        return {};
    const TExifDirectory& dir = reader->Dirs[1];
    uint32_t offset = 0;
    uint32_t length = 0;
    for (int i = 0; i < dir.Count; ++i) {
        const unsigned char* entry = dir.Entries[i];
        const uint16_t tag = reader->EntryTag(entry);
        if (tag == 0x0201)
            offset = reader->EntryValue(entry);
        else if (tag == 0x0202)
            length = reader->EntryValue(entry);
        if (offset != 0 && length != 0) {
            // Written so that nothing can wrap: base <= size was checked above.
            const std::size_t room = size - base;
            if (offset > room || length > room - offset)
                return {};
            bytes.resize(length);
            if (!ReadFileRange(file, base + offset, length, bytes.data()))
                bytes.clear();
            return bytes;
        }
    }
    return {};
}

namespace {

// The JPEG at the reduction its stored size selects; null when it does not decode.
QImage DecodeReduced(const TJpegBytes& bytes)
{
    try {
        const QSize full = ReadJpegSize(bytes.data(), bytes.size());
        return DecodeJpegReduced(bytes.data(), bytes.size(), ChooseReduction(full.width(), full.height()));
    } catch (const std::exception&) {
        return QImage();
    }
}

void SetTexts(TReaderState& state, const TExifRoot& reader)
{
    const TChooserTexts texts = MakeChooserTexts(reader);
    state.ShotDate = QString::fromStdString(texts.ShotDate);
    state.ShotExposure = QString::fromStdString(texts.ShotExposure);
    state.ShotCamera = QString::fromStdString(texts.ShotCamera);
    state.HasShotData = true;
}

// Raw files of other makers and HEIC/HEIF: through the plug-in that takes the file, its
// Exif block for the texts and its smallest preview (a JPEG, or a stored thumbnail) for the
// picture.
bool ReadPluginThumb(TReaderState& state, const QString& path, bool checkCancel)
{
    const std::string name = QFile::encodeName(path).toStdString();
    const std::shared_ptr<TSpiLibrary> library = SpiFor(PublishedSpiLibraries(), name);
    if (!library)
        return false;
    const std::vector<unsigned char> exif = SpiExifBlock(*library, name);
    if (exif.size() >= 8) {
        TExifRootPENTAXistD reader;
        reader.Parse(exif.data(), exif.size(), 8);
        SetTexts(state, reader);
    }
    if (checkCancel && state.ReadCursor.load() < 0)
        return false;
    const TJpegBytes preview = SpiJpegPreview(*library, name, SPI_PREVIEW_SMALLEST);
    if (!preview.empty())
        state.DecodedPicture = DecodeReduced(preview);
    if (state.DecodedPicture.isNull() && library->GetThumbnail) {
        void* header = nullptr;
        void* bits = nullptr;
        if (library->GetThumbnail(name.c_str(), &header, &bits) == SPI_ALL_RIGHT) {
            SpiBitmapInfoHeader bi{};
            if (header && malloc_usable_size(header) >= sizeof bi) {
                std::memcpy(&bi, header, sizeof bi);
                const int width = bi.biWidth;
                const int height = bi.biHeight < 0 ? -bi.biHeight : bi.biHeight;
                QImage image(width > 0 && width <= 4096 ? width : 0, height <= 4096 ? height : 0, QImage::Format_RGB32);
                if (!image.isNull() && bits &&
                    ConvertDibToImage(header, malloc_usable_size(header), bits, malloc_usable_size(bits), width,
                                      height, image))
                    state.DecodedPicture = image.convertToFormat(QImage::Format_BGR888);
            }
            std::free(header);
            std::free(bits);
        }
    }
    return !state.DecodedPicture.isNull();
}

} // namespace

bool ReadThumbSource(TReaderState& state, const QString& path, bool checkCancel)
{
    state.DecodedPicture = QImage();
    state.HasShotData = false;
    try {
        // The headers and the Exif block lie in the first bytes; the thumbnail is read on its own.
        TMappedFile file;
        if (MapFile(file, path, TiffHeadBytes) == nullptr)
            return false;

        TExifRootPENTAXistD reader;
        bool tiffFound = false;
        bool thumbnail = false;   // bytes hold a JPEG's Exif thumbnail, not the file
        TJpegBytes bytes;
        switch (ClassifyPicture(path)) {
        case TPictureType::Jpeg:
            if (const unsigned char* tiff = FindExifBlock(file.View, file.Length)) {
                tiffFound = true;
                const std::size_t base = static_cast<std::size_t>(tiff - file.View);
                reader.Parse(tiff, file.Length - base, 8);
                bytes = ReadEmbeddedJpeg(&reader, file, base);
                thumbnail = !bytes.empty();
            }
            if (bytes.empty())
                bytes = ReadEmbeddedJpeg(nullptr, file, 0);
            break;
        case TPictureType::Pef:
            // A PEF is itself a TIFF structure; there is no whole-file fallback.
            tiffFound = true;
            if (!ParseFileTiff(file, reader, [&] { MakeChooserTexts(reader); }))
                return false;
            bytes = ReadEmbeddedJpeg(&reader, file, 0);
            break;
        case TPictureType::Camera:
            return ReadPluginThumb(state, path, checkCancel);
        case TPictureType::Shipped:
        case TPictureType::Bmp:
        case TPictureType::Plugin:
        case TPictureType::None:
            break;   // the listing lets none of these through
        }
        if (tiffFound)
            SetTexts(state, reader);
        if (bytes.empty())
            return false;
        // A reading stopped meanwhile does not decode.
        if (checkCancel && state.ReadCursor.load() < 0)
            return false;
        state.DecodedPicture = DecodeReduced(bytes);
        // Some cameras store a stub thumbnail that does not decode; the picture itself
        // still makes a thumbnail.
        if (state.DecodedPicture.isNull() && thumbnail)
            state.DecodedPicture = DecodeReduced(ReadEmbeddedJpeg(nullptr, file, 0));
        return !state.DecodedPicture.isNull();
    } catch (...) {
        state.DecodedPicture = QImage();
        return false;
    }
}
