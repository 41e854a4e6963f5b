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

std::string TiffShotSummary(const unsigned char* tiff, std::size_t length)
{
    if (length < 8 || !((tiff[0] == 'I' && tiff[1] == 'I') || (tiff[0] == 'M' && tiff[1] == 'M')))
        return std::string();
    TExifRootPENTAXistD reader;
    reader.Parse(tiff, length, 8);
    return MakeSummaryText(reader);
}
