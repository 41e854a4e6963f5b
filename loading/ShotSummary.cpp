#include "loading/ShotSummary.h"

#include "exif/Exifana.h"

std::string JpegShotSummary(const unsigned char* data, std::size_t length, bool* ranPastEnd)
{
    if (ranPastEnd)
        *ranPastEnd = false;
    const unsigned char* tiff = FindExifBlock(data, length);
    if (tiff == nullptr)
        return std::string();
    TExifRootPENTAXistD reader;
    reader.Parse(tiff, length - static_cast<std::size_t>(tiff - data), 8);
    std::string text = MakeSummaryText(reader);
    if (ranPastEnd)
        *ranPastEnd = reader.RanPastEnd;
    return text;
}
