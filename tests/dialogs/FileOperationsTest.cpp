#include "platform/FileOperations.h"

#include "FileHelpers.h"
#include "support/TestFolder.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>
#include <cerrno>
#include <unistd.h>

namespace {

// A picture in shots/ and an organise folder sorted/, with a link to each folder.
class FileOpsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        picture = folder.Write("shots/IMG_0001.JPG", Payload(300000, 'a'));
        QDir().mkpath(folder.Path("sorted"));
        QFile::link(folder.Path("shots"), folder.Path("shots-link"));
    }
    QString Sorted(const QString& name) const { return folder.Path("sorted/" + name); }

    TestFolder folder;
    QString picture;
};

struct SameFileCase {
    const char* name;
    const char* other;  // relative to the test folder
    bool same;
};

TEST_F(FileOpsTest, SameFileFollowsLinksAndComparesInodes)
{
    QFile::link(picture, folder.Path("sorted/symlink.JPG"));
    ASSERT_EQ(::link(QFile::encodeName(picture).constData(), QFile::encodeName(Sorted("hard.JPG")).constData()), 0);
    folder.Write("sorted/IMG_0001.JPG", Payload(300000, 'a'));  // same bytes, another file

    const SameFileCase cases[] = {
        {"same path", "shots/IMG_0001.JPG", true},
        {"through a linked folder", "shots-link/IMG_0001.JPG", true},
        {"through a symbolic link", "sorted/symlink.JPG", true},
        {"through a hard link", "sorted/hard.JPG", true},
        {"equal bytes, other file", "sorted/IMG_0001.JPG", false},
        {"missing", "sorted/none.JPG", false},
        {"the folder", "shots", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(fileops::SameFile(picture, folder.Path(c.other)), c.same) << c.name;
    EXPECT_FALSE(fileops::SameFile(QString(), QString())) << "empty paths";
}

TEST_F(FileOpsTest, ExistsCountsFilesFoldersAndDanglingLinks)
{
    QFile::link(folder.Path("gone"), folder.Path("dangling"));
    EXPECT_TRUE(fileops::Exists(picture));
    EXPECT_TRUE(fileops::Exists(folder.Path("sorted")));
    EXPECT_TRUE(fileops::Exists(folder.Path("dangling")));
    EXPECT_FALSE(fileops::Exists(folder.Path("gone")));
    EXPECT_FALSE(fileops::Exists(QString()));
}

TEST_F(FileOpsTest, CopyWritesNewTargetAndReplacesOldOneLeavingNoTemporaryFile)
{
    ASSERT_TRUE(fileops::CopyFileReplacing(picture, Sorted("IMG_0001.JPG")));
    EXPECT_EQ(ReadBytes(Sorted("IMG_0001.JPG")), ReadBytes(picture));

    folder.Write("shots/IMG_0001.JPG", Payload(1000, 'z'));  // the picture changed since
    ASSERT_TRUE(fileops::CopyFileReplacing(picture, Sorted("IMG_0001.JPG")));
    EXPECT_EQ(ReadBytes(Sorted("IMG_0001.JPG")), Payload(1000, 'z'));
    EXPECT_EQ(Entries(folder.Path("sorted")), QStringList{"IMG_0001.JPG"});
}

TEST_F(FileOpsTest, CopyKeepsPermissionsAndModificationTime)
{
    QFile::setPermissions(picture, QFile::ReadOwner | QFile::ReadGroup);
    ASSERT_TRUE(fileops::CopyFileReplacing(picture, Sorted("IMG_0001.JPG")));
    EXPECT_EQ(QFileInfo(Sorted("IMG_0001.JPG")).permissions(), QFileInfo(picture).permissions());
    EXPECT_EQ(QFileInfo(Sorted("IMG_0001.JPG")).lastModified(), QFileInfo(picture).lastModified());
}

struct RefusedCopy {
    const char* name;
    const char* source;  // relative to the test folder
    const char* target;
};

TEST_F(FileOpsTest, RefusedOrFailedCopyLeavesTargetAndSourceAsTheyWere)
{
    folder.Write("sorted/IMG_0001.JPG", "old target");
    QDir().mkpath(folder.Path("sorted/folder.JPG"));
    const RefusedCopy cases[] = {
        {"onto itself", "shots/IMG_0001.JPG", "shots/IMG_0001.JPG"},
        {"onto itself through a linked folder", "shots/IMG_0001.JPG", "shots-link/IMG_0001.JPG"},
        {"source missing", "shots/none.JPG", "sorted/IMG_0001.JPG"},
        {"source is a folder", "shots", "sorted/IMG_0001.JPG"},
        {"target is a folder", "shots/IMG_0001.JPG", "sorted/folder.JPG"},
        {"target folder missing", "shots/IMG_0001.JPG", "nowhere/IMG_0001.JPG"},
    };
    const QByteArray pictureBytes = ReadBytes(picture);
    for (const auto& c : cases) {
        EXPECT_FALSE(fileops::CopyFileReplacing(folder.Path(c.source), folder.Path(c.target))) << c.name;
        EXPECT_EQ(ReadBytes(picture), pictureBytes) << c.name;
        EXPECT_EQ(ReadBytes(Sorted("IMG_0001.JPG")), "old target") << c.name;
        EXPECT_TRUE(QFileInfo(Sorted("folder.JPG")).isDir()) << c.name;
        EXPECT_EQ(Entries(folder.Path("sorted")), (QStringList{"IMG_0001.JPG", "folder.JPG"})) << c.name;
        EXPECT_EQ(Entries(folder.Path("shots")), QStringList{"IMG_0001.JPG"}) << c.name;
    }
}

TEST_F(FileOpsTest, CopyInterruptedByFullDiskKeepsOldTargetAndNoPartialFile)
{
    folder.Write("sorted/IMG_0001.JPG", "old target");
    bool copied = true;
    {
        FileSizeLimit limit(64 * 1024);  // the 300 kB picture cannot be written whole
        copied = fileops::CopyFileReplacing(picture, Sorted("IMG_0001.JPG"));
    }
    EXPECT_FALSE(copied);
    EXPECT_EQ(ReadBytes(Sorted("IMG_0001.JPG")), "old target");
    EXPECT_EQ(Entries(folder.Path("sorted")), QStringList{"IMG_0001.JPG"});
}

TEST_F(FileOpsTest, MoveWithinFileSystemRenamesAndNeverReplaces)
{
    const QByteArray bytes = ReadBytes(picture);
    ASSERT_TRUE(fileops::MoveFileNoReplace(picture, Sorted("IMG_0001.JPG")));
    EXPECT_FALSE(QFile::exists(picture));
    EXPECT_EQ(ReadBytes(Sorted("IMG_0001.JPG")), bytes);

    folder.Write("shots/IMG_0002.JPG", "second");
    folder.Write("sorted/IMG_0002.JPG", "existing");
    EXPECT_FALSE(fileops::MoveFileNoReplace(folder.Path("shots/IMG_0002.JPG"), Sorted("IMG_0002.JPG")));
    EXPECT_EQ(ReadBytes(folder.Path("shots/IMG_0002.JPG")), "second");
    EXPECT_EQ(ReadBytes(Sorted("IMG_0002.JPG")), "existing");
}

TEST_F(FileOpsTest, MoveRefusesItselfAndFoldersKeepingEverything)
{
    QDir().mkpath(folder.Path("sorted/folder.JPG"));
    const QByteArray bytes = ReadBytes(picture);
    EXPECT_FALSE(fileops::MoveFileNoReplace(picture, folder.Path("shots-link/IMG_0001.JPG")));
    EXPECT_FALSE(fileops::MoveFileReplacing(picture, folder.Path("shots-link/IMG_0001.JPG")));
    EXPECT_FALSE(fileops::MoveFileReplacing(picture, Sorted("folder.JPG")));
    EXPECT_FALSE(fileops::MoveFileNoReplace(folder.Path("shots"), Sorted("shots")));
    EXPECT_EQ(ReadBytes(picture), bytes);
    EXPECT_TRUE(QFileInfo(Sorted("folder.JPG")).isDir());
}

TEST_F(FileOpsTest, MoveReplacingSwapsInTheSourceOrLeavesTheOldTarget)
{
    folder.Write("sorted/IMG_0001.JPG", "old target");
    EXPECT_FALSE(fileops::MoveFileReplacing(folder.Path("shots/none.JPG"), Sorted("IMG_0001.JPG")));
    EXPECT_EQ(ReadBytes(Sorted("IMG_0001.JPG")), "old target") << "a failed move must not cost the target";

    const QByteArray bytes = ReadBytes(picture);
    ASSERT_TRUE(fileops::MoveFileReplacing(picture, Sorted("IMG_0001.JPG")));
    EXPECT_FALSE(QFile::exists(picture));
    EXPECT_EQ(ReadBytes(Sorted("IMG_0001.JPG")), bytes);
}

// A file system without RENAME_NOREPLACE and (unless linkErrno is 0) without hard links.
int renameErrno = 0, linkErrno = 0;
class WithoutNoReplaceCalls {
public:
    WithoutNoReplaceCalls(int renameError, int linkError)
    {
        renameErrno = renameError;
        linkErrno = linkError;
        FOld = fileops::SetNoReplaceCalls({[](const char*, const char*) { return errno = renameErrno, -1; },
                                           [](const char* from, const char* to) {
                                               return linkErrno ? (errno = linkErrno, -1) : ::link(from, to);
                                           }});
    }
    ~WithoutNoReplaceCalls() { fileops::SetNoReplaceCalls(FOld); }

private:
    fileops::NoReplaceCalls FOld;
};

TEST_F(FileOpsTest, MoveWithoutNoReplaceRenameOrLinksCopiesAndNeverReplaces)
{
    const struct {
        int rename, link;
    } cases[] = {{EINVAL, EPERM}, {ENOSYS, EOPNOTSUPP}, {EPERM, ENOSYS}, {EOPNOTSUPP, EPERM}, {EOPNOTSUPP, 0}};
    QStringList moved;
    for (const auto& c : cases) {
        const QString name = QStringLiteral("IMG_%1_%2.JPG").arg(c.rename).arg(c.link);
        const QString source = folder.Write("shots/" + name, Payload(300000, char(c.rename + c.link)));
        const QByteArray bytes = ReadBytes(source);
        WithoutNoReplaceCalls fs(c.rename, c.link);
        EXPECT_TRUE(fileops::MoveFileNoReplace(source, Sorted(name))) << name.toStdString();
        EXPECT_FALSE(QFile::exists(source)) << name.toStdString();
        EXPECT_EQ(ReadBytes(Sorted(name)), bytes) << name.toStdString();
        moved << name;

        folder.Write("shots/" + name, "newer");  // moving back onto it is refused
        EXPECT_FALSE(fileops::MoveFileNoReplace(Sorted(name), source)) << name.toStdString();
        EXPECT_EQ(ReadBytes(source), "newer") << name.toStdString();
        EXPECT_EQ(ReadBytes(Sorted(name)), bytes) << name.toStdString();
    }
    moved.sort();
    EXPECT_EQ(Entries(folder.Path("sorted")), moved) << "no temporary or partial file left";

    // A copy that fails midway takes its partial target back and keeps the source.
    const QByteArray bytes = ReadBytes(picture);
    bool ok = true;
    {
        WithoutNoReplaceCalls fs(EINVAL, EPERM);
        FileSizeLimit limit(64 * 1024);
        ok = fileops::MoveFileNoReplace(picture, Sorted("IMG_0001.JPG"));
    }
    EXPECT_FALSE(ok);
    EXPECT_EQ(ReadBytes(picture), bytes);
    EXPECT_EQ(Entries(folder.Path("sorted")), moved);
}

TEST_F(FileOpsTest, MoveAcrossFileSystemsCopiesThenRemovesSource)
{
    auto other = FolderOnOtherFileSystem(folder.Path());
    if (!other) GTEST_SKIP() << "this machine has no second writable file system beside " << folder.Path().toStdString();
    const QString target = other->path() + "/IMG_0001.JPG";
    const QByteArray bytes = ReadBytes(picture);

    ASSERT_TRUE(fileops::MoveFileNoReplace(picture, target));
    EXPECT_FALSE(QFile::exists(picture));
    EXPECT_EQ(ReadBytes(target), bytes);
    EXPECT_EQ(Entries(other->path()), QStringList{"IMG_0001.JPG"});

    // Back again onto an existing file: refused without the replacing form, done with it.
    folder.Write("shots/IMG_0001.JPG", "newer");
    EXPECT_FALSE(fileops::MoveFileNoReplace(target, picture));
    EXPECT_EQ(ReadBytes(picture), "newer");
    EXPECT_EQ(ReadBytes(target), bytes);
    ASSERT_TRUE(fileops::MoveFileReplacing(target, picture));
    EXPECT_EQ(ReadBytes(picture), bytes);
    EXPECT_TRUE(Entries(other->path()).isEmpty());
}

TEST_F(FileOpsTest, MoveAcrossFileSystemsThatFailsMidwayKeepsSourceAndTarget)
{
    auto other = FolderOnOtherFileSystem(folder.Path());
    if (!other) GTEST_SKIP() << "this machine has no second writable file system beside " << folder.Path().toStdString();
    const QByteArray bytes = ReadBytes(picture);
    const QString existing = other->path() + "/IMG_0001.JPG";
    bool moved = true, replaced = true;
    {
        FileSizeLimit limit(64 * 1024);
        moved = fileops::MoveFileNoReplace(picture, other->path() + "/IMG_0001.JPG");
        QFile f(existing);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("old target");
        f.close();
        replaced = fileops::MoveFileReplacing(picture, existing);
    }
    EXPECT_FALSE(moved);
    EXPECT_FALSE(replaced);
    EXPECT_EQ(ReadBytes(picture), bytes);
    EXPECT_EQ(ReadBytes(existing), "old target");
    EXPECT_EQ(Entries(other->path()), QStringList{"IMG_0001.JPG"});
}

TEST_F(FileOpsTest, DeleteRemovesOneFileOrLinkButNeverAFolder)
{
    QFile::link(picture, Sorted("link.JPG"));
    folder.Write("sorted/IMG_0001.JPG", "copy");
    QDir().mkpath(Sorted("folder.JPG"));

    EXPECT_TRUE(fileops::DeleteFile(Sorted("IMG_0001.JPG")));
    EXPECT_FALSE(fileops::Exists(Sorted("IMG_0001.JPG")));
    EXPECT_TRUE(fileops::DeleteFile(Sorted("link.JPG")));
    EXPECT_TRUE(QFile::exists(picture)) << "deleting a link must keep what it points to";
    EXPECT_FALSE(fileops::DeleteFile(Sorted("folder.JPG")));
    EXPECT_TRUE(QFileInfo(Sorted("folder.JPG")).isDir());
    EXPECT_FALSE(fileops::DeleteFile(Sorted("none.JPG")));
    EXPECT_FALSE(fileops::DeleteFile(QString()));
}

}  // namespace
