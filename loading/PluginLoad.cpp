#include "loading/PluginLoad.h"

#include "loading/JpegDecoder.h"
#include "loading/ShotSummary.h"
#include "platform/MemoryInfo.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace {

QString ExecutableFolder()
{
    if (QCoreApplication::instance()) return QCoreApplication::applicationDirPath();
    return QFileInfo(QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget()).absolutePath();
}

} // namespace

QString DefaultPluginFolder(const QString& executableFolder)
{
    if (executableFolder.isEmpty()) return QString();
    const QDir here(executableFolder);
    for (const QString& relative : {QStringLiteral("plugins"), QStringLiteral("../lib/velumira/plugins")}) {
        const QFileInfo candidate(here.filePath(relative));
        if (candidate.isDir()) return QDir::cleanPath(candidate.absoluteFilePath());
    }
    return QString();
}

QString DefaultPluginFolder()
{
    return DefaultPluginFolder(ExecutableFolder());
}

bool TryPluginLoad(TSpiHost* host, const QString& fileName, TBitmapMAGBase& picture)
{
    if (!host) return false;
    if (!host->BuiltinReader) host->BuiltinReader = ReadBmpFile;
    QImage image;
    TPixelFormat format = TPixelFormat::pfDevice;
    std::string info;
    std::vector<unsigned char> exif;
    try {
        if (!host->SelectPlugin(fileName)) return false;
        // As for JPEG files, the summary is known before the picture is decoded.
        exif = host->ExifBlock();
        info = TiffShotSummary(exif.data(), exif.size());
        const std::vector<unsigned char> preview = host->PicturePreview();
        if (!preview.empty()) {
            const QSize size = ReadJpegSize(preview.data(), preview.size());
            RefuseBeyondMemory(size.width(), size.height(), AvailableMemoryBytes());
            image = DecodeJpegBest(preview.data(), preview.size());
            format = TPixelFormat::pf24bit;
        }
    } catch (const std::bad_alloc&) {
        throw;
    } catch (...) {
        image = QImage();   // a preview that does not decode: the plug-in's own picture
    }
    if (image.isNull() && !TryPluginDecode(host, fileName, image, format)) return false;
    try {
        picture.Assign(std::move(image), format);
    } catch (...) {
        return false;
    }
    picture.FInfo = QString::fromStdString(info);
    // The AF areas are checked against the delivered picture's own size and shape.
    picture.ReadAfAreasFrom(exif.data(), exif.size());
    return true;
}
