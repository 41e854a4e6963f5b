#include "dialogs/Appdialog.h"
#include "dialogs/Appsetting.h"

#include "QtPrinters.h"
#include "support/FakePrompter.h"

#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>
#include <gtest/gtest.h>

namespace {

int Result(QDialog& d) { return d.result() == QDialog::Accepted ? Prompter::mrOk : Prompter::mrCancel; }

class AppDialogTest : public ::testing::Test {
protected:
    AppDialogTest()
    {
        appDialog.AppNames.fill(QStringLiteral("-"));
        appDialog.AppPaths.fill(QStringLiteral("-"));
    }
    QStringList Row(int row) const { return {appDialog.RowName(row), appDialog.RowPath(row)}; }
    // A double-click on a row, as the user does it.
    void Edit(int row)
    {
        appDialog.List->setCurrentItem(appDialog.List->topLevelItem(row));
        appDialog.ListDblClick();
    }
    // The edit dialog's scripted run: type both texts, then press OK or Cancel.
    void WhenEditing(const QString& name, const QString& path, bool ok)
    {
        prompter.modalHandlers.push_back([this, name, path, ok](QDialog&) {
            appSetDlg.EdName->setText(name);
            appSetDlg.EdPath->setText(path);
            (ok ? appSetDlg.Button2 : appSetDlg.Button3)->click();
            return Result(appSetDlg);
        });
    }

    FakePrompter prompter;
    TAppSetDlg appSetDlg{prompter};
    TTAppDialog appDialog{prompter, appSetDlg};
};

TEST_F(AppDialogTest, FormsLookAsDesigned)
{
    EXPECT_EQ(appDialog.windowTitle(), QStringLiteral("起動アプリケーションの設定"));
    EXPECT_EQ(appDialog.size(), QSize(489, 222));
    EXPECT_EQ(appDialog.Button1->text(), QStringLiteral("Ok(&O)"));
    EXPECT_EQ(appDialog.Button2->text(), QStringLiteral("ｷｬﾝｾﾙ(&C)"));
    QTreeWidgetItem* header = appDialog.List->headerItem();
    EXPECT_EQ((QStringList{header->text(0), header->text(1), header->text(2)}),
              (QStringList{"#", QStringLiteral("名前"), QStringLiteral("パス指定")}));
    EXPECT_EQ(appDialog.List->columnWidth(1), 140);
    EXPECT_EQ(appDialog.List->columnWidth(2), 270);

    EXPECT_EQ(appSetDlg.windowTitle(), QStringLiteral("ｱﾌﾟﾘｹｰｼｮﾝの設定"));
    EXPECT_EQ(appSetDlg.size(), QSize(492, 114));
    EXPECT_EQ((QStringList{appSetDlg.Label1->text(), appSetDlg.Label2->text(), appSetDlg.Button1->text(),
                           appSetDlg.Button2->text(), appSetDlg.Button3->text()}),
              (QStringList{QStringLiteral("名前"), QStringLiteral("実行パス"), QStringLiteral("選択"),
                           QStringLiteral("OK(&O)"), QStringLiteral("ｷｬﾝｾﾙ(&C)")}));
    EXPECT_EQ(appSetDlg.font().pixelSize(), 15);
    EXPECT_EQ(appDialog.font().pixelSize(), 15);
}

TEST_F(AppDialogTest, FreshListHasEightFreeRowsAndTheTableStartsEmpty)
{
    FakePrompter p;
    TAppSetDlg set(p);
    TTAppDialog fresh(p, set);
    ASSERT_EQ(fresh.List->topLevelItemCount(), 8);
    for (int row = 0; row < 8; ++row) {
        EXPECT_EQ(fresh.List->topLevelItem(row)->text(0), QString::number(row + 1));
        EXPECT_EQ(fresh.RowName(row), "-");
        EXPECT_EQ(fresh.RowPath(row), "-");
        EXPECT_TRUE(fresh.AppNames[row].isEmpty());
        EXPECT_TRUE(fresh.AppPaths[row].isEmpty());
    }
}

TEST_F(AppDialogTest, RowsAreRefilledFromTheTableWhenShown)
{
    appDialog.AppNames[4] = "Editor";
    appDialog.AppPaths[4] = "/opt/ed";
    QStringList seen;
    prompter.modalHandlers.push_back([&](QDialog&) {
        seen = Row(4);
        return int(Prompter::mrOk);
    });
    appDialog.Execute();
    EXPECT_EQ(seen, (QStringList{"Editor", "/opt/ed"}));
}

TEST_F(AppDialogTest, EditsOfOneShowingSurviveAndCancelOfTheListKeepsThem)
{
    prompter.modalHandlers.push_back([&](QDialog&) {
        Edit(0);
        Edit(6);
        Edit(1);  // cancelled: row 2 stays as it was
        Edit(2);  // typing "-" frees the slot again
        appDialog.Button2->click();
        return Result(appDialog);
    });
    WhenEditing("Gimp", "/usr/bin/gimp", true);
    WhenEditing("", "", true);  // empty texts are taken as typed
    WhenEditing("ignored", "/ignored", false);
    WhenEditing("x", "-", true);
    appDialog.AppNames[2] = "Old";
    appDialog.AppPaths[2] = "/old";

    EXPECT_EQ(appDialog.Execute(), Prompter::mrCancel);
    EXPECT_EQ(Row(0), (QStringList{"Gimp", "/usr/bin/gimp"})) << "an earlier edit of the showing is kept";
    EXPECT_EQ(appDialog.AppNames[0], "Gimp");
    EXPECT_EQ(appDialog.AppPaths[0], "/usr/bin/gimp");
    EXPECT_EQ(appDialog.AppNames[6], "");
    EXPECT_EQ(appDialog.AppPaths[6], "");
    EXPECT_EQ(appDialog.AppNames[1], "-");
    EXPECT_EQ(appDialog.AppPaths[1], "-");
    EXPECT_EQ(appDialog.AppPaths[2], "-");
}

TEST_F(AppDialogTest, DoubleClickWithoutSelectionOpensNothing)
{
    appDialog.FormShow();
    appDialog.List->clearSelection();
    appDialog.ListDblClick();
    EXPECT_TRUE(prompter.shown.empty());
}

TEST_F(AppDialogTest, DoubleClickOnARowOpensTheEditDialogWithItsTexts)
{
    appDialog.AppNames[3] = "Viewer";
    appDialog.AppPaths[3] = "/usr/bin/viewer";
    appDialog.FormShow();
    appDialog.resize(appDialog.size());
    appDialog.show();
    QStringList edited;
    prompter.modalHandlers.push_back([&](QDialog&) {
        edited = {appSetDlg.EdName->text(), appSetDlg.EdPath->text()};
        return int(Prompter::mrCancel);
    });
    const QRect rect = appDialog.List->visualItemRect(appDialog.List->topLevelItem(3));
    QTest::mouseClick(appDialog.List->viewport(), Qt::LeftButton, {}, rect.center());
    QTest::mouseDClick(appDialog.List->viewport(), Qt::LeftButton, {}, rect.center());
    appDialog.hide();
    EXPECT_EQ(edited, (QStringList{"Viewer", "/usr/bin/viewer"}));
    EXPECT_EQ(Row(3), (QStringList{"Viewer", "/usr/bin/viewer"}));
}

TEST_F(AppDialogTest, ChoosingAProgramStartsFromTheSlotAndSetsPathAndName)
{
    const struct {
        const char* name;
        QString path;
        QString initialName;
    } cases[] = {
        {"free slot", "-", "*"},
        {"freed with text after the dash", "-old", "*"},
        {"registered path", "/opt/tools/ed", "/opt/tools/ed"},
        {"registered empty path", "", ""},
    };
    for (const auto& c : cases) {
        appSetDlg.EdName->setText("typed name");
        appSetDlg.EdPath->setText(c.path);
        prompter.openResults.push_back({"/opt/tools/viewer"});
        appSetDlg.Button1->click();
        EXPECT_EQ(prompter.lastOpenRequest.initialName, c.initialName) << c.name;
        EXPECT_EQ(prompter.lastOpenRequest.title, QStringLiteral("実行ファイルの選択")) << c.name;
        EXPECT_EQ(prompter.lastOpenRequest.filters,
                  (QStringList{QStringLiteral("実行ファイル (*)"), QStringLiteral("全ファイル (*)")}));
        EXPECT_FALSE(prompter.lastOpenRequest.multiple) << c.name;
        EXPECT_EQ(appSetDlg.EdPath->text(), "/opt/tools/viewer") << c.name;
        EXPECT_EQ(appSetDlg.EdName->text(), "viewer") << "picking overwrites the typed name: " << c.name;
    }
}

TEST_F(AppDialogTest, CancelledFileDialogChangesNothing)
{
    appSetDlg.EdName->setText("Editor");
    appSetDlg.EdPath->setText("/opt/ed");
    appSetDlg.Button1Click();
    EXPECT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(appSetDlg.EdName->text(), "Editor");
    EXPECT_EQ(appSetDlg.EdPath->text(), "/opt/ed");
}

}  // namespace
