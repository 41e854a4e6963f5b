#include "platform/FileOperations.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace fileops {
namespace {

class UniqueFd {
public:
    explicit UniqueFd(int fd = -1) : FFd(fd) {}
    ~UniqueFd() { Reset(); }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;
    int Get() const { return FFd; }
    int Release() { return std::exchange(FFd, -1); }
    // Closes now and reports whether the kernel accepted the last writes.
    bool Close()
    {
        if (FFd < 0) return true;
        const int r = ::close(FFd);
        FFd = -1;
        return r == 0;
    }

private:
    void Reset()
    {
        if (FFd >= 0) ::close(FFd);
        FFd = -1;
    }
    int FFd;
};

int RenameNoReplace(const char* from, const char* to)
{
    return ::renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE);
}

NoReplaceCalls calls{RenameNoReplace, ::link};

QByteArray Native(const QString& path) { return QFile::encodeName(path); }

QByteArray FolderOf(const QString& path) { return Native(QFileInfo(path).absolutePath()); }

bool LStat(const QByteArray& path, struct stat& st) { return ::lstat(path.constData(), &st) == 0; }

bool IsFolder(const QByteArray& path)
{
    struct stat st;
    return LStat(path, st) && S_ISDIR(st.st_mode);
}

// Flushes a folder's entries so a rename survives a crash; a folder that cannot be opened
// for this (some network file systems) is not a failure of the operation.
void SyncFolder(const QByteArray& folder)
{
    UniqueFd fd(::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd.Get() >= 0) ::fsync(fd.Get());
}

bool WriteAll(int fd, const char* data, size_t size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

bool CopyBytes(int from, int to)
{
    std::vector<char> buffer(1 << 18);
    for (;;) {
        const ssize_t n = ::read(from, buffer.data(), buffer.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (n == 0) return true;
        if (!WriteAll(to, buffer.data(), static_cast<size_t>(n))) return false;
    }
}

// Opens a regular file for copying; -1 (nothing open) for anything else.
int OpenSource(const QByteArray& source, struct stat& st)
{
    UniqueFd in(::open(source.constData(), O_RDONLY | O_CLOEXEC));
    if (in.Get() < 0 || ::fstat(in.Get(), &st) != 0 || !S_ISREG(st.st_mode)) return -1;
    return in.Release();
}

// Writes the source's bytes into out, flushed to disk, with its permission bits and times, and
// closes out. Bits and times are a courtesy: file systems without Unix modes refuse them, and
// the copy then stays private to its owner as it was created.
bool CopyContents(int in, const struct stat& st, UniqueFd& out)
{
    bool ok = CopyBytes(in, out.Get());
    if (ok) {
        ::fchmod(out.Get(), st.st_mode & 07777);
        const struct timespec times[2] = {st.st_atim, st.st_mtim};
        ::futimens(out.Get(), times);
        ok = ::fsync(out.Get()) == 0;
    }
    return out.Close() && ok;
}

// Copies a regular file into a new hidden file in folder. Returns the new file's path, or an
// empty array with nothing left behind.
QByteArray CopyToTemporary(const QByteArray& source, const QByteArray& folder)
{
    struct stat st;
    UniqueFd in(OpenSource(source, st));
    if (in.Get() < 0) return {};
    QByteArray temp = folder + "/.velumira-copy-XXXXXX";
    UniqueFd out(::mkostemp(temp.data(), O_CLOEXEC));
    if (out.Get() < 0) return {};
    if (!CopyContents(in.Get(), st, out)) {
        ::unlink(temp.constData());
        return {};
    }
    return temp;
}

// Copies a regular file to target, which must not exist (O_EXCL); on failure the partial
// target is removed.
bool CopyToNewFile(const QByteArray& source, const QByteArray& target)
{
    struct stat st;
    UniqueFd in(OpenSource(source, st));
    if (in.Get() < 0) return false;
    UniqueFd out(::open(target.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
    if (out.Get() < 0) return false;
    if (!CopyContents(in.Get(), st, out)) {
        ::unlink(target.constData());
        return false;
    }
    return true;
}

enum class Renamed { Done, Failed, OtherFileSystem, Unsupported };

// Renames from to to, failing when to exists: renameat2 with RENAME_NOREPLACE, or on file
// systems without the flag a hard link (which fails on an existing name as well) and unlink.
// Unsupported: the file system has neither (some FUSE mounts).
Renamed RenameWithoutReplacing(const QByteArray& from, const QByteArray& to)
{
    if (calls.RenameNoReplace(from.constData(), to.constData()) == 0) return Renamed::Done;
    if (errno == EXDEV) return Renamed::OtherFileSystem;
    if (errno != EINVAL && errno != ENOSYS && errno != EPERM && errno != EOPNOTSUPP) return Renamed::Failed;
    if (calls.Link(from.constData(), to.constData()) == 0) {
        if (::unlink(from.constData()) == 0) return Renamed::Done;
        ::unlink(to.constData());  // from stays; take back the second name
        return Renamed::Failed;
    }
    switch (errno) {
    case EXDEV: return Renamed::OtherFileSystem;
    case EPERM: case EOPNOTSUPP: case ENOSYS: case EINVAL: case EMLINK: return Renamed::Unsupported;
    default: return Renamed::Failed;
    }
}

// The last way that never replaces a file: copy into a new target, then let go of the source.
bool CopyThenRemove(const QByteArray& from, const QByteArray& to, const QByteArray& folder)
{
    if (!CopyToNewFile(from, to)) return false;
    SyncFolder(folder);
    if (::unlink(from.constData()) != 0) {
        ::unlink(to.constData());  // the copy we just made; the source is still whole
        return false;
    }
    return true;
}

}  // namespace

bool Exists(const QString& path)
{
    if (path.isEmpty()) return false;
    struct stat st;
    return LStat(Native(path), st);
}

bool SameFile(const QString& a, const QString& b)
{
    if (a.isEmpty() || b.isEmpty()) return false;
    struct stat sa, sb;
    if (::stat(Native(a).constData(), &sa) != 0 || ::stat(Native(b).constData(), &sb) != 0) return false;
    return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

bool SameEntry(const QString& a, const QString& b)
{
    if (a.isEmpty() || b.isEmpty()) return false;
    // Split where the kernel does: a lexical clean-up of "link/.." would name another folder.
    const auto split = [](const QByteArray& path) {
        const qsizetype slash = path.lastIndexOf('/');
        if (slash < 0) return std::pair<QByteArray, QByteArray>(".", path);
        return std::pair<QByteArray, QByteArray>(slash == 0 ? "/" : path.left(slash), path.mid(slash + 1));
    };
    const QByteArray na = Native(a), nb = Native(b);
    const auto [folderA, nameA] = split(na);
    const auto [folderB, nameB] = split(nb);
    struct stat sa, sb;
    if (nameA != nameB || !LStat(na, sa) || !LStat(nb, sb)) return false;
    if (::stat(folderA.constData(), &sa) != 0 || ::stat(folderB.constData(), &sb) != 0) return false;
    return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

bool CopyFileReplacing(const QString& source, const QString& target)
{
    if (source.isEmpty() || target.isEmpty() || SameFile(source, target)) return false;
    const QByteArray to = Native(target);
    if (IsFolder(to)) return false;
    const QByteArray folder = FolderOf(target);
    const QByteArray temp = CopyToTemporary(Native(source), folder);
    if (temp.isEmpty()) return false;
    if (::rename(temp.constData(), to.constData()) != 0) {
        ::unlink(temp.constData());
        return false;
    }
    SyncFolder(folder);
    return true;
}

bool MoveFileNoReplace(const QString& source, const QString& target)
{
    if (source.isEmpty() || target.isEmpty() || SameFile(source, target)) return false;
    const QByteArray from = Native(source);
    const QByteArray to = Native(target);
    struct stat st;
    if (!LStat(from, st) || S_ISDIR(st.st_mode)) return false;

    const QByteArray folder = FolderOf(target);
    switch (RenameWithoutReplacing(from, to)) {
    case Renamed::Done: return true;
    case Renamed::Failed: return false;
    case Renamed::Unsupported: return CopyThenRemove(from, to, folder);
    case Renamed::OtherFileSystem: break;
    }

    // Across file systems: copy beside the target, place it without replacing, then let go of
    // the source.
    const QByteArray temp = CopyToTemporary(from, folder);
    if (temp.isEmpty()) return false;
    switch (RenameWithoutReplacing(temp, to)) {
    case Renamed::Done: break;
    case Renamed::Unsupported:
        ::unlink(temp.constData());
        return CopyThenRemove(from, to, folder);
    default:
        ::unlink(temp.constData());
        return false;
    }
    SyncFolder(folder);
    if (::unlink(from.constData()) != 0) {
        ::unlink(to.constData());  // the copy we just made; the source is still whole
        return false;
    }
    return true;
}

bool MoveFileReplacing(const QString& source, const QString& target)
{
    if (source.isEmpty() || target.isEmpty() || SameFile(source, target)) return false;
    const QByteArray from = Native(source);
    const QByteArray to = Native(target);
    struct stat st;
    if (!LStat(from, st) || S_ISDIR(st.st_mode) || IsFolder(to)) return false;

    if (::rename(from.constData(), to.constData()) == 0) return true;
    if (errno != EXDEV) return false;

    const QByteArray folder = FolderOf(target);
    const QByteArray temp = CopyToTemporary(from, folder);
    if (temp.isEmpty()) return false;
    if (::rename(temp.constData(), to.constData()) != 0) {
        ::unlink(temp.constData());
        return false;
    }
    SyncFolder(folder);
    // The target now holds the source's bytes; a source that cannot be removed is reported,
    // and both copies stay.
    return ::unlink(from.constData()) == 0;
}

NoReplaceCalls SetNoReplaceCalls(NoReplaceCalls replacement)
{
    return std::exchange(calls, replacement);
}

bool DeleteFile(const QString& path)
{
    if (path.isEmpty()) return false;
    return ::unlink(Native(path).constData()) == 0;
}

}  // namespace fileops
