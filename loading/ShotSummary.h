#pragma once
// The one-line shooting summary of a JPEG file's Exif block.
#include <QString>
#include <cstddef>

// Empty when the bytes hold no Exif block.
QString JpegShotSummary(const unsigned char* data, std::size_t length);
