#include "loading/SpiHost.h"

#include "loading/PictureName.h"
#include "platform/MemoryInfo.h"

#include <QFile>

#include <malloc.h>

#include <cstdlib>
#include <cstring>

static_assert(sizeof(SpiBitmapInfoHeader) == 40, "BITMAPINFOHEADER is 40 bytes");
static_assert(sizeof(SpiRgbQuad) == 4, "RGBQUAD is 4 bytes");
static_assert(sizeof(SpiPictureInfo) == 22 + sizeof(void*), "PictureInfo is packed");

namespace {

struct FreeDeleter {
    void operator()(void* p) const { std::free(p); }
};
using MallocBlock = std::unique_ptr<void, FreeDeleter>;

} // namespace

void TSpiHost::LoadPlugins(const QString& folder)
{
    Folder = folder;
    std::vector<TSpiPluginPtr> found;
    ForEachSpiFile(QFile::encodeName(folder).toStdString(), [&](const std::string& path) {
        auto node = std::make_shared<TSpiPlugin>();
        if (!OpenSpiLibrary(path, *node)) return;
        node->Path = QFile::decodeName(QByteArray::fromStdString(path));
        found.push_back(std::move(node));
    });
    // The earlier list goes; a library of it that is still held (Selected, a decode under
    // way) closes when its last holder lets go. One found again was opened again and stays.
    if (found.empty()) return;
    FPlugins = std::move(found);
    PublishSpiLibraries(std::vector<std::shared_ptr<TSpiLibrary>>(FPlugins.begin(), FPlugins.end()));
}

QString SpiExtensionOf(const QString& fileName)
{
    // Longer extensions are cut; none of the built-in ones comes close to the limit.
    return PictureExtension(fileName).left(TSpiHost::kMaxExtension);
}

bool TSpiHost::SelectPlugin(const QString& fileName)
{
    Extension = SpiExtensionOf(fileName);
    CurrentFile = fileName;
    if (ClassifyPicture(CurrentFile) == TPictureType::Bmp) return true;

    const std::string name = QFile::encodeName(CurrentFile).toStdString();
    for (const TSpiPluginPtr& plugin : FPlugins) {
        if (SpiAccepts(*plugin, name)) {
            FSelected = plugin;
            return true;
        }
    }
    return false;
}

bool TSpiHost::DecodeWithPlugin()
{
    WorkBitmap = std::make_unique<QImage>();
    WorkFormat = TPixelFormat::pfDevice;
    RefusedForMemory = false;

    if (ClassifyPicture(CurrentFile) == TPictureType::Bmp) {
        if (!BuiltinReader) return false;
        TPixelFormat format = TPixelFormat::pfDevice;
        BuiltinReader(CurrentFile, *WorkBitmap, format);
        WorkFormat = format;
        return !WorkBitmap->isNull() && WorkBitmap->width() > 0 && WorkBitmap->height() > 0;
    }

    // Held for the whole decode, so nothing the plug-in calls back into can close it.
    const TSpiPluginPtr plugin = FSelected;
    if (!plugin || !plugin->GetPictureInfo) return false;
    const QByteArray name = QFile::encodeName(CurrentFile);

    // Zeroed, so a plug-in that leaves hInfo alone does not make us free garbage.
    SpiPictureInfo info;
    std::memset(&info, 0, sizeof info);
    if (plugin->GetPictureInfo(name.constData(), 0, SPI_INPUT_FILE, &info) != 0) return false;
    std::free(info.hInfo);   // the text information is not used

    const int width = info.width;
    const int height = info.height;
    if (width <= 0 || height <= 0)
        return false;
    const long long available = AvailableMemoryBytes();
    RefusedForMemory = available >= 0 && SpiDecodeBytes(width, height) > available;
    if (RefusedForMemory || static_cast<long long>(width) * height > kSpiMaxPixels)
        return false;
    *WorkBitmap = QImage(width, height, QImage::Format_RGB32);
    if (WorkBitmap->isNull()) return false;
    WorkBitmap->fill(0xFF000000u);

    void* headerHandle = nullptr;
    void* bitsHandle = nullptr;
    // On a failure answer the plug-in keeps its blocks: nothing here is taken over.
    if (plugin->GetPicture(name.constData(), 0, SPI_INPUT_FILE, &headerHandle, &bitsHandle, nullptr, 0) != 0)
        return false;
    const MallocBlock header(headerHandle);
    const MallocBlock bits(bitsHandle);
    if (!header || !bits) return false;
    // The blocks come from malloc, so their real sizes are known and bound every read.
    return ConvertDibToImage(header.get(), malloc_usable_size(header.get()), bits.get(),
                             malloc_usable_size(bits.get()), width, height, *WorkBitmap);
}

bool TryPluginDecode(TSpiHost* host, const QString& fileName, QImage& image, TPixelFormat& format)
{
    if (!host) return false;
    try {
        if (!host->SelectPlugin(fileName)) return false;
        if (!host->DecodeWithPlugin()) {
            if (host->RefusedForMemory) throw std::bad_alloc();
            return false;
        }
        image = std::move(*host->WorkBitmap);
        format = host->WorkFormat;
    } catch (const std::bad_alloc&) {
        host->ReleaseWorkBitmap();
        throw;
    } catch (...) {
        return false;
    }
    host->ReleaseWorkBitmap();
    return true;
}

void RefuseBeyondMemory(long long width, long long height, long long available)
{
    if (available >= 0 && SpiDecodeBytes(width, height) > available)
        throw std::bad_alloc();
}

std::vector<unsigned char> TSpiHost::ExifBlock() const
{
    if (!FSelected || ClassifyPicture(CurrentFile) == TPictureType::Bmp) return {};
    return SpiExifBlock(*FSelected, QFile::encodeName(CurrentFile).toStdString());
}

std::vector<unsigned char> TSpiHost::PicturePreview() const
{
    if (!FSelected || ClassifyPicture(CurrentFile) == TPictureType::Bmp) return {};
    return SpiJpegPreview(*FSelected, QFile::encodeName(CurrentFile).toStdString(), SPI_PREVIEW_PICTURE);
}
