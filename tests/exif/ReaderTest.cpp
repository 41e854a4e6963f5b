// Directory walking: byte orders, the chain, the Exif sub-directory and the makernote.
#include "ExifTestUtil.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

constexpr uint16_t TagModel = 0x0110, TagExif = 0x8769, TagMaker = 0x927C, TagExposure = 0x829A;

ExifSpec ModelSpec(const std::string& model)
{
    ExifSpec s;
    s.model = model;
    return s;
}

ExifSpec LensOnlySpec()
{
    ExifSpec s;
    s.pentaxLens = PentaxLens{3, 32};
    return s;
}

std::string Summary(const Bytes& tiff) { return MakeSummaryText(ParseBytes(tiff)->reader); }

TEST(ExifReader, ByteOrderFromTheFirstTwoBytesOnly)
{
    struct Case { unsigned char b0, b1; TiffBuilder::Order writtenAs; TByteOrder expected; };
    const Case cases[] = {
        {'I', 'I', TiffBuilder::Intel, boIntel},
        {'M', 'M', TiffBuilder::Motorola, boMotorola},
        {'X', 'Y', TiffBuilder::Motorola, boMotorola},   // anything but "II" is big-endian
        {'I', 'M', TiffBuilder::Motorola, boMotorola},
        {'i', 'i', TiffBuilder::Motorola, boMotorola},
    };
    for (const Case& c : cases) {
        ExifSpec spec = PhotoLikeSpec();
        TiffBuilder b(c.writtenAs);
        AddExifSpec(b, spec);
        b.SetHeaderMark(c.b0, c.b1);
        Bytes tiff = b.Build();
        tiff[2] = tiff[3] = 0; // the 42 is never checked
        const auto p = ParseBytes(tiff);
        EXPECT_EQ(p->reader.ByteOrder, c.expected) << c.b0 << c.b1;
        EXPECT_EQ(MakeSummaryText(p->reader), Summary(BuildExifTiff(spec))) << c.b0 << c.b1;
    }
}

TEST(ExifReader, ConstructedReaderIsEmpty)
{
    TExifRootPENTAXistD r;
    EXPECT_EQ(r.DirectoryCount, 0);
    EXPECT_FALSE(r.HasExif);
    EXPECT_FALSE(r.HasMakerNote);
    EXPECT_EQ(r.Dirs[0].Count, 0);
    EXPECT_EQ(MakeSummaryText(r), "");
}

struct ChainCase {
    const char* name;
    int directories;      // chain directories written
    int loopBackFrom;     // -1, or the directory whose next points to IFD0
    int maxDirectories;
    int expected;
};
void PrintTo(const ChainCase& c, std::ostream* os) { *os << c.name; }

class ChainTable : public ::testing::TestWithParam<ChainCase> {};

TEST_P(ChainTable, StopsAtTheEndOrTheCap)
{
    const ChainCase& c = GetParam();
    TiffBuilder b(TiffBuilder::Motorola);
    std::vector<int> ids;
    for (int i = 0; i < c.directories; ++i) {
        ids.push_back(b.AddChainDirectory());
        b.AddShort(ids.back(), 0x0100, uint16_t(i)); // marks which directory it is
    }
    if (c.loopBackFrom >= 0)
        b.SetNextDirectory(ids[c.loopBackFrom], ids[0]);
    const auto p = ParseBytes(b.Build(), c.maxDirectories);
    ASSERT_EQ(p->reader.DirectoryCount, c.expected);
    for (int i = 0; i < c.expected; ++i) {
        const unsigned char* e = p->reader.FindEntry(p->reader.Dirs[i], 0x0100);
        ASSERT_NE(e, nullptr);
        const int period = c.loopBackFrom >= 0 ? c.loopBackFrom + 1 : c.directories;
        EXPECT_EQ(p->reader.Read16(e + 8), i % period);
    }
    for (int i = c.expected; i < 8; ++i)
        EXPECT_EQ(p->reader.Dirs[i].Count, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ChainTable,
    ::testing::Values(ChainCase{"Single", 1, -1, 8, 1}, ChainCase{"ThreeLikePef", 3, -1, 8, 3},
                      ChainCase{"EightExactly", 8, -1, 8, 8}, ChainCase{"TenCappedAtEight", 10, -1, 8, 8},
                      ChainCase{"SelfLoop", 1, 0, 8, 8}, ChainCase{"LoopOfThree", 3, 2, 8, 8},
                      ChainCase{"SmallerMax", 5, -1, 2, 2}, ChainCase{"LargerMaxClamped", 12, -1, 50, 8},
                      ChainCase{"ZeroMax", 3, -1, 0, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ExifReader, AbsentDirectories)
{
    struct Case { const char* name; std::function<void(TiffBuilder&, ExifDirIds)> edit; int dirs; bool exif; };
    const Case cases[] = {
        {"FirstOffsetZeroIsNotTheHeader", [](TiffBuilder& b, ExifDirIds) { b.SetFirstDirectoryRaw(0); }, 0, false},
        {"FirstOffsetOutside", [](TiffBuilder& b, ExifDirIds) { b.SetFirstDirectoryRaw(0xFFFFFFF0u); }, 0, false},
        {"NextOffsetOutsideEndsChain", [](TiffBuilder& b, ExifDirIds ids) { b.SetNextRaw(ids.ifd0, 0x7FFFFFFF); }, 1, true},
    };
    for (const Case& c : cases) {
        TiffBuilder b;
        const ExifDirIds ids = AddExifSpec(b, PhotoLikeSpec());
        c.edit(b, ids);
        const auto p = ParseBytes(b.Build());
        EXPECT_EQ(p->reader.DirectoryCount, c.dirs) << c.name;
        EXPECT_EQ(p->reader.HasExif, c.exif) << c.name;
    }
    // An Exif pointer holding 0 or pointing outside: no Exif values, the model stays.
    for (uint32_t offset : {0u, 0xFFFFFFFFu, 0x10000u}) {
        TiffBuilder b;
        const int ifd0 = b.AddChainDirectory();
        b.AddAscii(ifd0, TagModel, "PENTAX *ist D");
        b.AddRawValue(ifd0, TagExif, TiffBuilder::Long, 1, offset);
        const auto p = ParseBytes(b.Build());
        EXPECT_FALSE(p->reader.HasExif) << offset;
        EXPECT_EQ(MakeSummaryText(p->reader), "\"PENTAX *ist D\" ") << offset;
    }
}

TEST(ExifReader, OnlyTheFirstExifPointerOfIfd0IsFollowed)
{
    TiffBuilder b;
    const int ifd0 = b.AddChainDirectory();
    const int exifA = b.AddDirectory(), exifB = b.AddDirectory();
    b.AddRational(exifA, TagExposure, 1, 60);
    b.AddRational(exifB, TagExposure, 1, 4000);
    b.AddDirectoryPointer(ifd0, TagExif, exifA);
    b.AddDirectoryPointer(ifd0, TagExif, exifB);
    EXPECT_EQ(Text(ParseBytes(b.Build())->reader, &TExifRoot::GetExposureTime), "1/60");

    TiffBuilder only1;
    only1.AddChainDirectory();
    const int second = only1.AddChainDirectory();
    const int exif = only1.AddDirectory();
    only1.AddRational(exif, TagExposure, 1, 60);
    only1.AddDirectoryPointer(second, TagExif, exif);
    EXPECT_FALSE(ParseBytes(only1.Build())->reader.HasExif);
}

TEST(ExifReader, DuplicateTagsGiveTheFirst)
{
    TiffBuilder b;
    const ExifDirIds ids = AddExifSpec(b, ExifSpec{});
    b.AddRational(ids.exif, TagExposure, 1, 250);
    b.AddRational(ids.exif, TagExposure, 1, 30);
    b.AddAscii(ids.ifd0, TagModel, "FIRST MODEL");
    b.AddAscii(ids.ifd0, TagModel, "SECOND MODEL");
    const auto p = ParseBytes(b.Build());
    EXPECT_EQ(Text(p->reader, &TExifRoot::GetExposureTime), "1/250");
    EXPECT_EQ(Text(p->reader, &TExifRoot::GetModel), "FIRST MODEL");
}

TEST(ExifReader, LargeDirectoryKeepsItsFirst256Entries)
{
    TiffBuilder b;
    const int ifd0 = b.AddChainDirectory();
    const int ifd1 = b.AddChainDirectory();
    for (int i = 0; i < 300; ++i)
        b.AddShort(ifd0, uint16_t(0x1000 + i), uint16_t(i));
    b.AddShort(ifd1, 0x0100, 7);
    const auto p = ParseBytes(b.Build());
    const TExifRoot& r = p->reader;
    EXPECT_EQ(r.Dirs[0].Count, 256);
    EXPECT_NE(r.FindEntry(r.Dirs[0], 0x1000 + 255), nullptr);
    EXPECT_EQ(r.FindEntry(r.Dirs[0], 0x1000 + 256), nullptr);
    // The next offset still comes after all 300 stored entries.
    ASSERT_EQ(r.DirectoryCount, 2);
    EXPECT_NE(r.FindEntry(r.Dirs[1], 0x0100), nullptr);
}

TEST(ExifReader, PefLikeThirdDirectoryGivesThePreview)
{
    TiffBuilder b(TiffBuilder::Motorola);
    AddExifSpec(b, PhotoLikeSpec());
    b.AddChainDirectory();
    const int third = b.AddChainDirectory();
    const int preview = b.AddBlob(Bytes(100, 0xAB));
    b.AddBlobPointer(third, 0x0201, preview);
    b.AddLong(third, 0x0202, 100);
    const Bytes pef = b.Build();
    const auto p = ParseBytes(pef);
    ASSERT_EQ(p->reader.DirectoryCount, 3);
    const unsigned char* off = p->reader.FindEntry(p->reader.Dirs[2], 0x0201);
    const unsigned char* len = p->reader.FindEntry(p->reader.Dirs[2], 0x0202);
    ASSERT_TRUE(off && len);
    EXPECT_EQ(p->reader.EntryValue(off), b.BlobOffset(preview));
    EXPECT_EQ(p->reader.EntryValue(len), 100u);
    EXPECT_EQ(p->reader.EntryType(len), TiffBuilder::Long);
    EXPECT_EQ(p->reader.EntryCount(len), 1u);
}

struct MakerCase {
    const char* name;
    std::optional<std::string> model;
    std::string header;
    bool expected;
};
void PrintTo(const MakerCase& c, std::ostream* os) { *os << c.name; }

class MakerNoteTable : public ::testing::TestWithParam<MakerCase> {};

TEST_P(MakerNoteTable, ReadOnlyForPentaxModels)
{
    ExifSpec spec = PhotoLikeSpec();
    spec.model = GetParam().model;
    spec.makerNoteHeader = GetParam().header;
    const auto p = ParseSpec(spec);
    EXPECT_EQ(p->reader.HasMakerNote, GetParam().expected);
    EXPECT_EQ(Text(p->reader, &TExifRoot::GetLensName).has_value(), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MakerNoteTable,
    ::testing::Values(MakerCase{"Pentax", "PENTAX *ist D", std::string("AOC\0MM", 6), true},
                      MakerCase{"HeaderNotExamined", "PENTAX Optio 330", "XXXXXX", true},
                      MakerCase{"OtherMake", "NIKON D70", std::string("AOC\0MM", 6), false},
                      MakerCase{"LowerCaseMake", "pentax *ist D", std::string("AOC\0MM", 6), false},
                      MakerCase{"NoModel", std::nullopt, std::string("AOC\0MM", 6), false},
                      MakerCase{"ExactlyPentax", "PENTAX", std::string("AOC\0MM", 6), true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ExifReader, ShortOrNonTextModelIsAbsent)
{
    struct Case { const char* name; uint16_t type; Bytes value; bool model; };
    const Case cases[] = {
        {"FourBytesInsideEntry", TiffBuilder::Ascii, {'P', 'E', 'N', 0}, false},
        {"FiveBytes", TiffBuilder::Ascii, {'P', 'E', 'N', 'T', 0}, true},
        {"ByteType", TiffBuilder::Byte, {'P', 'E', 'N', 'T', 'A', 'X', 0}, false},
        {"Undefined", TiffBuilder::Undefined, {'P', 'E', 'N', 'T', 'A', 'X', 0}, false},
    };
    for (const Case& c : cases) {
        TiffBuilder b;
        const ExifDirIds ids = AddExifSpec(b, LensOnlySpec());
        b.AddBytes(ids.ifd0, TagModel, c.type, uint32_t(c.value.size()), c.value);
        const auto p = ParseBytes(b.Build());
        EXPECT_EQ(Text(p->reader, &TExifRoot::GetModel).has_value(), c.model) << c.name;
        EXPECT_FALSE(p->reader.HasMakerNote) << c.name;
    }
}

TEST(ExifReader, LastMakerNoteDecides)
{
    for (bool lastValid : {false, true}) {
        TiffBuilder b;
        const ExifDirIds ids = AddExifSpec(b, PhotoLikeSpec());
        if (lastValid) {
            b.AddRawValue(ids.exif, TagMaker, TiffBuilder::Undefined, 10, 0xFFFFFF00u);
            b.AddDirectoryPointer(ids.exif, TagMaker, ids.maker);
        } else {
            b.AddRawValue(ids.exif, TagMaker, TiffBuilder::Undefined, 10, 0xFFFFFF00u);
        }
        const auto p = ParseBytes(b.Build());
        EXPECT_EQ(p->reader.HasMakerNote, lastValid);
        EXPECT_EQ(Text(p->reader, &TExifRoot::GetFocusMode).has_value(), lastValid);
    }
}

TEST(ExifReader, BaseReaderIgnoresMakerNote)
{
    const Bytes tiff = BuildExifTiff(PhotoLikeSpec());
    TExifRoot base;
    base.Parse(tiff.data(), tiff.size());
    EXPECT_TRUE(base.HasExif);
    EXPECT_FALSE(base.HasMakerNote);
    EXPECT_EQ(Text(base, &TExifRoot::GetLensName), std::nullopt);
    EXPECT_EQ(Text(base, &TExifRoot::GetFocusMode), std::nullopt);
}

TEST(ExifReader, TextsAreCutTo255Bytes)
{
    const std::string longModel = "PENTAX " + std::string(300, 'x');
    const auto p = ParseSpec(ModelSpec(longModel));
    EXPECT_EQ(Text(p->reader, &TExifRoot::GetModel), longModel.substr(0, 255));
}

} // namespace
