#include "loading/ShotSummary.h"

#include "exif/Exifana.h"

QString JpegShotSummary(const unsigned char* data, std::size_t length, bool* ranPastEnd)
{
    if (ranPastEnd)
        *ranPastEnd = false;
    const unsigned char* tiff = FindExifBlock(data, length);
    if (tiff == nullptr)
        return QString();
    TExifRootPENTAXistD reader;
    reader.Parse(tiff, length - static_cast<std::size_t>(tiff - data), 8);
    QString text = QString::fromStdString(MakeSummaryText(reader));
    if (ranPastEnd)
        *ranPastEnd = reader.RanPastEnd;
    return text;
}
