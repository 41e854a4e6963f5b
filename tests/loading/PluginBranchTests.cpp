// The loader's last branch: files of other extensions go to the plug-in host first and to
// the built-in reader when no plug-in delivers.
#include "loading/Bmpmagbase.h"
#include "loading/LoadErrors.h"
#include "loading/SpiHost.h"
#include "support/BmpBuilder.h"
#include "support/TestFolder.h"

#include <gtest/gtest.h>

#include <QImage>
#include <exception>
#include <optional>

namespace {

// The message LoadFromFile fails with, or nothing when it loads.
std::optional<QString> LoadMessage(const QString& fileName, TSpiHost* host, TBitmapMAGBase& picture)
{
    picture.SetPluginHost(host);
    try {
        picture.LoadFromFile(fileName);
    } catch (const std::exception& e) {
        return QString::fromUtf8(e.what());
    }
    return std::nullopt;
}

class PluginBranch : public ::testing::Test {
protected:
    void SetUp() override { LoadPlugins(host, QStringLiteral(VELUMIRA_PNG_SPI_DIR)); }
    QString Png(const QString& name, QSize size, QRgb colour)
    {
        QImage image(size, QImage::Format_RGB888);
        image.fill(colour);
        const QString path = folder.Path(name);
        if (!image.save(path, "PNG"))
            throw std::runtime_error("cannot write PNG");
        return path;
    }

    TestFolder folder;
    TSpiHost host;
};

TEST_F(PluginBranch, PluginPictureIsTakenInTheDisplayFormat)
{
    ASSERT_FALSE(host.Plugins().empty()) << "png.spi is built beside the tests";
    TBitmapMAGBase picture;
    EXPECT_EQ(LoadMessage(Png("shot.png", QSize(7, 3), qRgb(10, 120, 230)), &host, picture), std::nullopt);
    EXPECT_EQ(picture.Width(), 7);
    EXPECT_EQ(picture.Height(), 3);
    EXPECT_EQ(picture.PixelFormat(), TPixelFormat::pfDevice);
    EXPECT_EQ(PixelFormatBits(picture.PixelFormat()), 24) << "shown as (24)";
    EXPECT_EQ(picture.Image().pixel(6, 2) & 0xFFFFFF, 0x0A78E6u);
    EXPECT_TRUE(picture.FInfo.isEmpty());
}

TEST_F(PluginBranch, FileNoPluginTakesFailsWithTheBuiltinReadersMessage)
{
    const QString png = Png("shot.png", QSize(4, 4), qRgb(1, 2, 3));
    const QString garbage = folder.Write("notes.xyz", "not a picture of any kind");
    const QString missing = folder.Path("gone.png");
    struct Case {
        const char* name;
        QString file;
        TSpiHost* host;
    };
    const Case cases[] = {
        {"no plug-in accepts the bytes", garbage, &host},
        {"a PNG without a host", png, nullptr},
        {"a missing file", missing, &host},
    };
    for (const Case& c : cases) {
        TBitmapMAGBase withHost, builtinOnly;
        const std::optional<QString> message = LoadMessage(c.file, c.host, withHost);
        const std::optional<QString> builtin = LoadMessage(c.file, nullptr, builtinOnly);
        ASSERT_TRUE(message.has_value()) << c.name;
        EXPECT_EQ(message, builtin) << c.name;
        EXPECT_TRUE(withHost.Empty()) << c.name;
    }
}

TEST_F(PluginBranch, BitmapsKeepTheirOwnDepthThroughTheHost)
{
    BmpSpec spec;
    spec.Width = 3;
    spec.Height = 2;
    spec.Bits = 8;
    spec.Palette = {qRgb(9, 8, 7), qRgb(200, 100, 50)};
    spec.Pixels = {0, 1, 0, 1, 0, 1};
    TBitmapMAGBase picture;
    EXPECT_EQ(LoadMessage(folder.Write("p.bmp", BuildBmp(spec)), &host, picture), std::nullopt);
    EXPECT_EQ(picture.PixelFormat(), TPixelFormat::pf8bit);
    EXPECT_EQ(picture.Width(), 3);
}

}  // namespace
