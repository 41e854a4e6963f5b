#pragma once
// The decoder plug-ins as plain entry points, without Qt: the viewer's host, the chooser's
// reader and velumira-info open them the same way. Paths are bytes (UTF-8).
#include "loading/SpiContract.h"

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <vector>

// Owns one dlopen handle; dlclose on destruction.
class TSpiModule {
public:
    explicit TSpiModule(void* handle = nullptr) : FHandle(handle) {}
    ~TSpiModule();
    TSpiModule(TSpiModule&& other) noexcept : FHandle(other.FHandle) { other.FHandle = nullptr; }
    TSpiModule& operator=(TSpiModule&& other) noexcept;
    TSpiModule(const TSpiModule&) = delete;
    TSpiModule& operator=(const TSpiModule&) = delete;

    void* Handle() const { return FHandle; }
    void* Symbol(const char* name) const;

private:
    void* FHandle;
};

// One loaded library and its entry points; the optional ones may be null.
struct TSpiLibrary {
    TSpiModule Module;
    SpiIsSupportedFn IsSupported = nullptr;
    SpiGetPictureInfoFn GetPictureInfo = nullptr;   // may be missing
    SpiGetPictureFn GetPicture = nullptr;
    SpiGetExifBlockFn GetExifBlock = nullptr;
    SpiGetJpegPreviewFn GetJpegPreview = nullptr;
    SpiGetThumbnailFn GetThumbnail = nullptr;
    void* GetPreview = nullptr;                     // looked up, never called
    void* GetArchiveInfo = nullptr;
    void* GetFile = nullptr;
};

// Calls found(path) for every regular file of folder whose name ends in ".spi" (any case),
// in the order the directory lists them. An empty folder lists nothing.
void ForEachSpiFile(const std::string& folder, const std::function<void(const std::string& path)>& found);

// Loads the library at path into into; false (nothing kept) when it does not load or lacks
// IsSupported or GetPicture.
bool OpenSpiLibrary(const std::string& path, TSpiLibrary& into);

// Asks library whether it takes the file, on a fresh read-only descriptor as the contract says.
bool SpiAccepts(const TSpiLibrary& library, const std::string& fileName);

// The blocks the optional exports hand over, checked against the sizes malloc gave them;
// empty when the export is missing, fails or hands over nothing usable.
std::vector<unsigned char> SpiExifBlock(const TSpiLibrary& library, const std::string& fileName);
std::vector<unsigned char> SpiJpegPreview(const TSpiLibrary& library, const std::string& fileName, int which);

// The plug-in folder beside a program in executableFolder: "plugins" (build tree), else
// "../lib/velumira/plugins" (installed); empty when neither is a folder.
std::string SpiFolderBeside(const std::string& executableFolder);

// The libraries of the shipped plug-in folder beside this program, loaded at the first call
// (from any thread) and kept to the end; none when there is no such folder.
const std::vector<std::shared_ptr<TSpiLibrary>>& ShippedSpiLibraries();

// The list the viewer's host scanned last, for readers on other threads (the chooser's).
// Before any scan: the shipped libraries.
void PublishSpiLibraries(std::vector<std::shared_ptr<TSpiLibrary>> libraries);
std::vector<std::shared_ptr<TSpiLibrary>> PublishedSpiLibraries();
// The first of libraries that accepts the file; null when none does.
std::shared_ptr<TSpiLibrary> SpiFor(const std::vector<std::shared_ptr<TSpiLibrary>>& libraries,
                                    const std::string& fileName);
