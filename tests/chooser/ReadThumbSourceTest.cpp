// The worker's job on real bytes: Exif thumbnails, whole-file fallback, PEF previews,
// the reduction table and every way a read can fail.
#include "chooser/ChooserCore.h"
#include "chooser/ReadThumbSource.h"
#include "loading/MappedFile.h"
#include "support/TestFolder.h"
#include "support/TiffBuilder.h"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <gtest/gtest.h>

#include <unistd.h>

namespace {

Bytes Jpeg(int w, int h, QColor colour)
{
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(colour);
    QByteArray out;
    QBuffer buffer(&out);
    buffer.open(QIODevice::WriteOnly);
    img.save(&buffer, "JPG", 95);
    return FromQByteArray(out);
}

// A TIFF structure whose second chain directory points at thumb (or has no pointer).
Bytes TiffWithThumbnail(const Bytes& thumb, bool withTags = true, uint32_t badOffset = 0)
{
    TiffBuilder b;
    AddExifSpec(b, PhotoLikeSpec());
    const auto ifd1 = b.AddChainDirectory();
    b.AddShort(ifd1, 0x0103, 6);
    if (withTags) {
        if (badOffset != 0) {
            b.AddRawValue(ifd1, 0x0201, TiffBuilder::Long, 1, badOffset);
        } else {
            const auto blob = b.AddBlob(thumb);
            b.AddBlobPointer(ifd1, 0x0201, blob);
        }
        b.AddLong(ifd1, 0x0202, static_cast<uint32_t>(thumb.size()));
    }
    return b.Build();
}

struct ReductionCase {
    int w, h, denom;
};
inline void PrintTo(const ReductionCase& c, std::ostream* os) { *os << c.w << "x" << c.h; }


class Reduction : public ::testing::TestWithParam<ReductionCase> {};

TEST_P(Reduction, FirstMatchWins)
{
    EXPECT_EQ(ChooseReduction(GetParam().w, GetParam().h), GetParam().denom);
}

INSTANTIATE_TEST_SUITE_P(Table, Reduction,
                         ::testing::Values(ReductionCase{1600, 1200, 8}, ReductionCase{1200, 800, 4},
                                           ReductionCase{1201, 10, 8}, ReductionCase{10, 801, 8},
                                           ReductionCase{600, 400, 2}, ReductionCase{601, 400, 4},
                                           ReductionCase{301, 200, 2}, ReductionCase{300, 200, 1},
                                           ReductionCase{300, 201, 2}));

class ReadJob : public ::testing::Test {
protected:
    bool Read(const QString& name, const Bytes& bytes, bool checkCancel = false)
    {
        const QString path = folder.Write(name, ToQByteArray(bytes));
        return ReadThumbSource(state, path, checkCancel);
    }

    TestFolder folder;
    TReaderState state;
};

TEST_F(ReadJob, JpegWithoutExifIsDecodedWholeAndReduced)
{
    ASSERT_TRUE(Read("big.jpg", Jpeg(1600, 1200, Qt::gray)));
    EXPECT_EQ(state.DecodedPicture.size(), QSize(200, 150));
    EXPECT_EQ(state.DecodedPicture.format(), QImage::Format_BGR888);
    EXPECT_FALSE(state.HasShotData);
    TPictEntry e;
    FinishEntry(e, state.DecodedPicture, false);
    EXPECT_EQ(e.Thumbnail.size(), QSize(85, 64));
}

TEST_F(ReadJob, ExifThumbnailIsTakenInsteadOfThePicture)
{
    const Bytes thumb = Jpeg(160, 120, QColor(0, 0, 255));
    ASSERT_TRUE(Read("IMGP0001.JPG", InsertExifIntoJpeg(Jpeg(640, 480, QColor(255, 0, 0)), TiffWithThumbnail(thumb))));
    EXPECT_EQ(state.DecodedPicture.size(), QSize(160, 120));
    const QColor c = state.DecodedPicture.pixelColor(80, 60);
    EXPECT_GT(c.blue(), 200);
    EXPECT_LT(c.red(), 50);
    EXPECT_TRUE(state.HasShotData);
    EXPECT_EQ(state.ShotCamera.contains(" *ist D"), true) << state.ShotCamera.toStdString();
    EXPECT_FALSE(state.ShotExposure.isEmpty());
}

TEST_F(ReadJob, ExifWithoutThumbnailFallsBackToTheWholeFile)
{
    const Bytes thumb = Jpeg(16, 16, Qt::blue);
    const Bytes stub(28, 0x11);   // a thumbnail that does not decode
    for (const auto& tiff : {TiffWithThumbnail(thumb, false), TiffWithThumbnail(thumb, true, 0x7FFFFFF0),
                             TiffWithThumbnail(stub)}) {
        ASSERT_TRUE(Read("a.jpeg", InsertExifIntoJpeg(Jpeg(640, 480, QColor(255, 0, 0)), tiff)));
        EXPECT_EQ(state.DecodedPicture.size(), QSize(160, 120)) << "640 x 480 at 1/4";
        EXPECT_TRUE(state.HasShotData) << "the TIFF header was found";
    }
}

TEST_F(ReadJob, PefPreviewComesFromTheSecondDirectory)
{
    const Bytes preview = Jpeg(640, 426, QColor(0, 255, 0));
    ASSERT_TRUE(Read("IMGP0002.PEF", TiffWithThumbnail(preview)));
    EXPECT_EQ(state.DecodedPicture.size(), QSize(160, 107));
    EXPECT_TRUE(state.HasShotData);
}

TEST_F(ReadJob, FailuresLeaveNoPicture)
{
    const Bytes preview = Jpeg(64, 64, Qt::green);
    struct Case {
        const char* name;
        Bytes bytes;
    };
    const Case cases[] = {
        {"noTags.pef", TiffWithThumbnail(preview, false)},
        {"outside.pef", TiffWithThumbnail(preview, true, 0x7FFFFFF0)},
        {"stub.pef", TiffWithThumbnail(Bytes(28, 0x11))},
        {"empty.jpg", {}},
        {"garbage.jpg", Bytes(5000, 0x55)},
        {"cut.jpg", Bytes(preview.begin(), preview.begin() + 40)},
    };
    for (const Case& c : cases) {
        EXPECT_FALSE(Read(c.name, c.bytes)) << c.name;
        EXPECT_TRUE(state.DecodedPicture.isNull()) << c.name;
    }
    EXPECT_FALSE(ReadThumbSource(state, folder.Path("missing.jpg"), false));
    EXPECT_FALSE(ReadThumbSource(state, folder.Path(), false)) << "a folder";
}

// A file cut short after its size was taken (an SD card pulled while the folder is read)
// is skipped; mapped, it killed the program with SIGBUS.
TEST_F(ReadJob, AFileCutWhileReadIsSkipped)
{
    const Bytes thumb = Jpeg(160, 120, Qt::blue);
    const Bytes jpeg = InsertExifIntoJpeg(Jpeg(640, 480, Qt::red), TiffWithThumbnail(thumb));
    for (const auto& [name, bytes] : {std::pair{"cut.jpg", jpeg}, std::pair{"cut.pef", TiffWithThumbnail(jpeg)}}) {
        const QString path = folder.Write(name, ToQByteArray(bytes));
        AfterFileSized = [&](int) { ASSERT_EQ(::truncate(QFile::encodeName(path).constData(), bytes.size() / 2), 0); };
        EXPECT_FALSE(ReadThumbSource(state, path, false)) << name;
        AfterFileSized = nullptr;
        EXPECT_TRUE(state.DecodedPicture.isNull()) << name;
        EXPECT_EQ(QFileInfo(path).size(), qint64(bytes.size() / 2)) << name << ": the seam ran";
    }
}

TEST_F(ReadJob, AStoppedReadingDoesNotDecode)
{
    state.ReadCursor = rcStopped;
    EXPECT_FALSE(Read("a.jpg", Jpeg(64, 64, Qt::gray), true));
    EXPECT_TRUE(state.DecodedPicture.isNull());
    EXPECT_TRUE(Read("a.jpg", Jpeg(64, 64, Qt::gray), false)) << "without the check it decodes";
}

TEST(RealFiles, CameraJpegsGiveThumbnailsAndTexts)
{
    const QString dir = RealFixturesFolder();
    if (dir.isEmpty())
        GTEST_SKIP() << "no camera files";
    TReaderState state;
    int read = 0;
    for (const QString& name : QDir(dir).entryList({"*.jpg", "*.JPG", "*.pef", "*.PEF"}, QDir::Files)) {
        ASSERT_TRUE(ReadThumbSource(state, dir + "/" + name, false)) << name.toStdString();
        EXPECT_LE(state.DecodedPicture.width(), 1200) << name.toStdString();
        EXPECT_TRUE(state.HasShotData) << name.toStdString();
        ++read;
    }
    EXPECT_GT(read, 0);
}

} // namespace
