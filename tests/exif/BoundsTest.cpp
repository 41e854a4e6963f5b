// Damaged and hostile blocks: nothing outside the given bytes is ever read, and
// whatever lies outside counts as absent. Meant to run under ASan, where every
// buffer below is allocated at exactly its length.
#include "ExifTestUtil.h"

#include <gtest/gtest.h>

namespace {

const Getter allGetters[] = {&TExifRoot::GetExposureTime, &TExifRoot::GetFNumber, &TExifRoot::GetFocalLength,
                             &TExifRoot::GetISO, &TExifRoot::GetExposureBias, &TExifRoot::GetExposureProgram,
                             &TExifRoot::GetMeteringMode, &TExifRoot::GetFlash, &TExifRoot::GetWhiteBalance,
                             &TExifRoot::GetModel, &TExifRoot::GetDateTimeOriginal, &TExifRoot::GetFocusMode,
                             &TExifRoot::GetLensName};

struct ExactCopy {
    explicit ExactCopy(const Bytes& b, std::size_t n) : data(new unsigned char[n])
    {
        std::copy(b.begin(), b.begin() + n, data.get());
    }
    std::unique_ptr<unsigned char[]> data;
};

TEST(ExifBounds, EveryCutOfAValidBlockOnlyDropsValues)
{
    for (auto order : {TiffBuilder::Intel, TiffBuilder::Motorola}) {
        ExifSpec spec = PhotoLikeSpec();
        spec.order = order;
        TiffBuilder b(order);
        AddExifSpec(b, spec);
        const int thumb = b.AddChainDirectory();
        b.AddLong(thumb, 0x0202, 1234);
        const Bytes full = b.Build();
        const auto whole = ParseBytes(full);

        for (std::size_t n = 0; n <= full.size(); ++n) {
            ExactCopy cut(full, n);
            TExifRootPENTAXistD r;
            r.Parse(cut.data.get(), n);
            for (Getter g : allGetters) {
                const auto got = Text(r, g);
                if (!got)
                    continue;
                // A cut never invents or changes a value; metering without its entry reads as manual.
                if (g == &TExifRoot::GetMeteringMode && *got == "ﾏﾆｭｱﾙ露出")
                    continue;
                EXPECT_EQ(got, Text(whole->reader, g)) << "cut at " << n;
            }
            MakeSummaryText(r);
            MakeChooserTexts(r);
            if (n == full.size()) {
                EXPECT_EQ(MakeSummaryText(r), MakeSummaryText(whole->reader));
            }
        }
    }
}

// A probe parses only the first bytes of a file and trusts the result unless the reader
// says it ran past them: every cut that loses or changes a text must say so.
TEST(ExifBounds, CutsThatChangeATextSayTheyRanPastTheEnd)
{
    for (auto order : {TiffBuilder::Intel, TiffBuilder::Motorola}) {
        ExifSpec spec = PhotoLikeSpec();
        spec.order = order;
        spec.dateTime = "2004:05:06 07:08:09";
        TiffBuilder b(order);
        AddExifSpec(b, spec);
        b.AddLong(b.AddChainDirectory(), 0x0202, 1234);
        const Bytes full = b.Build();
        const auto whole = ParseBytes(full);
        EXPECT_FALSE(whole->reader.RanPastEnd);
        const std::string summary = MakeSummaryText(whole->reader);
        const TChooserTexts texts = MakeChooserTexts(whole->reader);
        EXPECT_FALSE(whole->reader.RanPastEnd) << "the getters stay inside a whole block";

        int flagged = 0;
        for (std::size_t n = 0; n < full.size(); ++n) {
            ExactCopy cut(full, n);
            TExifRootPENTAXistD r;
            r.Parse(cut.data.get(), n);
            const TChooserTexts t = MakeChooserTexts(r);
            const bool same = MakeSummaryText(r) == summary && t.ShotDate == texts.ShotDate &&
                              t.ShotExposure == texts.ShotExposure && t.ShotCamera == texts.ShotCamera;
            if (!same) {
                EXPECT_TRUE(r.RanPastEnd) << "cut at " << n;
            }
            flagged += r.RanPastEnd;
        }
        EXPECT_GT(flagged, 0);
        // A new parse starts clear.
        whole->reader.Parse(whole->bytes.data(), whole->bytes.size());
        EXPECT_FALSE(whole->reader.RanPastEnd);
    }
}

TEST(ExifBounds, CutsInsideAJpegNeverReadPastTheFile)
{
    const Bytes jpeg = MakeJpegShell({MakeExifApp1(BuildExifTiff(PhotoLikeSpec()))});
    for (std::size_t n = 0; n <= jpeg.size(); ++n) {
        ExactCopy cut(jpeg, n);
        const unsigned char* tiff = FindExifBlock(cut.data.get(), n);
        if (!tiff)
            continue;
        TExifRootPENTAXistD r;
        r.Parse(tiff, n - std::size_t(tiff - cut.data.get()));
        MakeSummaryText(r);
        MakeChooserTexts(r);
    }
}

struct HostileCase {
    const char* name;
    std::function<void(TiffBuilder&, ExifDirIds)> edit;
    Getter getter;
    std::optional<std::string> expected;
};
void PrintTo(const HostileCase& c, std::ostream* os) { *os << c.name; }

class HostileTable : public ::testing::TestWithParam<HostileCase> {};

TEST_P(HostileTable, OutsideMeansAbsent)
{
    for (auto order : {TiffBuilder::Intel, TiffBuilder::Motorola}) {
        TiffBuilder b(order);
        ExifSpec spec;
        spec.model = "PENTAX *ist D";
        spec.order = order;
        spec.makerNote = true;
        const ExifDirIds ids = AddExifSpec(b, spec);
        GetParam().edit(b, ids);
        const Bytes tiff = b.Build();
        ExactCopy exact(tiff, tiff.size());
        TExifRootPENTAXistD r;
        r.Parse(exact.data.get(), tiff.size());
        EXPECT_EQ(Text(r, GetParam().getter), GetParam().expected);
        MakeSummaryText(r);
    }
}

constexpr uint16_t Ascii = TiffBuilder::Ascii, Rational = TiffBuilder::Rational;

INSTANTIATE_TEST_SUITE_P(
    Cases, HostileTable,
    ::testing::Values(
        HostileCase{"RationalOffsetWraps", [](TiffBuilder& b, ExifDirIds i) { b.AddRawValue(i.exif, 0x829A, Rational, 1, 0xFFFFFFFCu); },
                    &TExifRoot::GetExposureTime, std::nullopt},
        HostileCase{"RationalOffsetPastEnd", [](TiffBuilder& b, ExifDirIds i) { b.AddRawValue(i.exif, 0x829D, Rational, 1, 0x00FFFFFFu); },
                    &TExifRoot::GetFNumber, std::nullopt},
        HostileCase{"TextCountHuge", [](TiffBuilder& b, ExifDirIds i) { b.AddRawValue(i.exif, 0x9003, Ascii, 0xFFFFFFFFu, 8); },
                    &TExifRoot::GetDateTimeOriginal, std::nullopt},
        HostileCase{"TextOffsetWraps", [](TiffBuilder& b, ExifDirIds i) { b.AddRawValue(i.exif, 0x9003, Ascii, 20, 0xFFFFFFF8u); },
                    &TExifRoot::GetDateTimeOriginal, std::nullopt},
        HostileCase{"TextWithoutZeroStillTerminated",
                    [](TiffBuilder& b, ExifDirIds i) { b.AddBytes(i.exif, 0x9003, Ascii, 19, Bytes{'2', '0', '0', '4', ':', '0', '5', ':', '0', '6', ' ', '0', '7', ':', '0', '8', ':', '0', '9'}); },
                    &TExifRoot::GetDateTimeOriginal, "2004:05:06 07:08:09"},
        HostileCase{"ExifCountClaimsMore", [](TiffBuilder& b, ExifDirIds i) { b.AddShort(i.exif, 0x8827, 100); b.SetStoredCount(i.exif, 0xFFFF); },
                    &TExifRoot::GetISO, "ISO100"},
        HostileCase{"MakerNotePastEnd", [](TiffBuilder& b, ExifDirIds i) { b.AddRawValue(i.exif, 0x927C, 7, 10, 0xFFFFFFFFu); },
                    &TExifRoot::GetLensName, std::nullopt},
        HostileCase{"MakerDirectoryCountClaimsMore",
                    [](TiffBuilder& b, ExifDirIds i) { b.AddShort(i.maker, 0x000D, 17); b.SetStoredCount(i.maker, 4000); },
                    &TExifRoot::GetFocusMode, "AF-C"},
        HostileCase{"ModelPastEnd", [](TiffBuilder& b, ExifDirIds i) { b.AddRawValue(i.ifd0, 0x0110, Ascii, 30, 0xFFFFFFF0u); },
                    &TExifRoot::GetModel, "PENTAX *ist D"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ExifBounds, MakerNoteAtTheVeryEnd)
{
    // A makernote pointer to the last byte: its directory would start 6 bytes further.
    TiffBuilder b;
    ExifSpec spec;
    spec.model = "PENTAX *ist D";
    const ExifDirIds ids = AddExifSpec(b, spec);
    const uint32_t size = uint32_t(b.Build().size()) + 12; // the entry added below grows it by 12
    b.AddRawValue(ids.exif, 0x927C, 7, 10, size - 1);
    const Bytes tiff = b.Build();
    ASSERT_EQ(tiff.size(), size);
    const auto p = ParseBytes(tiff);
    EXPECT_TRUE(p->reader.HasExif);
    EXPECT_FALSE(p->reader.HasMakerNote);
}

TEST(ExifBounds, HeaderOnlyAndTinyBlocks)
{
    for (std::size_t n : {0u, 1u, 2u, 7u, 8u, 9u}) {
        Bytes tiff = {'M', 'M', 0, 42, 0, 0, 0, 8, 0};
        ExactCopy cut(tiff, n);
        TExifRootPENTAXistD r;
        r.Parse(cut.data.get(), n);
        EXPECT_EQ(r.DirectoryCount, 0) << n; // a count word needs 2 bytes at offset 8
        EXPECT_EQ(MakeSummaryText(r), "") << n;
    }
    TExifRootPENTAXistD r;
    r.Parse(nullptr, 100);
    EXPECT_EQ(r.DirectoryCount, 0);
}

TEST(ExifBounds, DirectoryCountWordAtTheEnd)
{
    // IFD0 claims 3 entries, but only its count word is inside: a directory with no entries.
    const Bytes tiff = {'I', 'I', 42, 0, 8, 0, 0, 0, 3, 0};
    const auto p = ParseBytes(tiff);
    EXPECT_EQ(p->reader.DirectoryCount, 1);
    EXPECT_EQ(p->reader.Dirs[0].Count, 0);
}

TEST(ExifBounds, ReadDirectoryOutsideTheBytesLeavesAnEmptyRecord)
{
    const Bytes tiff = BuildExifTiff(PhotoLikeSpec());
    const auto p = ParseBytes(tiff);
    TExifDirectory d;
    const unsigned char other[16] = {1, 0};
    EXPECT_EQ(p->reader.ReadDirectory(d, p->bytes.data(), other), nullptr);
    EXPECT_EQ(d.Count, 0);
    EXPECT_EQ(p->reader.Locate(p->bytes.data(), uint32_t(tiff.size()), 0), p->bytes.data() + tiff.size());
    EXPECT_EQ(p->reader.Locate(p->bytes.data(), uint32_t(tiff.size()), 1), nullptr);
    EXPECT_EQ(p->reader.Locate(p->bytes.data() + 4, 0xFFFFFFFFu, 1), nullptr);
}

} // namespace
