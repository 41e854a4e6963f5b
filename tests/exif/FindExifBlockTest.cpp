// Locating the Exif APP1 segment inside a JPEG file's bytes.
#include "ExifTestUtil.h"

#include <gtest/gtest.h>

namespace {

const Bytes tinyTiff = {'I', 'I', 42, 0, 0, 0, 0, 0};

// A segment of `total` bytes that the search steps over (zeros, no FF).
Bytes Filler(std::size_t total)
{
    return Bytes(total, 0x00);
}

// SOI, `before` filler bytes, then the Exif APP1, then filler up to `length`.
Bytes JpegWithExifAt(std::size_t position, std::size_t length)
{
    Bytes out = {0xFF, 0xD8};
    const Bytes pad = Filler(position - 2);
    out.insert(out.end(), pad.begin(), pad.end());
    const Bytes app1 = MakeExifApp1(tinyTiff);
    out.insert(out.end(), app1.begin(), app1.end());
    out.resize(length, 0x00); // pads or cuts to exactly `length`
    return out;
}

long Found(const Bytes& jpeg)
{
    const unsigned char* p = FindExifBlock(jpeg.data(), jpeg.size());
    return p ? long(p - jpeg.data()) : -1;
}

struct SearchCase {
    const char* name;
    Bytes jpeg;
    long expected; // offset of the TIFF header, -1 for none
};
void PrintTo(const SearchCase& c, std::ostream* os) { *os << c.name; }

class FindExifBlockTable : public ::testing::TestWithParam<SearchCase> {};

TEST_P(FindExifBlockTable, FindsTheTiffHeaderOrNothing)
{
    EXPECT_EQ(Found(GetParam().jpeg), GetParam().expected);
}

Bytes Xmp()
{
    const std::string ns = "http://ns.adobe.com/xap/1.0/";
    Bytes p(ns.begin(), ns.end());
    p.push_back(0);
    return MakeApp1Segment(p);
}

Bytes ExifNamed(const char (&six)[7])
{
    Bytes payload(six, six + 6);
    payload.insert(payload.end(), tinyTiff.begin(), tinyTiff.end());
    return MakeApp1Segment(payload);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FindExifBlockTable,
    ::testing::Values(
        SearchCase{"ExifRightAfterSoi", MakeJpegShell({MakeExifApp1(tinyTiff), Filler(20)}), 12},
        SearchCase{"ExifAfterApp0", MakeJpegShell({{0xFF, 0xE0, 0, 6, 'J', 'F', 'I', 'F'}, MakeExifApp1(tinyTiff), Filler(20)}), 20},
        SearchCase{"XmpFirstHidesLaterExif", MakeJpegShell({Xmp(), MakeExifApp1(tinyTiff), Filler(20)}), -1},
        SearchCase{"SecondZeroNotExamined", MakeJpegShell({ExifNamed("Exif\0X"), Filler(20)}), 12},
        SearchCase{"FirstZeroRequired", MakeJpegShell({ExifNamed("Exif\1\0"), Filler(20)}), -1},
        SearchCase{"NoSoi", Bytes{0xFF, 0xD9, 0xFF, 0xE1, 0, 8, 'E', 'x', 'i', 'f', 0, 0, 'I', 'I', 42, 0, 0, 0, 0, 0, 0, 0}, -1},
        SearchCase{"EightBytes", Bytes{0xFF, 0xD8, 0xFF, 0xE1, 0, 8, 'E', 'x'}, -1},
        SearchCase{"EmptyFile", Bytes{}, -1},
        SearchCase{"NineteenBytesReachPosition2", JpegWithExifAt(2, 19), 12},
        SearchCase{"EighteenBytesEndBeforePosition2", JpegWithExifAt(2, 18), -1},
        SearchCase{"LastSeenPosition4183", JpegWithExifAt(4183, 8000), 4193},
        SearchCase{"Position4184NeverSeen", JpegWithExifAt(4184, 8000), -1},
        SearchCase{"ShortFileEndsSixteenBeforeItsEnd", JpegWithExifAt(100, 117), 110},
        SearchCase{"ShortFileMarkerTooLate", JpegWithExifAt(100, 116), -1}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(FindExifBlock, FfStepsOverTheByteAfterIt)
{
    // An FF that is not a marker steps on by 2, so in FF FF E1 the marker at 3 is missed...
    const Bytes app1 = MakeExifApp1(tinyTiff);
    Bytes hidden = {0xFF, 0xD8, 0xFF};
    hidden.insert(hidden.end(), app1.begin(), app1.end());
    hidden.resize(64, 0);
    EXPECT_EQ(Found(hidden), -1);
    // ...while any other byte steps on by 1 and reaches it.
    Bytes reached = {0xFF, 0xD8, 0x00};
    reached.insert(reached.end(), app1.begin(), app1.end());
    reached.resize(64, 0);
    EXPECT_EQ(Found(reached), 13);
}

TEST(FindExifBlock, ReadsOnlyTheGivenLength)
{
    // Every prefix of a real-looking file, in a buffer of exactly that size (ASan checks).
    const Bytes full = MakeJpegShell({MakeExifApp1(BuildExifTiff(PhotoLikeSpec()))});
    for (std::size_t n = 0; n <= full.size(); ++n) {
        std::unique_ptr<unsigned char[]> copy(new unsigned char[n]);
        std::copy(full.begin(), full.begin() + n, copy.get());
        const unsigned char* p = FindExifBlock(copy.get(), n);
        // The scan ends 16 bytes before the end: position 2 is reached from 19 bytes on.
        if (n >= 19)
            EXPECT_EQ(p ? p - copy.get() : -1, 12) << n;
        else
            EXPECT_EQ(p, nullptr) << n;
    }
}

} // namespace
