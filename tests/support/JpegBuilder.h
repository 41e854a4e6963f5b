#pragma once
// JPEG files made in code: encoded through libjpeg from a QImage or a generated
// pattern, with optional APP1 blocks, and cut or spoiled copies of them.
#include <QByteArray>
#include <QImage>

namespace JpegBuilder {

// A deterministic colour pattern (gradients and a few sharp edges), Format_RGB888.
QImage Pattern(int width, int height);

// Baseline JPEG of image (any format), 4:2:0 unless subsampling is false.
QByteArray Encode(const QImage& image, int quality = 90, bool subsampling = true,
                  bool progressive = false);
QByteArray EncodePattern(int width, int height, int quality = 90);
// A camera-like picture at quality 92: the pattern's smooth gradients with fine noise, so the
// entropy decoder has real work and edges have texture; each seed gives another file.
QByteArray EncodeCameraLike(int width, int height, unsigned int seed);

// Inserts the APP1 segment (FF E1, length, body) at byte position (2: right after SOI).
QByteArray InsertApp1(const QByteArray& jpeg, const QByteArray& body, int position = 2);
// The same for any segment with a length (FF marker, length, body).
QByteArray InsertSegment(const QByteArray& jpeg, unsigned char marker, const QByteArray& body,
                         int position = 2);
// "Exif\0\0" followed by tiff, as the body of an Exif APP1 segment.
QByteArray ExifBody(const QByteArray& tiff);

// The first length bytes.
QByteArray Cut(const QByteArray& bytes, int length);
// A copy with byte position replaced by value.
QByteArray Corrupt(const QByteArray& bytes, int position, unsigned char value);
// A copy whose frame header (SOF) promises width x height.
QByteArray WithFrameSize(const QByteArray& jpeg, int width, int height);

} // namespace JpegBuilder
