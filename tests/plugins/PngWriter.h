#pragma once
// Writes PNG files in code through libpng, in any colour type, depth and interlacing.
#include <QByteArray>

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

struct PngSpec {
    int width = 1;
    int height = 1;
    int colourType = 0;      // PNG_COLOR_TYPE_*
    int bitDepth = 8;
    bool interlaced = false;
    std::vector<std::array<uint8_t, 3>> palette;        // RGB entries
    std::vector<uint8_t> paletteAlpha;                  // tRNS of a palette picture
    std::optional<std::array<uint16_t, 3>> transparent; // tRNS of grey (first value) or RGB
    // Samples of the pixel at (x, y) at the file's depth: grey; grey, alpha; index; RGB; RGBA.
    std::function<std::vector<uint16_t>(int x, int y)> sample;
};

int PngChannels(int colourType);

// The PNG file; empty when libpng refused the description.
QByteArray WritePng(const PngSpec& spec);
