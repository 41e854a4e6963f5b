// Pictures through the thumbnail chooser, and pictures that only a plug-in can read.
#include "MainFormFixture.h"

#include "chooser/Pictselectdlg.h"
#include "dialogs/Spisetting.h"
#include "loading/SpiHost.h"

#include <QAction>
#include <QGroupBox>
#include <QLineEdit>

namespace {

class ChooserRoute : public MainFormTest {
protected:
    // The chooser ends with OK and the given files as its result.
    void ChooserReturns(QStringList files)
    {
        prompter.modalHandlers.push_back([this, files](QDialog& d) {
            auto& chooser = dynamic_cast<TPictSelectDialog&>(d);
            title = chooser.windowTitle();
            maxSelect = chooser.MaxSelect();
            chooser.Core.ResultList = files;
            return int(Prompter::mrOk);
        });
    }
    QStringList Captions() const
    {
        QStringList c;
        for (int i = 0; i < form->LoadedPanels(); ++i)
            c << form->Panel(i).Group->title();
        return c;
    }
    QString title;
    int maxSelect = 0;
};

struct RouteCase {
    const char* name;
    int files;
    std::vector<int> bad;
    QStringList captions;
    const char* message;  // "title: text", nullptr for none
};
// Keeps test names short in the runner's listing.
inline void PrintTo(const RouteCase& c, std::ostream* os) { *os << c.name; }


class RouteTable : public ChooserRoute, public ::testing::WithParamInterface<RouteCase> {};

TEST_P(RouteTable, ChosenFilesLoadWithTheDialogsMessageRule)
{
    const RouteCase& c = GetParam();
    MakeForm();
    form->show();
    Settle();
    QStringList files;
    for (int i = 0; i < c.files; ++i)
        files << (std::count(c.bad.begin(), c.bad.end(), i) ? NotAPicture(QStringLiteral("bad%1.jpg").arg(i))
                                                            : Picture(QStringLiteral("c%1.jpg").arg(i), QSize(32, 24)));
    ChooserReturns(files);
    Control<QAction>("O1")->trigger();
    Settle();
    EXPECT_EQ(title, QStringLiteral("画像の選択(JPEG/PEF 最大4個)"));
    EXPECT_EQ(maxSelect, 4);
    EXPECT_TRUE(Dialog<TPictSelectDialog>()->KeepList) << "the list is kept for the next showing";
    EXPECT_EQ(Captions(), c.captions);
    EXPECT_EQ(ShownMessages(), c.message ? QStringList{QString::fromUtf8(c.message)} : QStringList{});
}

INSTANTIATE_TEST_SUITE_P(
    Opening, RouteTable,
    ::testing::Values(
        RouteCase{"TwoGood", 2, {}, {"c0.jpg", "c1.jpg"}, nullptr},
        RouteCase{"MiddleOneBad", 3, {1}, {"c0.jpg", "c2.jpg"}, "エラー: ロードできないファイルがありました。"},
        RouteCase{"FiveChosen", 5, {}, {"c0.jpg", "c1.jpg", "c2.jpg", "c3.jpg"},
                  "警告: 4個を超えたファイルはロードされませんでした。"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ChooserRoute, CancelKeepsThePictures)
{
    MakeForm();
    form->show();
    Settle();
    Load({Picture("keep.bmp", QSize(20, 20))});
    prompter.modalHandlers.push_back([](QDialog&) { return int(Prompter::mrCancel); });
    form->O1Click();
    Settle();
    EXPECT_EQ(Captions(), QStringList{"keep.bmp"});
    EXPECT_FALSE(Dialog<TPictSelectDialog>()->KeepList);
    EXPECT_TRUE(ShownMessages().isEmpty());
}

class PluginPictures : public MainFormTest {
protected:
    static QString PngFolder() { return QStringLiteral(VELUMIRA_PNG_SPI_DIR); }
    void ShowWithPluginFolder(const QString& folder)
    {
        WriteSettingsText(QStringLiteral("[SUSIE]\nSPIDIR=%1\n").arg(folder).toUtf8());
        MakeForm();
        ShowWithClient(QSize(600, 400));
    }
};

TEST_F(PluginPictures, HostIsMadeAtTheFirstShowAndGivenToEveryPicture)
{
    MakeForm();
    EXPECT_FALSE(form->PluginHost()) << "no host before the first show";
    ShowWithClient(QSize(600, 400));
    ASSERT_TRUE(form->PluginHost());
    const TSpiHost* host = form->PluginHost();
    form->hide();
    form->show();
    Settle();
    EXPECT_EQ(form->PluginHost(), host) << "one host for the program";
    Load({Picture("a.bmp", QSize(8, 8)), Picture("b.jpg", QSize(8, 8))});
    for (int i = 0; i < 2; ++i)
        EXPECT_EQ(form->Panel(i).Picture->FSpiHost, host) << i;
}

TEST_F(PluginPictures, PngOpensBesideJpegsAndShowsTwentyFourBits)
{
    ShowWithPluginFolder(PngFolder());
    EXPECT_EQ(form->PluginFolder(), PngFolder());
    Load({Picture("shot.png", QSize(300, 200)), Picture("shot.jpg", QSize(300, 200)),
                        Picture("indexed.bmp", QSize(30, 20))});
    ASSERT_EQ(form->LoadedPanels(), 3);
    EXPECT_EQ(form->Panel(0).TextLine->text(), QStringLiteral("300×200 (24)"));
    EXPECT_EQ(form->Panel(0).Group->title(), QStringLiteral("shot.png"));
    EXPECT_FALSE(form->Panel(0).Group->isHidden());
    EXPECT_EQ(form->Panel(0).Picture->FMagnification, form->Panel(1).Picture->FMagnification)
        << "the shared magnification";
}

TEST_F(PluginPictures, PngDecodesOnTheRunnerWhileTheWindowGoesOn)
{
    ShowWithPluginFolder(PngFolder());
    form->LoadPictures({Picture("shot.png", QSize(30, 20))});
    EXPECT_EQ(form->LoadedPanels(), 0) << "the load came back before the decode";
    EXPECT_TRUE(form->Shown().Busy());
    Settle();
    ASSERT_EQ(form->LoadedPanels(), 1);
    EXPECT_EQ(form->Panel(0).TextLine->text(), QStringLiteral("30×20 (24)")) << "read by the plug-in";
}

TEST_F(PluginPictures, WithoutPluginsAPngIsLeftOut)
{
    ShowWithPluginFolder(folder.Path("no-plugins-here"));
    Load({Picture("shot.png", QSize(30, 20)), Picture("shot.jpg", QSize(30, 20))});
    EXPECT_EQ(form->LoadedPanels(), 1);
    EXPECT_EQ(form->Panel(0).Group->title(), QStringLiteral("shot.jpg"));
}

TEST_F(PluginPictures, PluginFolderChangedInTheDialogIsScannedAtOnce)
{
    ShowWithPluginFolder(folder.Path("no-plugins-here"));
    const QString png = Picture("shot.png", QSize(30, 20));
    QString shownFolder;
    prompter.modalHandlers.push_back([&](QDialog& d) {
        auto& dialog = dynamic_cast<TSpiSetDlg&>(d);
        shownFolder = dialog.EdSPIPath->text();
        dialog.EdSPIPath->setText(PngFolder());
        return int(Prompter::mrCancel);
    });
    Control<QAction>("Susie1")->trigger();
    EXPECT_EQ(shownFolder, folder.Path("no-plugins-here"));
    EXPECT_EQ(form->PluginFolder(), folder.Path("no-plugins-here")) << "Cancel changes nothing";
    Load({png});
    EXPECT_EQ(form->LoadedPanels(), 0);

    prompter.modalHandlers.push_back([&](QDialog& d) {
        dynamic_cast<TSpiSetDlg&>(d).EdSPIPath->setText(PngFolder());
        return int(Prompter::mrOk);
    });
    Control<QAction>("Susie1")->trigger();
    EXPECT_EQ(form->PluginFolder(), PngFolder());
    Load({png});
    EXPECT_EQ(form->LoadedPanels(), 1);
}

}  // namespace
