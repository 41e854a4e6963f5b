// Writes the fuzzers' seed corpora from the test fixture builders, so every corpus starts
// from well-formed files of each kind the parsers meet.
//   velumira-fuzz-seeds OUTPUT_FOLDER   (makes OUTPUT_FOLDER/exif, /pef, /bmp, /spi_dib and the
//   shipped plug-ins' /raw_spi, /heif_spi, /tiff_spi, /webp_spi)
#include "support/BmpBuilder.h"
#include "support/DngBuilder.h"
#include "support/JpegBuilder.h"
#include "support/PefBuilder.h"
#include "support/PictureWriters.h"
#include "support/TiffBuilder.h"

#include <QDir>
#include <QFile>
#include <QString>

#include <cstdio>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace {

bool Save(const QString& folder, const QString& name, const QByteArray& bytes)
{
    QDir().mkpath(folder);
    QFile f(folder + "/" + name);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// One small picture per depth, header kind and compression the BMP reader knows.
std::vector<std::pair<QString, BmpSpec>> BmpSeeds()
{
    const std::vector<QRgb> palette = {qRgb(0, 0, 0), qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255)};
    std::vector<std::pair<QString, BmpSpec>> seeds;
    auto add = [&](const QString& name, int bits, BmpSpec::Header kind, uint32_t compression = 0) {
        BmpSpec s;
        s.Width = 5;
        s.Height = 3;
        s.Bits = bits;
        s.HeaderKind = kind;
        s.Compression = compression;
        if (bits <= 8)
            s.Palette = palette;
        for (int i = 0; i < s.Width * s.Height; ++i)
            s.Pixels.push_back(bits <= 8 ? uint32_t(i % 4) : uint32_t(i * 0x10203));
        seeds.emplace_back(name, s);
        return &seeds.back().second;
    };
    for (int bits : {1, 4, 8, 16, 24, 32})
        add(QStringLiteral("info-%1").arg(bits), bits, BmpSpec::Info);
    add("core-8", 8, BmpSpec::Core);
    add("core-24", 24, BmpSpec::Core);
    add("info-24-topdown", 24, BmpSpec::Info)->TopDown = true;
    BmpSpec* s565 = add("info-16-565", 16, BmpSpec::Info, 3);
    s565->Masks[0] = 0xF800, s565->Masks[1] = 0x07E0, s565->Masks[2] = 0x001F;
    BmpSpec* v5 = add("v5-32-fields", 32, BmpSpec::V5, 3);
    v5->Masks[0] = 0x000000FF, v5->Masks[1] = 0x0000FF00, v5->Masks[2] = 0x00FF0000;
    add("v4-8", 8, BmpSpec::V4);
    // Runs, a literal run, a delta, line ends and the end mark.
    add("rle8", 8, BmpSpec::Info, 1)->RawData =
        QByteArray("\x03\x01\x00\x03\x02\x02\x01\x00\x00\x02\x01\x01\x00\x00\x05\x03\x00\x01", 18);
    add("rle4", 4, BmpSpec::Info, 2)->RawData = QByteArray("\x05\x12\x00\x00\x00\x03\x12\x30\x00\x01", 10);
    return seeds;
}

// A plug-in's answer as the DIB fuzzer reads it: the header block's length, the header block
// (the file's info header and colour table), the bits.
QByteArray DibSeed(const QByteArray& bmp)
{
    const auto offset = static_cast<uint32_t>(static_cast<unsigned char>(bmp[10]) | static_cast<unsigned char>(bmp[11]) << 8);
    const QByteArray header = bmp.mid(14, offset - 14);
    QByteArray seed;
    seed.append(char(header.size() & 0xFF)).append(char(header.size() >> 8));
    return seed + header + bmp.mid(offset);
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
    // A makernote of each maker whose AF areas are read, so the fuzzer starts inside them.
    using B = TiffBuilder;
    const auto note = [](const char* make, const char* model, std::string header, MakerNoteSpec::Base base,
                         std::function<void(B&, B::DirId)> fill) {
        MakerNoteSpec m;
        m.make = make;
        m.model = model;
        m.header = std::move(header);
        m.base = base;
        m.fill = std::move(fill);
        m.exifSize = {{3000, 2000}};
        return ToQByteArray(BuildMakerNoteTiff(m));
    };
    const std::pair<const char*, QByteArray> makers[] = {
        {"pentax", note("PENTAX Corporation", "PENTAX *ist D", std::string("AOC\0II", 6), MakerNoteSpec::Tiff,
                        [](B& b, B::DirId d) { b.AddShort(d, 0x000E, 3); b.AddLong(d, 0x003C, 0x00200020); })},
        {"canon", note("Canon", "Canon EOS 40D", "", MakerNoteSpec::Tiff, [](B& b, B::DirId d) {
             b.AddShorts(d, 0x0026, {0, 2, 1, 1, 300, 200, 300, 200, 10, 8, 5, 5, 1, 1});
         })},
        {"nikon", note("NIKON CORPORATION", "NIKON D200", std::string("Nikon\0\x02\x10\0\0", 10), MakerNoteSpec::OwnTiff,
                       [](B& b, B::DirId d) { b.AddBytes(d, 0x0088, B::Undefined, 4, {0, 3, 0, 1}); })},
        {"olympus", note("OLYMPUS IMAGING CORP.", "E-M1", std::string("OLYMPUS\0II\x03\0", 12), MakerNoteSpec::Note,
                         [](B& b, B::DirId d) {
                             const B::DirId settings = b.AddDirectory();
                             b.AddDirectoryPointer(d, 0x2020, settings);
                             b.AddBytes(settings, 0x0305, B::SRational, 5, Bytes(40, 1));
                         })},
        {"sony", note("SONY", "ILCE-7M3", std::string("SONY DSC \0\0\0", 12), MakerNoteSpec::Tiff,
                      [](B& b, B::DirId d) { b.AddShorts(d, 0x2027, {6000, 4000, 100, 200}); })},
        {"fujifilm", note("FUJIFILM", "X-T3", std::string("FUJIFILM\x0c\0\0\0", 12), MakerNoteSpec::Note,
                          [](B& b, B::DirId d) { b.AddShorts(d, 0x1023, {100, 200}); })},
        {"panasonic", note("Panasonic", "DC-G9", std::string("Panasonic\0\0\0", 12), MakerNoteSpec::Tiff,
                           [](B& b, B::DirId d) {
                               b.AddBytes(d, 0x004D, B::Rational, 2, {1, 0, 0, 0, 2, 0, 0, 0, 1, 0, 0, 0, 4, 0, 0, 0});
                           })},
    };
    for (const auto& [name, tiff] : makers)
        ok &= Save(out + "/exif", QString("af-") + name, tiff);
    for (const auto& [name, spec] : BmpSeeds()) {
        const QByteArray bmp = BuildBmp(spec);
        ok &= Save(out + "/bmp", name, bmp);
        // Plug-ins hand over plain or bit-field pixels after a header of 40 bytes or more.
        if (spec.HeaderKind != BmpSpec::Core && (spec.Compression == 0 || spec.Compression == 3))
            ok &= Save(out + "/spi_dib", name, DibSeed(bmp));
    }
    // The shipped plug-ins: a DNG with a full preview and one that is developed, a HEIC with
    // its turn, Exif and thumbnail (when HEVC can be encoded here), TIFF and WebP pictures.
    DngSpec dng;
    dng.Width = 32;
    dng.Height = 24;
    dng.SmallPreview = SolidJpeg(8, 6, Qt::blue);
    ok &= Save(out + "/raw_spi", "dng-developed", BuildDng(dng));
    dng.Preview = SolidJpeg(32, 24, Qt::red);
    ok &= Save(out + "/raw_spi", "dng-preview", BuildDng(dng));
    QImage picture(12, 8, QImage::Format_ARGB32);
    picture.fill(qRgba(200, 100, 50, 128));
    const QByteArray heic = WriteHeic(picture, true, BuildExifTiff(PhotoLikeSpec()));
    if (!heic.isEmpty())
        ok &= Save(out + "/heif_spi", "heic-turned", heic);
    ok &= Save(out + "/tiff_spi", "rgb8", WriteTiff(5, 3, 8, false, Qt::red));
    ok &= Save(out + "/tiff_spi", "rgb16", WriteTiff(5, 3, 16, false, Qt::green));
    ok &= Save(out + "/tiff_spi", "palette", WriteTiff(5, 3, 8, true, Qt::blue));
    ok &= Save(out + "/webp_spi", "alpha", WriteWebp(picture));
    ok &= Save(out + "/webp_spi", "opaque", WriteWebp(picture.convertToFormat(QImage::Format_RGB32)));
    if (!ok) {
        std::fprintf(stderr, "cannot write the seeds\n");
        return 1;
    }
    return 0;
}
