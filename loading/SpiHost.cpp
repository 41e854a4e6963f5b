#include "loading/SpiHost.h"

#include "loading/PictureName.h"

#include <QFile>

#include <dirent.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <malloc.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

static_assert(sizeof(SpiBitmapInfoHeader) == 40, "BITMAPINFOHEADER is 40 bytes");
static_assert(sizeof(SpiRgbQuad) == 4, "RGBQUAD is 4 bytes");
static_assert(sizeof(SpiPictureInfo) == 22 + sizeof(void*), "PictureInfo is packed");

TSpiModule::~TSpiModule()
{
    if (FHandle) dlclose(FHandle);
}

TSpiModule& TSpiModule::operator=(TSpiModule&& other) noexcept
{
    if (this != &other) {
        if (FHandle) dlclose(FHandle);
        FHandle = other.FHandle;
        other.FHandle = nullptr;
    }
    return *this;
}

void* TSpiModule::Symbol(const char* name) const
{
    return FHandle ? dlsym(FHandle, name) : nullptr;
}

namespace {

struct DirCloser {
    void operator()(DIR* d) const { closedir(d); }
};

struct FreeDeleter {
    void operator()(void* p) const { std::free(p); }
};
using MallocBlock = std::unique_ptr<void, FreeDeleter>;

class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : FFd(fd) {}
    ~FileDescriptor()
    {
        if (FFd >= 0) ::close(FFd);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int Get() const { return FFd; }

private:
    int FFd;
};

bool HasSpiSuffix(const char* name)
{
    const std::size_t n = std::strlen(name);
    return n >= 4 && strcasecmp(name + n - 4, ".spi") == 0;
}

template <typename Fn>
Fn SymbolAs(const TSpiModule& module, const char* name)
{
    return reinterpret_cast<Fn>(module.Symbol(name));
}

// The library path as the scan forms it: folder, one '/', the listed name.
QByteArray LibraryPath(const QByteArray& folder, const char* name)
{
    QByteArray path = folder;
    if (!path.endsWith('/')) path += '/';
    path += name;
    return path;
}

} // namespace

void TSpiHost::LoadPlugins(const QString& folder)
{
    Folder = folder;
    // An empty setting means "no folder"; reading code from the file-system root instead
    // would load whatever libraries happen to lie there.
    if (folder.isEmpty()) return;

    const QByteArray folderBytes = QFile::encodeName(folder);
    std::unique_ptr<DIR, DirCloser> dir(opendir(folderBytes.constData()));
    if (!dir) return;

    std::vector<TSpiPluginPtr> found;
    // Directory order, unsorted: the first listed library wins when two accept a file.
    while (const dirent* entry = readdir(dir.get())) {
        if (!HasSpiSuffix(entry->d_name)) continue;
        const QByteArray path = LibraryPath(folderBytes, entry->d_name);
        struct stat st {};
        // dlopen of a FIFO would block; folders and devices are not libraries anyway.
        if (stat(path.constData(), &st) != 0 || !S_ISREG(st.st_mode)) continue;

        void* handle = dlopen(path.constData(), RTLD_NOW | RTLD_LOCAL);
        if (!handle) continue;
        auto node = std::make_shared<TSpiPlugin>();
        node->Module = TSpiModule(handle);
        node->Path = QFile::decodeName(path);
        node->IsSupported = SymbolAs<SpiIsSupportedFn>(node->Module, "IsSupported");
        node->GetPictureInfo = SymbolAs<SpiGetPictureInfoFn>(node->Module, "GetPictureInfo");
        node->GetPicture = SymbolAs<SpiGetPictureFn>(node->Module, "GetPicture");
        node->GetPreview = node->Module.Symbol("GetPreview");
        node->GetArchiveInfo = node->Module.Symbol("GetArchiveInfo");
        node->GetFile = node->Module.Symbol("GetFile");
        if (!node->IsSupported || !node->GetPicture) continue;   // node and library go
        found.push_back(std::move(node));
    }
    // The earlier list goes; a library of it that is still held (Selected, a decode under
    // way) closes when its last holder lets go. One found again was opened again and stays.
    if (!found.empty()) FPlugins = std::move(found);
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

    const QByteArray name = QFile::encodeName(CurrentFile);
    for (const TSpiPluginPtr& plugin : FPlugins) {
        // A fresh descriptor per plug-in, so none sees another's file position. O_NONBLOCK
        // keeps a FIFO from stalling the viewer; it changes nothing for regular files.
        FileDescriptor fd(::open(name.constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
        if (plugin->IsSupported(name.constData(), static_cast<intptr_t>(fd.Get())) != 0) {
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
    if (width <= 0 || height <= 0 || static_cast<long long>(width) * height > kSpiMaxPixels)
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
        if (!host->DecodeWithPlugin()) return false;
        image = std::move(*host->WorkBitmap);
        format = host->WorkFormat;
    } catch (...) {
        return false;
    }
    host->ReleaseWorkBitmap();
    return true;
}
