#include "viewer/Organise.h"

#include "FileHelpers.h"
#include "dialogs/Dirselform.h"
#include "support/FakePrompter.h"
#include "support/TestFolder.h"

#include <QDir>
#include <QLabel>
#include <QFile>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

using organise::Outcome;
using Kind = FakePrompter::Shown::Kind;

const QString kCopyFailed = QStringLiteral("ファイルコピーに失敗しました。");
const QString kMoveFailed = QStringLiteral("ファイルの移動に失敗しました。");

QString OverwriteQuestion(const QString& target)
{
    return QStringLiteral("同名のファイル(") + target + QStringLiteral(")が既に存在しますが、上書きしてよろしいですか？");
}

// One box as the user saw it.
struct Box {
    Kind kind;
    QString text;
    QString title;
    bool operator==(const Box&) const = default;
};
void PrintTo(const Box& b, std::ostream* os)
{
    *os << "{kind " << b.kind << ", \"" << b.text.toStdString() << "\", \"" << b.title.toStdString() << "\"}";
}
std::vector<Box> Boxes(const FakePrompter& p)
{
    std::vector<Box> boxes;
    for (const auto& s : p.shown) boxes.push_back({s.kind, s.text, s.title});
    return boxes;
}
Box Question(const QString& text) { return {Kind::Ask, text, QStringLiteral("確認")}; }
Box Error(const QString& text) { return {Kind::Message, text, QStringLiteral("エラー")}; }

struct JoinCase {
    const char* destination;
    const char* currentFile;
    const char* target;
};

TEST(OrganiseTargetPath, JoinsFolderAndFileNameWithOneSeparator)
{
    const JoinCase cases[] = {
        {"/data/Sorted", "/media/shots/IMG_0001.JPG", "/data/Sorted/IMG_0001.JPG"},
        {"/data/Sorted/", "/media/shots/IMG_0001.JPG", "/data/Sorted/IMG_0001.JPG"},
        {"/", "/media/shots/IMG_0001.JPG", "/IMG_0001.JPG"},
        {"/home/u/整理", "/home/u/写真/ｶﾒﾗ 1.PEF", "/home/u/整理/ｶﾒﾗ 1.PEF"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(organise::TargetPath(QString::fromUtf8(c.destination), QString::fromUtf8(c.currentFile)),
                  QString::fromUtf8(c.target))
            << c.destination;
}

// A shown picture in shots/, the organise folder sorted/, and a link to the picture's folder.
class OrganiseTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        picture = folder.Write("shots/IMG_0001.JPG", Payload(200000, 'p'));
        pictureBytes = ReadBytes(picture);
        QDir().mkpath(folder.Path("sorted"));
        QFile::link(folder.Path("shots"), folder.Path("shots-link"));
        destination = folder.Path("sorted");
        target = destination + "/IMG_0001.JPG";
    }

    TestFolder folder;
    FakePrompter prompter;
    QString picture, destination, target;
    QByteArray pictureBytes;
};

TEST_F(OrganiseTest, CopyToEmptyDestinationAsksNothing)
{
    EXPECT_EQ(organise::CopyToDestination(prompter, destination, picture), Outcome::Done);
    EXPECT_TRUE(prompter.shown.empty());
    EXPECT_EQ(ReadBytes(target), pictureBytes);
    EXPECT_EQ(ReadBytes(picture), pictureBytes);
}

TEST_F(OrganiseTest, CopyingTwiceAsksAndYesReplacesNoKeeps)
{
    folder.Write("sorted/IMG_0001.JPG", "earlier copy");
    prompter.answers = {false, true};

    EXPECT_EQ(organise::CopyToDestination(prompter, destination, picture), Outcome::Declined);
    EXPECT_EQ(ReadBytes(target), "earlier copy");
    EXPECT_EQ(organise::CopyToDestination(prompter, destination + "/", picture), Outcome::Done);
    EXPECT_EQ(ReadBytes(target), pictureBytes);
    EXPECT_EQ(Boxes(prompter), (std::vector<Box>{Question(OverwriteQuestion(target)), Question(OverwriteQuestion(target))}));
    EXPECT_EQ(Entries(destination), QStringList{"IMG_0001.JPG"});
}

TEST_F(OrganiseTest, CopyOntoAFolderAsksThenFails)
{
    QDir().mkpath(target);
    prompter.answers = {true};
    EXPECT_EQ(organise::CopyToDestination(prompter, destination, picture), Outcome::Failed);
    EXPECT_EQ(Boxes(prompter), (std::vector<Box>{Question(OverwriteQuestion(target)), Error(kCopyFailed)}));
    EXPECT_TRUE(QFileInfo(target).isDir());
}

// Copy and move onto the picture itself refuse at once: no question, nothing changed.
TEST_F(OrganiseTest, CopyAndMoveOntoThePictureItselfRefuseWithoutAsking)
{
    const struct {
        const char* name;
        QString destination;
    } cases[] = {
        {"destination is the picture's folder", folder.Path("shots")},
        {"destination links to the picture's folder", folder.Path("shots-link/")},
    };
    for (const auto& c : cases) {
        prompter.shown.clear();
        prompter.answers = {true, true};
        EXPECT_EQ(organise::CopyToDestination(prompter, c.destination, picture), Outcome::Failed) << c.name;
        EXPECT_EQ(organise::MoveToDestination(prompter, c.destination, picture), Outcome::Failed) << c.name;
        EXPECT_EQ(Boxes(prompter), (std::vector<Box>{Error(kCopyFailed), Error(kMoveFailed)})) << c.name;
        EXPECT_EQ(ReadBytes(picture), pictureBytes) << c.name;
        EXPECT_EQ(Entries(folder.Path("shots")), QStringList{"IMG_0001.JPG"}) << c.name;
    }
}

TEST_F(OrganiseTest, CopyFailuresReportAndLeaveNoPartialFile)
{
    const struct {
        const char* name;
        QString destination;
        QString currentFile;
    } cases[] = {
        {"picture gone since it was shown", destination, folder.Path("shots/moved-away.JPG")},
        {"destination folder missing", folder.Path("deleted-folder"), picture},
    };
    for (const auto& c : cases) {
        prompter.shown.clear();
        EXPECT_EQ(organise::CopyToDestination(prompter, c.destination, c.currentFile), Outcome::Failed) << c.name;
        EXPECT_EQ(Boxes(prompter), std::vector<Box>{Error(kCopyFailed)}) << c.name;
        EXPECT_TRUE(Entries(destination).isEmpty()) << c.name;
    }
}

TEST_F(OrganiseTest, CopyIntoReadOnlyFolderFails)
{
    QFile::setPermissions(destination, QFile::ReadOwner | QFile::ExeOwner | QFile::ReadOther | QFile::ExeOther);
    if (::access(QFile::encodeName(destination).constData(), W_OK) == 0) {
        QFile::setPermissions(destination, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        GTEST_SKIP() << "running with rights that write into read-only folders (root); "
                        "the failing-write path is covered by the full-disk test";
    }
    EXPECT_EQ(organise::CopyToDestination(prompter, destination, picture), Outcome::Failed);
    QFile::setPermissions(destination, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    EXPECT_EQ(Boxes(prompter), std::vector<Box>{Error(kCopyFailed)});
    EXPECT_TRUE(Entries(destination).isEmpty());
}

TEST_F(OrganiseTest, CopyInterruptedByFullDiskKeepsEarlierCopy)
{
    folder.Write("sorted/IMG_0001.JPG", "earlier copy");
    prompter.answers = {true};
    Outcome outcome;
    {
        FileSizeLimit limit(32 * 1024);
        outcome = organise::CopyToDestination(prompter, destination, picture);
    }
    EXPECT_EQ(outcome, Outcome::Failed);
    EXPECT_EQ(Boxes(prompter), (std::vector<Box>{Question(OverwriteQuestion(target)), Error(kCopyFailed)}));
    EXPECT_EQ(ReadBytes(target), "earlier copy");
    EXPECT_EQ(Entries(destination), QStringList{"IMG_0001.JPG"});
}

TEST_F(OrganiseTest, MoveToEmptyDestinationTakesThePicture)
{
    EXPECT_EQ(organise::MoveToDestination(prompter, destination, picture), Outcome::Done);
    EXPECT_TRUE(prompter.shown.empty());
    EXPECT_FALSE(QFile::exists(picture));
    EXPECT_EQ(ReadBytes(target), pictureBytes);

    // The panel still shows the old path: a second move fails with its message.
    EXPECT_EQ(organise::MoveToDestination(prompter, folder.Path("shots"), picture), Outcome::Failed);
    EXPECT_EQ(Boxes(prompter), std::vector<Box>{Error(kMoveFailed)});
}

TEST_F(OrganiseTest, MoveOntoExistingFileYesReplacesItNoKeepsBoth)
{
    folder.Write("sorted/IMG_0001.JPG", "other file");
    prompter.answers = {false, true};
    EXPECT_EQ(organise::MoveToDestination(prompter, destination, picture), Outcome::Declined);
    EXPECT_EQ(ReadBytes(target), "other file");
    EXPECT_EQ(ReadBytes(picture), pictureBytes);

    EXPECT_EQ(organise::MoveToDestination(prompter, destination, picture), Outcome::Done);
    EXPECT_EQ(ReadBytes(target), pictureBytes);
    EXPECT_FALSE(QFile::exists(picture));
    EXPECT_EQ(Boxes(prompter), (std::vector<Box>{Question(OverwriteQuestion(target)), Question(OverwriteQuestion(target))}));
}

// A Yes that cannot be carried out must not cost the existing target.
TEST_F(OrganiseTest, FailedMoveAfterYesKeepsTheExistingTarget)
{
    folder.Write("sorted/gone.JPG", "only copy");
    QDir().mkpath(destination + "/IMG_0001.JPG");
    prompter.answers = {true, true};

    EXPECT_EQ(organise::MoveToDestination(prompter, destination, folder.Path("shots/gone.JPG")), Outcome::Failed);
    EXPECT_EQ(ReadBytes(destination + "/gone.JPG"), "only copy");
    EXPECT_EQ(organise::MoveToDestination(prompter, destination, picture), Outcome::Failed);
    EXPECT_TRUE(QFileInfo(target).isDir());
    EXPECT_EQ(ReadBytes(picture), pictureBytes);
    EXPECT_EQ(Boxes(prompter), (std::vector<Box>{Question(OverwriteQuestion(destination + "/gone.JPG")), Error(kMoveFailed),
                                                 Question(OverwriteQuestion(target)), Error(kMoveFailed)}));
}

TEST_F(OrganiseTest, DeleteAsksWithTheFullTargetPathAndTouchesNothingElse)
{
    const QString question = QStringLiteral("ファイル(") + target + QStringLiteral(")を削除してもよろしいですか？");
    EXPECT_EQ(organise::DeleteFromDestination(prompter, destination, picture), Outcome::Failed);
    EXPECT_EQ(Boxes(prompter), std::vector<Box>{Error(QStringLiteral("削除するファイルが見つかりません。"))});

    folder.Write("sorted/IMG_0001.JPG", "copy");
    prompter.shown.clear();
    prompter.answers = {false, true};
    EXPECT_EQ(organise::DeleteFromDestination(prompter, destination, picture), Outcome::Declined);
    EXPECT_TRUE(QFile::exists(target));
    EXPECT_EQ(organise::DeleteFromDestination(prompter, destination, picture), Outcome::Done);
    EXPECT_FALSE(QFile::exists(target));
    EXPECT_EQ(ReadBytes(picture), pictureBytes);
    EXPECT_EQ(Boxes(prompter), (std::vector<Box>{Question(question), Question(question)}));
}

// The organise folder is the picture's own folder under some name: the target is the panel's
// own file, which delete must not touch.
TEST_F(OrganiseTest, DeleteOfThePictureItselfRefusesWithoutAsking)
{
    for (const QString& ownFolder : {folder.Path("shots"), folder.Path("shots-link/"), folder.Path("shots/../shots")}) {
        prompter.shown.clear();
        prompter.answers = {true};
        EXPECT_EQ(organise::DeleteFromDestination(prompter, ownFolder, picture), Outcome::Failed) << ownFolder.toStdString();
        EXPECT_EQ(Boxes(prompter), std::vector<Box>{Error(QStringLiteral("ファイルの削除に失敗しました。"))});
        EXPECT_EQ(ReadBytes(picture), pictureBytes) << ownFolder.toStdString();
    }
}

// A hard link of the picture in the organise folder is another name: deleting it is allowed.
TEST_F(OrganiseTest, DeleteRemovesAHardLinkOfThePictureAndKeepsThePicture)
{
    ASSERT_EQ(::link(QFile::encodeName(picture).constData(), QFile::encodeName(target).constData()), 0);
    prompter.answers = {true};
    EXPECT_EQ(organise::DeleteFromDestination(prompter, destination, picture), Outcome::Done);
    EXPECT_FALSE(QFile::exists(target));
    EXPECT_EQ(ReadBytes(picture), pictureBytes);
}

TEST_F(OrganiseTest, DeletingAFolderOfThatNameFails)
{
    QDir().mkpath(target);
    prompter.answers = {true};
    EXPECT_EQ(organise::DeleteFromDestination(prompter, destination, picture), Outcome::Failed);
    EXPECT_EQ(prompter.shown.back().text, QStringLiteral("ファイルの削除に失敗しました。"));
    EXPECT_EQ(prompter.shown.back().title, QStringLiteral("エラー"));
    EXPECT_TRUE(QFileInfo(target).isDir());
}

TEST_F(OrganiseTest, ChooseDestinationUsesTheFolderDialog)
{
    TDirSel dirSel(prompter);
    QString shownPrompt, startedAt;
    prompter.modalHandlers.push_back([&](QDialog&) {
        shownPrompt = dirSel.Panel1->text();
        startedAt = dirSel.CurrentFolder();
        dirSel.SetCurrentFolder(folder.Path("shots"));
        dirSel.Button1Click();
        return int(Prompter::mrOk);
    });
    prompter.modalHandlers.push_back([&](QDialog&) {
        dirSel.SetCurrentFolder(folder.Path());
        return int(Prompter::mrCancel);
    });

    EXPECT_EQ(organise::ChooseDestination(dirSel, destination), std::optional<QString>(folder.Path("shots")));
    EXPECT_EQ(shownPrompt, QStringLiteral("整理先の変更"));
    EXPECT_EQ(startedAt, destination);
    EXPECT_EQ(organise::ChooseDestination(dirSel, destination), std::nullopt);
}

}  // namespace
