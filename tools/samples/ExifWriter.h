#pragma once
// Writes the big-endian TIFF structure of the sample set's Exif block, laid out as a
// PENTAX *ist D writes it: IFD0, the Exif directory with a PENTAX makernote, and IFD1
// with a small JPEG thumbnail.
#include <cstdint>
#include <string>
#include <vector>

struct SampleShot {
    uint32_t exposureNum, exposureDen;
    uint32_t fNumberNum, fNumberDen;
    uint32_t focalNum, focalDen;
    uint16_t focal35;
    uint16_t iso;
    int32_t biasNum, biasDen;
    uint16_t program, metering, flash, whiteBalance;
    uint16_t focusMode;
    uint16_t afPoint;              // the selected one of the 11 AF points, 1-11
    uint8_t lensGroup, lensNumber;
    std::string dateTime;          // "YYYY:MM:DD hh:mm:ss"
    uint32_t width, height;
};

// The TIFF bytes (to follow "Exif\0\0" in an APP1 segment).
std::vector<uint8_t> BuildSampleExif(const SampleShot& shot, const std::vector<uint8_t>& thumbnailJpeg);
