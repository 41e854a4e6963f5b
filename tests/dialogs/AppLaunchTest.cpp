#include "viewer/AppLaunch.h"

#include "ScriptHelpers.h"
#include "dialogs/Appsetting.h"
#include "support/FakePrompter.h"
#include "support/TestFolder.h"

#include <QLineEdit>
#include <QTreeWidget>
#include <gtest/gtest.h>

namespace {

AppTexts Filled(const QString& text)
{
    AppTexts texts;
    texts.fill(text);
    return texts;
}

struct MenuCase {
    const char* name;
    AppTexts names;
    AppTexts paths;
    std::array<const char*, 8> captions;
    std::array<bool, 8> enabled;
};

TEST(AppMenu, CaptionsAndStatesFollowTheSlots)
{
    AppTexts lastOnlyNames = Filled("-"), lastOnlyPaths = Filled("-");
    lastOnlyNames[7] = "Viewer";
    lastOnlyPaths[7] = "/usr/bin/viewer";
    AppTexts mixedNames = Filled("-"), mixedPaths = Filled("-");
    mixedNames[2] = "Editor";
    mixedPaths[2] = "/opt/tools/ed";
    mixedNames[0] = "Empty path";
    mixedPaths[0] = "";               // registered, fails when chosen
    mixedNames[1] = "Freed";
    mixedPaths[1] = "-/usr/bin/old";  // a leading "-" frees the slot whatever follows
    mixedNames[4] = "";
    mixedPaths[4] = "/bin/true";

    const MenuCase cases[] = {
        {"no settings file", Filled("-"), Filled("-"),
         {"(&1)", "(&2)", "(&3)", "(&4)", "(&5)", "(&6)", "(&7)", "(&8)"}, {}},
        {"entry 8 alone keeps its number", lastOnlyNames, lastOnlyPaths,
         {"(&1)", "(&2)", "(&3)", "(&4)", "(&5)", "(&6)", "(&7)", "(&8) Viewer"},
         {false, false, false, false, false, false, false, true}},
        {"mixed entries", mixedNames, mixedPaths,
         {"(&1) Empty path", "(&2)", "(&3) Editor", "(&4)", "(&5) ", "(&6)", "(&7)", "(&8)"},
         {true, false, true, false, true, false, false, false}},
    };
    for (const auto& c : cases) {
        const applaunch::Menu menu = applaunch::UpdateApplicationMenu(c.names, c.paths);
        for (int i = 0; i < 8; ++i) {
            EXPECT_EQ(menu[i].caption, QString::fromUtf8(c.captions[i])) << c.name << " item " << i + 1;
            EXPECT_EQ(menu[i].enabled, c.enabled[i]) << c.name << " item " << i + 1;
        }
    }
}

TEST(AppLaunch, StartsTheSlotsProgramWithThePicture)
{
    TestFolder folder;
    const QString record = folder.Path("record.txt");
    AppTexts paths = Filled("-");
    paths[2] = WriteRecorderScript(folder, "ed", record);
    FakePrompter prompter;
    // Blanks and quotes in the picture path must arrive as they are, in one argument.
    const QString picture = folder.Path("my \"best\" shot's copy.jpg");

    EXPECT_EQ(applaunch::LaunchApplication(prompter, paths, 3, picture), applaunch::LaunchOutcome::Started);
    EXPECT_TRUE(prompter.shown.empty());
    EXPECT_EQ(WaitForRecord(record), (QStringList{paths[2], "1", picture}));
}

TEST(AppLaunch, FreeSlotDoesNothingAndUnstartableProgramIsReported)
{
    TestFolder folder;
    AppTexts paths = Filled("-");
    paths[0] = "";
    paths[1] = folder.Path("missing-program");
    paths[2] = folder.Write("not-executable", "#!/bin/sh\n");
    FakePrompter prompter;

    EXPECT_EQ(applaunch::LaunchApplication(prompter, paths, 4, "/pics/a.jpg"), applaunch::LaunchOutcome::NotRegistered);
    EXPECT_EQ(applaunch::LaunchApplication(prompter, paths, 0, "/pics/a.jpg"), applaunch::LaunchOutcome::NotRegistered);
    EXPECT_EQ(applaunch::LaunchApplication(prompter, paths, 9, "/pics/a.jpg"), applaunch::LaunchOutcome::NotRegistered);
    EXPECT_TRUE(prompter.shown.empty());
    for (int n = 1; n <= 3; ++n) {
        prompter.shown.clear();
        EXPECT_EQ(applaunch::LaunchApplication(prompter, paths, n, "/pics/a.jpg"), applaunch::LaunchOutcome::Failed) << n;
        ASSERT_EQ(prompter.shown.size(), 1u) << n;
        EXPECT_EQ(prompter.shown[0].text, QStringLiteral("プログラムが起動できません。")) << n;
        EXPECT_EQ(prompter.shown[0].title, QStringLiteral("エラー")) << n;
    }
}

TEST(AppLaunch, RegistrationEditsReachTheMenuWhicheverButtonClosedTheList)
{
    FakePrompter prompter;
    TAppSetDlg appSetDlg(prompter);
    TTAppDialog appDialog(prompter, appSetDlg);
    appDialog.AppNames = Filled("-");
    appDialog.AppPaths = Filled("-");

    // Edit slot 2 in the list, then close the list with Cancel.
    prompter.modalHandlers.push_back([&](QDialog&) {
        appDialog.List->setCurrentItem(appDialog.List->topLevelItem(1));
        appDialog.ListDblClick();
        return int(Prompter::mrCancel);
    });
    prompter.modalHandlers.push_back([&](QDialog&) {
        appSetDlg.EdName->setText("Editor");
        appSetDlg.EdPath->setText("/opt/ed");
        return int(Prompter::mrOk);
    });
    EXPECT_FALSE(applaunch::EditRegistrations(appDialog));
    const applaunch::Menu menu = applaunch::UpdateApplicationMenu(appDialog.AppNames, appDialog.AppPaths);
    EXPECT_EQ(menu[1].caption, QStringLiteral("(&2) Editor"));
    EXPECT_TRUE(menu[1].enabled);

    prompter.modalHandlers.push_back([](QDialog&) { return int(Prompter::mrOk); });
    EXPECT_TRUE(applaunch::EditRegistrations(appDialog));
}

}  // namespace
