#pragma once
// Windows BMP files made in code, at every depth the reader knows.
#include <QByteArray>
#include <QRgb>
#include <cstdint>
#include <vector>

struct BmpSpec {
    enum Header { Core = 12, Info = 40, V4 = 108, V5 = 124 };
    int Width = 1;
    int Height = 1;
    int Bits = 24;
    Header HeaderKind = Info;
    bool TopDown = false;
    uint32_t Compression = 0;          // 0 plain, 1 RLE8, 2 RLE4, 3 bit fields
    uint32_t Masks[3] = {0, 0, 0};     // red, green, blue (bit fields)
    std::vector<QRgb> Palette;         // written for 1/4/8 bits
    // Pixel values, rows from the top: palette indices, or the packed value at the
    // file's depth (24 bits: 0xRRGGBB).
    std::vector<uint32_t> Pixels;
    QByteArray RawData;                // used instead of Pixels when not empty (RLE)
};

QByteArray BuildBmp(const BmpSpec& spec);
