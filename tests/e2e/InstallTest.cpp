// `cmake --install` into a temporary prefix lays the program out as a Linux desktop expects,
// and the installed copy finds its shipped plug-ins from wherever the prefix is.
#include "e2e/RunningViewer.h"
#include "e2e/ScreenProbe.h"
#include "e2e/XSession.h"
#include "support/TestFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QStandardPaths>

#include <gtest/gtest.h>
#include <memory>

namespace {

// Runs a tool to its end outside any X server.
ToolResult RunTool(const QString& program, const QStringList& args)
{
    QProcess p;
    p.start(program, args);
    return FinishProcess(p, 120000);
}

class InstalledCopy : public ::testing::Test {
protected:
    // One install per program run: it copies the whole build output.
    static void SetUpTestSuite()
    {
        FPrefix = std::make_unique<TestFolder>();
        FInstall = RunTool(QStringLiteral(VELUMIRA_CMAKE),
                           {QStringLiteral("--install"), QStringLiteral(VELUMIRA_BUILD_DIR), QStringLiteral("--prefix"),
                            FPrefix->Path()});
    }
    static void TearDownTestSuite() { FPrefix.reset(); }

    void SetUp() override
    {
        ASSERT_TRUE(FInstall.finished && FInstall.exitCode == 0) << FInstall.out.toStdString() << FInstall.err.toStdString();
    }

    static QString Installed(const QString& relative) { return FPrefix->Path(relative); }

    static inline std::unique_ptr<TestFolder> FPrefix;
    static inline ToolResult FInstall;
};

TEST_F(InstalledCopy, FilesWhereTheDesktopLooksForThem)
{
    struct Expected {
        const char* path;
        bool executable;
    };
    const Expected files[] = {
        {"bin/velumira", true},
        {"bin/velumira-info", true},
        {"lib/velumira/velumira-info-focus.so", false},
        {"share/applications/velumira.desktop", false},
        {"share/icons/hicolor/scalable/apps/velumira.svg", false},
        {"share/man/man1/velumira.1", false},
        {"share/man/man1/velumira-info.1", false},
        {"share/mime/packages/velumira-pef.xml", false},
    };
    for (const Expected& f : files) {
        const QFileInfo info(Installed(QString::fromLatin1(f.path)));
        EXPECT_TRUE(info.isFile()) << f.path;
        EXPECT_EQ(info.isExecutable(), f.executable) << f.path;
    }
    const QStringList plugins = QDir(Installed(QStringLiteral("lib/velumira/plugins")))
                                    .entryList({QStringLiteral("*.spi")}, QDir::Files);
    EXPECT_TRUE(plugins.contains(QStringLiteral("png.spi"))) << plugins.join(' ').toStdString();

    // The installed velumira-info finds its --focus module from wherever the prefix is.
    TestFolder pictures;
    const QString bmp = pictures.Path(QStringLiteral("edge.bmp"));
    QImage edge(64, 48, QImage::Format_RGB32);
    edge.fill(Qt::black);
    for (int y = 0; y < edge.height(); ++y)
        for (int x = 32; x < edge.width(); ++x)
            edge.setPixel(x, y, 0xFFFFFFFF);
    ASSERT_TRUE(edge.save(bmp, "BMP"));
    const ToolResult focus = RunTool(Installed(QStringLiteral("bin/velumira-info")), {QStringLiteral("--focus"), bmp});
    EXPECT_EQ(focus.exitCode, 0) << focus.err.toStdString();
    EXPECT_TRUE(focus.out.startsWith(bmp + QLatin1Char('\t'))) << focus.out.toStdString();
}

TEST_F(InstalledCopy, DesktopEntryIsValidAndOpensOurFormats)
{
    const QString entry = Installed(QStringLiteral("share/applications/velumira.desktop"));
    const ToolResult check = RunTool(QStringLiteral("desktop-file-validate"), {entry});
    ASSERT_TRUE(check.finished) << "desktop-file-validate (desktop-file-utils) is needed: " << check.err.toStdString();
    EXPECT_EQ(check.exitCode, 0) << check.out.toStdString();
    EXPECT_FALSE(check.out.contains(QStringLiteral("error"))) << check.out.toStdString();

    QFile file(entry);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    const auto value = [&](const QString& key) {
        for (const QString& line : lines)
            if (line.startsWith(key + QLatin1Char('=')))
                return line.mid(key.size() + 1);
        return QString();
    };
    // Several names at once: a file manager hands a whole selection to one start.
    EXPECT_EQ(value(QStringLiteral("Exec")), QStringLiteral("velumira %F"));
    EXPECT_EQ(value(QStringLiteral("Icon")), QStringLiteral("velumira"));
    EXPECT_FALSE(value(QStringLiteral("Name[ja]")).isEmpty());
    EXPECT_FALSE(value(QStringLiteral("Comment")).isEmpty());
    const QStringList types = value(QStringLiteral("MimeType")).split(QLatin1Char(';'), Qt::SkipEmptyParts);
    for (const char* type : {"image/jpeg", "image/x-pentax-pef", "image/bmp", "image/png"})
        EXPECT_TRUE(types.contains(QLatin1String(type))) << type;
    const QStringList categories = value(QStringLiteral("Categories")).split(QLatin1Char(';'), Qt::SkipEmptyParts);
    for (const char* category : {"Graphics", "Viewer", "Photography"})
        EXPECT_TRUE(categories.contains(QLatin1String(category))) << category;
}

TEST_F(InstalledCopy, ManualPagesFormatWithoutWarnings)
{
    for (const char* page : {"share/man/man1/velumira.1", "share/man/man1/velumira-info.1"}) {
        const ToolResult format = RunTool(QStringLiteral("groff"), {QStringLiteral("-man"), QStringLiteral("-Tutf8"),
                                                                    QStringLiteral("-ww"), QStringLiteral("-z"),
                                                                    Installed(QString::fromLatin1(page))});
        if (!format.finished)
            GTEST_SKIP() << "groff is not installed";
        EXPECT_EQ(format.exitCode, 0) << page;
        EXPECT_TRUE(format.err.isEmpty()) << page << ": " << format.err.toStdString();
    }
}

// The shared MIME database accepts our package and learns the PEF type from it.
TEST_F(InstalledCopy, MimePackageBuildsTheDatabase)
{
    if (QStandardPaths::findExecutable(QStringLiteral("update-mime-database")).isEmpty())
        GTEST_SKIP() << "update-mime-database (shared-mime-info) is not installed";
    TestFolder mime;
    ASSERT_TRUE(QDir().mkpath(mime.Path(QStringLiteral("packages"))));
    ASSERT_TRUE(QFile::copy(Installed(QStringLiteral("share/mime/packages/velumira-pef.xml")),
                            mime.Path(QStringLiteral("packages/velumira-pef.xml"))));
    const ToolResult update = RunTool(QStringLiteral("update-mime-database"), {mime.Path()});
    ASSERT_TRUE(update.finished);
    EXPECT_EQ(update.exitCode, 0) << update.err.toStdString();
    EXPECT_TRUE(QFileInfo(mime.Path(QStringLiteral("image/x-pentax-pef.xml"))).isFile());
    QFile globs(mime.Path(QStringLiteral("globs2")));
    ASSERT_TRUE(globs.open(QIODevice::ReadOnly));
    EXPECT_TRUE(globs.readAll().contains("image/x-pentax-pef:*.pef"));
}

// A PNG opens in the installed window only through the plug-in installed beside it.
TEST_F(InstalledCopy, InstalledViewerOpensPngThroughItsPlugins)
{
    const QStringList missing = MissingTools();
    if (!missing.isEmpty())
        GTEST_SKIP() << "not installed: " << missing.join(QLatin1Char(' ')).toStdString();
    XSession x;
    QString error;
    ASSERT_TRUE(x.Start(&error)) << error.toStdString();

    TestFolder pictures;
    constexpr QRgb left = 0xFF30D070;
    constexpr QRgb right = 0xFF7030D0;
    QImage png(600, 400, QImage::Format_RGB32);
    png.fill(right);
    for (int y = 0; y < png.height(); ++y)
        for (int x0 = 0; x0 < png.width() / 2; ++x0)
            png.setPixel(x0, y, left);
    const QString name = pictures.Path(QStringLiteral("split.png"));
    ASSERT_TRUE(png.save(name, "PNG"));

    RunningViewer viewer(x, Installed(QStringLiteral("bin/velumira")), pictures.Path(QStringLiteral("viewer")));
    viewer.WriteSettings("[WINDOW]\nLEFT=0\nTOP=0\nWIDTH=800\nHEIGHT=600\n");
    ASSERT_TRUE(viewer.Start({name}, &error)) << error.toStdString();
    QRect client;
    const bool shown = PollUntil(
        [&] {
            client = LocateClient(x.Screenshot(), viewer.Geometry(), left);
            return !client.isNull();
        },
        15000);
    ASSERT_TRUE(shown) << "the PNG never showed; log:\n" << viewer.LogLines().join('\n').toStdString();
    const QRect control = ImageControlRect(client.size(), 1, 0).translated(client.topLeft());
    const float m = FitMagnification(control.size(), {png.size()});
    const ColourRun run = RowRun(x.Screenshot(), control.top() + 10, control.left() - 4, control.right(), left);
    EXPECT_EQ(run.begin, control.left());
    EXPECT_NEAR(run.end, control.left() + m * png.width() / 2, 2);
}

// The package holds the same layout under /usr and names the libraries the programs and the
// plug-in link against, so that apt pulls them in.
TEST(DebianPackage, HoldsTheProgramsAndDependsOnTheirLibraries)
{
    if (QStandardPaths::findExecutable(QStringLiteral("dpkg-shlibdeps")).isEmpty())
        GTEST_SKIP() << "dpkg-shlibdeps (dpkg-dev) is not installed";
    TestFolder out;
    const ToolResult pack = RunTool(QStringLiteral(VELUMIRA_CPACK),
                                    {QStringLiteral("-G"), QStringLiteral("DEB"), QStringLiteral("--config"),
                                     QStringLiteral(VELUMIRA_BUILD_DIR "/CPackConfig.cmake"), QStringLiteral("-B"), out.Path()});
    ASSERT_TRUE(pack.finished && pack.exitCode == 0) << pack.out.toStdString() << pack.err.toStdString();
    const QString deb = out.Path(QStringLiteral("velumira_0.23_amd64.deb"));
    ASSERT_TRUE(QFileInfo(deb).isFile()) << QDir(out.Path()).entryList().join(' ').toStdString();

    const ToolResult depends = RunTool(QStringLiteral("dpkg-deb"), {QStringLiteral("-f"), deb, QStringLiteral("Depends")});
    ASSERT_EQ(depends.exitCode, 0);
    for (const char* package : {"libqt6widgets6", "libqt6gui6", "libqt6network6", "libqt6core6", "libjpeg62-turbo",
                                "libpng16-16", "libraw20", "libheif1", "libtiff6", "libwebp7", "libwebpdemux2",
                                "libstdc++6", "fonts-noto-cjk", "qt6-translations-l10n"})
        EXPECT_TRUE(depends.out.contains(QLatin1String(package))) << package << " missing from " << depends.out.toStdString();

    const ToolResult contents = RunTool(QStringLiteral("dpkg-deb"), {QStringLiteral("-c"), deb});
    ASSERT_EQ(contents.exitCode, 0);
    for (const char* path : {"./usr/bin/velumira", "./usr/bin/velumira-info", "./usr/lib/velumira/plugins/png.spi",
                             "./usr/lib/velumira/plugins/raw.spi", "./usr/lib/velumira/plugins/heif.spi",
                             "./usr/lib/velumira/velumira-info-focus.so",
                             "./usr/share/applications/velumira.desktop",
                             "./usr/share/icons/hicolor/scalable/apps/velumira.svg"})
        EXPECT_TRUE(contents.out.contains(QLatin1String(path))) << path;
}

}  // namespace
