#include "viewer/MainSettings.h"

#include "loading/PluginLoad.h"
#include "platform/ProfileFile.h"
#include "support/TestFolder.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

namespace {

constexpr QSize kScreen{1280, 1024};

class MainSettings : public ::testing::Test {
protected:
    QString Path() const { return folder.Path("velumira.INI"); }
    TMainSettings ReadText(const QByteArray& text, QSize screen = kScreen) const
    {
        folder.Write("velumira.INI", text);
        return TMainSettings::Read(ProfileFile(Path()), TMainSettings::kDesignBounds, screen);
    }
    // Writes the value with a chooser that puts one key into its section.
    void Write(const TMainSettings& settings) const
    {
        ProfileFile file(Path());
        settings.Write(file, [](ProfileFile& f, const QString& section) {
            f.WriteString(section, QStringLiteral("Directory"), QStringLiteral("/pics"));
        });
    }
    QByteArray Text() const
    {
        QFile f(Path());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<none>");
    }
    TestFolder folder;
};

TEST_F(MainSettings, NoFileGivesTheDefaults)
{
    const QRect current(300, 200, 700, 500);
    const TMainSettings s = TMainSettings::Read(ProfileFile(Path()), current, kScreen);
    for (int slot = 0; slot < kAppSlotCount; ++slot) {
        EXPECT_EQ(s.AppNames[slot], QStringLiteral("-")) << slot;
        EXPECT_EQ(s.AppPaths[slot], QStringLiteral("-")) << slot;
    }
    EXPECT_FALSE(s.Tate);
    EXPECT_EQ(s.Bounds, current) << "the window's bounds so far";
    EXPECT_EQ(s.SpiDirectory, DefaultPluginFolder());
    EXPECT_EQ(s.DistPath, QDir::homePath());
    EXPECT_FALSE(s.FileUnreadable) << "a missing file is no unreadable one";
}

struct BoundsCase {
    const char* name;
    const char* window;
    QSize screen;
    QRect expected;
};
// Keeps test names short in the runner's listing.
inline void PrintTo(const BoundsCase& c, std::ostream* os) { *os << c.name; }

class BoundsTable : public MainSettings, public ::testing::WithParamInterface<BoundsCase> {};

TEST_P(BoundsTable, PulledOntoTheScreen)
{
    EXPECT_EQ(ReadText(QByteArray("[WINDOW]\n") + GetParam().window, GetParam().screen).Bounds, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    MainSettings, BoundsTable,
    ::testing::Values(
        BoundsCase{"OffTheTopLeftAndBelowTheScreen", "LEFT=-50\nTOP=5000\n", {1024, 768}, {0, 688, 640, 454}},
        BoundsCase{"PastTheRightEdge", "LEFT=2000\n", {1024, 768}, {924, 120, 640, 454}},
        BoundsCase{"NarrowerThanDesigned", "WIDTH=300\n", {1280, 1024}, {192, 120, 640, 454}},
        BoundsCase{"WiderThanTheScreen", "WIDTH=3000\n", {1280, 1024}, {192, 120, 1280, 454}},
        BoundsCase{"TallerThanTheScreen", "HEIGHT=5000\n", {1280, 1024}, {192, 120, 640, 1024}},
        BoundsCase{"HexadecimalAndGarbage", "LEFT=0x10\nTOP=abc\nWIDTH=700\nHEIGHT=500\n", {1280, 1024},
                   {16, 120, 700, 500}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(MainSettings, AnyNonZeroStyleIsTrueAndWrittenAsOne)
{
    const TMainSettings s = ReadText("[STYLE]\nTATE=2\n");
    EXPECT_TRUE(s.Tate);
    Write(s);
    EXPECT_EQ(ProfileFile(Path()).ReadString("STYLE", "TATE", "<absent>"), QStringLiteral("1"));
}

TEST_F(MainSettings, NewFileHoldsTheKeysInTheirOrderWithTheChooserBeforeTheOrganiseFolder)
{
    TMainSettings s = ReadText("");
    s.AppNames[7] = QStringLiteral("Last");
    s.AppPaths[0] = QStringLiteral("/opt/first");
    s.Tate = true;
    s.Bounds = QRect(-3, 4, 500, 600);
    s.SpiDirectory = QStringLiteral("/opt/spi");
    s.DistPath = QStringLiteral("/srv/sorted");
    QFile::remove(Path());
    Write(s);
    EXPECT_EQ(Text(), QByteArray("[APPLICATIONS]\n"
                                 "NAME1=-\nPATH1=/opt/first\nNAME2=-\nPATH2=-\nNAME3=-\nPATH3=-\n"
                                 "NAME4=-\nPATH4=-\nNAME5=-\nPATH5=-\nNAME6=-\nPATH6=-\n"
                                 "NAME7=-\nPATH7=-\nNAME8=Last\nPATH8=-\n\n"
                                 "[STYLE]\nTATE=1\n\n"
                                 "[WINDOW]\nLEFT=-3\nTOP=4\nWIDTH=500\nHEIGHT=600\n\n"
                                 "[SUSIE]\nSPIDIR=/opt/spi\n\n"
                                 "[PIC_SELECT]\nDirectory=/pics\n\n"
                                 "[OTHER]\nDISTPATH=/srv/sorted\n"));
}

TEST_F(MainSettings, ReadAndWriteLeaveEverythingElseInPlace)
{
    const TMainSettings s = ReadText("; head\n[MINE]\nx=1\n[WINDOW]\nwidth=5000\nLEFT=-4\n"
                                     "[OTHER]\nDISTPATH=/srv\n; tail\n[STYLE]\nTATE=7\n; end comment\n",
                                     QSize(1024, 768));
    EXPECT_EQ(s.DistPath, QStringLiteral("/srv"));
    Write(s);
    // Known keys keep their spelling and place, new ones follow in their order.
    EXPECT_TRUE(Text().startsWith("; head\n\n[MINE]\nx=1\n\n[WINDOW]\nwidth=1024\nLEFT=0\nTOP=120\nHEIGHT=454\n\n"
                                  "[OTHER]\nDISTPATH=/srv\n\n; tail\n[STYLE]\nTATE=1\n\n[APPLICATIONS]\nNAME1=-\n"))
        << Text().constData();
    EXPECT_TRUE(Text().endsWith("[PIC_SELECT]\nDirectory=/pics\n; end comment\n")) << Text().constData();
}

TEST_F(MainSettings, FileThatCouldNotBeReadGivesTheDefaultsAndIsNeverWritten)
{
    // A folder where the file should be exists but cannot be read as one.
    QDir().mkpath(Path());
    const TMainSettings s = TMainSettings::Read(ProfileFile(Path()), TMainSettings::kDesignBounds, kScreen);
    EXPECT_TRUE(s.FileUnreadable);
    EXPECT_EQ(s.DistPath, QDir::homePath());
    EXPECT_THROW(Write(s), EIniFileException);
}

TEST_F(MainSettings, FileReadableAgainAtTheCloseIsStillNotWritten)
{
    const QByteArray text = "[OTHER]\nDISTPATH=/srv/sorted\n";
    TMainSettings s = ReadText(text);
    s.FileUnreadable = true;  // as when the first show could not read it
    try {
        Write(s);
        ADD_FAILURE() << "written over the file";
    } catch (const EIniFileException& e) {
        EXPECT_TRUE(QString::fromStdString(e.what()).startsWith(QStringLiteral("設定ファイル \"%1\" に書き込めません: ").arg(Path())));
    }
    EXPECT_EQ(Text(), text);
}

}  // namespace
