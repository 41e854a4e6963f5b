#include "loading/SpiHost.h"
#include "tests/plugins/SpiTestSupport.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <cstdlib>
#include <stdexcept>

namespace {

QRgb Rgb(TestSpiColour c) { return qRgb(c.r, c.g, c.b); }

// ---- scanning ----

TEST(SpiScan, KeepsOnlyLibrariesWithIsSupportedAndGetPicture)
{
    SpiFolder folder;
    folder.Add(QStringLiteral("palette.spi"));
    const QString supportOnly = folder.Add(QStringLiteral("supportonly.spi"));
    const QString pictureOnly = folder.Add(QStringLiteral("pictureonly.spi"));
    folder.Write(QStringLiteral("notalib.spi"), "not an ELF file");
    folder.Add(QStringLiteral("palette2.spi"), QStringLiteral("palette2.so"));   // wrong suffix
    QDir(folder.Path()).mkdir(QStringLiteral("folder.spi"));

    TSpiHost host;
    LoadPlugins(host, folder.Path());

    EXPECT_EQ(ListedNames(host), QStringList{QStringLiteral("palette.spi")});
    EXPECT_EQ(host.Folder, folder.Path());
    // Rejected libraries are unloaded again, so they can never be asked.
    EXPECT_FALSE(IsLoaded(supportOnly));
    EXPECT_FALSE(IsLoaded(pictureOnly));
}

TEST(SpiScan, FindsSuffixInAnyCaseInDirectoryOrder)
{
    SpiFolder folder;
    folder.Add(QStringLiteral("TOPDOWN.SPI"));
    folder.Add(QStringLiteral("malformed.Spi"));
    folder.Add(QStringLiteral("palette.spi"));
    folder.Add(QStringLiteral("declines.spi"));

    TSpiHost host;
    LoadPlugins(host, folder.Path());
    EXPECT_EQ(ListedNames(host), folder.ListedOrder());
    EXPECT_EQ(ListedNames(host).size(), 4);
}

TEST(SpiScan, OptionalExportsAreLookedUp)
{
    SpiFolder folder;
    folder.Add(QStringLiteral("palette.spi"));   // exports the three optional entries
    TSpiHost host;
    LoadPlugins(host, folder.Path());
    ASSERT_EQ(host.Plugins().size(), 1u);
    EXPECT_NE(host.Plugins()[0]->GetPreview, nullptr);
    EXPECT_NE(host.Plugins()[0]->GetArchiveInfo, nullptr);
    EXPECT_NE(host.Plugins()[0]->GetFile, nullptr);
    EXPECT_NE(host.Plugins()[0]->GetPictureInfo, nullptr);

    SpiFolder plain;
    plain.Add(QStringLiteral("noinfo.spi"));
    LoadPlugins(host, plain.Path());
    ASSERT_EQ(host.Plugins().size(), 1u);
    EXPECT_EQ(host.Plugins()[0]->GetPreview, nullptr);
    EXPECT_EQ(host.Plugins()[0]->GetPictureInfo, nullptr);
}

TEST(SpiScan, ScanFindingNoneKeepsEarlierList)
{
    SpiFolder first;
    first.Add(QStringLiteral("palette.spi"));
    SpiFolder onlyRejected;
    onlyRejected.Add(QStringLiteral("supportonly.spi"));
    SpiFolder empty;

    TSpiHost host;
    LoadPlugins(host, first.Path());
    const std::vector<TSpiPluginPtr> list = host.Plugins();
    ASSERT_FALSE(list.empty());

    for (const QString& folder : {empty.Path(), onlyRejected.Path(), empty.Path() + QStringLiteral("/missing"), QString()}) {
        SCOPED_TRACE(folder.toStdString());
        LoadPlugins(host, folder);
        EXPECT_EQ(host.Plugins(), list);
        EXPECT_EQ(host.Folder, folder);
    }
}

TEST(SpiScan, EmptyFolderAtStartLeavesNoPlugins)
{
    TSpiHost host;
    LoadPlugins(host, QString());
    EXPECT_TRUE(host.Plugins().empty());
}

TEST(SpiScan, LaterScanReplacesListButEarlierPluginStaysUsable)
{
    SpiFolder a;
    a.Add(QStringLiteral("palette.spi"));
    SpiFolder b;
    b.Add(QStringLiteral("TOPDOWN.SPI"));
    const QString picture = a.Write(QStringLiteral("p.tst"), TestPicture("TPAL", 2, 2));

    TSpiHost host;
    LoadPlugins(host, a.Path());
    ASSERT_TRUE(SelectPlugin(host, picture));
    TSpiPlugin* const chosen = host.Selected().get();

    LoadPlugins(host, b.Path());
    EXPECT_EQ(ListedNames(host), QStringList{QStringLiteral("TOPDOWN.SPI")});
    EXPECT_EQ(host.Selected().get(), chosen);
    EXPECT_TRUE(DecodeWithPlugin(host));   // its library is still loaded
}

// A rescan closes the earlier libraries nobody uses; one still held (the selected plug-in,
// a decode under way) stays loaded and callable until its last holder lets go.
TEST(SpiScan, RescanClosesUnusedLibrariesAndKeepsHeldOnesUntilReleased)
{
    SpiFolder a;
    const QString palette = a.Add(QStringLiteral("palette.spi"));
    const QString declines = a.Add(QStringLiteral("declines.spi"));
    SpiFolder b;
    const QString topDown = b.Add(QStringLiteral("TOPDOWN.SPI"));
    const QString palettePicture = a.Write(QStringLiteral("p.tst"), TestPicture("TPAL", 2, 2));
    const QString topDownPicture = b.Write(QStringLiteral("t.tst"), TestPicture("T24D", 2, 2));

    TSpiHost host;
    LoadPlugins(host, a.Path());
    ASSERT_TRUE(IsLoaded(palette));
    ASSERT_TRUE(IsLoaded(declines));
    ASSERT_TRUE(SelectPlugin(host, palettePicture));
    TSpiPluginPtr held = host.Selected();

    LoadPlugins(host, b.Path());
    EXPECT_FALSE(IsLoaded(declines)) << "nobody held it";
    ASSERT_TRUE(IsLoaded(palette));
    SpiPictureInfo info{};
    EXPECT_EQ(held->GetPictureInfo(QFile::encodeName(palettePicture).constData(), 0, SPI_INPUT_FILE, &info),
              SPI_ALL_RIGHT);
    std::free(info.hInfo);
    const int width = info.width;   // packed: no reference to it
    EXPECT_EQ(width, 2);

    ASSERT_TRUE(SelectPlugin(host, topDownPicture));   // the host lets go of the palette plug-in
    EXPECT_TRUE(IsLoaded(palette)) << "held here still";
    held.reset();
    EXPECT_FALSE(IsLoaded(palette));
    EXPECT_TRUE(IsLoaded(topDown));
}

// ---- selection ----

struct ExtensionCase {
    const char* name;
    const char* extension;
};

TEST(SpiSelect, ExtensionIsTakenAfterTheLastSeparatorAndUpperCased)
{
    const QString longExt = QStringLiteral(".") + QString(40, QLatin1Char('x'));
    const ExtensionCase cases[] = {
        {"/pics/shot.png", ".PNG"},
        {"/pics/archive.tar.Gz", ".GZ"},
        {"/pics.d/noextension", ""},
        {"/pics/trailing.", "."},
        {"/pics/.hidden", ".HIDDEN"},
        {"relative.Jpe", ".JPE"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(SpiExtensionOf(QString::fromUtf8(c.name)), QString::fromUtf8(c.extension));
    }
    const QString cut = SpiExtensionOf(QStringLiteral("/p/a") + longExt);
    EXPECT_EQ(cut.size(), TSpiHost::kMaxExtension);
    EXPECT_EQ(cut, longExt.left(31).toUpper());
}

TEST(SpiSelect, BuiltinExtensionsAnswerYesWithoutAskingAnyPlugin)
{
    SpiFolder folder;
    folder.Add(QStringLiteral("palette.spi"));
    TSpiHost host;
    LoadPlugins(host, folder.Path());
    // Content the plug-in would accept: it still must not be asked.
    for (const char* name : {"a.bmp", "b.ICO", "c.Wmf", "d.emf", "e.EMF"}) {
        SCOPED_TRACE(name);
        const QString file = folder.Write(QString::fromUtf8(name), TestPicture("TPAL", 2, 2));
        EXPECT_TRUE(SelectPlugin(host, file));
        EXPECT_EQ(host.CurrentFile, file);
        EXPECT_EQ(host.Selected(), nullptr);
    }
    EXPECT_EQ(TestCalls(*host.Plugins().at(0)), 0);
}

TEST(SpiSelect, FirstListedOfTwoAcceptingLibrariesDecodes)
{
    SpiFolder folder;
    folder.Add(QStringLiteral("palette.spi"));
    folder.Add(QStringLiteral("palette2.spi"));
    const QString picture = folder.Write(QStringLiteral("p.tst"), TestPicture("TPAL", 4, 1));

    TSpiHost host;
    LoadPlugins(host, folder.Path());
    ASSERT_TRUE(SelectPlugin(host, picture));
    EXPECT_EQ(host.Selected(), host.Plugins().at(0));
    EXPECT_EQ(TestCalls(*host.Plugins().at(1)), 0);   // never reached
    ASSERT_TRUE(DecodeWithPlugin(host));

    const int shift = folder.ListedOrder().front() == QStringLiteral("palette.spi") ? 0 : 128;
    EXPECT_EQ(host.WorkBitmap->pixel(1, 0), Rgb(TestPaletteColour(1, shift)));
}

TEST(SpiSelect, NoAcceptingPluginAnswersNoAndKeepsSelected)
{
    SpiFolder folder;
    folder.Add(QStringLiteral("declines.spi"));
    folder.Add(QStringLiteral("palette.spi"));
    const QString accepted = folder.Write(QStringLiteral("p.tst"), TestPicture("TPAL", 2, 2));
    const QString other = folder.Write(QStringLiteral("q.tst"), TestPicture("T24D", 2, 2));

    TSpiHost host;
    LoadPlugins(host, folder.Path());
    ASSERT_TRUE(SelectPlugin(host, accepted));
    TSpiPlugin* const chosen = host.Selected().get();
    EXPECT_FALSE(SelectPlugin(host, other));
    EXPECT_EQ(host.Selected().get(), chosen);
    EXPECT_EQ(host.CurrentFile, other);
    // The accepted file stopped at the accepting library; the refused one asked both.
    int asked = 0;
    for (const TSpiPluginPtr& p : host.Plugins()) asked += TestCalls(*p);
    const int askedForAccepted = folder.ListedOrder().front() == QStringLiteral("palette.spi") ? 1 : 2;
    EXPECT_EQ(asked, askedForAccepted + 2);
}

TEST(SpiSelect, EmptyListAnswersNo)
{
    TSpiHost host;
    EXPECT_FALSE(SelectPlugin(host, QStringLiteral("/nowhere/p.png")));
}

TEST(SpiSelect, DescriptorsAreClosedAndMissingFilesRefused)
{
    SpiFolder folder;
    folder.Add(QStringLiteral("declines.spi"));
    folder.Add(QStringLiteral("palette.spi"));
    const QString picture = folder.Write(QStringLiteral("p.tst"), TestPicture("T24D", 2, 2));
    TSpiHost host;
    LoadPlugins(host, folder.Path());

    const int before = OpenDescriptorCount();
    for (int i = 0; i < 20; ++i) EXPECT_FALSE(SelectPlugin(host, picture));
    EXPECT_EQ(OpenDescriptorCount(), before);

    // The plug-in gets -1 for a file that cannot be opened and refuses it.
    EXPECT_FALSE(SelectPlugin(host, folder.Path(QStringLiteral("missing.tst"))));
}

// ---- decoding ----

TEST(SpiDecode, PaletteBottomUpPicture)
{
    SpiFolder folder;
    folder.Add(QStringLiteral("palette.spi"));
    const QString picture = folder.Write(QStringLiteral("p.tst"), TestPicture("TPAL", 5, 3));
    TSpiHost host;
    LoadPlugins(host, folder.Path());
    ASSERT_TRUE(SelectPlugin(host, picture));
    ASSERT_TRUE(DecodeWithPlugin(host));

    const QImage& image = *host.WorkBitmap;
    EXPECT_EQ(image.format(), QImage::Format_RGB32);
    EXPECT_EQ(host.WorkFormat, TPixelFormat::pfDevice);
    ASSERT_EQ(image.size(), QSize(5, 3));
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x) EXPECT_EQ(image.pixel(x, y), Rgb(TestPaletteColour((x + 2 * y) % 4, 0)));
}

TEST(SpiDecode, TopDown24BitPicture)
{
    SpiFolder folder;
    folder.Add(QStringLiteral("TOPDOWN.SPI"));
    const QString picture = folder.Write(QStringLiteral("p.raw"), TestPicture("T24D", 4, 3));
    TSpiHost host;
    LoadPlugins(host, folder.Path());
    ASSERT_TRUE(SelectPlugin(host, picture));
    ASSERT_TRUE(DecodeWithPlugin(host));
    ASSERT_EQ(host.WorkBitmap->size(), QSize(4, 3));
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x) EXPECT_EQ(host.WorkBitmap->pixel(x, y), Rgb(TestTopDownColour(x, y)));
}

TEST(SpiDecode, GetPictureFailingAfterInfoLeavesSizedEmptyBitmap)
{
    SpiFolder folder;
    folder.Add(QStringLiteral("failing.spi"));
    const QString picture = folder.Write(QStringLiteral("p.tst"), TestPicture("TFAI", 6, 4));
    TSpiHost host;
    LoadPlugins(host, folder.Path());
    ASSERT_TRUE(SelectPlugin(host, picture));
    EXPECT_FALSE(DecodeWithPlugin(host));
    ASSERT_NE(host.WorkBitmap, nullptr);
    EXPECT_EQ(host.WorkBitmap->size(), QSize(6, 4));
}

TEST(SpiDecode, PluginWithoutGetPictureInfoOrSelectionAnswersNo)
{
    SpiFolder folder;
    folder.Add(QStringLiteral("noinfo.spi"));
    const QString picture = folder.Write(QStringLiteral("p.tst"), TestPicture("TPAL", 2, 2));
    TSpiHost host;
    host.CurrentFile = picture;
    EXPECT_FALSE(DecodeWithPlugin(host));   // nothing selected yet
    LoadPlugins(host, folder.Path());
    ASSERT_TRUE(SelectPlugin(host, picture));
    EXPECT_FALSE(DecodeWithPlugin(host));
}

struct MalformedCase {
    const char* name;
    int width;
    int height;
    MalformedMode mode;
};

// Block contents are checked in SpiDibTest; here the real block sizes and the freeing.
TEST(SpiDecode, MalformedAnswersAreRefusedSafely)
{
    const MalformedCase cases[] = {
        {"null header block", 3, 2, MalformedMode::NullHeader},
        {"null bits block", 3, 2, MalformedMode::NullBits},
        {"header size beyond its block", 3, 2, MalformedMode::HeaderLargerThanBlock},
        {"colour table beyond its block", 3, 2, MalformedMode::TableBeyondBlock},
        // A block short by less than the allocator's rounding cannot be told from a full one;
        // reading it stays inside the block. A missing row is refused.
        {"bits block a row short", 40, 20, MalformedMode::BitsTooShort},
        {"header height disagrees", 3, 2, MalformedMode::HeightDisagrees},
        {"zero width reported", 0, 2, MalformedMode::NullHeader},
        {"negative height reported", 3, -2, MalformedMode::NullHeader},
        {"area beyond the limit", 70000, 70000, MalformedMode::NullHeader},
    };
    SpiFolder folder;
    folder.Add(QStringLiteral("malformed.Spi"));
    TSpiHost host;
    LoadPlugins(host, folder.Path());
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QString picture = folder.Write(QStringLiteral("p.tst"), TestPicture("TMAL", c.width, c.height, c.mode));
        ASSERT_TRUE(SelectPlugin(host, picture));
        EXPECT_FALSE(DecodeWithPlugin(host));
    }
}

// ---- the loader's plug-in branch ----

TEST(SpiBranch, TwoPluginPicturesInARow)
{
    SpiFolder folder;
    folder.Add(QStringLiteral("palette.spi"));
    folder.Add(QStringLiteral("TOPDOWN.SPI"));
    const QString first = folder.Write(QStringLiteral("a.tst"), TestPicture("TPAL", 3, 2));
    const QString second = folder.Write(QStringLiteral("b.tst"), TestPicture("T24D", 4, 4));
    TSpiHost host;
    LoadPlugins(host, folder.Path());

    QImage image;
    TPixelFormat format = TPixelFormat::pf8bit;
    ASSERT_TRUE(TryPluginDecode(&host, first, image, format));
    EXPECT_EQ(image.size(), QSize(3, 2));
    EXPECT_EQ(format, TPixelFormat::pfDevice);
    EXPECT_EQ(host.WorkBitmap, nullptr);

    ASSERT_TRUE(TryPluginDecode(&host, second, image, format));
    EXPECT_EQ(image.size(), QSize(4, 4));
    EXPECT_EQ(image.pixel(3, 2), Rgb(TestTopDownColour(3, 2)));
    EXPECT_EQ(host.WorkBitmap, nullptr);
}

TEST(SpiBranch, FailuresLeaveThePictureAlone)
{
    SpiFolder folder;
    folder.Add(QStringLiteral("failing.spi"));
    folder.Add(QStringLiteral("declines.spi"));
    const QString failing = folder.Write(QStringLiteral("f.tst"), TestPicture("TFAI", 2, 2));
    const QString unknown = folder.Write(QStringLiteral("u.tst"), TestPicture("XXXX", 2, 2));
    const QString emf = folder.Write(QStringLiteral("m.emf"), TestPicture("TFAI", 2, 2));
    TSpiHost host;
    LoadPlugins(host, folder.Path());

    const QImage original(1, 1, QImage::Format_RGB32);
    for (const QString& file : {failing, unknown, emf}) {
        SCOPED_TRACE(file.toStdString());
        QImage image = original;
        TPixelFormat format = TPixelFormat::pf8bit;
        EXPECT_FALSE(TryPluginDecode(&host, file, image, format));
        EXPECT_EQ(image, original);
        EXPECT_EQ(format, TPixelFormat::pf8bit);
    }
    QImage image;
    TPixelFormat format = TPixelFormat::pf8bit;
    EXPECT_FALSE(TryPluginDecode(nullptr, failing, image, format));
}

TEST(SpiBranch, BuiltinExtensionsGoThroughTheBuiltinReader)
{
    TSpiHost host;
    int reads = 0;
    QImage delivered(2, 3, QImage::Format_Indexed8);
    delivered.setColorCount(2);
    delivered.fill(0);
    host.BuiltinReader = [&](const QString& name, QImage& image, TPixelFormat& format) {
        ++reads;
        if (name.endsWith(QStringLiteral("bad.emf"))) throw std::runtime_error("not a bitmap");
        if (name.endsWith(QStringLiteral("empty.emf"))) return;
        image = delivered;
        format = TPixelFormat::pf8bit;
    };

    QImage image;
    TPixelFormat format = TPixelFormat::pfDevice;
    ASSERT_TRUE(TryPluginDecode(&host, QStringLiteral("/p/good.EMF"), image, format));
    EXPECT_EQ(image.size(), QSize(2, 3));
    EXPECT_EQ(format, TPixelFormat::pf8bit);

    image = QImage();
    EXPECT_FALSE(TryPluginDecode(&host, QStringLiteral("/p/bad.emf"), image, format));
    EXPECT_FALSE(TryPluginDecode(&host, QStringLiteral("/p/empty.emf"), image, format));
    EXPECT_TRUE(image.isNull());
    EXPECT_EQ(reads, 3);

    // Without a reader the built-in extensions are left to the loader's own reader.
    host.BuiltinReader = nullptr;
    EXPECT_FALSE(TryPluginDecode(&host, QStringLiteral("/p/good.emf"), image, format));
}

} // namespace

namespace {

// The example of the plug-in documentation, built from the page, works as documented.
TEST(SpiDocExample, GreyFormatDecodes)
{
    SpiFolder folder;
    folder.Add(QStringLiteral("docexample.spi"));
    QByteArray file("GREY");
    for (uint32_t v : {3u, 2u})
        for (int i = 0; i < 4; ++i) file.append(char(v >> (8 * i)));
    file.append(QByteArray::fromHex("00406080ffc0"));
    const QString picture = folder.Write(QStringLiteral("g.grey"), file);

    TSpiHost host;
    LoadPlugins(host, folder.Path());
    QImage image;
    TPixelFormat format = TPixelFormat::pf8bit;
    ASSERT_TRUE(TryPluginDecode(&host, picture, image, format));
    ASSERT_EQ(image.size(), QSize(3, 2));
    EXPECT_EQ(image.pixel(0, 0), qRgb(0, 0, 0));
    EXPECT_EQ(image.pixel(2, 0), qRgb(0x60, 0x60, 0x60));
    EXPECT_EQ(image.pixel(0, 1), qRgb(0x80, 0x80, 0x80));
    EXPECT_EQ(image.pixel(2, 1), qRgb(0xC0, 0xC0, 0xC0));

    EXPECT_FALSE(TryPluginDecode(&host, folder.Write(QStringLiteral("t.grey"), file.left(15)), image, format));
}

} // namespace
