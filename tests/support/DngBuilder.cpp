#include "support/DngBuilder.h"

#include "support/JpegBuilder.h"

#include <QImage>

namespace {

// A JPEG preview directory: new-style JPEG compression, RGB, one strip.
void AddJpegImage(TiffBuilder& b, TiffBuilder::DirId dir, const QByteArray& jpeg, int width, int height)
{
    b.AddLong(dir, 0x00FE, 1);   // reduced-resolution image
    b.AddLong(dir, 0x0100, uint32_t(width));
    b.AddLong(dir, 0x0101, uint32_t(height));
    b.AddShorts(dir, 0x0102, {8, 8, 8});
    b.AddShort(dir, 0x0103, 7);
    b.AddShort(dir, 0x0106, 6);
    b.AddBlobPointer(dir, 0x0111, b.AddBlob(FromQByteArray(jpeg)));
    b.AddShort(dir, 0x0115, 3);
    b.AddLong(dir, 0x0116, uint32_t(height));
    b.AddLong(dir, 0x0117, uint32_t(jpeg.size()));
}

} // namespace

QByteArray SolidJpeg(int width, int height, QColor colour)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(colour);
    return JpegBuilder::Encode(image, 95);
}

QByteArray BuildDng(const DngSpec& spec)
{
    TiffBuilder b;
    ExifSpec exif = spec.Exif;
    const ExifDirIds ids = AddExifSpec(b, exif);
    const QImage small = QImage::fromData(spec.SmallPreview, "JPEG");
    AddJpegImage(b, ids.ifd0, spec.SmallPreview, small.width(), small.height());
    b.AddAscii(ids.ifd0, 0x010F, "PENTAX");
    if (spec.ShootingInFirstDirectory) {
        const ExifSpec& v = spec.Exif;
        if (v.exposure) b.AddRational(ids.ifd0, 0x829A, v.exposure->n, v.exposure->d);
        if (v.fnumber) b.AddRational(ids.ifd0, 0x829D, v.fnumber->n, v.fnumber->d);
        if (v.iso) b.AddShort(ids.ifd0, 0x8827, *v.iso);
        if (v.focal) b.AddRational(ids.ifd0, 0x920A, v.focal->n, v.focal->d);
    }
    b.AddBytes(ids.ifd0, 50706, TiffBuilder::Byte, 4, {1, 4, 0, 0});   // DNG version
    b.AddAscii(ids.ifd0, 50708, exif.model.value_or("Test camera"));
    // sRGB-like colour matrix (XYZ to camera) and daylight as shot.
    const int32_t matrix[9] = {3240, -1537, -499, -969, 1876, 42, 56, -204, 1057};
    Bytes colour;
    for (int32_t v : matrix) {
        const Bytes n = b.Encode32(uint32_t(v)), d = b.Encode32(1000);
        colour.insert(colour.end(), n.begin(), n.end());
        colour.insert(colour.end(), d.begin(), d.end());
    }
    b.AddBytes(ids.ifd0, 50721, TiffBuilder::SRational, 9, colour);
    b.AddShort(ids.ifd0, 50778, 21);
    Bytes neutral;
    for (int i = 0; i < 3; ++i) {
        const Bytes n = b.Encode32(1), d = b.Encode32(1);
        neutral.insert(neutral.end(), n.begin(), n.end());
        neutral.insert(neutral.end(), d.begin(), d.end());
    }
    b.AddBytes(ids.ifd0, 50728, TiffBuilder::Rational, 3, neutral);

    // The raw image: a mid-grey scene with some structure, 12 bits in 16.
    const TiffBuilder::DirId raw = b.AddDirectory();
    Bytes samples;
    for (int y = 0; y < spec.Height; ++y)
        for (int x = 0; x < spec.Width; ++x) {
            const Bytes v = b.Encode16(uint16_t(1000 + ((x / 8 + y / 8) % 2) * 2000));
            samples.insert(samples.end(), v.begin(), v.begin() + 2);
        }
    b.AddLong(raw, 0x00FE, 0);
    b.AddLong(raw, 0x0100, uint32_t(spec.Width));
    b.AddLong(raw, 0x0101, uint32_t(spec.Height));
    b.AddShort(raw, 0x0102, 16);
    b.AddShort(raw, 0x0103, 1);
    b.AddShort(raw, 0x0106, 32803);
    b.AddBlobPointer(raw, 0x0111, b.AddBlob(samples));
    b.AddShort(raw, 0x0115, 1);
    b.AddLong(raw, 0x0116, uint32_t(spec.Height));
    b.AddLong(raw, 0x0117, uint32_t(samples.size()));
    b.AddShort(raw, 0x011C, 1);
    b.AddShorts(raw, 33421, {2, 2});
    b.AddBytes(raw, 33422, TiffBuilder::Byte, 4, {0, 1, 1, 2});
    b.AddShort(raw, 50714, 0);
    b.AddShort(raw, 50717, 4095);

    // One SubIFDs entry per sub-directory: readers take every such entry in turn.
    b.AddDirectoryPointer(ids.ifd0, 0x014A, raw);
    if (!spec.Preview.isEmpty()) {
        const TiffBuilder::DirId preview = b.AddDirectory();
        const QImage big = QImage::fromData(spec.Preview, "JPEG");
        AddJpegImage(b, preview, spec.Preview, big.width(), big.height());
        b.AddDirectoryPointer(ids.ifd0, 0x014A, preview);
    }
    return ToQByteArray(b.Build());
}
