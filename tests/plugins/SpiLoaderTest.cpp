#include "loading/PanelLine.h"
#include "loading/PluginLoad.h"
#include "support/BmpBuilder.h"
#include "tests/plugins/PngWriter.h"
#include "tests/plugins/SpiTestSupport.h"

#include <gtest/gtest.h>

#include <QFileInfo>
#include <png.h>

namespace {

TEST(SpiLoader, PictureTakesOverThePluginBitmapInDisplayFormat)
{
    SpiFolder folder;
    folder.Add(QStringLiteral("palette.spi"));
    TSpiHost host;
    LoadPlugins(host, folder.Path());

    TBitmapMAGBase picture;
    ASSERT_TRUE(TryPluginLoad(&host, folder.Write(QStringLiteral("p.pal"), TestPicture("TPAL", 5, 3)), picture));
    EXPECT_EQ(picture.Width(), 5);
    EXPECT_EQ(picture.Height(), 3);
    EXPECT_EQ(picture.PixelFormat(), TPixelFormat::pfDevice);
    EXPECT_EQ(PanelText(picture), QStringLiteral("5×3 (24)"));
    const TestSpiColour c = TestPaletteColour((4 + 2 * 2) % 4, 0);
    EXPECT_EQ(picture.Image().pixel(4, 2), qRgb(c.r, c.g, c.b));
    EXPECT_EQ(host.WorkBitmap, nullptr);
}

TEST(SpiLoader, FailureLeavesThePictureEmptyForTheBuiltinReader)
{
    SpiFolder folder;
    folder.Add(QStringLiteral("failing.spi"));
    TSpiHost host;
    LoadPlugins(host, folder.Path());
    TBitmapMAGBase picture;
    EXPECT_FALSE(TryPluginLoad(&host, folder.Write(QStringLiteral("f.x"), TestPicture("TFAI", 4, 4)), picture));
    EXPECT_TRUE(picture.Empty());
    EXPECT_FALSE(TryPluginLoad(nullptr, folder.Path(QStringLiteral("f.x")), picture));
}

TEST(SpiLoader, EmfWithBitmapDataComesThroughTheBuiltinReaderAtItsOwnDepth)
{
    BmpSpec spec;
    spec.Width = 3;
    spec.Height = 2;
    spec.Bits = 8;
    spec.Palette = {qRgb(0, 0, 0), qRgb(10, 200, 30)};
    spec.Pixels = {1, 0, 1, 0, 1, 0};
    SpiFolder folder;
    folder.Add(QStringLiteral("palette.spi"));
    TSpiHost host;
    LoadPlugins(host, folder.Path());

    TBitmapMAGBase picture;
    ASSERT_TRUE(TryPluginLoad(&host, folder.Write(QStringLiteral("m.EMF"), BuildBmp(spec)), picture));
    EXPECT_EQ(picture.PixelFormat(), TPixelFormat::pf8bit);
    EXPECT_EQ(picture.Width(), 3);
    EXPECT_EQ(TestCalls(*host.Plugins().at(0)), 0);

    // Not bitmap data: the reader's failure stays inside the branch, which answers no.
    EXPECT_FALSE(TryPluginLoad(&host, folder.Write(QStringLiteral("n.emf"), "not a bitmap"), picture));
}

// A fresh build: the shipped folder beside the executable holds png.spi, and a PNG opens.
TEST(SpiLoader, ShippedFolderOpensPng)
{
    const QString shipped = QFileInfo(QStringLiteral(VELUMIRA_PNG_SPI)).absolutePath();
    EXPECT_EQ(DefaultPluginFolder(QFileInfo(shipped).absolutePath()), shipped);
    TSpiHost host;
    LoadPlugins(host, shipped);

    PngSpec spec;
    spec.width = 6;
    spec.height = 2;
    spec.colourType = PNG_COLOR_TYPE_RGB;
    spec.sample = [](int x, int y) { return std::vector<uint16_t>{uint16_t(x * 40), uint16_t(y * 100), 7}; };
    TestFolder folder;
    TBitmapMAGBase picture;
    ASSERT_TRUE(TryPluginLoad(&host, folder.Write(QStringLiteral("shot.png"), WritePng(spec)), picture));
    EXPECT_EQ(picture.Width(), 6);
    EXPECT_EQ(picture.PixelFormat(), TPixelFormat::pfDevice);
    EXPECT_EQ(picture.Image().pixel(5, 1), qRgb(200, 100, 7));
}

} // namespace
