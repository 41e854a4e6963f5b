#pragma once
// PEF-like files made in code: a TIFF chain at byte 0 whose third directory points at
// an embedded JPEG with the tags 0x0201 (offset) and 0x0202 (length).
#include <QByteArray>
#include <cstdint>
#include <optional>

struct PefSpec {
    bool BigEndian = false;
    int Directories = 3;                  // directories in the main chain
    QByteArray Preview;                   // the embedded JPEG
    bool DuplicateOffset = false;         // a first 0x0201 with a wrong value before the right one
    std::optional<uint32_t> Offset;       // overrides for the written values
    std::optional<uint32_t> Length;
    int TrailingBytes = 64;               // stand-in for the raw data after the preview
};

QByteArray BuildPef(const PefSpec& spec);

// A PEF-like file whose first directory carries a photo-like Exif block (IFD0 with its
// Exif sub-directory and PENTAX makernote), then a second directory, then the third
// that points at preview; afPoint is the makernote's selected AF point, when given.
QByteArray BuildPefWithExif(const QByteArray& preview, bool bigEndian, std::optional<uint16_t> afPoint = {});
