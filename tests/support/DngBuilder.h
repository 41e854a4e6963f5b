#pragma once
// DNG files made in code: IFD0 (with a photo-like Exif block) holding a small JPEG
// preview, a raw image (16-bit RGGB colour filter array, uncompressed) in a sub-directory,
// and, when given, a larger JPEG preview in a second sub-directory.
#include "support/TiffBuilder.h"

#include <QByteArray>
#include <QColor>

struct DngSpec {
    int Width = 64;            // the raw image (sensor) size
    int Height = 48;
    QByteArray SmallPreview;   // JPEG in IFD0
    QByteArray Preview;        // JPEG in a sub-directory; empty: none
    ExifSpec Exif = PhotoLikeSpec();
    // TIFF/EP style: exposure time, f-number, ISO and focal length of Exif in IFD0 instead
    // of an Exif directory.
    bool ShootingInFirstDirectory = false;
};

QByteArray BuildDng(const DngSpec& spec);

// A baseline JPEG of one colour.
QByteArray SolidJpeg(int width, int height, QColor colour);
