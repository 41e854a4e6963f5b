#include "loading/ShotSummary.h"

#include "exif/Exifana.h"

QString JpegShotSummary(const unsigned char* data, std::size_t length)
{
    const unsigned char* tiff = FindExifBlock(data, length);
    if (tiff == nullptr)
        return QString();
    TExifRootPENTAXistD reader;
    reader.Parse(tiff, length - static_cast<std::size_t>(tiff - data), 8);
    return QString::fromStdString(MakeSummaryText(reader));
}
