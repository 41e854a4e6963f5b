#include "dialogs/Spisetting.h"
#include "loading/PluginLoad.h"
#include "dialogs/Dirselform.h"
#include "support/FakePrompter.h"
#include "tests/plugins/SpiTestSupport.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

TEST(DefaultPluginFolder, FoundInBuildTreeOrInstalledLayout)
{
    TestFolder root;
    QDir dir(root.Path());
    ASSERT_TRUE(dir.mkpath(QStringLiteral("build/plugins")));
    ASSERT_TRUE(dir.mkpath(QStringLiteral("usr/bin")));
    ASSERT_TRUE(dir.mkpath(QStringLiteral("usr/lib/velumira/plugins")));
    ASSERT_TRUE(dir.mkpath(QStringLiteral("bare/bin")));

    struct Case {
        const char* executableFolder;
        QString expected;
    };
    const Case cases[] = {
        {"build", root.Path(QStringLiteral("build/plugins"))},
        {"usr/bin", root.Path(QStringLiteral("usr/lib/velumira/plugins"))},
        {"bare/bin", QString()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.executableFolder);
        EXPECT_EQ(DefaultPluginFolder(root.Path(QString::fromUtf8(c.executableFolder))), QDir::cleanPath(c.expected));
    }
    EXPECT_EQ(DefaultPluginFolder(QString()), QString());
}

TEST(SpiSetDlg, ControlsAsDesigned)
{
    FakePrompter prompter;
    TSpiSetDlg dialog(prompter, nullptr);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Susieプラグインの設定"));
    EXPECT_EQ(dialog.size(), QSize(452, 120));
    EXPECT_TRUE(dialog.EdSPIPath->isReadOnly());

    struct Control {
        QWidget* widget;
        QString text;
        QRect geometry;
    };
    const Control controls[] = {
        {dialog.Label1, QStringLiteral("Susieプラグインのあるディレクトリ"), {8, 18, 180, 13}},
        {dialog.EdSPIPath, QString(), {8, 40, 433, 23}},
        {dialog.Button1, QStringLiteral("自動設定"), {272, 14, 75, 21}},
        {dialog.Button2, QStringLiteral("手動設定"), {366, 14, 75, 21}},
        {dialog.Button3, QStringLiteral("Ok(&O)"), {104, 86, 75, 21}},
        {dialog.Button4, QStringLiteral("ｷｬﾝｾﾙ(&C)"), {248, 86, 75, 21}},
    };
    for (const auto& c : controls) {
        SCOPED_TRACE(c.text.toStdString());
        EXPECT_EQ(c.widget->geometry(), c.geometry);
        if (auto* label = qobject_cast<QLabel*>(c.widget)) {
            EXPECT_EQ(label->text(), c.text);
        }
        if (auto* button = qobject_cast<QPushButton*>(c.widget)) {
            EXPECT_EQ(button->text(), c.text);
        }
    }
    // Tab order: the path field, then the four buttons.
    EXPECT_EQ(dialog.EdSPIPath->nextInFocusChain(), dialog.Button1);
    EXPECT_EQ(dialog.Button1->nextInFocusChain(), dialog.Button2);
    EXPECT_EQ(dialog.Button2->nextInFocusChain(), dialog.Button3);
    EXPECT_EQ(dialog.Button3->nextInFocusChain(), dialog.Button4);
}

TEST(SpiSetDlg, OkAndCancelButtonsEndTheDialog)
{
    FakePrompter prompter;
    TSpiSetDlg dialog(prompter, nullptr);
    dialog.Button3->click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    dialog.Button4->click();
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
}

// The menu command with a scripted run of the dialog.
class ChangeFolder : public ::testing::Test {
protected:
    void SetUp() override
    {
        FPluginFolder.Add(QStringLiteral("palette.spi"));
        LoadPlugins(FHost, FEmpty.Path());
        FSpiDirectory = FEmpty.Path();
    }
    void Script(std::function<void(TSpiSetDlg&)> action, int result)
    {
        FPrompter.modalHandlers.push_back([action, result](QDialog& d) {
            action(static_cast<TSpiSetDlg&>(d));
            return result;
        });
    }

    FakePrompter FPrompter;
    TSpiSetDlg FDialog{FPrompter, nullptr};
    SpiFolder FPluginFolder;
    SpiFolder FEmpty;
    TSpiHost FHost;
    QString FSpiDirectory;
};

TEST_F(ChangeFolder, OkStoresTheFieldAndRescans)
{
    QString shown;
    Script([&](TSpiSetDlg& d) {
        shown = d.EdSPIPath->text();
        d.EdSPIPath->setText(FPluginFolder.Path());   // as "手動設定" would leave it
    }, Prompter::mrOk);
    EXPECT_TRUE(ChangePluginFolder(FDialog, FSpiDirectory, FHost));
    EXPECT_EQ(shown, FEmpty.Path());
    EXPECT_EQ(FSpiDirectory, FPluginFolder.Path());
    EXPECT_EQ(ListedNames(FHost), QStringList{QStringLiteral("palette.spi")});
    EXPECT_EQ(FPrompter.shown.size(), 1u);
    EXPECT_EQ(FPrompter.shown[0].kind, FakePrompter::Shown::Modal);
}

TEST_F(ChangeFolder, OkWithoutChangeStillRescans)
{
    FSpiDirectory = FPluginFolder.Path();   // holds a plug-in the host has not scanned yet
    Script([](TSpiSetDlg&) {}, Prompter::mrOk);
    EXPECT_TRUE(ChangePluginFolder(FDialog, FSpiDirectory, FHost));
    EXPECT_EQ(FHost.Folder, FPluginFolder.Path());
    EXPECT_EQ(ListedNames(FHost), QStringList{QStringLiteral("palette.spi")});
}

TEST_F(ChangeFolder, CancelChangesNothing)
{
    for (auto action : std::vector<std::function<void(TSpiSetDlg&)>>{
             [&](TSpiSetDlg& d) { d.EdSPIPath->setText(FPluginFolder.Path()); },
             [](TSpiSetDlg& d) { d.Button1Click(); }}) {
        Script(action, Prompter::mrCancel);
        EXPECT_FALSE(ChangePluginFolder(FDialog, FSpiDirectory, FHost));
        EXPECT_EQ(FSpiDirectory, FEmpty.Path());
        EXPECT_TRUE(FHost.Plugins().empty());
        EXPECT_EQ(FHost.Folder, FEmpty.Path());
    }
}

TEST_F(ChangeFolder, AutomaticSettingTakesTheShippedFolder)
{
    // The test program has no shipped folder beside it: the field becomes empty, and OK
    // stores the empty text.
    ASSERT_EQ(DefaultPluginFolder(), QString());
    Script([](TSpiSetDlg& d) { d.Button1->click(); }, Prompter::mrOk);
    EXPECT_TRUE(ChangePluginFolder(FDialog, FSpiDirectory, FHost));
    EXPECT_EQ(FSpiDirectory, QString());
}

// "手動設定" goes through the program's folder chooser.
TEST(SpiSetDlg, ManualSettingTakesTheChosenFolderOnlyOnOk)
{
    SpiFolder start;
    SpiFolder chosen;
    FakePrompter prompter;
    TDirSel dirSel(prompter);
    TSpiSetDlg dialog(prompter, &dirSel);
    dialog.EdSPIPath->setText(start.Path());

    QString prompt;
    QString startedAt;
    prompter.modalHandlers.push_back([&](QDialog& d) {
        auto& chooser = static_cast<TDirSel&>(d);
        prompt = chooser.Panel1->text();
        startedAt = chooser.CurrentFolder();
        chooser.SetCurrentFolder(chosen.Path());
        chooser.Button1Click();
        return int(Prompter::mrOk);
    });
    dialog.Button2->click();
    EXPECT_EQ(prompt, QStringLiteral("Susieプラグイン格納ディレクトリ設定の変更"));
    EXPECT_EQ(startedAt, start.Path());
    EXPECT_EQ(dialog.EdSPIPath->text(), chosen.Path());

    prompter.modalHandlers.push_back([&](QDialog& d) {
        static_cast<TDirSel&>(d).SetCurrentFolder(start.Path());
        return int(Prompter::mrCancel);
    });
    dialog.Button2Click();
    EXPECT_EQ(dialog.EdSPIPath->text(), chosen.Path());
}

} // namespace
