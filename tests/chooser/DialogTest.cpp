// The chooser window: selection, messages, the information panel, folders and settings.
#include "FakeReadJob.h"
#include "chooser/ChooserRoute.h"
#include "chooser/ChooserWidgets.h"
#include "chooser/Histogram.h"
#include "chooser/Pictselectdlg.h"
#include "dialogs/Places.h"
#include "platform/ProfileFile.h"
#include "support/FakePrompter.h"
#include "support/TestFolder.h"

#include <QScrollBar>
#include <QStatusBar>
#include <QTableWidget>
#include <QTest>
#include <QTreeView>
#include <gtest/gtest.h>

namespace {

class ChooserDialog : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (int i = 0; i < 30; ++i)
            folder.Write(QString("IMGP%1.JPG").arg(i, 4, 10, QLatin1Char('0')), "x");
        dlg.Directory = folder.Path();
        dlg.show();   // FormShow lists the folder
        ReadAll();
    }
    void ReadAll()
    {
        for (int i = 0; i < 200 && dlg.Core.ReadCursor() != rcAllRead; ++i)
            TickAfterJob(dlg.Core);
    }
    QString Key(int viewIndex) const { return dlg.Core.ViewList.Key(viewIndex); }
    QPoint CellCentre(int viewIndex) const
    {
        const int rel = viewIndex - dlg.Grid.TopRow * dlg.Grid.Columns;
        return QPoint((rel % dlg.Grid.Columns) * 112 + 56, (rel / dlg.Grid.Columns) * 96 + 40);
    }
    void Press(int viewIndex, Qt::MouseButton button)
    {
        QTest::mousePress(dlg.ScFview, button, Qt::NoModifier, CellCentre(viewIndex));
        QTest::mouseRelease(dlg.ScFview, button, Qt::NoModifier, CellCentre(viewIndex));
    }

    TestFolder folder;
    FakeReadJob job;
    FakePrompter prompter;
    TPictSelectDialog dlg{prompter, nullptr, false, job.Job()};
};

TEST_F(ChooserDialog, ShowingListsTheFolderAndReadsEveryEntry)
{
    EXPECT_EQ(dlg.Core.ViewList.Count(), 30);
    EXPECT_EQ(job.Started().size(), 30u);
    EXPECT_EQ(dlg.Core.FolderPath, folder.Path() + "/");
    EXPECT_EQ(dlg.DirListBoxDirectory(), folder.Path()) << "the tree follows the listed folder";
    EXPECT_EQ(dlg.Grid.Columns, (dlg.ScFview->width() - 4) / 112);
    EXPECT_GE(dlg.Grid.Columns * dlg.Grid.VisibleRows, 6) << "the window shows at least two rows of three";
    EXPECT_EQ(dlg.ScFview->Picture.size(), dlg.ScFview->size());
}

TEST_F(ChooserDialog, TooManyMarksGiveTheMessageAndKeepTheDialogOpen)
{
    dlg.SetMaxSelect(4);
    for (int i : {0, 1, 2, 3, 4})
        Press(i, Qt::RightButton);
    dlg.Button4Click();
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].text, "選択の最大数は4個です。\n現在5個選択されています。");
    EXPECT_EQ(prompter.shown[0].title, "エラー");
    EXPECT_TRUE(dlg.isVisible());
    EXPECT_EQ(dlg.ModalResult, 0);

    Press(4, Qt::RightButton);   // unmark one
    dlg.Button4Click();
    EXPECT_EQ(dlg.ModalResult, Prompter::mrOk);
    EXPECT_FALSE(dlg.isVisible());
    // The order and the limit rules are the core's (SelectionTest.cpp).
    EXPECT_EQ(dlg.ResultList().size(), 4);
    for (int i : {0, 1, 2, 3})
        EXPECT_TRUE(dlg.ResultList().contains(Key(i)));
    EXPECT_EQ(prompter.shown.size(), 1u) << "no message for an accepted Ok";
}

TEST_F(ChooserDialog, OkWithoutMarksTakesTheCurrentEntryOrComplains)
{
    dlg.Button4Click();
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].text, "画像が選択されていません");
    EXPECT_EQ(prompter.shown[0].title, "エラー");
    EXPECT_TRUE(dlg.isVisible());

    Press(4, Qt::LeftButton);
    dlg.Button4Click();
    EXPECT_EQ(dlg.ResultList(), QStringList{Key(4)});
    EXPECT_EQ(dlg.ModalResult, Prompter::mrOk);
}

TEST_F(ChooserDialog, DoubleClickAcceptsTheThumbnail)
{
    QTest::mouseDClick(dlg.ScFview, Qt::LeftButton, Qt::NoModifier, CellCentre(2));
    EXPECT_EQ(dlg.ResultList(), QStringList{Key(2)});
    EXPECT_EQ(dlg.ModalResult, Prompter::mrOk);
}

TEST_F(ChooserDialog, CancelEmptiesTheResult)
{
    Press(1, Qt::RightButton);
    dlg.Button3Click();
    EXPECT_TRUE(dlg.ResultList().isEmpty());
    EXPECT_EQ(dlg.ModalResult, Prompter::mrCancel);
    EXPECT_EQ(dlg.result(), QDialog::Rejected);
}

TEST_F(ChooserDialog, MarksAndCurrentEntryRepaintAtTheNextTick)
{
    Press(0, Qt::LeftButton);
    Press(0, Qt::RightButton);
    EXPECT_EQ(dlg.Core.RedrawTicks, 1);
    dlg.Timer1Timer();
    const QPoint inCell = CellCentre(0) + QPoint(-50, 40);   // left margin of the cell
    EXPECT_EQ(dlg.ScFview->Picture.pixelColor(inCell), QColor(192, 96, 128));
    Press(0, Qt::RightButton);   // clears the selection mark only
    dlg.Timer1Timer();
    EXPECT_EQ(dlg.ScFview->Picture.pixelColor(inCell), QColor(144, 144, 144));

    Press(1, Qt::RightButton);
    dlg.BtnClearClick();   // repaints at once
    EXPECT_EQ(dlg.Core.ViewList.Entry(1)->Marks, 0);
    EXPECT_EQ(dlg.Core.ViewList.Entry(0)->Marks, CurrentMark);
    EXPECT_EQ(dlg.ScFview->Picture.pixelColor(CellCentre(1) + QPoint(-50, 40)), QColor(96, 96, 96));
}

TEST_F(ChooserDialog, PressOutsideAnyCellDoesNothing)
{
    const int x = dlg.Grid.Columns * 112 + 1;
    if (x >= dlg.ScFview->width())
        GTEST_SKIP() << "no gap right of the last column at this width";
    QTest::mousePress(dlg.ScFview, Qt::RightButton, Qt::NoModifier, QPoint(x, 10));
    EXPECT_EQ(dlg.Core.RedrawTicks, 0);
    for (int i = 0; i < dlg.Core.ViewList.Count(); ++i)
        EXPECT_EQ(dlg.Core.ViewList.Entry(i)->Marks, 0);
}

TEST_F(ChooserDialog, LeftPressFillsTheInformationPanel)
{
    TPictEntry& e = *dlg.Core.ViewList.Entry(3);
    e.InfoLevel = 2;
    e.ShotDate = "2004/05/06 07:08:09";
    e.ShotExposure = "1/125 F8.0";
    e.ShotCamera = "PENTAX *ist D";
    Press(3, Qt::LeftButton);
    EXPECT_EQ(dlg.Core.CurrentIndex, 3);
    ASSERT_EQ(dlg.LVFileInf->rowCount(), 5);
    EXPECT_EQ(dlg.LVFileInf->item(0, 0)->text(), "ﾌｧｲﾙ名");
    EXPECT_EQ(dlg.LVFileInf->item(0, 1)->text(), e.FileName);
    EXPECT_EQ(dlg.LVFileInf->item(4, 1)->text(), "PENTAX *ist D");
    EXPECT_EQ(dlg.MainStatusBar->currentMessage(), e.FileName + " 1/125 F8.0 PENTAX *ist D");
    // The fake job's flat picture (r 30, g 60, b 90) gives single bars.
    EXPECT_EQ(dlg.HistG->Picture.pixelColor(31, 58), HistColorG) << "pair (60, 61) at column 31";
    EXPECT_EQ(dlg.HistB->Picture.pixelColor(46, 58), HistColorB);
    EXPECT_EQ(dlg.HistR->Picture.pixelColor(16, 58), HistColorR);

    Press(5, Qt::LeftButton);
    EXPECT_EQ(dlg.LVFileInf->rowCount(), 2);
    EXPECT_EQ(dlg.MainStatusBar->currentMessage(), dlg.Core.ViewList.Entry(5)->FileName);
    EXPECT_EQ(dlg.Core.ViewList.Entry(3)->Marks & CurrentMark, 0) << "one current entry only";

    dlg.Core.ViewList.Entry(6)->HasHistogram = false;
    Press(6, Qt::LeftButton);
    EXPECT_EQ(dlg.HistG->Picture.pixelColor(31, 58), QColor(0, 0, 0)) << "no bars of the previous entry";
}

TEST_F(ChooserDialog, WheelAndScrollBarMoveRowsAndSteerTheReader)
{
    ASSERT_TRUE(dlg.ScFscroll->isEnabled());
    QWheelEvent down(QPointF(10, 10), dlg.ScFlist->mapToGlobal(QPointF(10, 10)), QPoint(), QPoint(0, -120),
                     Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(dlg.ScFlist, &down);
    EXPECT_EQ(dlg.ScFscroll->value(), 1);
    QApplication::sendEvent(dlg.ScFlist, &down);
    EXPECT_EQ(dlg.Grid.TopRow, 2);
    EXPECT_EQ(dlg.Core.JumpIndex, 2 * dlg.Grid.Columns);
    dlg.ScFlistMouseWheel(120);
    EXPECT_EQ(dlg.Grid.TopRow, 1);
    EXPECT_EQ(dlg.HitTest(5, 5), dlg.Grid.Columns);
}

TEST_F(ChooserDialog, KeptListSurvivesAnOkAndRefreshDiscardsIt)
{
    Press(2, Qt::RightButton);
    dlg.Button4Click();
    dlg.KeepList = true;
    folder.Write("ZZZ.JPG", "x");
    dlg.show();
    EXPECT_EQ(dlg.Core.ViewList.Count(), 30);
    EXPECT_EQ(dlg.Core.ViewList.Entry(2)->Marks & SelectMark, SelectMark);
    EXPECT_NE(dlg.Core.ViewList.Entry(5)->ThumbShape, 0);
    dlg.BtnRefreshClick();
    EXPECT_EQ(dlg.Core.ViewList.Count(), 31);
    EXPECT_EQ(dlg.Core.ViewList.Entry(2)->Marks, 0);
    EXPECT_TRUE(dlg.ResultList().isEmpty());
    EXPECT_EQ(dlg.Core.ReadCursor(), 0);
}

TEST_F(ChooserDialog, ClosingStopsTheReader)
{
    dlg.Core.ListFolder(dlg.Directory, false);
    dlg.Timer1Timer();
    dlg.close();
    EXPECT_EQ(dlg.Core.ReadCursor(), rcStopped);
    EXPECT_EQ(dlg.Core.JobState(), jsIdle);
    EXPECT_EQ(dlg.result(), QDialog::Rejected) << "the close box gives Cancel";
}

TEST_F(ChooserDialog, FolderTreeChangeListsTheNewFolderOnlyWhileVisible)
{
    TestFolder other;
    other.Write("one.pef", "x");
    dlg.SetDirListBox(other.Path());
    EXPECT_EQ(dlg.Directory, other.Path());
    EXPECT_EQ(dlg.Core.ViewList.Count(), 1);
    EXPECT_EQ(dlg.Grid.TopRow, 0);

    // Choosing a place in the box lists it.
    dlg.DriveBox->SetPlaceSource([&] { return std::vector<TPlace>{{folder.Path(), "SD"}, {"/", "/"}}; });
    dlg.DriveBox->activated(0);
    EXPECT_EQ(dlg.Directory, folder.Path());
    EXPECT_EQ(dlg.Core.ViewList.Count(), 30);

    dlg.hide();
    dlg.SetDirListBox(other.Path());
    EXPECT_EQ(dlg.Directory, folder.Path()) << "hidden: nothing happens";
    EXPECT_EQ(dlg.Core.ViewList.Count(), 30);
}

TEST_F(ChooserDialog, WindowCannotShrinkBelowItsMinimum)
{
    dlg.resize(300, 200);
    EXPECT_EQ(dlg.frameGeometry().size(), QSize(600, 400)) << "the minimum is the outer size";
    EXPECT_EQ(TPictSelectDialog::FormCanResize(599, 700), QSize(600, 700));
}

TEST(ChooserSettings, SevenKeysRoundTripAndBadValuesAreMended)
{
    TestFolder folder;
    QDir(folder.Path()).mkdir("pics");
    const QString ini = folder.Path("v.INI");
    FakeReadJob job;
    FakePrompter prompter;
    {
        ProfileFile file(ini);
        file.WriteInteger("PIC_SELECT", "Left", -20);
        file.WriteInteger("PIC_SELECT", "Top", 40);
        file.WriteInteger("PIC_SELECT", "Width", 500);
        file.WriteInteger("PIC_SELECT", "Height", 700);
        file.WriteInteger("PIC_SELECT", "SplitHpos", 220);
        file.WriteInteger("PIC_SELECT", "SplitVpos", 170);
        file.WriteString("PIC_SELECT", "Directory", folder.Path("pics"));
        file.UpdateFile();
    }
    {
        TPictSelectDialog dlg(prompter, nullptr, false, job.Job());
        ProfileFile file(ini);
        dlg.LoadSettings(file, "PIC_SELECT");
        EXPECT_EQ(dlg.geometry(), QRect(0, 40, 600, 700));
        EXPECT_EQ(dlg.SplitHpos(), 220);
        EXPECT_EQ(dlg.SplitVpos(), 170);
        EXPECT_EQ(dlg.Directory, folder.Path("pics"));
        EXPECT_EQ(dlg.Core.ViewList.Count(), 0) << "hidden: not listed";
        EXPECT_EQ(dlg.Core.ReadCursor(), rcNotListed);
        dlg.SaveSettings(file, "PIC_SELECT");
        file.UpdateFile();
    }
    ProfileFile back(ini);
    EXPECT_EQ(back.ReadInteger("PIC_SELECT", "Left", 99), 0);
    EXPECT_EQ(back.ReadInteger("PIC_SELECT", "Top", 99), 40);
    EXPECT_EQ(back.ReadInteger("PIC_SELECT", "Width", 99), 600);
    EXPECT_EQ(back.ReadInteger("PIC_SELECT", "Height", 99), 700);
    EXPECT_EQ(back.ReadInteger("PIC_SELECT", "SplitHpos", 99), 220);
    EXPECT_EQ(back.ReadInteger("PIC_SELECT", "SplitVpos", 99), 170);
    EXPECT_EQ(back.ReadString("PIC_SELECT", "Directory", ""), folder.Path("pics"));
}

TEST(ChooserSettings, MissingKeysKeepTheDesignedValues)
{
    TestFolder folder;
    FakeReadJob job;
    FakePrompter prompter;
    TPictSelectDialog dlg(prompter, nullptr, false, job.Job());
    ProfileFile file(folder.Path("none.INI"));
    dlg.LoadSettings(file, "PIC_SELECT");
    EXPECT_EQ(dlg.geometry(), QRect(200, 130, 600, 520));
    EXPECT_EQ(dlg.SplitHpos(), 185);
    EXPECT_EQ(dlg.SplitVpos(), 153);
    EXPECT_EQ(dlg.Directory, QDir::homePath());
}

// The stored bounds are the window's outer bounds, as the main window's are, and a divider
// stored below its minimum is stored back where the window shows it.
TEST(ChooserSettings, OuterBoundsAndTheShownDividerSurviveTheRoundTrip)
{
    TestFolder folder;
    const QString ini = folder.Path("v.INI");
    {
        ProfileFile file(ini);
        file.WriteInteger("PIC_SELECT", "Left", 30);
        file.WriteInteger("PIC_SELECT", "Top", 40);
        file.WriteInteger("PIC_SELECT", "Width", 700);
        file.WriteInteger("PIC_SELECT", "Height", 500);
        file.WriteInteger("PIC_SELECT", "SplitHpos", 100);
        file.WriteString("PIC_SELECT", "Directory", folder.Path());
        file.UpdateFile();
    }
    FakeReadJob job;
    FakePrompter prompter;
    TPictSelectDialog dlg(prompter, nullptr, false, job.Job());
    ProfileFile file(ini);
    dlg.LoadSettings(file, "PIC_SELECT");
    dlg.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dlg));
    QTest::qWait(50);
    ASSERT_NE(dlg.frameGeometry(), dlg.geometry()) << "the platform gives the window no frame";
    EXPECT_EQ(dlg.frameGeometry(), QRect(30, 40, 700, 500));
    EXPECT_EQ(dlg.ScrollBox1->width(), 185);
    dlg.SaveSettings(file, "PIC_SELECT");
    EXPECT_EQ(file.ReadInteger("PIC_SELECT", "Left", 0), 30);
    EXPECT_EQ(file.ReadInteger("PIC_SELECT", "Top", 0), 40);
    EXPECT_EQ(file.ReadInteger("PIC_SELECT", "Width", 0), 700);
    EXPECT_EQ(file.ReadInteger("PIC_SELECT", "Height", 0), 500);
    EXPECT_EQ(file.ReadInteger("PIC_SELECT", "SplitHpos", 0), 185);
}

TEST(ChooserRoute, CaptionLimitAndTheMessageRule)
{
    FakeReadJob job;
    FakePrompter prompter;
    TPictSelectDialog dlg(prompter, nullptr, false, job.Job());
    struct Case {
        QStringList chosen;
        int loaded;
        QString text, title;
    };
    const Case cases[] = {
        {{"/a.jpg", "/b.jpg"}, 2, "", ""},
        {{"/a.jpg", "/b.jpg", "/c.jpg"}, 2, "ロードできないファイルがありました。", "エラー"},
        {{"/1", "/2", "/3", "/4", "/5"}, 4, "4個を超えたファイルはロードされませんでした。", "警告"},
    };
    for (const Case& c : cases) {
        prompter.shown.clear();
        dlg.KeepList = false;
        prompter.modalHandlers.push_back([&](QDialog& shown) {
            EXPECT_EQ(&shown, &dlg);
            EXPECT_EQ(shown.windowTitle(), "画像の選択(JPEG/PEF 最大4個)");
            EXPECT_EQ(dlg.MaxSelect(), 4);
            dlg.Core.ResultList = c.chosen;
            return int(Prompter::mrOk);
        });
        QStringList loaded;
        EXPECT_TRUE(RunChooserRoute(dlg, prompter, [&](const QStringList& names, std::function<void(int)> shown) {
            loaded = names;
            shown(c.loaded);
        }));
        EXPECT_EQ(loaded, c.chosen);
        EXPECT_TRUE(dlg.KeepList);
        ASSERT_EQ(prompter.shown.size(), c.text.isEmpty() ? 1u : 2u);
        if (!c.text.isEmpty()) {
            EXPECT_EQ(prompter.shown[1].text, c.text);
            EXPECT_EQ(prompter.shown[1].title, c.title);
        }
    }
    // Cancel: nothing loaded, KeepList untouched.
    dlg.KeepList = false;
    bool called = false;
    EXPECT_FALSE(RunChooserRoute(dlg, prompter, [&](const QStringList&, std::function<void(int)>) {
        called = true;
    }));
    EXPECT_FALSE(called);
    EXPECT_FALSE(dlg.KeepList);
}

} // namespace
