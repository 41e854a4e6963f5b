// The AF areas of every maker read, from makernotes built in code: layouts, scaling, points
// in focus, a frame of another shape and malformed entries.
#include "exif/AfAreas.h"
#include "support/TiffBuilder.h"

#include <gtest/gtest.h>

namespace {

using B = TiffBuilder;
using Fill = std::function<void(B&, B::DirId)>;

MakerNoteSpec Note(std::string make, std::string model, std::string header, MakerNoteSpec::Base base, Fill fill)
{
    MakerNoteSpec s;
    s.make = std::move(make);
    s.model = std::move(model);
    s.header = std::move(header);
    s.base = base;
    s.fill = std::move(fill);
    return s;
}

MakerNoteSpec Pentax(const std::string& model, Fill fill)
{
    return Note("PENTAX Corporation", model, std::string("AOC\0II", 6), MakerNoteSpec::Tiff, std::move(fill));
}

// Canon's AFInfo2 over three points of 100 x 80 in a 3000 x 2000 AF image: x -600, 0, 600;
// y 300, 0, 0; `focus` and `selected` bit masks; `cut` values left off the end.
Fill CanonAf(uint16_t focus, uint16_t selected, int cut = 0, uint16_t type = B::Short)
{
    return [=](B& b, B::DirId d) {
        std::vector<uint16_t> v = {0, 2, 3, 3, 3000, 2000, 3000, 2000, 100, 100, 100, 80, 80, 80,
                                   uint16_t(-600), 0, 600, 300, 0, 0, focus, selected};
        v.resize(v.size() - cut);
        Bytes bytes;
        for (uint16_t x : v) {
            const Bytes e = b.Encode16(x);
            bytes.insert(bytes.end(), e.begin(), e.end());
        }
        b.AddBytes(d, 0x0026, type, uint32_t(type == B::Short ? v.size() : v.size() / 2), bytes);
    };
}

MakerNoteSpec Canon(const std::string& model, Fill fill)
{
    return Note("Canon", model, "", MakerNoteSpec::Tiff, std::move(fill));
}

// Nikon's AFInfo2 of a version whose AF image, centre and size of the area begin at `at`.
Fill NikonAf2(std::string version, std::size_t at, std::vector<uint16_t> values)
{
    return [=](B& b, B::DirId d) {
        Bytes bytes(version.begin(), version.end());
        bytes.push_back(1);
        bytes.resize(at, 0);
        for (uint16_t x : values) {
            const Bytes e = b.Encode16(x);
            bytes.insert(bytes.end(), e.begin(), e.end());
        }
        bytes.resize(at + 14, 0);
        b.AddBytes(d, 0x00B7, B::Undefined, uint32_t(bytes.size()), bytes);
    };
}

MakerNoteSpec Nikon(const std::string& model, Fill fill)
{
    return Note("NIKON CORPORATION", model, std::string("Nikon\0\x02\x10\0\0", 10), MakerNoteSpec::OwnTiff,
                std::move(fill));
}

// Olympus' camera settings directory holding AFPointSelected (an unused value, then x1 y1 x2 y2
// in hundredths).
Fill OlympusAf(std::vector<int32_t> hundredths, uint16_t type = B::SRational)
{
    return [=](B& b, B::DirId d) {
        const B::DirId settings = b.AddDirectory();
        b.AddDirectoryPointer(d, 0x2020, settings);
        Bytes bytes(8, 0);
        for (int32_t x : hundredths) {
            for (uint32_t part : {uint32_t(x), 100u}) {
                const Bytes e = b.Encode32(part);
                bytes.insert(bytes.end(), e.begin(), e.end());
            }
        }
        b.AddBytes(settings, 0x0305, type, uint32_t(bytes.size() / 8), bytes);
    };
}

Fill Shorts(uint16_t tag, std::vector<uint16_t> values)
{
    return [=](B& b, B::DirId d) { b.AddShorts(d, tag, values); };
}

MakerNoteSpec Sony(Fill fill)
{
    return Note("SONY", "ILCE-7M3", std::string("SONY DSC \0\0\0", 12), MakerNoteSpec::Tiff, std::move(fill));
}

MakerNoteSpec Panasonic(uint32_t xn, uint32_t yn, uint32_t d)
{
    return Note("Panasonic", "DC-G9", std::string("Panasonic\0\0\0", 12), MakerNoteSpec::Tiff, [=](B& b, B::DirId n) {
        Bytes bytes;
        for (uint32_t v : {xn, d, yn, d}) {
            const Bytes e = b.Encode32(v);
            bytes.insert(bytes.end(), e.begin(), e.end());
        }
        b.AddBytes(n, 0x004D, B::Rational, 2, bytes);
    });
}

MakerNoteSpec WithExifSize(MakerNoteSpec s, uint32_t w, uint32_t h)
{
    s.exifSize = {{w, h}};
    return s;
}

MakerNoteSpec InOrder(MakerNoteSpec s, B::Order order)
{
    s.order = order;
    return s;
}

struct Case {
    const char* name;
    MakerNoteSpec spec;
    int width, height;
    std::vector<TAfArea> expected;
};

TEST(AfAreas, EveryMakerFromItsMakernote)
{
    // A 3000 x 2000 picture: a point becomes a square of 100 (5 % of 2000).
    const TAfArea centre{1450, 950, 100, 100};
    const std::string fuji = std::string("FUJIFILM\x0c\0\0\0", 12);
    const Case cases[] = {
        {"pentax 11-point selected", Pentax("PENTAX *ist D", Shorts(0x000E, {1})), 3000, 2000, {{1090, 670, 100, 100}}},
        {"pentax Fixed Center", Pentax("PENTAX K10D", Shorts(0x000E, {0xFFFE})), 3000, 2000, {centre}},
        {"pentax 9-point Center, Auto selected", Pentax("PENTAX *ist DS", [](B& b, B::DirId d) {
             b.AddShort(d, 0x000E, 0xFFFF);
             b.AddShort(d, 0x000F, 5);
         }), 3000, 2000, {centre}},
        {"pentax *ist D points in focus", Pentax("PENTAX *ist D", [](B& b, B::DirId d) {
             b.AddLong(d, 0x003C, 0x07FF0000u | (1u << 5) | (1u << 7));
         }), 3000, 2000, {centre, {2050, 950, 100, 100}}},
        {"pentax big-endian", InOrder(Note("PENTAX Corporation", "PENTAX *ist D", std::string("AOC\0MM", 6),
                                           MakerNoteSpec::Tiff, Shorts(0x000E, {6})), B::Motorola),
         3000, 2000, {centre}},
        {"pentax preview a little off the Exif frame", WithExifSize(Pentax("PENTAX *ist D", Shorts(0x000E, {6})), 3008, 2008),
         3000, 2000, {centre}},
        {"pentax frame of another shape", WithExifSize(Pentax("PENTAX *ist D", Shorts(0x000E, {6})), 3000, 2000),
         2000, 2000, {}},
        {"pentax K-3 layout is not the 11-point one", Pentax("PENTAX K-3", Shorts(0x000E, {6})), 3000, 2000, {}},
        {"pentax point out of range", Pentax("PENTAX *ist D", Shorts(0x000E, {12})), 3000, 2000, {}},
        {"pentax wrong type", Pentax("PENTAX *ist D", [](B& b, B::DirId d) { b.AddLong(d, 0x000E, 6); }), 3000, 2000, {}},
        {"canon EOS selected, then in focus, y upwards", Canon("Canon EOS 40D", CanonAf(0b001, 0b010)), 3000, 2000,
         {{1450, 960, 100, 80}, {850, 660, 100, 80}}},
        {"canon scaled to a smaller picture", Canon("Canon EOS 40D", CanonAf(0b001, 0b010)), 1500, 1000,
         {{725, 480, 50, 40}, {425, 330, 50, 40}}},
        {"canon PowerShot y downwards", Canon("Canon PowerShot G9", CanonAf(0b001, 0, 1)), 3000, 2000,
         {{850, 1260, 100, 80}}},
        {"canon frame of another shape", Canon("Canon EOS 40D", CanonAf(0b001, 0)), 2000, 2000, {}},
        {"canon short value", Canon("Canon EOS 40D", CanonAf(0b001, 0b010, 2)), 3000, 2000, {}},
        {"canon wrong type", Canon("Canon EOS 40D", CanonAf(0b001, 0b010, 0, B::Long)), 3000, 2000, {}},
        {"nikon AF area scaled", Nikon("NIKON D90", NikonAf2("0100", 0x10, {3000, 2000, 2000, 500, 200, 100})),
         1500, 1000, {{950, 225, 100, 50}}},
        {"nikon Z 9 AF area", Nikon("NIKON Z 9", NikonAf2("0400", 0x3E, {3000, 2000, 1500, 1000, 0, 0})), 3000, 2000,
         {centre}},
        {"nikon 11-point selected and in focus", Nikon("NIKON D200", [](B& b, B::DirId d) {
             b.AddBytes(d, 0x0088, B::Undefined, 4, {0, 9, 0x00, 0x01});
         }), 3000, 2000, {{670, 950, 100, 100}, centre}},
        {"nikon 11-point in AFInfo2: primary upper-left, far right used", Nikon("NIKON D3100", [](B& b, B::DirId d) {
             Bytes af2 = {'0', '1', '0', '0', 0, 1, 2, 5, 0x00, 0x04};
             af2.resize(30, 0);
             b.AddBytes(d, 0x00B7, B::Undefined, uint32_t(af2.size()), af2);
         }), 3000, 2000, {{1060, 710, 100, 100}, {2230, 950, 100, 100}}},
        {"nikon point out of range", Nikon("NIKON D200", [](B& b, B::DirId d) {
             b.AddBytes(d, 0x0088, B::Undefined, 4, {0, 12, 0, 0});
         }), 3000, 2000, {}},
        {"olympus area as fractions", Note("OLYMPUS IMAGING CORP.", "E-M1", std::string("OLYMPUS\0II\x03\0", 12),
                                           MakerNoteSpec::Note, OlympusAf({40, 30, 50, 45})),
         3000, 2000, {{1200, 600, 300, 300}}},
        {"om system point", Note("OM Digital Solutions", "OM-1", std::string("OM SYSTEM\0\0\0II\x04\0", 16),
                                 MakerNoteSpec::Note, OlympusAf({50, 50, 50, 50})),
         3000, 2000, {centre}},
        {"olympus corner out of range", Note("OLYMPUS IMAGING CORP.", "E-M1", std::string("OLYMPUS\0II\x03\0", 12),
                                             MakerNoteSpec::Note, OlympusAf({40, 30, 150, 45})), 3000, 2000, {}},
        {"olympus wrong type", Note("OLYMPUS IMAGING CORP.", "E-M1", std::string("OLYMPUS\0II\x03\0", 12),
                                    MakerNoteSpec::Note, OlympusAf({40, 30, 50, 45}, B::Rational)), 3000, 2000, {}},
        {"sony focus frame scaled", Sony([](B& b, B::DirId d) {
             b.AddShorts(d, 0x2027, {6000, 4000, 4500, 1000});
             b.AddShorts(d, 0x2037, {400, 200, 257});
         }), 3000, 2000, {{2150, 450, 200, 100}}},
        {"sony point", Sony(Shorts(0x2027, {6000, 4000, 3000, 2000})), 3000, 2000, {centre}},
        {"sony panorama records no frame", Sony(Shorts(0x2027, {0, 0, 0, 0})), 3000, 2000, {}},
        {"sony short value", Sony(Shorts(0x2027, {6000, 4000, 3000})), 3000, 2000, {}},
        {"fujifilm focus pixel scaled", WithExifSize(Note("FUJIFILM", "X-T3", fuji, MakerNoteSpec::Note,
                                                          Shorts(0x1023, {1000, 700})), 3000, 2000),
         1500, 1000, {{475, 325, 50, 50}}},
        {"fujifilm pixel outside the picture", Note("FUJIFILM", "X-T3", fuji, MakerNoteSpec::Note,
                                                    Shorts(0x1023, {3000, 700})), 3000, 2000, {}},
        {"panasonic point position", Panasonic(1, 3, 4), 3000, 2000, {{700, 1450, 100, 100}}},
        {"panasonic none", Panasonic(16777216, 16777216, 1), 3000, 2000, {}},
        {"panasonic zero denominator", Panasonic(1, 1, 0), 3000, 2000, {}},
        {"unknown maker", Note("Nobody", "X", "", MakerNoteSpec::Tiff, Shorts(0x000E, {6})), 3000, 2000, {}},
    };
    for (const Case& c : cases) {
        const Bytes tiff = BuildMakerNoteTiff(c.spec);
        EXPECT_EQ(AfAreasText(ReadAfAreas(tiff.data(), tiff.size(), c.width, c.height)), AfAreasText(c.expected))
            << c.name;
        // Cut anywhere, the same bytes give a subset or nothing, and never a read outside.
        for (std::size_t cut = 0; cut < tiff.size(); cut += 7)
            EXPECT_LE(ReadAfAreas(tiff.data(), cut, c.width, c.height).size(), c.expected.size()) << c.name;
    }
}

} // namespace
