// Writes the fuzzers' seed corpora from the test fixture builders, so every corpus starts
// from well-formed files of each kind the parsers meet.
//   velumira-fuzz-seeds OUTPUT_FOLDER   (makes OUTPUT_FOLDER/exif, OUTPUT_FOLDER/pef)
#include "support/JpegBuilder.h"
#include "support/PefBuilder.h"
#include "support/TiffBuilder.h"

#include <QDir>
#include <QFile>
#include <QString>

#include <cstdio>

namespace {

bool Save(const QString& folder, const QString& name, const QByteArray& bytes)
{
    QDir().mkpath(folder);
    QFile f(folder + "/" + name);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_FOLDER\n", argv[0]);
        return 2;
    }
    const QString out = QString::fromLocal8Bit(argv[1]);
    using namespace JpegBuilder;
    const QByteArray preview = EncodePattern(64, 48);
    bool ok = true;

    for (bool big : {false, true}) {
        ExifSpec spec = PhotoLikeSpec();
        spec.order = big ? TiffBuilder::Motorola : TiffBuilder::Intel;
        const QByteArray tiff = ToQByteArray(BuildExifTiff(spec));
        const QString tag = big ? "mm" : "ii";
        ok &= Save(out + "/exif", "tiff-" + tag, tiff);
        ok &= Save(out + "/exif", "jpeg-" + tag, InsertApp1(preview, ExifBody(tiff)));
        ok &= Save(out + "/pef", "pef-exif-" + tag, BuildPefWithExif(preview, big));
        PefSpec pef;
        pef.BigEndian = big;
        pef.Preview = preview;
        ok &= Save(out + "/pef", "pef-plain-" + tag, BuildPef(pef));
    }
    if (!ok) {
        std::fprintf(stderr, "cannot write the seeds\n");
        return 1;
    }
    return 0;
}
