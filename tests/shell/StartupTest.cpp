#include "shell/Startup.h"

#include "../handoff/RunningWindowThread.h"
#include "handoff/HandoffChannel.h"
#include "support/FakePrompter.h"
#include "support/TestFolder.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>
#include <QTranslator>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

TEST(StartupArguments, AreTheNamesAfterTheProgramUnsplit)
{
    const char* argv[] = {"/usr/bin/velumira", "/My Pictures/a.jpg", "b.jpg", "\"quoted\"", "", "写真.PEF"};
    EXPECT_EQ(StartupArgumentsFrom(6, argv),
              (QStringList{"/My Pictures/a.jpg", "b.jpg", "\"quoted\"", "", QString::fromUtf8("写真.PEF")}));
    EXPECT_EQ(StartupArgumentsFrom(1, argv), QStringList());
    EXPECT_EQ(StartupArgumentsFrom(0, nullptr), QStringList());
}

TEST(HandoffNames, AreMadeAbsoluteAgainstTheSecondStartsFolder)
{
    // Nothing is resolved or checked: links and missing files reach the window as given.
    EXPECT_EQ(HandoffNames({"y.jpg", "/a/x.jpg", "../l/./z.jpg", "", ":r.jpg"}, "/home/b"),
              (QStringList{"/home/b/y.jpg", "/a/x.jpg", "/home/b/../l/./z.jpg", "", "/home/b/:r.jpg"}));
    EXPECT_EQ(HandoffNames({"y.jpg"}, "/"), QStringList{"/y.jpg"});
    EXPECT_EQ(HandoffNames({"y.jpg"}, ""), QStringList{"y.jpg"}) << "an unknown folder guesses nothing";
}

TEST(ToolkitTranslation, BoxesSayYesAndNoInJapaneseUnderAnyLocale)
{
    const QLocale before;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    QTranslator* translator = InstallToolkitTranslation(*qApp);
    QLocale::setDefault(before);
    ASSERT_NE(translator, nullptr) << "qtbase_ja.qm (qt6-translations-l10n) is not installed";
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("確認"), QStringLiteral("?"), QMessageBox::Yes | QMessageBox::No);
    const QString yes = box.button(QMessageBox::Yes)->text();
    const QString no = box.button(QMessageBox::No)->text();
    QCoreApplication::removeTranslator(translator);
    delete translator;
    EXPECT_TRUE(yes.startsWith(QStringLiteral("はい"))) << yes.toStdString();
    EXPECT_TRUE(no.startsWith(QStringLiteral("いいえ"))) << no.toStdString();
}

TEST(StartupSettingsPath, TestSeamOverridesTheExecutablesPath)
{
    TestFolder folder;
    qunsetenv("VELUMIRA_SETTINGS");
    EXPECT_EQ(StartupSettingsPath(folder.Path("velumira")), folder.Path("velumira.INI"));
    qputenv("VELUMIRA_SETTINGS", QFile::encodeName(folder.Path("elsewhere.INI")));
    EXPECT_EQ(StartupSettingsPath(folder.Path("velumira")), folder.Path("elsewhere.INI"));
    qunsetenv("VELUMIRA_SETTINGS");
}

const QString kNotice = QString::fromUtf8("多重起動チェックオフです");
const QString kMemoryError = QString::fromUtf8("メモリ割り当てエラー(多重起動時)");
const QByteArray kCaption = QByteArray("Velumira(PENTAX *ist D RAW 対応)　Version 0.23");

class HandOffTest : public ::testing::Test {
protected:
    QString Channel() const { return sandbox.Path("channel"); }
    QString Settings(const QByteArray& text) const { return sandbox.Write("velumira.INI", text); }

    TestFolder sandbox;
    FakePrompter prompter;
};

struct CheckCase {
    const char* name;
    QByteArray settings;
    bool checkOn;
};
// Keeps test names short in the runner's listing.
inline void PrintTo(const CheckCase& c, std::ostream* os) { *os << c.name; }


class MultiCheckTest : public HandOffTest, public ::testing::WithParamInterface<CheckCase> {};

TEST_P(MultiCheckTest, DecidesBetweenHandOffAndANewWindow)
{
    RunningWindow running(Channel(), kCaption);
    HandoffChannel channel(Channel());
    const StartPath path = HandOffOrContinue(channel, prompter, Settings(GetParam().settings), {"a.jpg"});
    if (GetParam().checkOn) {
        EXPECT_EQ(path, StartPath::Ended);
        EXPECT_TRUE(prompter.shown.empty());
        ASSERT_EQ(running.received().size(), 1u);
    } else {
        EXPECT_EQ(path, StartPath::NormalStart);
        ASSERT_EQ(prompter.shown.size(), 1u);
        EXPECT_EQ(prompter.shown[0].kind, FakePrompter::Shown::Message);
        EXPECT_EQ(prompter.shown[0].title, QString::fromUtf8("確認"));
        EXPECT_EQ(prompter.shown[0].text, kNotice);
        EXPECT_TRUE(running.received().empty());
    }
}

INSTANTIATE_TEST_SUITE_P(Settings, MultiCheckTest, ::testing::Values(
    CheckCase{"NoFile", QByteArray(), true},
    CheckCase{"NoKey", "[DEBUG]\nOTHER=0\n", true},
    CheckCase{"One", "[DEBUG]\nMULTICHECK=1\n", true},
    CheckCase{"NotANumber", "[DEBUG]\nMULTICHECK=off\n", true},
    CheckCase{"Zero", "[DEBUG]\nMULTICHECK=0\n", false},
    CheckCase{"HexZero", "[debug]\nmulticheck=0x0\n", false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(HandOffTest, NoRunningWindowMeansANormalStart)
{
    RunningWindow stranger(Channel(), "Another program");
    HandoffChannel channel(Channel());
    EXPECT_EQ(HandOffOrContinue(channel, prompter, Settings(""), {"a.jpg"}), StartPath::NormalStart);
    EXPECT_TRUE(prompter.shown.empty());
    EXPECT_TRUE(stranger.received().empty());
}

TEST_F(HandOffTest, SecondStartHandsTheNamesToTheOldestWindow)
{
    RunningWindow first(Channel(), kCaption);
    RunningWindow second(Channel(), kCaption);
    HandoffChannel channel(Channel());
    const QStringList names{"/p/a b.jpg", QString::fromUtf8("/写真/ｶﾒﾗ.PEF")};
    EXPECT_EQ(HandOffOrContinue(channel, prompter, Settings(""), names), StartPath::Ended);
    ASSERT_EQ(first.received().size(), 1u);
    EXPECT_EQ(first.received()[0], names);
    EXPECT_TRUE(second.received().empty());
}

TEST_F(HandOffTest, SecondStartWithoutNamesLeavesTheWindowAlone)
{
    RunningWindow running(Channel(), kCaption);
    HandoffChannel channel(Channel());
    EXPECT_EQ(HandOffOrContinue(channel, prompter, Settings(""), {}), StartPath::Ended);
    EXPECT_TRUE(running.received().empty());
    EXPECT_TRUE(prompter.shown.empty());
}

// The address space this process has mapped, in bytes.
rlim_t MappedBytes()
{
    unsigned long pages = 0;
    if (FILE* f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%lu", &pages) != 1)
            pages = 0;
        std::fclose(f);
    }
    return rlim_t(pages) * rlim_t(::sysconf(_SC_PAGESIZE));
}

TEST_F(HandOffTest, NoMemoryForTheRequestReportsTheMemoryError)
{
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "the sanitizers reserve more address space than any limit leaves";
#else
    RunningWindow running(Channel(), kCaption);
    HandoffChannel channel(Channel());
    const QString settings = Settings("");
    // One name of 64 Mi characters, whose UTF-8 copy the limit below leaves no room for.
    const QStringList names{QLatin1Char('/') + QString(64 << 20, QLatin1Char('x'))};
    // In a child process, so that the limit ends with it; the window thread here answers it.
    const auto secondStart = [&] {
        const rlimit limit{MappedBytes() + (48 << 20), RLIM_INFINITY};
        ::setrlimit(RLIMIT_AS, &limit);
        const StartPath path = HandOffOrContinue(channel, prompter, settings, names);
        const bool reported = path == StartPath::Ended && prompter.shown.size() == 1 &&
                              prompter.shown[0].title == QString::fromUtf8("エラー") &&
                              prompter.shown[0].text == kMemoryError;
        std::_Exit(reported ? 0 : 1);
    };
    EXPECT_EXIT(secondStart(), ::testing::ExitedWithCode(0), "");
    EXPECT_TRUE(running.received().empty());
#endif
}

// A channel folder others could write to is refused: the start opens its own window and
// says why once, in Japanese, as the other start-up failures.
TEST_F(HandOffTest, AFolderOpenToOthersIsRefusedWithOneBox)
{
    ASSERT_TRUE(QDir().mkpath(Channel()));
    ASSERT_EQ(::chmod(QFile::encodeName(Channel()).constData(), 0777), 0);
    HandoffChannel channel(Channel());
    EXPECT_EQ(HandOffOrContinue(channel, prompter, Settings(""), {"a.jpg"}), StartPath::NormalStart);
    EXPECT_FALSE(channel.Register([] { return kCaption; }, [] {}));
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].title, QString::fromUtf8("エラー"));
    EXPECT_EQ(prompter.shown[0].text, QString::fromUtf8("多重起動チェック用のフォルダ(%1)は他のユーザーも使えるため、"
                                                        "多重起動チェックを行いません。").arg(Channel()));
}

TEST_F(HandOffTest, AWindowThatDoesNotAnswerInTimeIsPassedOverButKept)
{
    RunningWindow busy(Channel(), kCaption);
    busy.Hold();  // answers the title question, never the notification
    auto live = std::make_unique<RunningWindow>(Channel(), kCaption);
    HandoffChannel first(Channel()), second(Channel());
    for (HandoffChannel* start : {&first, &second})
        start->SetAnswerLimit(std::chrono::milliseconds(1000));
    EXPECT_EQ(HandOffOrContinue(first, prompter, Settings(""), {"/a.jpg"}), StartPath::Ended);
    EXPECT_EQ(live->received().size(), 1u);
    live.reset();
    EXPECT_EQ(HandOffOrContinue(second, prompter, Settings(""), {"/b.jpg"}), StartPath::NormalStart) << "none answers";
    EXPECT_TRUE(QFile::exists(busy.socketName())) << "alive, only busy";
}

}  // namespace
