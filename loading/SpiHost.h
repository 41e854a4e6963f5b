#pragma once
// TSpiHost: loads the decoder plug-ins of one folder, picks the one that accepts a file and
// lets it decode into a working bitmap. One host per program, used on the UI thread only.
// The entry points' contract is loading/SpiContract.h and docs/plugins.md.
#include "loading/Bmpmagbase.h"
#include "loading/SpiContract.h"
#include "loading/SpiLibrary.h"

#include <QImage>
#include <QString>
#include <cstddef>
#include <functional>
#include <memory>
#include <vector>

// One loaded library. Whoever decodes with it holds it, so a rescan that drops it from the
// list closes the library only when the last holder lets go.
struct TSpiPlugin : TSpiLibrary {
    QString Path;   // library path as loaded
};
using TSpiPluginPtr = std::shared_ptr<TSpiPlugin>;

// Reads a built-in format (BMP data) into image and format; throws the reader's failures.
using TBuiltinReader = std::function<void(const QString& fileName, QImage& image, TPixelFormat& format)>;

class TSpiHost {
public:
    TSpiHost() = default;
    TSpiHost(const TSpiHost&) = delete;
    TSpiHost& operator=(const TSpiHost&) = delete;

    static constexpr int kMaxExtension = 31;

    // Builds the plug-in list from folder. A scan that accepts nothing keeps the earlier
    // list; one that accepts some replaces it, and the libraries nobody holds any more are
    // closed. An empty folder scans nothing (it does not mean the file-system root).
    void LoadPlugins(const QString& folder);
    // Remembers fileName and picks the plug-in for it; the four built-in extensions answer
    // yes without asking any plug-in.
    bool SelectPlugin(const QString& fileName);
    // Decodes CurrentFile into WorkBitmap (Format_RGB32, tag pfDevice). Answers no on every
    // reported failure and every malformed answer; frees every block the plug-in hands over.
    bool DecodeWithPlugin();
    void ReleaseWorkBitmap() { WorkBitmap.reset(); }
    // What the selected plug-in's optional exports give for CurrentFile; empty without them.
    std::vector<unsigned char> ExifBlock() const;
    std::vector<unsigned char> PicturePreview() const;

    // The list in use, in scan order.
    const std::vector<TSpiPluginPtr>& Plugins() const { return FPlugins; }
    // The plug-in that accepted CurrentFile, none until one has. The host holds it until
    // another one accepts a file, so a rescan between choosing and decoding does not close it.
    const TSpiPluginPtr& Selected() const { return FSelected; }
    // Decodes with plugin from now on without asking it (a decoder wired up by hand).
    void SetSelected(TSpiPluginPtr plugin) { FSelected = std::move(plugin); }

    QString Folder;                       // folder of the last scan
    QString CurrentFile;                  // file being loaded
    QString Extension;                    // upper-cased, dot included, at most 31 characters
    std::unique_ptr<QImage> WorkBitmap;   // receives a decoded picture; none when idle
    TPixelFormat WorkFormat = TPixelFormat::pfDevice;
    // The last DecodeWithPlugin answered no because the picture would need more memory than
    // the machine has available; nothing was decoded.
    bool RefusedForMemory = false;
    // Used for the built-in extensions; when unset those answer no and the loader's own
    // reader takes the file, which gives the same picture.
    TBuiltinReader BuiltinReader;

private:
    std::vector<TSpiPluginPtr> FPlugins;
    TSpiPluginPtr FSelected;
};

// The calls as the loader and the settings make them.
inline void LoadPlugins(TSpiHost& host, const QString& folder) { host.LoadPlugins(folder); }
inline bool SelectPlugin(TSpiHost& host, const QString& fileName) { return host.SelectPlugin(fileName); }
inline bool DecodeWithPlugin(TSpiHost& host) { return host.DecodeWithPlugin(); }
inline void ReleaseWorkBitmap(TSpiHost& host) { host.ReleaseWorkBitmap(); }

// Extension as the host keeps it: from the last dot after the last '/', upper-cased, cut to
// 31 characters.
QString SpiExtensionOf(const QString& fileName);

// The loader's plug-in branch without the picture class: select, decode, take over the
// working bitmap, release it. Any failure or exception gives false and leaves image as it
// was; true only when the picture was delivered. A picture whose decode would take more
// memory than the machine has available throws std::bad_alloc before it is decoded.
bool TryPluginDecode(TSpiHost* host, const QString& fileName, QImage& image, TPixelFormat& format);

// Converts a DIB (header block + bits block, as GetPicture returns them) of the expected
// size into target (Format_RGB32, width x height). The block sizes are what the blocks
// really hold; anything that does not fit them, or disagrees with width/height, is refused.
bool ConvertDibToImage(const void* header, std::size_t headerSize, const void* bits,
                       std::size_t bitsSize, int width, int height, QImage& target);

// Largest picture a plug-in may report, in pixels (1 GiB as Format_RGB32).
inline constexpr long long kSpiMaxPixels = 1LL << 28;

// Bytes a plug-in decode of width x height is taken to need at its peak: the viewer's
// picture, the plug-in's bitmap and the library's own working copy (a raw development
// holds four 16-bit samples a pixel).
inline long long SpiDecodeBytes(long long width, long long height) { return width * height * 16; }

// Throws std::bad_alloc when a decode of width x height would need more than `available`
// bytes (MemAvailable; unknown when negative).
void RefuseBeyondMemory(long long width, long long height, long long available);
