#pragma once
// The worker's job for one file: find the small JPEG inside it, decode it reduced,
// and collect the shooting texts.
#include "chooser/PictFileRead.h"

#include <cstddef>
#include <cstdint>
#include <vector>

class TExifRoot;
struct TMappedFile;

// Reduction (1, 2, 4 or 8) for a stored JPEG of width x height.
int ChooseReduction(int width, int height);

// Read from the file into a buffer of their own; empty for nothing.
using TJpegBytes = std::vector<unsigned char>;

// With a reader: the JPEG that tags 0x0201/0x0202 of its second directory point at,
// counted from base. Without one: the whole file (as far as its frame can need). Nothing
// when the bytes would lie outside the file or their read fails.
TJpegBytes ReadEmbeddedJpeg(const TExifRoot* reader, const TMappedFile& file, std::size_t base);

// Fills state's DecodedPicture and shooting texts from the file at path; true when a
// picture was decoded. Never throws.
bool ReadThumbSource(TReaderState& state, const QString& path, bool checkCancel);
