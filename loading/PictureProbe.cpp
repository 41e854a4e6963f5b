#include "loading/PictureProbe.h"

#include "loading/BmpReader.h"
#include "loading/JpegDecoder.h"
#include "loading/JpegFile.h"
#include "loading/PefPreview.h"
#include "loading/PictureName.h"
#include "loading/ShotSummary.h"
#include "loading/SpiLibrary.h"

#include <cstdlib>
#include <cstring>

namespace {

// What the viewer's plug-in branch would show: the JPEG preview that stands for the picture
// (its frame size) or the size the plug-in reports, and the summary of its Exif block.
bool ProbeWithPlugin(const std::string& fileName, TPictureProbe& probe)
{
    const std::shared_ptr<TSpiLibrary> library = SpiFor(ShippedSpiLibraries(), fileName);
    if (!library)
        return false;
    const std::vector<unsigned char> preview = SpiJpegPreview(*library, fileName, SPI_PREVIEW_PICTURE);
    if (!preview.empty()) {
        try {
            probe.Size = ReadJpegSize(preview.data(), preview.size());
            probe.PixelFormat = TPixelFormat::pf24bit;
        } catch (const std::exception&) {
            probe.Size = QSize(0, 0);
        }
    }
    if (probe.Size.isEmpty()) {
        SpiPictureInfo info;
        std::memset(&info, 0, sizeof info);
        if (!library->GetPictureInfo || library->GetPictureInfo(fileName.c_str(), 0, SPI_INPUT_FILE, &info) != 0)
            return false;
        std::free(info.hInfo);
        if (info.width <= 0 || info.height <= 0)
            return false;
        probe.Size = QSize(info.width, info.height);
        probe.PixelFormat = TPixelFormat::pfDevice;
    }
    const std::vector<unsigned char> exif = SpiExifBlock(*library, fileName);
    probe.Info = TiffShotSummary(exif.data(), exif.size());
    return true;
}

} // namespace

TPictureProbe ProbePictureFile(const std::string& fileName)
{
    TPictureProbe probe;
    switch (ClassifyPicture(fileName)) {
    case TPictureType::Jpeg:
        ProbeJpegFile(fileName, probe.Size, probe.Info);
        break;
    case TPictureType::Pef:
        ProbePefFile(fileName, probe.Size, probe.Info);
        break;
    case TPictureType::Camera:
    case TPictureType::Shipped:
    case TPictureType::Plugin:
    case TPictureType::None:
        // The shipped plug-ins are loaded at the first such file, never for JPEG alone.
        if (ProbeWithPlugin(fileName, probe))
            break;
        [[fallthrough]];
    case TPictureType::Bmp:
        probe.Size = ReadBmpFileSize(fileName, probe.PixelFormat);
        break;
    }
    return probe;
}
