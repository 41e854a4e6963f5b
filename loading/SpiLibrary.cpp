#include "loading/SpiLibrary.h"

#include <dirent.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <malloc.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <mutex>

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

// A block a plug-in handed over: freed here, used only as far as malloc says it reaches.
std::vector<unsigned char> TakeBlock(void* block, intptr_t length)
{
    std::vector<unsigned char> bytes;
    if (block && length > 0 && static_cast<std::size_t>(length) <= malloc_usable_size(block)) {
        try {
            bytes.assign(static_cast<unsigned char*>(block), static_cast<unsigned char*>(block) + length);
        } catch (const std::bad_alloc&) {
            bytes.clear();
        }
    }
    std::free(block);
    return bytes;
}

} // namespace

void ForEachSpiFile(const std::string& folder, const std::function<void(const std::string& path)>& found)
{
    // An empty setting means "no folder"; reading code from the file-system root instead
    // would load whatever libraries happen to lie there.
    if (folder.empty()) return;
    DIR* dir = opendir(folder.c_str());
    if (!dir) return;
    const std::string prefix = folder.back() == '/' ? folder : folder + '/';
    std::vector<std::string> paths;
    // Directory order, unsorted: the first listed library wins when two accept a file.
    while (const dirent* entry = readdir(dir)) {
        if (!HasSpiSuffix(entry->d_name)) continue;
        const std::string path = prefix + entry->d_name;
        struct stat st {};
        // dlopen of a FIFO would block; folders and devices are not libraries anyway.
        if (stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
        paths.push_back(path);
    }
    closedir(dir);
    for (const std::string& path : paths) found(path);
}

bool OpenSpiLibrary(const std::string& path, TSpiLibrary& into)
{
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) return false;
    TSpiModule module(handle);
    const auto isSupported = SymbolAs<SpiIsSupportedFn>(module, "IsSupported");
    const auto getPicture = SymbolAs<SpiGetPictureFn>(module, "GetPicture");
    if (!isSupported || !getPicture) return false;   // the module closes the library
    into.IsSupported = isSupported;
    into.GetPicture = getPicture;
    into.GetPictureInfo = SymbolAs<SpiGetPictureInfoFn>(module, "GetPictureInfo");
    into.GetExifBlock = SymbolAs<SpiGetExifBlockFn>(module, "GetExifBlock");
    into.GetJpegPreview = SymbolAs<SpiGetJpegPreviewFn>(module, "GetJpegPreview");
    into.GetThumbnail = SymbolAs<SpiGetThumbnailFn>(module, "GetThumbnail");
    into.GetPreview = module.Symbol("GetPreview");
    into.GetArchiveInfo = module.Symbol("GetArchiveInfo");
    into.GetFile = module.Symbol("GetFile");
    into.Module = std::move(module);
    return true;
}

bool SpiAccepts(const TSpiLibrary& library, const std::string& fileName)
{
    // A fresh descriptor per plug-in, so none sees another's file position. O_NONBLOCK
    // keeps a FIFO from stalling the viewer; it changes nothing for regular files.
    const int fd = ::open(fileName.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    const bool yes = library.IsSupported(fileName.c_str(), static_cast<intptr_t>(fd)) != 0;
    if (fd >= 0) ::close(fd);
    return yes;
}

std::vector<unsigned char> SpiExifBlock(const TSpiLibrary& library, const std::string& fileName)
{
    void* block = nullptr;
    intptr_t length = 0;
    if (!library.GetExifBlock || library.GetExifBlock(fileName.c_str(), &block, &length) != SPI_ALL_RIGHT)
        return {};
    return TakeBlock(block, length);
}

std::vector<unsigned char> SpiJpegPreview(const TSpiLibrary& library, const std::string& fileName, int which)
{
    void* block = nullptr;
    intptr_t length = 0;
    if (!library.GetJpegPreview || library.GetJpegPreview(fileName.c_str(), which, &block, &length) != SPI_ALL_RIGHT)
        return {};
    return TakeBlock(block, length);
}

std::string SpiFolderBeside(const std::string& executableFolder)
{
    if (executableFolder.empty()) return std::string();
    const std::string base = executableFolder.back() == '/' ? executableFolder : executableFolder + '/';
    for (const char* relative : {"plugins", "../lib/velumira/plugins"}) {
        struct stat st {};
        if (stat((base + relative).c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return base + relative;
    }
    return std::string();
}

const std::vector<std::shared_ptr<TSpiLibrary>>& ShippedSpiLibraries()
{
    static const std::vector<std::shared_ptr<TSpiLibrary>> libraries = [] {
        std::vector<std::shared_ptr<TSpiLibrary>> found;
        char self[4096];
        const ssize_t n = readlink("/proc/self/exe", self, sizeof self);
        if (n <= 0 || n >= ssize_t(sizeof self)) return found;
        std::string folder(self, static_cast<std::size_t>(n));
        folder = folder.substr(0, folder.rfind('/'));
        ForEachSpiFile(SpiFolderBeside(folder), [&](const std::string& path) {
            auto library = std::make_shared<TSpiLibrary>();
            if (OpenSpiLibrary(path, *library)) found.push_back(std::move(library));
        });
        return found;
    }();
    return libraries;
}

namespace {

std::mutex PublishedLock;
bool Published = false;
std::vector<std::shared_ptr<TSpiLibrary>> PublishedList;

} // namespace

void PublishSpiLibraries(std::vector<std::shared_ptr<TSpiLibrary>> libraries)
{
    std::lock_guard<std::mutex> lock(PublishedLock);
    PublishedList = std::move(libraries);
    Published = true;
}

std::vector<std::shared_ptr<TSpiLibrary>> PublishedSpiLibraries()
{
    {
        std::lock_guard<std::mutex> lock(PublishedLock);
        if (Published) return PublishedList;
    }
    return ShippedSpiLibraries();
}

std::shared_ptr<TSpiLibrary> SpiFor(const std::vector<std::shared_ptr<TSpiLibrary>>& libraries,
                                    const std::string& fileName)
{
    for (const auto& library : libraries)
        if (SpiAccepts(*library, fileName)) return library;
    return nullptr;
}
