#pragma once
// The one-line shooting summary of a JPEG file's Exif block.
#include <cstddef>
#include <string>

// Empty when the bytes hold no Exif block. ranPastEnd, when given, tells whether some
// value was missed only because it lay past the `length` bytes.
std::string JpegShotSummary(const unsigned char* data, std::size_t length, bool* ranPastEnd = nullptr);

// The summary of an Exif block that starts at its TIFF header (a plug-in's, a raw file's
// own structure); empty when the bytes hold no TIFF header.
std::string TiffShotSummary(const unsigned char* tiff, std::size_t length);
