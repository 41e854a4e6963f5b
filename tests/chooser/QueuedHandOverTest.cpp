// The window's hand-over queued at each job's end, with the 30 ms timer stopped: the folder
// fills without a tick, and a job cut short by another folder, closing or destruction
// leaves nothing behind.
#include "FakeReadJob.h"
#include "chooser/ChooserWidgets.h"
#include "chooser/Pictselectdlg.h"
#include "support/FakePrompter.h"
#include "support/TestFolder.h"

#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

void WriteShots(TestFolder& folder, const QString& prefix, int count)
{
    for (int i = 0; i < count; ++i)
        folder.Write(QString("%1%2.JPG").arg(prefix).arg(i, 2, 10, QLatin1Char('0')), "x");
}

class QueuedHandOver : public ::testing::Test {
protected:
    void SetUp() override
    {
        dlg->Timer1->stop();   // only the queued hand-overs move the reader
        WriteShots(folder, "A", 3);
        WriteShots(other, "B", 4);
        dlg->Directory = folder.Path();
    }
    // Runs the event loop until the first request is held in its job, then lets the job
    // end from another thread while this one is inside the stop.
    void ReleaseLater(std::thread& release)
    {
        ASSERT_TRUE(QTest::qWaitFor([&] { return job.Running(); }, 5000));
        release = std::thread([this] {
            std::this_thread::sleep_for(std::chrono::milliseconds(30));
            job.Hold(false);
        });
    }

    TestFolder folder, other;
    FakeReadJob job;
    FakePrompter prompter;
    std::unique_ptr<TPictSelectDialog> dlg = std::make_unique<TPictSelectDialog>(prompter, nullptr, true, job.Job());
};

TEST_F(QueuedHandOver, FillsTheFolderAndRepaintsWithoutATimerTick)
{
    dlg->show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return dlg->Core.ReadCursor() == rcAllRead; }, 5000));
    EXPECT_EQ(job.Started().size(), 3u);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(dlg->Core.ViewList.Entry(i)->ThumbShape, 1);
    // The coalesced repaint, not a tick, draws the thumbnails into the grid.
    ASSERT_TRUE(QTest::qWaitFor([&] { return dlg->Core.RedrawTicks == 0; }, 1000));
    EXPECT_EQ(dlg->ScFview->Picture.pixelColor(56, 40), QColor(30, 60, 90));
    EXPECT_FALSE(dlg->Timer1->isActive());
}

TEST_F(QueuedHandOver, AnotherFolderMidJobGetsNothingOfTheOldOne)
{
    job.Hold(true);
    dlg->show();
    std::thread release;
    ReleaseLater(release);
    ASSERT_TRUE(release.joinable());
    job.SetSize(QSize(120, 160));   // the stale result is upright, the new folder's are not
    dlg->Directory = other.Path();
    dlg->BtnRefreshClick();   // waits for the held job; its hand-over is queued meanwhile
    release.join();
    job.SetSize(QSize(160, 120));
    ASSERT_TRUE(QTest::qWaitFor([&] { return dlg->Core.ReadCursor() == rcAllRead; }, 5000));
    EXPECT_EQ(job.Started(), (std::vector<QString>{"A00.JPG", "B00.JPG", "B01.JPG", "B02.JPG", "B03.JPG"}));
    ASSERT_EQ(dlg->Core.ViewList.Count(), 4);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(dlg->Core.ViewList.Entry(i)->ThumbShape, 1) << i;
}

TEST_F(QueuedHandOver, ClosingMidJobDiscardsItsResult)
{
    job.Hold(true);
    dlg->show();
    std::thread release;
    ReleaseLater(release);
    ASSERT_TRUE(release.joinable());
    dlg->close();
    release.join();
    QTest::qWait(50);   // the queued hand-over of the cut job runs here
    EXPECT_EQ(dlg->Core.ReadCursor(), rcStopped);
    EXPECT_EQ(dlg->Core.JobState(), jsIdle);
    EXPECT_EQ(dlg->Core.ViewList.Entry(0)->ThumbShape, 0);
    EXPECT_EQ(job.Started().size(), 1u);
}

TEST_F(QueuedHandOver, DestroyedWithAHandOverStillQueued)
{
    job.Hold(true);
    dlg->show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return job.Running(); }, 5000));
    job.Hold(false);
    ASSERT_TRUE(WaitUntil([&] { return dlg->Core.JobState() == jsDone; }));
    dlg.reset();   // the hand-over the job's end queued was never run
    QCoreApplication::sendPostedEvents();
    QTest::qWait(20);
    EXPECT_EQ(job.Started().size(), 1u);
}

} // namespace
