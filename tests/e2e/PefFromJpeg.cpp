// Wraps a JPEG into a generated PEF-like file (the JPEG as its preview, a photo-like Exif
// block with a PENTAX makernote in front) for the README screenshots.
//   velumira-pef-sample <in.jpg> <out.pef>
#include "support/PefBuilder.h"

#include <QFile>
#include <cstdio>

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
    const QByteArray pef = BuildPefWithExif(in.readAll(), true);
    QFile out(QString::fromLocal8Bit(argv[2]));
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate) || out.write(pef) != pef.size()) {
        std::fprintf(stderr, "cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
