#pragma once
// The one-line shooting summary of a JPEG file's Exif block.
#include <cstddef>
#include <string>

// Empty when the bytes hold no Exif block. ranPastEnd, when given, tells whether some
// value was missed only because it lay past the `length` bytes.
std::string JpegShotSummary(const unsigned char* data, std::size_t length, bool* ranPastEnd = nullptr);
