#pragma once
// The built-in bitmap reader: Windows BMP files at their own bit depth.
#include "loading/Bmpmagbase.h"

#include <QImage>
#include <QSize>
#include <QString>
#include <cstddef>
#include <string>

// Reads fileName into image/format. A file of length 0 gives an empty picture.
// Throws EFOpenError ("ファイル %s は開けません") or EInvalidGraphic ("ビットマップイメージが不正です").
void ReadBmpFile(const QString& fileName, QImage& image, TPixelFormat& format);

// Header-only read of a file (the path's bytes): size and format tag, same failures as
// ReadBmpFile.
QSize ReadBmpFileSize(const std::string& fileName, TPixelFormat& format);

// The same over bytes in memory (size 0: empty picture).
void ReadBmpData(const unsigned char* data, std::size_t size, QImage& image, TPixelFormat& format);

// Size and format tag from the headers alone (validated as for reading); throws as above.
QSize ReadBmpSize(const unsigned char* data, std::size_t size, TPixelFormat* format = nullptr);

// Invalid-bitmap error with the reader's message.
[[noreturn]] void ThrowInvalidBitmap();
