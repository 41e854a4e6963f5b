// The reader protocol without a window: listing, the tick-by-tick hand-over, stops and jumps.
#include "FakeReadJob.h"
#include "chooser/ChooserCore.h"
#include "support/TestFolder.h"

#include <QDir>
#include <gtest/gtest.h>

namespace {

QStringList ViewNames(const TChooserCore& core)
{
    QStringList names;
    for (int i = 0; i < core.ViewList.Count(); ++i)
        names << core.ViewList.Entry(i)->FileName;
    return names;
}

class ReaderProtocol : public ::testing::Test {
protected:
    void List(const QStringList& names)
    {
        for (const QString& n : names)
            folder.Write(n, "x");
        core.ListFolder(folder.Path(), true);
    }
    // Runs ticks until the reader has nothing left, collecting the order of the jobs.
    void ReadAll(int maxTicks = 100)
    {
        for (int i = 0; i < maxTicks && core.ReadCursor() != rcAllRead; ++i)
            TickAfterJob(core);
    }

    TestFolder folder;
    FakeReadJob job;
    TChooserCore core{job.Job()};
};

TEST(ChooserListing, TakesOnlyJpegAndPefFilesWhateverTheirCase)
{
    TestFolder folder;
    for (const char* n : {"A.jpg", "b.JPEG", "c.Pef", "d.jpe", "e.tif", "noext", ".JPG"})
        folder.Write(n, "x");
    QDir(folder.Path()).mkdir("x.jpg");
    QStringList names;
    for (const TListedFile& f : EnumeratePictureFiles(MakeFolderPath(folder.Path())))
        names << f.Name;
    names.sort();
    EXPECT_EQ(names, (QStringList{".JPG", "A.jpg", "b.JPEG", "c.Pef"}));
}

TEST(ChooserListing, FileDataAtListing)
{
    TestFolder folder;
    folder.Write("p.jpg", QByteArray(123456, 'a'));
    const auto files = EnumeratePictureFiles(folder.Path() + "/");
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(files[0].Size, "123456");
    EXPECT_TRUE(QDateTime::fromString(files[0].Date, "yyyy/MM/dd HH:mm:ss").isValid()) << files[0].Date.toStdString();
}

TEST(ChooserListing, FolderPathGetsOneSlash)
{
    EXPECT_EQ(MakeFolderPath("/a/b"), "/a/b/");
    EXPECT_EQ(MakeFolderPath("/a/b/"), "/a/b/");
    EXPECT_EQ(MakeFolderPath("/"), "/");
}

TEST(ChooserListing, ViewListSortsWithoutCaseAndKeepsCaseTwins)
{
    TViewList view;
    TPictEntry a, b, c, d;
    view.Add("/f/C.jpg", &c);
    view.Add("/f/b.jpg", &b);
    view.Add("/f/a.jpg", &a);
    view.Add("/f/A.jpg", &d);
    ASSERT_EQ(view.Count(), 4);
    EXPECT_EQ(view.Key(2), "/f/b.jpg");
    EXPECT_EQ(view.Key(3), "/f/C.jpg");
    EXPECT_EQ(view.Entry(3), &c);
    EXPECT_TRUE((view.Key(0) == "/f/A.jpg" && view.Key(1) == "/f/a.jpg"));
}

TEST_F(ReaderProtocol, FileListKeepsListingOrderAndOwnsEntries)
{
    List({"C.jpg", "b.jpg", "a.pef"});
    ASSERT_EQ(core.FileList.Count(), 3);
    EXPECT_EQ(ViewNames(core), (QStringList{"a.pef", "b.jpg", "C.jpg"}));
    std::vector<QString> order;
    for (const TListedFile& f : EnumeratePictureFiles(core.FolderPath))
        order.push_back(f.Name);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(core.FileList.Entry(i)->FileName, order[i]);
        EXPECT_EQ(core.FileList.Key(i), core.FolderPath + order[i]);
        EXPECT_EQ(core.FileList.Entry(i)->InfoLevel, 1);
    }
    EXPECT_EQ(core.ReadCursor(), 0);
}

TEST_F(ReaderProtocol, EmptyFolderNeverRequests)
{
    List({"readme.txt"});
    EXPECT_EQ(core.ViewList.Count(), 0);
    for (int i = 0; i < 3; ++i) {
        core.Timer1Timer();
        EXPECT_EQ(core.JobState(), jsIdle);
        EXPECT_EQ(core.ReadCursor(), 0);
    }
    EXPECT_TRUE(job.Started().empty());
}

TEST_F(ReaderProtocol, ReadsEveryEntryInViewOrderThenReportsAllRead)
{
    List({"c.jpg", "a.jpg", "b.jpg"});
    core.Timer1Timer();
    EXPECT_NE(core.JobState(), jsIdle) << "the first tick requests entry 0";
    ReadAll();
    EXPECT_EQ(core.ReadCursor(), rcAllRead);
    EXPECT_EQ(job.Started(), (std::vector<QString>{"a.jpg", "b.jpg", "c.jpg"}));
    for (int i = 0; i < 3; ++i) {
        const TPictEntry& e = *core.ViewList.Entry(i);
        EXPECT_EQ(e.ThumbShape, 1);
        EXPECT_TRUE(e.HasHistogram);
        EXPECT_EQ(e.Thumbnail.size(), QSize(85, 64));
        EXPECT_EQ(e.InfoLevel, 1) << "no shooting data";
    }
}

TEST_F(ReaderProtocol, ShootingDataFillsTheEntryAndCropsForIstD)
{
    job.SetCamera("PENTAX *ist D");
    List({"a.jpg"});
    ReadAll();
    const TPictEntry& e = *core.ViewList.Entry(0);
    EXPECT_EQ(e.InfoLevel, 2);
    EXPECT_EQ(e.ShotCamera, "PENTAX *ist D");
    EXPECT_EQ(e.ShotExposure, "1/125 F8.0");
    EXPECT_EQ(e.PixelCount, 160 * 42) << "rows 26 to 67 of a 160 x 120 picture";
}

TEST_F(ReaderProtocol, OtherCamerasAreCountedWhole)
{
    job.SetCamera("PENTAX K10D");
    List({"a.jpg"});
    ReadAll();
    EXPECT_EQ(core.ViewList.Entry(0)->PixelCount, 19200);
}

TEST_F(ReaderProtocol, RepaintComesOneTickAfterAFinishedThumbnail)
{
    List({"a.jpg", "b.jpg"});
    EXPECT_FALSE(core.Timer1Timer());   // request a.jpg
    WaitUntil([&] { return core.JobState() == jsDone; });
    EXPECT_FALSE(core.Timer1Timer());   // finish a.jpg: countdown 2 -> 1
    EXPECT_EQ(core.RedrawTicks, 1);
    // b.jpg finishes while the repaint is pending: they share it.
    WaitUntil([&] { return core.JobState() == jsDone; });
    EXPECT_TRUE(core.Timer1Timer());
    EXPECT_EQ(core.RedrawTicks, 0);
    EXPECT_FALSE(core.Timer1Timer());
}

TEST_F(ReaderProtocol, FailedEntriesAreSkippedAndReadingEnds)
{
    job.Fail("b.jpg");
    List({"a.jpg", "b.jpg", "c.jpg"});
    ReadAll();
    ASSERT_EQ(core.ReadCursor(), rcAllRead);
    EXPECT_EQ(job.Started(), (std::vector<QString>{"a.jpg", "b.jpg", "c.jpg"})) << "b.jpg is tried once only";
    const TPictEntry& b = *core.ViewList.Entry(1);
    EXPECT_EQ(b.ThumbShape, 0);
    EXPECT_TRUE(b.ReadFailed);
    EXPECT_TRUE(b.Thumbnail.isNull());
    EXPECT_EQ(b.InfoLevel, 1);
}

TEST_F(ReaderProtocol, JumpIndexReadsTheRowsInViewNextThenWrapsRound)
{
    List({"0.jpg", "1.jpg", "2.jpg", "3.jpg", "4.jpg", "5.jpg"});
    job.Hold(true);                     // before the request: the worker takes it at once
    core.Timer1Timer();                 // request 0.jpg
    WaitUntil([&] { return job.Running(); });
    core.JumpTo(4);                     // the grid scrolled while 0.jpg was read
    job.Hold(false);
    ReadAll();
    EXPECT_EQ(job.Started(), (std::vector<QString>{"0.jpg", "4.jpg", "5.jpg", "1.jpg", "2.jpg", "3.jpg"}));
    EXPECT_EQ(core.ViewList.Entry(0)->ThumbShape, 1) << "the running job finished into its own entry";
    EXPECT_EQ(core.JumpIndex, -1);
}

TEST_F(ReaderProtocol, StopReaderWaitsForTheRunningJobAndDiscardsIt)
{
    List({"a.jpg", "b.jpg"});
    job.Hold(true);
    core.Timer1Timer();
    WaitUntil([&] { return job.Running(); });
    std::thread release([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        job.Hold(false);
    });
    core.StopReader(true);
    release.join();
    EXPECT_EQ(core.JobState(), jsIdle);
    EXPECT_EQ(core.ReadCursor(), rcStopped);
    EXPECT_TRUE(core.State.DecodedPicture.isNull());
    for (int i = 0; i < 3; ++i)
        core.Timer1Timer();
    EXPECT_EQ(core.ViewList.Entry(0)->ThumbShape, 0) << "a stopped result never reaches an entry";
    EXPECT_EQ(job.Started().size(), 1u);
}

TEST_F(ReaderProtocol, FolderChangeMidJobReadsTheNewFolderFromTheStart)
{
    List({"a.jpg", "b.jpg"});
    job.Hold(true);
    core.Timer1Timer();
    WaitUntil([&] { return job.Running(); });
    TestFolder other;
    other.Write("z.jpg", "x");
    other.Write("y.jpg", "x");
    std::thread release([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        job.Hold(false);
    });
    core.StopReader(true);
    release.join();
    core.ListFolder(other.Path(), true);
    ReadAll();
    EXPECT_EQ(job.Started(), (std::vector<QString>{"a.jpg", "y.jpg", "z.jpg"}));
    EXPECT_EQ(ViewNames(core), (QStringList{"y.jpg", "z.jpg"}));
}

TEST_F(ReaderProtocol, KeptListRereadsEntryZeroOnly)
{
    List({"a.jpg", "b.jpg", "c.jpg"});
    ReadAll();
    core.ViewList.Entry(2)->Marks = SelectMark;
    core.StopReader(true);              // the dialog closed
    core.ListFolder(folder.Path(), false);   // shown again keeping the list
    ReadAll();
    EXPECT_EQ(job.Started(), (std::vector<QString>{"a.jpg", "b.jpg", "c.jpg", "a.jpg"}));
    EXPECT_EQ(core.ViewList.Entry(2)->Marks, SelectMark);
    EXPECT_EQ(core.ViewList.Count(), 3);
}

TEST_F(ReaderProtocol, TicksWhileStoppedOnlyDiscard)
{
    List({"a.jpg"});
    core.StopReader(true);
    for (int i = 0; i < 3; ++i) {
        core.Timer1Timer();
        EXPECT_EQ(core.JobState(), jsIdle);
    }
    EXPECT_TRUE(job.Started().empty());
}

// What the window does with a queue of its own: each announced end is handed over by this
// thread at once, and no tick ever runs.
TEST_F(ReaderProtocol, EachJobEndIsAnnouncedAndHandedOverWithoutATick)
{
    std::mutex m;
    std::condition_variable cv;
    int announced = 0;
    core.SetJobEnded([&] {
        std::lock_guard<std::mutex> lock(m);
        ++announced;
        cv.notify_all();
    });
    List({"a.jpg", "b.jpg", "c.jpg"});
    int handed = 0;
    core.HandOver();   // the first request
    while (core.ReadCursor() != rcAllRead) {
        std::unique_lock<std::mutex> lock(m);
        ASSERT_TRUE(cv.wait_for(lock, std::chrono::seconds(10), [&] { return announced > handed; }));
        ++handed;
        lock.unlock();
        core.HandOver();
    }
    core.SetJobEnded({});
    EXPECT_EQ(handed, 3);
    EXPECT_EQ(job.Started(), (std::vector<QString>{"a.jpg", "b.jpg", "c.jpg"}));
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(core.ViewList.Entry(i)->ThumbShape, 1);
}

TEST(ReaderThread, IsNamedAndEndsWhenDestroyedMidJob)
{
    TestFolder folder;
    folder.Write("a.jpg", "x");
    FakeReadJob job;
    auto core = std::make_unique<TChooserCore>(job.Job());
    core->ListFolder(folder.Path(), true);
    job.Hold(true);
    core->Timer1Timer();
    ASSERT_TRUE(WaitUntil([&] { return job.Running(); }));
    bool found = false;
    QDir task("/proc/self/task");
    for (const QString& tid : task.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile comm(task.filePath(tid + "/comm"));
        if (comm.open(QIODevice::ReadOnly) && comm.readAll().trimmed() == "PictFileRead")
            found = true;
    }
    EXPECT_TRUE(found);
    std::thread release([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        job.Hold(false);
    });
    core.reset();   // joins the worker after its job
    release.join();
}

} // namespace
