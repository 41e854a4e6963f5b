#include "dialogs/Dirselform.h"
#include "dialogs/FolderTree.h"
#include "dialogs/Places.h"

#include "QtPrinters.h"
#include "support/FakePrompter.h"
#include "support/TestFolder.h"

#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QTreeView>
#include <gtest/gtest.h>

namespace {

TEST(DirSel, FormLooksAsDesigned)
{
    FakePrompter prompter;
    TDirSel dirSel(prompter);
    EXPECT_EQ(dirSel.windowTitle(), QStringLiteral("ディレクトリの選択"));
    EXPECT_EQ(dirSel.size(), QSize(592, 392));
    EXPECT_EQ(dirSel.Button1->text(), QStringLiteral("選択(&O)"));
    EXPECT_EQ(dirSel.Button2->text(), QStringLiteral("キャンセル"));
    EXPECT_EQ(dirSel.Panel1->geometry(), QRect(16, 8, 313, 33));
    EXPECT_EQ(dirSel.Dirlst->geometry(), QRect(8, 48, 569, 297));
    EXPECT_EQ(dirSel.font().pixelSize(), 15);
    EXPECT_TRUE(dirSel.font().families().contains(QStringLiteral("Noto Sans CJK JP")));
    EXPECT_TRUE(dirSel.Prompt.isEmpty());
    EXPECT_TRUE(dirSel.SelectedDir.isEmpty());
}

TEST(DirSel, NearestExistingFolder)
{
    TestFolder folder;
    QDir().mkpath(folder.Path("a/b"));
    folder.Write("a/file.txt", "x");
    const struct {
        const char* name;
        QString start;
        QString expected;
    } cases[] = {
        {"existing folder", folder.Path("a/b"), folder.Path("a/b")},
        {"deleted folder", folder.Path("a/b/gone"), folder.Path("a/b")},
        {"several levels gone", folder.Path("a/x/y/z"), folder.Path("a")},
        {"final separator", folder.Path("a/b/"), folder.Path("a/b")},
        {"a file names its folder", folder.Path("a/file.txt"), folder.Path("a")},
        {"empty text", QString(), QDir::homePath()},
        {"nothing left but the root", QStringLiteral("/velumira-no-such-root-folder/x"), QStringLiteral("/")},
    };
    for (const auto& c : cases) EXPECT_EQ(TDirSel::NearestExistingFolder(c.start), c.expected) << c.name;
}

// Each showing gets its own caller's prompt and start; Cancel keeps the starting folder even
// after browsing, OK returns the folder held at that moment.
TEST(DirSel, OkReturnsTheHeldFolderCancelKeepsTheStart)
{
    TestFolder folder;
    QDir().mkpath(folder.Path("sorted"));
    QDir().mkpath(folder.Path("plugins"));
    FakePrompter prompter;
    TDirSel dirSel(prompter);
    QStringList prompts;

    prompter.modalHandlers.push_back([&](QDialog&) {  // OK on the starting folder
        prompts << dirSel.Panel1->text();
        dirSel.Button1Click();
        return dirSel.result() == QDialog::Accepted ? int(Prompter::mrOk) : int(Prompter::mrCancel);
    });
    prompter.modalHandlers.push_back([&](QDialog&) {  // browse, then Cancel
        prompts << dirSel.Panel1->text();
        dirSel.SetCurrentFolder(folder.Path("plugins"));
        dirSel.Button2->click();
        return dirSel.result() == QDialog::Accepted ? int(Prompter::mrOk) : int(Prompter::mrCancel);
    });
    prompter.modalHandlers.push_back([&](QDialog&) {  // browse, then OK
        prompts << dirSel.Panel1->text();
        dirSel.SetCurrentFolder(folder.Path("plugins"));
        dirSel.Button1->click();
        return dirSel.result() == QDialog::Accepted ? int(Prompter::mrOk) : int(Prompter::mrCancel);
    });

    dirSel.Prompt = QStringLiteral("整理先の変更");
    dirSel.SelectedDir = folder.Path("sorted");
    EXPECT_EQ(dirSel.Execute(), Prompter::mrOk);
    EXPECT_EQ(dirSel.SelectedDir, folder.Path("sorted"));

    dirSel.Prompt = QStringLiteral("Susieプラグイン格納ディレクトリ設定の変更");
    dirSel.SelectedDir = folder.Path("sorted");
    EXPECT_EQ(dirSel.Execute(), Prompter::mrCancel);
    EXPECT_EQ(dirSel.SelectedDir, folder.Path("sorted"));

    dirSel.Prompt = QStringLiteral("整理先の変更");
    EXPECT_EQ(dirSel.Execute(), Prompter::mrOk);
    EXPECT_EQ(dirSel.SelectedDir, folder.Path("plugins"));

    EXPECT_EQ(prompts, (QStringList{QStringLiteral("整理先の変更"), QStringLiteral("Susieプラグイン格納ディレクトリ設定の変更"),
                                    QStringLiteral("整理先の変更")}));
}

TEST(DirSel, DeletedStartingFolderOpensAtItsNearestParent)
{
    TestFolder folder;
    QDir().mkpath(folder.Path("photos/2024"));
    FakePrompter prompter;
    TDirSel dirSel(prompter);
    QString heldAtStart;
    prompter.modalHandlers.push_back([&](QDialog&) {
        heldAtStart = dirSel.CurrentFolder();
        dirSel.Button1Click();
        return int(Prompter::mrOk);
    });

    dirSel.SelectedDir = folder.Path("photos/2024/removed/deeper");
    EXPECT_EQ(dirSel.Execute(), Prompter::mrOk);
    EXPECT_EQ(heldAtStart, folder.Path("photos/2024"));
    EXPECT_EQ(dirSel.SelectedDir, folder.Path("photos/2024"));
    EXPECT_EQ(dirSel.Dirlst->currentIndex().data().toString(), QStringLiteral("2024"));
}

TEST(DirSel, FolderUnderAHiddenOneIsStillFound)
{
    TestFolder folder;
    QDir().mkpath(folder.Path(".config/velumira"));
    FakePrompter prompter;
    TDirSel dirSel(prompter);
    dirSel.SetCurrentFolder(folder.Path(".config/velumira"));
    EXPECT_EQ(dirSel.CurrentFolder(), folder.Path(".config/velumira"));
    EXPECT_TRUE(dirSel.Dirlst->currentIndex().isValid());
}

// The places box's entries, and the place that roots the tree for a folder.
TEST(Places, ListAndThePlaceOfAFolder)
{
    const QString home = QStringLiteral("/home/u"), pics = QStringLiteral("/home/u/Pictures");
    const std::vector<std::pair<QString, QString>> volumes = {
        {"/media/u/EOS_DIGITAL", "EOS_DIGITAL"}, {"/run/media/u/disk/", ""}, {"/mnt", "backup"},
        {"/boot/efi", "EFI"}, {"/proc", ""}, {"/", "root"}, {"/mediaX", "no"}, {"/media/u/EOS_DIGITAL", "twice"}};
    const std::vector<TPlace> expected = {{home, "ホーム"},          {pics, "ピクチャ"},
                                          {"/media/u/EOS_DIGITAL", "EOS_DIGITAL"}, {"/run/media/u/disk", "disk"},
                                          {"/mnt", "backup"},        {"/", "/"}};
    const std::vector<TPlace> places = PlaceList(home, pics, volumes);
    EXPECT_EQ(places, expected);
    EXPECT_EQ(PlaceList(home, QString(), {}), (std::vector<TPlace>{{home, "ホーム"}, {"/", "/"}}))
        << "no Pictures folder, no volumes";
    EXPECT_EQ(PlaceList(home, home, {}).size(), 2u) << "Pictures set to the home folder itself";

    const struct {
        const char* folder;
        const char* place;
    } cases[] = {
        {"/home/u", "/home/u"},
        {"/home/u/Documents/x", "/home/u"},
        {"/home/u/Pictures/2024/", "/home/u/Pictures"},
        {"/home/u/Pictures2", "/home/u"},
        {"/home/user", "/"},
        {"/media/u/EOS_DIGITAL/DCIM/100PENTX", "/media/u/EOS_DIGITAL"},
        {"/mnt/a", "/mnt"},
        {"/usr/share", "/"},
        {"/", "/"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(PlaceFor(places, c.folder), QString::fromUtf8(c.place)) << c.folder;
}

// Setting a folder picks its place and roots the tree there; choosing a place roots the tree
// at it; a card put in while the dialog is open shows when the box is opened.
TEST(Places, BoxRootsTheFolderTree)
{
    TestFolder folder;
    QDir().mkpath(folder.Path("home/Pictures/2024"));
    QDir().mkpath(folder.Path("card/DCIM"));
    std::vector<TPlace> places = {{folder.Path("home"), "ホーム"}, {folder.Path("home/Pictures"), "ピクチャ"}, {"/", "/"}};
    FakePrompter prompter;
    TDirSel dirSel(prompter);
    dirSel.Drive->SetPlaceSource([&] { return places; });

    dirSel.SetCurrentFolder(folder.Path("home/Pictures/2024"));
    EXPECT_EQ(dirSel.Drive->currentText(), QStringLiteral("ピクチャ"));
    EXPECT_EQ(dirSel.Dirlst->Root(), folder.Path("home/Pictures"));
    EXPECT_EQ(dirSel.CurrentFolder(), folder.Path("home/Pictures/2024"));
    QAbstractItemModel* shown = dirSel.Dirlst->model();
    ASSERT_EQ(shown->rowCount(dirSel.Dirlst->rootIndex()), 1) << "the place is the tree's one top item";
    EXPECT_EQ(shown->index(0, 0, dirSel.Dirlst->rootIndex()).data().toString(), QStringLiteral("Pictures"));

    places.insert(places.begin() + 2, {folder.Path("card"), "SD"});
    dirSel.Drive->showPopup();
    ASSERT_EQ(dirSel.Drive->count(), 4);
    dirSel.Drive->hidePopup();
    dirSel.Drive->activated(2);
    EXPECT_EQ(dirSel.Dirlst->Root(), folder.Path("card"));
    EXPECT_EQ(dirSel.CurrentFolder(), folder.Path("card"));
    EXPECT_FALSE(dirSel.Dirlst->SelectFolder(folder.Path("home"))) << "outside the place";

    dirSel.SetCurrentFolder(folder.Path("home/gone"));
    EXPECT_EQ(dirSel.Drive->currentText(), QStringLiteral("ホーム"));
    EXPECT_EQ(dirSel.CurrentFolder(), folder.Path("home"));
}

}  // namespace
