#include "MainFormFixture.h"

#include <fcntl.h>
#include <sys/stat.h>

#include "handoff/HandoffChannel.h"

#include <QApplication>
#include <QCursor>
#include <QDir>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QMimeData>
#include <QTest>
#include <QUrl>
#include <atomic>
#include <stdexcept>
#include <thread>

namespace {

class Opening : public MainFormTest {
protected:
    QStringList Pictures(int n, const char* ext = "bmp")
    {
        QStringList names;
        for (int i = 0; i < n; ++i)
            names << Picture(QStringLiteral("p%1.%2").arg(i).arg(QLatin1String(ext)), QSize(40 + i, 30));
        return names;
    }
    QStringList Captions() const
    {
        QStringList c;
        for (int i = 0; i < form->LoadedPanels(); ++i)
            c << form->Panel(i).Group->title();
        return c;
    }
    std::vector<FakePrompter::Shown> Messages() const
    {
        std::vector<FakePrompter::Shown> m;
        for (const auto& s : prompter.shown)
            if (s.kind != FakePrompter::Shown::OpenFiles)
                m.push_back(s);
        return m;
    }
};

struct DialogCase {
    const char* name;
    int files;
    std::vector<int> bad;  // indexes of chosen files that are no pictures
    int shown;
    QStringList captions;
    const char* message;  // nullptr: none
    const char* title;
};
// Keeps test names short in the runner's listing.
inline void PrintTo(const DialogCase& c, std::ostream* os) { *os << c.name; }


class OpenDialogTable : public Opening, public ::testing::WithParamInterface<DialogCase> {};

TEST_P(OpenDialogTable, LoadsUpToFourAndTellsWhatWasLeftOut)
{
    const DialogCase& c = GetParam();
    MakeForm();
    form->show();
    Settle();
    QStringList names = Pictures(c.files);
    for (int i : c.bad)
        names[i] = NotAPicture(QStringLiteral("bad%1.jpg").arg(i));
    prompter.openResults.push_back(names);
    form->N1Click();
    Settle();
    EXPECT_EQ(form->LoadedPanels(), c.shown);
    EXPECT_EQ(Captions(), c.captions);
    const auto messages = Messages();
    if (!c.message) {
        EXPECT_TRUE(messages.empty());
        return;
    }
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].kind, FakePrompter::Shown::Message);
    EXPECT_EQ(messages[0].text, QString::fromUtf8(c.message));
    EXPECT_EQ(messages[0].title, QString::fromUtf8(c.title));
}

const char* const kTooMany = "4個を超えたファイルはロードされませんでした。";
const char* const kNotLoaded = "ロードできないファイルがありました。";

INSTANTIATE_TEST_SUITE_P(
    Opening, OpenDialogTable,
    ::testing::Values(
        DialogCase{"SixFilesShowFourAndWarn", 6, {}, 4, {"p0.bmp", "p1.bmp", "p2.bmp", "p3.bmp"}, kTooMany, "警告"},
        DialogCase{"SecondOfThreeBadShowsTwoAndErrs", 3, {1}, 2, {"p0.bmp", "p2.bmp"}, kNotLoaded, "エラー"},
        DialogCase{"FiveWithTwoBadShowThreeAndWarn", 5, {1, 2}, 3, {"p0.bmp", "p3.bmp", "p4.bmp"}, kTooMany, "警告"},
        DialogCase{"FourGoodSayNothing", 4, {}, 4, {"p0.bmp", "p1.bmp", "p2.bmp", "p3.bmp"}, nullptr, nullptr},
        DialogCase{"NoneLoadedErrs", 2, {0, 1}, 0, {}, kNotLoaded, "エラー"}),
    [](const auto& info) { return std::string(info.param.name); });

// JPEG files are decoded side by side; what the window shows afterwards and while it
// works is what loading them one after another gave.
TEST_F(Opening, SideBySideDecodesKeepNameOrderAndTheOldSetUntilTheNewOneIsDone)
{
    MakeForm();
    form->show();
    Settle();
    Load({Picture("old0.jpg", QSize(30, 20)), Picture("old1.jpg", QSize(30, 20))});
    QStringList names;
    for (int i = 0; i < 5; ++i)
        names << Picture(QStringLiteral("p%1.jpg").arg(i), QSize(40 + i, 30));
    names[1] = NotAPicture("bad1.jpg");
    QStringList seen;  // each name as the hook sees it, with what the window shows then
    form->SetBeforePanelLoad([&](const QString& name) {
        seen << QFileInfo(name).fileName() + ": " + Captions().join(',');
    });
    prompter.openResults.push_back(names);
    form->N1Click();
    Settle();
    // p4 is tried only because bad1.jpg failed, after the first four were decoded.
    EXPECT_EQ(seen, (QStringList{"p0.jpg: old0.jpg,old1.jpg", "bad1.jpg: old0.jpg,old1.jpg",
                                 "p2.jpg: old0.jpg,old1.jpg", "p3.jpg: old0.jpg,old1.jpg",
                                 "p4.jpg: old0.jpg,old1.jpg"}));
    EXPECT_EQ(Captions(), (QStringList{"p0.jpg", "p2.jpg", "p3.jpg", "p4.jpg"}));
    EXPECT_EQ(ShownMessages(), QStringList{"警告: 4個を超えたファイルはロードされませんでした。"});

    names.removeLast();
    prompter.openResults.push_back(names);
    form->N1Click();
    Settle();
    EXPECT_EQ(Captions(), (QStringList{"p0.jpg", "p2.jpg", "p3.jpg"}));
    EXPECT_EQ(ShownMessages().last(), QStringLiteral("エラー: ロードできないファイルがありました。"));

    // A load that stops at the third name shows the two before it, as it always did.
    form->SetBeforePanelLoad([&](const QString& name) {
        if (name == names[2])
            throw std::runtime_error("out of memory");
    });
    EXPECT_THROW(Load({names[0], names[3], names[2], names[1]}), std::runtime_error);
    EXPECT_EQ(Captions(), (QStringList{"p0.jpg", "p3.jpg"}));
}

TEST_F(Opening, OpenDialogIsAskedForThePictureTypes)
{
    MakeForm();
    form->N1Click();
    Settle();
    const OpenFilesRequest& r = prompter.lastOpenRequest;
    EXPECT_EQ(r.title, QStringLiteral("画像ファイルを開く(複数選択化)"));
    EXPECT_EQ(r.filters, (QStringList{"基本対応画像形式 (*.jpeg *.jpg *.pef *.bmp)", "PEFファイル (*.pef)",
                                      "JPEGファイル (*.jpeg *.jpg)", "ビットマップ (*.bmp)",
                                      "アイコンファイル (*.ico)", "全ファイル (*)"}));
    EXPECT_EQ(r.initialName, QStringLiteral("*.jpeg;*.jpg;*.pef;*.bmp"));
    EXPECT_EQ(r.defaultSuffix, QStringLiteral("bmp"));
    EXPECT_TRUE(r.multiple);
}

TEST_F(Opening, CancellingKeepsThePictures)
{
    MakeForm();
    Load(Pictures(2));
    form->N1Click();  // no scripted answer: cancelled
    EXPECT_EQ(form->LoadedPanels(), 2);
    EXPECT_FALSE(form->Panel(1).Group->isHidden());
    EXPECT_TRUE(Messages().empty());
}

TEST_F(Opening, NewSetReplacesTheOldOneAndResetsOffsets)
{
    MakeForm();
    Load(Pictures(4));
    Pan(0, 20, 0);
    Pan(3, 6, 0, true);
    ASSERT_EQ(form->PanZoom().State().ViewX(3), 26);
    Load({Picture("single.jpg", QSize(64, 48))});
    EXPECT_EQ(form->LoadedPanels(), 1);
    EXPECT_EQ(Captions(), QStringList{"single.jpg"});
    for (int i = 1; i < 4; ++i) {
        EXPECT_TRUE(form->Panel(i).Group->isHidden());
        EXPECT_FALSE(form->Panel(i).Picture);
    }
    EXPECT_EQ(form->PanZoom().State().OffsetX, 0);
    EXPECT_EQ(form->PanZoom().State().PanelOffsetX[3], 0);
}

TEST_F(Opening, DroppingANonPictureEmptiesTheWindowSilently)
{
    MakeForm();
    form->show();
    Settle();
    Load(Pictures(4));
    form->WMDropFiles({NotAPicture("note.txt")});
    Settle();
    EXPECT_EQ(form->LoadedPanels(), 0);
    for (QGroupBox* g : Groups())
        EXPECT_TRUE(g->isHidden());
    EXPECT_TRUE(prompter.shown.empty());
    EXPECT_TRUE(form->acceptDrops()) << "drops are taken again afterwards";
}

TEST_F(Opening, DroppedShortNamesAreSkipped)
{
    MakeForm();
    form->show();
    Settle();
    Load(Pictures(2));
    form->WMDropFiles({QStringLiteral("/a.j")});
    Settle();
    EXPECT_EQ(form->LoadedPanels(), 2) << "nothing taken: the pictures stay";
    form->WMDropFiles({QStringLiteral("/a.j"), Picture("b.bmp", QSize(8, 8))});
    Settle();
    EXPECT_EQ(Captions(), QStringList{"b.bmp"});
}

TEST_F(Opening, DropEventOfLocalFilesLoadsThem)
{
    MakeForm();
    form->show();
    Settle();
    EXPECT_TRUE(form->acceptDrops()) << "drops are accepted from the first show on";
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(Picture("x.bmp", QSize(10, 10))), QUrl(QStringLiteral("https://example.org/y.jpg")),
                  QUrl::fromLocalFile(Picture("z.jpg", QSize(10, 10)))});
    // A drop reaches only the widget that accepted the drag's entry.
    QDragEnterEvent enter(QPoint(100, 100), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(form.get(), &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(100, 100), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(form.get(), &drop);
    Settle();
    EXPECT_EQ(Captions(), (QStringList{"x.bmp", "z.jpg"}));
}

TEST_F(Opening, FirstShowLoadsTheStartupNamesOnce)
{
    const QStringList names = Pictures(3);
    MakeForm(QSize(1280, 1024), names);
    EXPECT_FALSE(form->acceptDrops());
    EXPECT_EQ(form->LoadedPanels(), 0);
    form->show();
    Settle();
    EXPECT_EQ(form->LoadedPanels(), 3);
    EXPECT_TRUE(form->WasShown());
    Load({names[0]});
    form->hide();
    form->show();
    Settle();
    EXPECT_EQ(form->LoadedPanels(), 1) << "a later show loads nothing";
    EXPECT_TRUE(prompter.shown.empty());
}

// Overwrites the file with zeros in place, keeping its size and modification time: only a
// decode made before can still show it.
void Spoil(const QString& name)
{
    struct stat before {};
    ASSERT_EQ(::stat(QFile::encodeName(name).constData(), &before), 0);
    QFile file(name);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    file.write(QByteArray(file.size(), '\0'));
    file.close();
    const timespec times[2] = {before.st_atim, before.st_mtim};
    ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(name).constData(), times, 0), 0);
}

// The start-up JPEG files are decoded while the window is made and the first show takes
// those decodes; a file that needs the plug-in host is read only at the first show.
TEST_F(Opening, FirstShowTakesTheFilesDecodedWhileTheWindowWasMade)
{
    const QStringList names{Picture("a.jpg", QSize(40, 30)), Picture("b.bmp", QSize(40, 30)),
                            Picture("c.jpg", QSize(41, 30))};
    MakeForm(QSize(1280, 1024), names);
    Settle();
    for (const QString& name : names)
        Spoil(name);
    form->show();
    Settle();
    Settle();
    EXPECT_EQ(Captions(), (QStringList{"a.jpg", "c.jpg"}));
    Load(names);
    EXPECT_EQ(form->LoadedPanels(), 0) << "only the first load takes them";
}

TEST_F(Opening, FailureOfTheFirstShowsLoadIsReportedAndTheWindowGoesOn)
{
    const QStringList names = Pictures(2);
    MakeForm(QSize(1280, 1024), names);
    form->SetBeforePanelLoad([](const QString&) { throw std::runtime_error("out of memory"); });
    form->show();
    Settle();
    ASSERT_EQ(Errors(), 1);
    EXPECT_EQ(prompter.shown.back().text, QStringLiteral("out of memory"));
    EXPECT_TRUE(form->WasShown());
    EXPECT_TRUE(form->acceptDrops());
}

TEST_F(Opening, CursorIsPutBackAfterFailingLoads)
{
    MakeForm();
    QApplication::setOverrideCursor(QCursor(Qt::CrossCursor));
    Load({NotAPicture("a.jpg"), folder.Path("missing.bmp"), folder.Path()});
    ASSERT_NE(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::CrossCursor);
    QApplication::restoreOverrideCursor();
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(form->LoadedPanels(), 0);
}

TEST_F(Opening, HandOffWithoutAChannelOnlyRaisesTheWindow)
{
    MakeForm();
    form->show();
    Settle();
    Load(Pictures(2));
    form->WMUserArguments();
    Settle();
    EXPECT_EQ(form->LoadedPanels(), 2);
}

TEST_F(Opening, HandedOverNamesBecomeTheNewSet)
{
    HandoffChannel channel(folder.Path("handoff"));
    const QStringList names = Pictures(2, "jpg");
    const QString ownFolder = QDir::currentPath();
    QDir::setCurrent(folder.Path());  // "p0.jpg" names a picture here, not in the sender's folder
    TMainFormEnv env{&prompter, SettingsPath(), QSize(1280, 1024), &channel, {}};
    form = std::make_unique<TMainForm>(env);
    form->show();
    Settle();
    int loadedWhenAnswered = -1;
    ASSERT_TRUE(channel.Register([] { return QByteArray("Velumira"); }, [this, &loadedWhenAnswered] {
        form->WMUserArguments();
        Settle();
        loadedWhenAnswered = form->LoadedPanels();
    }));
    // The second start blocks until the window answers, so it runs beside the window's thread.
    std::atomic<bool> handedOver{false};
    std::thread secondStart([&] {
        HandoffChannel start(folder.Path("handoff"));
        start.WriteArguments({names[1], folder.Path("missing.jpg"), "p0.jpg", names[0]});
        handedOver = start.Notify(channel.SocketName());
    });
    EXPECT_TRUE(QTest::qWaitFor([this] { return form->LoadedPanels() == 2; }));
    secondStart.join();
    QDir::setCurrent(ownFolder);
    EXPECT_TRUE(handedOver);
    EXPECT_EQ(loadedWhenAnswered, 0);  // loaded after the sender has its answer
    EXPECT_EQ(Captions(), (QStringList{"p1.jpg", "p0.jpg"}));
    EXPECT_TRUE(prompter.shown.empty());
}

}  // namespace
