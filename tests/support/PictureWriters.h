#pragma once
// Pictures in the formats of the shipped plug-ins, written in code with each format's own
// library: HEIC (libheif's HEVC encoder), TIFF (libtiff), WebP (libwebp).
#include "support/TiffBuilder.h"

#include <QByteArray>
#include <QColor>
#include <QImage>

// A HEIC of picture, stored turned a quarter right when `turned` (the file holds the
// picture as given and says to turn it), with an Exif item when exif is not empty and a
// 16-pixel thumbnail. Empty when this libheif cannot encode HEVC.
QByteArray WriteHeic(const QImage& picture, bool turned, const Bytes& exif);

// A TIFF of one colour: RGB at 8 or 16 bits a sample, or a palette picture.
QByteArray WriteTiff(int width, int height, int bits, bool palette, QColor colour);

// A lossless WebP, with its alpha channel when the picture has one.
QByteArray WriteWebp(const QImage& picture);
