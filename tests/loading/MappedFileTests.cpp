#include "loading/MappedFile.h"
#include "loading/OrgMemoryStream.h"
#include "support/TestFolder.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {

bool IsOpenDescriptor(int fd) { return fd >= 0 && ::fcntl(fd, F_GETFD) != -1; }

TEST(MapFile, WholeFileIsReadableInPlace)
{
    TestFolder folder;
    const QByteArray bytes("0123456789abcdef");
    TMappedFile record;
    const unsigned char* view = MapFile(record, folder.Write("f.bin", bytes));
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(record.View, view);
    EXPECT_EQ(record.Size, 16u);
    EXPECT_EQ(std::memcmp(view, bytes.constData(), 16), 0);
    EXPECT_TRUE(IsOpenDescriptor(record.FileHandle));
    const int fd = record.FileHandle;
    UnmapFile(record);
    EXPECT_EQ(record.View, nullptr);
    EXPECT_EQ(record.FileHandle, -1);
    EXPECT_EQ(record.Size, 0u);
    EXPECT_FALSE(IsOpenDescriptor(fd));
    UnmapFile(record);   // a second call finds nothing to release
    EXPECT_EQ(record.FileHandle, -1);
}

TEST(MapFile, UnmapOnAFreshRecordDoesNothing)
{
    TMappedFile record;
    UnmapFile(record);
    EXPECT_EQ(record.FileHandle, -1);
    EXPECT_EQ(record.View, nullptr);
}

TEST(MapFile, RefusedPathsLeaveNothingOpen)
{
    TestFolder folder;
    QDir().mkpath(folder.Path("sub"));
    struct Case { const char* name; QString path; };
    const Case cases[] = {
        {"empty path", QString()},
        {"missing", folder.Path("missing.pef")},
        {"empty file", folder.Write("empty.pef", QByteArray())},
        {"folder", folder.Path("sub")},
    };
    for (const Case& c : cases) {
        TMappedFile record;
        EXPECT_EQ(MapFile(record, c.path), nullptr) << c.name;
        EXPECT_EQ(record.FileHandle, -1) << c.name;
        EXPECT_EQ(record.View, nullptr) << c.name;
    }
}

TEST(MapFile, ReadOnlyFileIsAccepted)
{
    // Pictures on read-only media must open: mapping never asks for write access.
    TestFolder folder;
    const QString path = folder.Write("ro.pef", QByteArray("read only"));
    ASSERT_TRUE(QFile::setPermissions(path, QFileDevice::ReadOwner));
    TMappedFile record;
    ASSERT_NE(MapFile(record, path), nullptr);
    EXPECT_EQ(std::memcmp(record.View, "read only", 9), 0);
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}

TEST(MapFile, RemappingReleasesThePreviousFile)
{
    TestFolder folder;
    TMappedFile record;
    ASSERT_NE(MapFile(record, folder.Write("a", QByteArray("aaaa"))), nullptr);
    const int first = record.FileHandle;
    ASSERT_NE(MapFile(record, folder.Write("b", QByteArray("bb"))), nullptr);
    EXPECT_EQ(record.Size, 2u);
    EXPECT_TRUE(first == record.FileHandle || !IsOpenDescriptor(first));
}

TEST(MapFile, FirstBytesThenMoreOrARangeOnRequest)
{
    TestFolder folder;
    const QByteArray bytes("0123456789abcdef");
    TMappedFile record;
    ASSERT_NE(MapFile(record, folder.Write("f", bytes), 4), nullptr);
    EXPECT_EQ(record.Length, 4u);
    EXPECT_EQ(record.Size, 16u);
    unsigned char range[6] = {};
    ASSERT_TRUE(ReadFileRange(record, 2, 6, range)) << "partly read already";
    EXPECT_EQ(std::memcmp(range, "234567", 6), 0);
    EXPECT_FALSE(ReadFileRange(record, 12, 5, range)) << "past the end";
    ASSERT_TRUE(MapMore(record, 100));
    EXPECT_EQ(record.Length, 16u);
    EXPECT_EQ(std::memcmp(record.View, bytes.constData(), 16), 0);
}

TEST(OrgMemoryStream, ReadsTheCallersMemory)
{
    const char memory[10] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9};
    TOrgMemoryStream stream;
    stream.SetPointer(memory, 10);
    char buffer[16] = {};
    EXPECT_EQ(stream.Read(buffer, 16), 10);
    EXPECT_EQ(std::memcmp(buffer, memory, 10), 0);
    EXPECT_EQ(stream.Read(buffer, 16), 0);
    EXPECT_EQ(stream.Position(), 10);
    EXPECT_EQ(stream.Size(), 10);
}

TEST(OrgMemoryStream, SeekAndReadTable)
{
    const char memory[10] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9};
    struct Case {
        const char* name;
        std::int64_t start;
        std::int64_t offset;
        TSeekOrigin origin;
        std::int64_t position;   // after the seek
        std::int64_t count;
        std::int64_t read;
        char first;
    };
    const Case cases[] = {
        {"from beginning", 5, 2, TSeekOrigin::soBeginning, 2, 3, 3, 2},
        {"from current", 5, 2, TSeekOrigin::soCurrent, 7, 5, 3, 7},
        {"from end", 0, -4, TSeekOrigin::soEnd, 6, 10, 4, 6},
        {"past the end is kept", 0, 5, TSeekOrigin::soEnd, 15, 4, 0, 0},
        {"negative is kept", 0, -3, TSeekOrigin::soBeginning, -3, 4, 0, 0},
        {"negative count", 0, 0, TSeekOrigin::soBeginning, 0, -1, 0, 0},
        {"zero count", 0, 1, TSeekOrigin::soBeginning, 1, 0, 0, 0},
    };
    for (const Case& c : cases) {
        TOrgMemoryStream stream;
        stream.SetPointer(memory, 10);
        stream.SetPosition(c.start);
        EXPECT_EQ(stream.Seek(c.offset, c.origin), c.position) << c.name;
        char buffer[16] = {};
        EXPECT_EQ(stream.Read(buffer, c.count), c.read) << c.name;
        EXPECT_EQ(buffer[0], c.first) << c.name;
        EXPECT_EQ(stream.Position(), c.position + c.read) << c.name;
    }
}

TEST(OrgMemoryStream, SetPointerKeepsThePositionAndNeverOwns)
{
    TestFolder folder;
    TMappedFile record;
    ASSERT_NE(MapFile(record, folder.Write("f", QByteArray("abcdefgh"))), nullptr);
    {
        TOrgMemoryStream stream;
        stream.SetPointer(record.View, 4);
        char c = 0;
        stream.Read(&c, 1);
        stream.SetPointer(record.View + 4, 4);
        EXPECT_EQ(stream.Position(), 1);
        stream.Read(&c, 1);
        EXPECT_EQ(c, 'f');
    }
    // The view stays readable after the stream is gone.
    EXPECT_EQ(record.View[7], 'h');
}

} // namespace
