#include "dialogs/Dirselform.h"

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

}  // namespace
