#include "MainFormFixture.h"

#include "loading/Bmpmagbase.h"
#include "support/TestFolder.h"
#include "viewer/Burst.h"

#include <QAction>
#include <QFileInfo>
#include <QTest>
#include <atomic>
#include <chrono>
#include <thread>

namespace {

struct StepCase {
    int count, start, size, by, expected;
};

TEST(SteppedGroupStart, MovesWithinTheFolderAndStopsAtItsEnds)
{
    const StepCase cases[] = {
        {10, 0, 4, 4, 4},     // frames 5-8 after 1-4
        {10, 0, 4, 1, 1},     // one frame on: 2-5
        {10, 4, 4, 4, 6},     // past the end: the last whole group, 7-10
        {10, 6, 4, 4, -1},    // at the end nothing changes
        {10, 6, 4, 1, -1},
        {10, 6, 4, -4, 2},
        {10, 2, 4, -4, 0},    // before the start: the first group
        {10, 0, 4, -4, -1},
        {10, 0, 4, -1, -1},
        {3, 0, 4, 4, -1},     // fewer files than panels: nowhere to go
        {10, -1, 4, 4, -1},   // the shown file is no longer in the folder
        {10, 5, 2, 2, 7},
    };
    for (const StepCase& c : cases)
        EXPECT_EQ(SteppedGroupStart(c.count, c.start, c.size, c.by), c.expected)
            << c.count << " files, group of " << c.size << " at " << c.start << ", step " << c.by;
}

TEST(BurstFiles, TakeRawHeicTiffAndWebpLikeJpegOtherPluginNamesOnlyWhenShown)
{
    TestFolder folder;
    for (const char* name : {"a.JPG", "b.CR3", "c.heic", "d.tif", "e.webp", "f.psd", "g.txt"})
        folder.Write(QString::fromLatin1(name), "x");
    QStringList names;
    for (const QString& path : BurstFiles(folder.Path(), {}))
        names << QFileInfo(path).fileName();
    EXPECT_EQ(names, QStringList({"a.JPG", "b.CR3", "c.heic", "d.tif", "e.webp"}));
    EXPECT_EQ(BurstFiles(folder.Path(), {QStringLiteral(".PSD")}).size(), 6);
}

class Stepping : public MainFormTest {
protected:
    // Ten frames of a burst, a picture of another kind and a file that is none, named so
    // that only the chooser's case-blind order puts them in frame order.
    QStringList Burst()
    {
        QStringList frames;
        for (int i = 1; i <= 10; ++i)
            frames << Picture(QString::fromLatin1(i % 2 ? "img%1.bmp" : "IMG%1.jpg").arg(i, 2, 10, QLatin1Char('0')),
                              QSize(60, 40), QColor(20 * i, 100, 30));
        NotAPicture(QStringLiteral("img05.txt"));
        return frames;
    }

    QStringList Shown() const
    {
        QStringList names;
        for (int i = 0; i < form->LoadedPanels(); ++i)
            names << QFileInfo(form->Panel(i).Path).fileName();
        return names;
    }

    void Key(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QTest::keyClick(form.get(), Qt::Key(key), modifiers);
        Settle();
    }
};

// The keys step a group or a frame through the folder in the chooser's order, keeping the
// magnification, both kinds of offsets and the turn; the group in the direction of travel
// is decoded ahead.
TEST_F(Stepping, KeysStepThroughTheBurstKeepingTheView)
{
    const QStringList frames = Burst();
    MakeForm();
    ShowWithClient(QSize(600, 400));
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    Load(frames.mid(0, 4));
    ASSERT_EQ(form->LoadedPanels(), 4);
    EXPECT_EQ(form->Shown().GroupAhead(), frames.mid(4, 4));

    Control<QAction>("N90R1")->trigger();  // a turn fits again, so it comes first
    form->PanZoom().SetMagnificationText(QStringLiteral("2.0"));
    form->PanZoom().Apply();
    Pan(0, 30, 20);
    Pan(1, 5, 7, true);
    const TViewState view = form->PanZoom().State();
    ASSERT_EQ(view.Magnification, 2.0f);

    Key(Qt::Key_PageDown);
    EXPECT_EQ(Shown(), QStringList({"img05.bmp", "IMG06.jpg", "img07.bmp", "IMG08.jpg"}));
    const TViewState after = form->PanZoom().State();
    EXPECT_EQ(after.Magnification, 2.0f);
    EXPECT_EQ(form->MagnificationText(), QStringLiteral("2.0"));
    EXPECT_EQ(std::make_pair(after.OffsetX, after.OffsetY), std::make_pair(view.OffsetX, view.OffsetY));
    EXPECT_EQ(std::make_pair(after.PanelOffsetX[1], after.PanelOffsetY[1]),
              std::make_pair(view.PanelOffsetX[1], view.PanelOffsetY[1]));
    EXPECT_EQ(QSize(form->Panel(0).Picture->Width(), form->Panel(0).Picture->Height()), QSize(40, 60));
    EXPECT_EQ(form->Panel(3).Picture->FMagnification, 2.0f);
    EXPECT_EQ(form->Shown().GroupAhead(), frames.mid(6, 4));

    Key(Qt::Key_PageDown, Qt::ShiftModifier);
    EXPECT_EQ(Shown(), QStringList({"IMG06.jpg", "img07.bmp", "IMG08.jpg", "img09.bmp"}));
    EXPECT_EQ(form->Shown().GroupAhead(), frames.mid(6, 4));
    Key(Qt::Key_PageDown);
    EXPECT_EQ(Shown(), QStringList({"img07.bmp", "IMG08.jpg", "img09.bmp", "IMG10.jpg"}));
    Key(Qt::Key_PageDown);
    EXPECT_EQ(Shown(), QStringList({"img07.bmp", "IMG08.jpg", "img09.bmp", "IMG10.jpg"}));
    Key(Qt::Key_PageUp);
    EXPECT_EQ(Shown(), QStringList({"img03.bmp", "IMG04.jpg", "img05.bmp", "IMG06.jpg"}));
    EXPECT_EQ(form->PanZoom().State().OffsetX, view.OffsetX);
    EXPECT_EQ(QSize(form->Panel(2).Picture->Width(), form->Panel(2).Picture->Height()), QSize(40, 60));
    EXPECT_EQ(Errors(), 0);
}

// Steps asked for faster than they decode coalesce: after ten quick steps the window shows
// the group ten steps on, and only about that group and the one ahead of it were decoded,
// not every group passed over.
TEST_F(Stepping, QuickStepsDecodeOnlyTheLastGroupAndItsLookAhead)
{
    QStringList frames;
    for (int i = 0; i < 48; ++i)
        frames << Picture(QStringLiteral("f%1.jpg").arg(i, 2, 10, QLatin1Char('0')), QSize(40, 30));
    MakeForm();
    Load(frames.mid(0, 4));
    std::atomic<int> decoded{0};
    form->SetDecodeWatch([&decoded](const QString&) {
        ++decoded;
        std::this_thread::sleep_for(std::chrono::milliseconds(30));  // slower than the keys
    });
    for (int i = 0; i < 10; ++i) {
        Control<QAction>("NextGroup")->trigger();
        QCoreApplication::processEvents();
    }
    Settle();
    EXPECT_EQ(Shown(), QStringList({"f40.jpg", "f41.jpg", "f42.jpg", "f43.jpg"}));
    // The last group and its look-ahead, plus what had begun when its step came (each
    // worker one decode) and one look-ahead left from the first steps; decoding every
    // group passed over would be ten groups.
    EXPECT_LE(decoded.load(), 3 * kPanelMax + static_cast<int>(runner::TPool::Shared().Threads()));
    EXPECT_GE(decoded.load(), 2 * kPanelMax);
    EXPECT_EQ(Errors(), 0);
}

}  // namespace
