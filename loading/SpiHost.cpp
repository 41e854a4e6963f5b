#include "loading/SpiHost.h"

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
    if (handle_) dlclose(handle_);
}

TSpiModule& TSpiModule::operator=(TSpiModule&& other) noexcept
{
    if (this != &other) {
        if (handle_) dlclose(handle_);
        handle_ = other.handle_;
        other.handle_ = nullptr;
    }
    return *this;
}

void* TSpiModule::Symbol(const char* name) const
{
    return handle_ ? dlsym(handle_, name) : nullptr;
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
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor()
    {
        if (fd_ >= 0) ::close(fd_);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int Get() const { return fd_; }

private:
    int fd_;
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

bool IsBuiltinExtension(const QString& extension)
{
    return extension == QLatin1String(".BMP") || extension == QLatin1String(".ICO")
        || extension == QLatin1String(".WMF") || extension == QLatin1String(".EMF");
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

void LoadPlugins(TSpiHost& host, const QString& folder)
{
    host.Folder = folder;
    // An empty setting means "no folder"; reading code from the file-system root instead
    // would load whatever libraries happen to lie there.
    if (folder.isEmpty()) return;

    const QByteArray folderBytes = QFile::encodeName(folder);
    std::unique_ptr<DIR, DirCloser> dir(opendir(folderBytes.constData()));
    if (!dir) return;

    TSpiPlugin* first = nullptr;
    TSpiPlugin* last = nullptr;
    // Directory order, unsorted: the first listed library wins when two accept a file.
    while (const dirent* entry = readdir(dir.get())) {
        if (!HasSpiSuffix(entry->d_name)) continue;
        const QByteArray path = LibraryPath(folderBytes, entry->d_name);
        struct stat st {};
        // dlopen of a FIFO would block; folders and devices are not libraries anyway.
        if (stat(path.constData(), &st) != 0 || !S_ISREG(st.st_mode)) continue;

        void* handle = dlopen(path.constData(), RTLD_NOW | RTLD_LOCAL);
        if (!handle) continue;
        auto node = std::make_unique<TSpiPlugin>();
        node->Module = TSpiModule(handle);
        node->Path = QFile::decodeName(path);
        node->IsSupported = SymbolAs<SpiIsSupportedFn>(node->Module, "IsSupported");
        node->GetPictureInfo = SymbolAs<SpiGetPictureInfoFn>(node->Module, "GetPictureInfo");
        node->GetPicture = SymbolAs<SpiGetPictureFn>(node->Module, "GetPicture");
        node->GetPreview = node->Module.Symbol("GetPreview");
        node->GetArchiveInfo = node->Module.Symbol("GetArchiveInfo");
        node->GetFile = node->Module.Symbol("GetFile");
        if (!node->IsSupported || !node->GetPicture) continue;   // node and library go

        TSpiPlugin* accepted = node.get();
        host.AllNodes.push_back(std::move(node));
        if (last) last->Next = accepted;
        else first = accepted;
        last = accepted;
    }
    if (first) host.Plugins = first;
}

QString SpiExtensionOf(const QString& fileName)
{
    const qsizetype slash = fileName.lastIndexOf(QLatin1Char('/'));
    const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
    if (dot < 0 || dot < slash) return QString();
    // Longer extensions are cut; none of the built-in ones comes close to the limit.
    return fileName.mid(dot, TSpiHost::kMaxExtension).toUpper();
}

bool SelectPlugin(TSpiHost& host, const QString& fileName)
{
    host.Extension = SpiExtensionOf(fileName);
    host.CurrentFile = fileName;
    if (IsBuiltinExtension(host.Extension)) return true;

    const QByteArray name = QFile::encodeName(host.CurrentFile);
    for (TSpiPlugin* plugin = host.Plugins; plugin; plugin = plugin->Next) {
        // A fresh descriptor per plug-in, so none sees another's file position. O_NONBLOCK
        // keeps a FIFO from stalling the viewer; it changes nothing for regular files.
        FileDescriptor fd(::open(name.constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
        if (plugin->IsSupported(name.constData(), static_cast<intptr_t>(fd.Get())) != 0) {
            host.Selected = plugin;
            return true;
        }
    }
    return false;
}

bool DecodeWithPlugin(TSpiHost& host)
{
    host.WorkBitmap = std::make_unique<QImage>();
    host.WorkFormat = TPixelFormat::pfDevice;

    if (IsBuiltinExtension(host.Extension)) {
        if (!host.BuiltinReader) return false;
        TPixelFormat format = TPixelFormat::pfDevice;
        host.BuiltinReader(host.CurrentFile, *host.WorkBitmap, format);
        host.WorkFormat = format;
        return !host.WorkBitmap->isNull() && host.WorkBitmap->width() > 0 && host.WorkBitmap->height() > 0;
    }

    TSpiPlugin* plugin = host.Selected;
    if (!plugin || !plugin->GetPictureInfo) return false;
    const QByteArray name = QFile::encodeName(host.CurrentFile);

    // Zeroed, so a plug-in that leaves hInfo alone does not make us free garbage.
    SpiPictureInfo info;
    std::memset(&info, 0, sizeof info);
    if (plugin->GetPictureInfo(name.constData(), 0, SPI_INPUT_FILE, &info) != 0) return false;
    std::free(info.hInfo);   // the text information is not used

    const int width = info.width;
    const int height = info.height;
    if (width <= 0 || height <= 0 || static_cast<long long>(width) * height > kSpiMaxPixels)
        return false;
    *host.WorkBitmap = QImage(width, height, QImage::Format_RGB32);
    if (host.WorkBitmap->isNull()) return false;
    host.WorkBitmap->fill(0xFF000000u);

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
                             malloc_usable_size(bits.get()), width, height, *host.WorkBitmap);
}

void ReleaseWorkBitmap(TSpiHost& host)
{
    host.WorkBitmap.reset();
}

bool TryPluginDecode(TSpiHost* host, const QString& fileName, QImage& image, TPixelFormat& format)
{
    if (!host) return false;
    try {
        if (!SelectPlugin(*host, fileName)) return false;
        if (!DecodeWithPlugin(*host)) return false;
        image = std::move(*host->WorkBitmap);
        format = host->WorkFormat;
    } catch (...) {
        return false;
    }
    ReleaseWorkBitmap(*host);
    return true;
}
