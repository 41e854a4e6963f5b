#include "platform/ProfileFile.h"
#include "support/FileAccess.h"
#include "support/TestFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <gtest/gtest.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QByteArray ReadAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

struct IntegerCase {
    const char* name;
    const char* stored;  // nullptr: key absent
    int expected;
};
// Keeps test names short in the runner's listing.
inline void PrintTo(const IntegerCase& c, std::ostream* os) { *os << c.name; }


class ReadIntegerTest : public ::testing::TestWithParam<IntegerCase> {};

TEST_P(ReadIntegerTest, FollowsTheProfileRules)
{
    TestFolder folder;
    QByteArray text = "[WINDOW]\n";
    if (GetParam().stored)
        text += QByteArray("LEFT=") + GetParam().stored + "\n";
    ProfileFile file(folder.Write("v.INI", text));
    EXPECT_EQ(file.ReadInteger("WINDOW", "LEFT", 77), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Values, ReadIntegerTest, ::testing::Values(
    IntegerCase{"Decimal", "192", 192},
    IntegerCase{"Negative", "-50", -50},
    IntegerCase{"PlusSign", "+5", 5},
    IntegerCase{"SpacesAroundAreTrimmed", "  12  ", 12},
    IntegerCase{"HexLower", "0x1f", 31},
    IntegerCase{"HexUpperPrefix", "0X1F", 31},
    IntegerCase{"HexZero", "0x0", 0},
    IntegerCase{"HexFullWidthWrapsToMinusOne", "0xFFFFFFFF", -1},
    IntegerCase{"HexTooWideIsDefault", "0x100000000", 77},
    IntegerCase{"HexPrefixAloneIsDefault", "0x", 77},
    IntegerCase{"HexBadDigitIsDefault", "0x1G", 77},
    IntegerCase{"IntMax", "2147483647", 2147483647},
    IntegerCase{"IntMin", "-2147483648", -2147483647 - 1},
    IntegerCase{"OverflowIsDefault", "2147483648", 77},
    IntegerCase{"TrailingTextIsDefault", "12abc", 77},
    IntegerCase{"WordIsDefault", "abc", 77},
    IntegerCase{"EmptyIsDefault", "", 77},
    IntegerCase{"SignAloneIsDefault", "-", 77},
    IntegerCase{"AbsentIsDefault", nullptr, 77}),
    [](const auto& info) { return std::string(info.param.name); });

struct BoolCase {
    const char* name;
    const char* stored;
    bool defaultValue;
    bool expected;
};
// Keeps test names short in the runner's listing.
inline void PrintTo(const BoolCase& c, std::ostream* os) { *os << c.name; }


class ReadBoolTest : public ::testing::TestWithParam<BoolCase> {};

TEST_P(ReadBoolTest, IsAnInteger)
{
    TestFolder folder;
    QByteArray text = "[DEBUG]\n";
    if (GetParam().stored)
        text += QByteArray("MULTICHECK=") + GetParam().stored + "\n";
    ProfileFile file(folder.Write("v.INI", text));
    EXPECT_EQ(file.ReadBool("DEBUG", "MULTICHECK", GetParam().defaultValue), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Values, ReadBoolTest, ::testing::Values(
    BoolCase{"ZeroIsFalse", "0", true, false},
    BoolCase{"OneIsTrue", "1", false, true},
    BoolCase{"TwoIsTrue", "2", false, true},
    BoolCase{"MinusOneIsTrue", "-1", false, true},
    BoolCase{"HexZeroIsFalse", "0x0", true, false},
    BoolCase{"WordTrueIsDefault", "true", false, false},
    BoolCase{"GarbageKeepsTrueDefault", "yes", true, true},
    BoolCase{"AbsentKeepsDefault", nullptr, true, true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ProfileFileRead, NamesMatchWithoutRegardToCase)
{
    TestFolder folder;
    ProfileFile file(folder.Write("v.INI", "[Pic_Select]\nsplithpos=185\n[other]\nDistPath=/srv/pictures\n"));
    EXPECT_EQ(file.ReadInteger("PIC_SELECT", "SplitHpos", 0), 185);
    EXPECT_EQ(file.ReadString("OTHER", "DISTPATH", "-"), "/srv/pictures");
}

TEST(ProfileFileRead, TextsKeepUtf8AndEmptyValuesAndStopAt2047Characters)
{
    TestFolder folder;
    const QString japanese = QString::fromUtf8("ﾃｽﾄ写真フォルダ");
    const QString longText = QString(2999, QLatin1Char('a')) + QLatin1Char('z');
    // A character outside the basic plane counts as one character, not two.
    const QString astral = QString(2046, QLatin1Char('b')) + QString::fromUtf8("\xF0\x9F\x93\xB7") + "cc";
    ProfileFile file(folder.Write("v.INI", "[APPLICATIONS]\nNAME1=" + japanese.toUtf8() + "\nNAME2=\nNAME3=" +
                                               longText.toUtf8() + "\nNAME4=" + astral.toUtf8() + "\n"));
    EXPECT_EQ(file.ReadString("APPLICATIONS", "NAME1", "-"), japanese);
    EXPECT_EQ(file.ReadString("APPLICATIONS", "NAME2", "-"), QString());
    EXPECT_EQ(file.ReadString("APPLICATIONS", "NAME3", "-"), QString(2047, QLatin1Char('a')));
    EXPECT_EQ(file.ReadString("APPLICATIONS", "NAME4", "-"), astral.left(2048));
    EXPECT_EQ(file.ReadString("APPLICATIONS", "NAME9", "-"), "-");
}

TEST(ProfileFileRead, MissingOrBrokenFileReadsAsEmpty)
{
    TestFolder folder;
    ProfileFile missing(folder.Path("none/v.INI"));
    EXPECT_EQ(missing.ReadInteger("WINDOW", "LEFT", 192), 192);
    ProfileFile folderPath(folder.Path());
    EXPECT_EQ(folderPath.ReadString("OTHER", "DISTPATH", "~"), "~");
    EXPECT_FALSE(missing.Unreadable());
    EXPECT_TRUE(folderPath.Unreadable());
}

TEST(ProfileFileWrite, FileThatCouldNotBeReadIsNeverReplaced)
{
    TestFolder folder;
    const QByteArray text = "[STYLE]\nTATE=1\n";
    const QString path = folder.Write("v.INI", text);
    ::chmod(QFile::encodeName(path).constData(), 0);
    ::chmod(QFile::encodeName(folder.Path()).constData(), 0755);  // nobody may look inside
    std::unique_ptr<ProfileFile> file;
    {
        const FileAccessAsNobody nobody;
        ASSERT_TRUE(nobody.Active());
        file = std::make_unique<ProfileFile>(path);
    }
    EXPECT_TRUE(file->Unreadable());
    EXPECT_FALSE(file->ReadBool("STYLE", "TATE", false));
    file->WriteBool("STYLE", "TATE", false);
    EXPECT_THROW(file->UpdateFile(), EIniFileException);
    ::chmod(QFile::encodeName(path).constData(), 0644);
    EXPECT_EQ(ReadAll(path), text);
}

TEST(ProfileFileRead, DuplicateKeyReadsTheFirst)
{
    TestFolder folder;
    ProfileFile file(folder.Write("v.INI", "[STYLE]\nTATE=1\ntate=0\n"));
    EXPECT_TRUE(file.ReadBool("STYLE", "TATE", false));
}

TEST(ProfileFileWrite, BooleanTwoReadsTrueAndIsWrittenBackAsOne)
{
    TestFolder folder;
    const QString path = folder.Write("v.INI", "[STYLE]\nTATE=2\n");
    {
        ProfileFile file(path);
        const bool tate = file.ReadBool("STYLE", "TATE", false);
        EXPECT_TRUE(tate);
        file.WriteBool("STYLE", "TATE", tate);
        file.UpdateFile();
    }
    EXPECT_EQ(ReadAll(path), "[STYLE]\nTATE=1\n");
    ProfileFile again(path);
    again.WriteBool("style", "tate", false);
    again.UpdateFile();
    EXPECT_EQ(ReadAll(path), "[STYLE]\nTATE=0\n");
}

TEST(ProfileFileWrite, KeepsUnknownSectionsKeysAndComments)
{
    TestFolder folder;
    const QString path = folder.Write("v.INI",
                                      "; written by hand\n"
                                      "\n"
                                      "[WINDOW]\n"
                                      "; where the window was\n"
                                      "LEFT=10\n"
                                      "Extra=keep me\n"
                                      "[MINE]\n"
                                      "colour=blue\n"
                                      "; closing remark\n");
    ProfileFile file(path);
    file.WriteInteger("window", "left", -5);
    file.WriteString("OTHER", "DISTPATH", "/home/u/Pictures");
    file.UpdateFile();

    ProfileFile reread(path);
    EXPECT_EQ(reread.ReadInteger("WINDOW", "LEFT", 0), -5);
    EXPECT_EQ(reread.ReadString("WINDOW", "Extra", ""), "keep me");
    EXPECT_EQ(reread.ReadString("MINE", "colour", ""), "blue");
    EXPECT_EQ(reread.ReadString("OTHER", "DISTPATH", ""), "/home/u/Pictures");
    const QByteArray text = ReadAll(path);
    for (const char* comment : {"; written by hand\n", "; where the window was\n", "; closing remark\n"})
        EXPECT_TRUE(text.contains(comment)) << comment << " missing from\n" << text.constData();
    // The edited key stays in its place in its section, under its original spelling.
    EXPECT_LT(text.indexOf("LEFT=-5"), text.indexOf("Extra=keep me"));
}

TEST(ProfileFileWrite, TextWithLineBreakStaysOneValue)
{
    TestFolder folder;
    const QString path = folder.Path("v.INI");
    ProfileFile file(path);
    file.WriteString("APPLICATIONS", "NAME1", "two\nlines");
    file.WriteString("APPLICATIONS", "NAME2", "next");
    file.UpdateFile();
    ProfileFile reread(path);
    EXPECT_EQ(reread.ReadString("APPLICATIONS", "NAME1", ""), "two lines");
    EXPECT_EQ(reread.ReadString("APPLICATIONS", "NAME2", ""), "next");
}

TEST(ProfileFileWrite, NothingWrittenLeavesTheFileAlone)
{
    TestFolder folder;
    ProfileFile file(folder.Path("v.INI"));
    file.UpdateFile();
    EXPECT_FALSE(QFileInfo::exists(folder.Path("v.INI")));
}

TEST(ProfileFileWrite, CreatesTheFolderAndLeavesNoTemporaryFile)
{
    TestFolder folder;
    const QString path = folder.Path("config/velumira/velumira.INI");
    ProfileFile file(path);
    file.WriteInteger("WINDOW", "WIDTH", 640);
    file.UpdateFile();
    EXPECT_EQ(QDir(folder.Path("config/velumira")).entryList(QDir::Files | QDir::Hidden | QDir::System),
              QStringList{"velumira.INI"});
}

TEST(ProfileFileWrite, FailureThrowsNamingTheFileAndLeavesNoTemporaryFile)
{
    TestFolder folder;
    // A folder in the target's place: the rename over it fails, whoever runs the test.
    QDir().mkpath(folder.Path("v.INI"));
    ProfileFile file(folder.Path("v.INI"));
    file.WriteInteger("WINDOW", "TOP", 1);
    try {
        file.UpdateFile();
        FAIL() << "no exception";
    } catch (const EIniFileException& e) {
        EXPECT_TRUE(QString::fromUtf8(e.what()).contains(folder.Path("v.INI"))) << e.what();
    }
    EXPECT_EQ(QDir(folder.Path()).entryList(QDir::Files | QDir::Hidden | QDir::System), QStringList());

    // A path under a plain file cannot get its folder.
    folder.Write("plain", "x");
    ProfileFile underFile(folder.Path("plain/v.INI"));
    underFile.WriteInteger("WINDOW", "TOP", 1);
    EXPECT_THROW(underFile.UpdateFile(), EIniFileException);
}

TEST(ProfileFileWrite, ReadOnlyFolderOrFileIsRefused)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "permission bits do not stop the superuser";
    TestFolder folder;
    const QString path = folder.Write("ro/v.INI", "[STYLE]\nTATE=0\n");
    ::chmod(QFile::encodeName(path).constData(), 0444);
    ProfileFile readOnlyFile(path);
    readOnlyFile.WriteBool("STYLE", "TATE", true);
    EXPECT_THROW(readOnlyFile.UpdateFile(), EIniFileException);
    ::chmod(QFile::encodeName(path).constData(), 0644);

    ::chmod(QFile::encodeName(folder.Path("ro")).constData(), 0555);
    ProfileFile inReadOnlyFolder(path);
    inReadOnlyFolder.WriteBool("STYLE", "TATE", true);
    EXPECT_THROW(inReadOnlyFolder.UpdateFile(), EIniFileException);
    ::chmod(QFile::encodeName(folder.Path("ro")).constData(), 0755);
    EXPECT_EQ(ReadAll(path), "[STYLE]\nTATE=0\n");
    EXPECT_EQ(QDir(folder.Path("ro")).entryList(QDir::Files | QDir::Hidden | QDir::System), QStringList{"v.INI"});
}

struct PathCase {
    const char* name;
    const char* executable;  // relative to the test folder
    const char* expected;
};
// Keeps test names short in the runner's listing.
inline void PrintTo(const PathCase& c, std::ostream* os) { *os << c.name; }


class SettingsFilePathTest : public ::testing::TestWithParam<PathCase> {};

TEST_P(SettingsFilePathTest, ReplacesTheExtension)
{
    TestFolder folder;
    QDir().mkpath(folder.Path("build/x.d"));
    EXPECT_EQ(SettingsFilePath(folder.Path(GetParam().executable)), folder.Path(GetParam().expected));
}

INSTANTIATE_TEST_SUITE_P(Names, SettingsFilePathTest, ::testing::Values(
    PathCase{"NoExtensionAppends", "build/velumira", "build/velumira.INI"},
    PathCase{"ExtensionReplaced", "build/velumira.bin", "build/velumira.INI"},
    PathCase{"OnlyLastExtension", "build/velumira.v2.run", "build/velumira.v2.INI"},
    PathCase{"DotInFolderIsNotAnExtension", "build/x.d/velumira", "build/x.d/velumira.INI"},
    PathCase{"LeadingDotIsTheName", "build/.velumira", "build/.velumira.INI"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SettingsFilePath, UnwritableFolderFallsBackToTheConfigurationFolder)
{
    QStandardPaths::setTestModeEnabled(true);
    const QString expected =
        QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation) + QStringLiteral("/velumira.INI");
    TestFolder folder;
    // A folder that does not exist cannot take the file either.
    EXPECT_EQ(SettingsFilePath(folder.Path("gone/velumira")), expected);
    // Installed copies, whoever runs them.
    EXPECT_EQ(SettingsFilePath("/usr/bin/velumira"), expected);
    EXPECT_EQ(SettingsFilePath("/usr/local/bin/velumira"), expected);
    if (::geteuid() != 0) {
        QDir().mkpath(folder.Path("ro"));
        ::chmod(QFile::encodeName(folder.Path("ro")).constData(), 0555);
        EXPECT_EQ(SettingsFilePath(folder.Path("ro/velumira")), expected);
        ::chmod(QFile::encodeName(folder.Path("ro")).constData(), 0755);
    }
    QStandardPaths::setTestModeEnabled(false);
}

}  // namespace
