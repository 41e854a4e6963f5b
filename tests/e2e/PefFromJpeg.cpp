// Wraps a JPEG into a generated PEF-like file for the README screenshots, laid out as a
// camera lays out its raw file: a photo-like Exif block with a PENTAX makernote first, a
// small thumbnail JPEG in the second directory (the chooser's), the given JPEG as the
// preview in the third (the viewer's).
//   velumira-pef-sample <in.jpg> <out.pef>
#include "support/JpegBuilder.h"
#include "support/TiffBuilder.h"

#include <QFile>
#include <QImage>
#include <cstdio>

namespace {

void AddJpeg(TiffBuilder& b, TiffBuilder::DirId dir, const QByteArray& jpeg)
{
    b.AddBlobPointer(dir, 0x0201, b.AddBlob(FromQByteArray(jpeg)));
    b.AddLong(dir, 0x0202, static_cast<uint32_t>(jpeg.size()));
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s <in.jpg> <out.pef>\n", argv[0]);
        return 2;
    }
    QFile in(QString::fromLocal8Bit(argv[1]));
    if (!in.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "cannot read %s\n", argv[1]);
        return 1;
    }
    const QByteArray preview = in.readAll();
    const QImage picture = QImage::fromData(preview);
    if (picture.isNull()) {
        std::fprintf(stderr, "%s is not a picture\n", argv[1]);
        return 1;
    }
    const QByteArray thumbnail =
        JpegBuilder::Encode(picture.scaled(160, 120, Qt::KeepAspectRatio, Qt::SmoothTransformation), 85);

    ExifSpec spec = PhotoLikeSpec();
    spec.order = TiffBuilder::Motorola;
    TiffBuilder b(spec.order);
    AddExifSpec(b, spec);
    AddJpeg(b, b.AddChainDirectory(), thumbnail);
    AddJpeg(b, b.AddChainDirectory(), preview);
    const QByteArray pef = ToQByteArray(b.Build());

    QFile out(QString::fromLocal8Bit(argv[2]));
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate) || out.write(pef) != pef.size()) {
        std::fprintf(stderr, "cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
