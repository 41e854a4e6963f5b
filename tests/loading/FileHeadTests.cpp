#include "loading/FileHead.h"
#include "loading/JpegFile.h"
#include "support/JpegBuilder.h"
#include "support/TestFolder.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <sys/stat.h>
#include <vector>

namespace {

QByteArray Numbered(int size)
{
    QByteArray bytes(size, '\0');
    for (int i = 0; i < size; ++i)
        bytes[i] = char(i * 7 + i / 251);
    return bytes;
}

struct Seen {
    QByteArray bytes;
    bool whole = false;
};

// Every call of use(): what it was given.
std::vector<Seen> Calls(const QString& path, std::size_t first, std::size_t asked, bool enough,
                        bool* opened = nullptr)
{
    std::vector<Seen> calls;
    const bool ok = WithFileHead(path.toStdString(), first, [&](const unsigned char*, std::size_t) { return asked; }, SIZE_MAX,
                                 [&](const THeadBytes& b) {
        calls.push_back({QByteArray(reinterpret_cast<const char*>(b.Data), qsizetype(b.Length)), b.Whole});
        return enough;
    });
    if (opened)
        *opened = ok;
    return calls;
}

TEST(FileHead, ASmallFileComesWholeAtOnce)
{
    TestFolder folder;
    const QByteArray bytes = Numbered(300);
    const auto calls = Calls(folder.Write("small.jpg", bytes), 16384, 1 << 20, false);
    ASSERT_EQ(calls.size(), 1u) << "a whole file is never read twice";
    EXPECT_EQ(calls[0].bytes, bytes);
    EXPECT_TRUE(calls[0].whole);
}

TEST(FileHead, ReadsWhatIsAskedForWithinItsLimit)
{
    TestFolder folder;
    const QByteArray bytes = Numbered(int(MaxHeadBytes) + 50000);
    const QString path = folder.Write("big.jpg", bytes);
    struct Case { std::size_t first, asked, expected; };
    const Case cases[] = {
        {1000, 0, 1000},                          // nothing more wanted
        {1000, 500, 1000},                        // less than was read
        {1000, 7000, 7000},                       // read on once
        {1000, std::size_t(-1), MaxHeadBytes},    // never more than the limit
    };
    for (const Case& c : cases) {
        const auto calls = Calls(path, c.first, c.asked, true);
        ASSERT_EQ(calls.size(), 1u);
        EXPECT_EQ(calls[0].bytes, bytes.left(qsizetype(c.expected))) << c.asked;
        EXPECT_FALSE(calls[0].whole);
    }
    // Asked past a file shorter than the limit: the whole file.
    const QByteArray shorter = Numbered(20000);
    const auto calls = Calls(folder.Write("mid.jpg", shorter), 1000, 1 << 30, true);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].bytes, shorter);
    EXPECT_TRUE(calls[0].whole);
}

TEST(FileHead, AReaderThatRanOutGetsTheWholeFileOnce)
{
    TestFolder folder;
    const QByteArray bytes = Numbered(100000);
    const auto calls = Calls(folder.Write("f.pef", bytes), 4096, 0, false);
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].bytes, bytes.left(4096));
    EXPECT_FALSE(calls[0].whole);
    EXPECT_EQ(calls[1].bytes, bytes);
    EXPECT_TRUE(calls[1].whole);
}

TEST(FileHead, RefusesWhatIsNotARegularFileWithBytes)
{
    TestFolder folder;
    QDir().mkpath(folder.Path("sub.jpg"));
    const QString fifo = folder.Path("pipe.jpg");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString device = folder.Path("zero.jpg");
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/zero"), device));
    for (const QString& path : {QString(), folder.Path("missing.jpg"), folder.Write("empty.jpg", QByteArray()),
                                folder.Path("sub.jpg"), fifo, device}) {
        bool opened = true;
        EXPECT_TRUE(Calls(path, 16384, 0, true, &opened).empty()) << path.toStdString();
        EXPECT_FALSE(opened) << path.toStdString();
    }
}

TEST(JpegHeadExtent, ThroughTheScanHeaderOrAGuessPastASegmentCutShort)
{
    const QByteArray jpeg = JpegBuilder::EncodePattern(16, 16);
    const auto extent = [](const QByteArray& b, qsizetype n) {
        return JpegHeadExtent(reinterpret_cast<const unsigned char*>(b.constData()), std::size_t(n));
    };
    // A three-component scan header is 14 bytes with its marker.
    const qsizetype sos = jpeg.indexOf("\xFF\xDA");
    ASSERT_GT(sos, 0);
    EXPECT_EQ(extent(jpeg, jpeg.size()), std::size_t(sos + 14));

    const QByteArray padded = JpegBuilder::InsertSegment(jpeg, 0xE2, QByteArray(30000, 'p'));
    // Cut inside the padding: its end and some room for the tables after it.
    EXPECT_EQ(extent(padded, 16384), std::size_t(2 + 4 + 30000 + 8192));
    // Cut inside a segment's length word: from where it starts.
    EXPECT_EQ(extent(padded, 4), std::size_t(2 + 8192));
    EXPECT_EQ(extent(padded, padded.size()), std::size_t(sos + 30004 + 14));

    EXPECT_EQ(extent(QByteArray("GIF89a........"), 14), 0u);
    EXPECT_EQ(extent(JpegBuilder::Corrupt(jpeg, 2, 0x12), jpeg.size()), 0u) << "no marker after SOI";
    QByteArray fill = jpeg;
    fill.insert(2, QByteArray(5, char(0xFF)));   // fill bytes before a marker
    EXPECT_EQ(extent(fill, fill.size()), std::size_t(sos + 5 + 14));
}

} // namespace
