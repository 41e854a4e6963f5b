#pragma once
// The worker's job for one file: find the small JPEG inside it, decode it reduced,
// and collect the shooting texts.
#include "chooser/PictFileRead.h"

#include <cstddef>
#include <cstdint>

class TExifRoot;
struct TMappedFile;

// Reduction (1, 2, 4 or 8) for a stored JPEG of width x height.
int ChooseReduction(int width, int height);

struct TJpegBytes {
    const unsigned char* Data = nullptr;   // inside the mapped view; nullptr for nothing
    std::size_t Length = 0;
};

// With a reader: the JPEG that tags 0x0201/0x0202 of its second directory point at,
// counted from base. Without one: the whole file. Nothing when the bytes would lie
// outside the file.
TJpegBytes ReadEmbeddedJpeg(const TExifRoot* reader, const TMappedFile& file, std::size_t base);

// Fills state's DecodedPicture and shooting texts from the file at path; true when a
// picture was decoded. Never throws.
bool ReadThumbSource(TReaderState& state, const QString& path, bool checkCancel);
