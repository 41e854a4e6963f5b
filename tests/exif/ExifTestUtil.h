#pragma once
#include "exif/Exifana.h"
#include "support/TiffBuilder.h"

#include <cstring>
#include <memory>
#include <optional>
#include <string>

// Bytes and the reader that points into them, kept together and never moved.
struct ParsedBlock {
    explicit ParsedBlock(Bytes b, int maxDirectories = 8) : bytes(std::move(b))
    {
        reader.Parse(bytes.data(), bytes.size(), maxDirectories);
    }
    ParsedBlock(const ParsedBlock&) = delete;
    ParsedBlock& operator=(const ParsedBlock&) = delete;
    Bytes bytes;
    TExifRootPENTAXistD reader;
};

inline std::unique_ptr<ParsedBlock> ParseBytes(const Bytes& bytes, int maxDirectories = 8)
{
    return std::make_unique<ParsedBlock>(bytes, maxDirectories);
}

inline std::unique_ptr<ParsedBlock> ParseSpec(const ExifSpec& spec)
{
    return ParseBytes(BuildExifTiff(spec));
}

using Getter = bool (TExifRoot::*)(char*) const;

// The getter's text, or nullopt when it reports the value absent.
inline std::optional<std::string> Text(const TExifRoot& reader, Getter getter)
{
    char buf[256];
    std::memset(buf, 0x5A, sizeof buf);
    if (!(reader.*getter)(buf))
        return std::nullopt;
    return std::string(buf);
}
