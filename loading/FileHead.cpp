#include "loading/FileHead.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

class OpenFile {
public:
    explicit OpenFile(const std::string& fileName)
    {
        // O_NONBLOCK: a FIFO named like a picture must not hang the open; fstat refuses it.
        Handle = fileName.empty() ? -1 : ::open(fileName.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
        struct stat st {};
        if (Handle >= 0 && ::fstat(Handle, &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0 &&
            static_cast<unsigned long long>(st.st_size) <= SIZE_MAX)
            Size = static_cast<std::size_t>(st.st_size);
    }
    ~OpenFile()
    {
        if (Handle >= 0)
            ::close(Handle);
    }
    OpenFile(const OpenFile&) = delete;
    OpenFile& operator=(const OpenFile&) = delete;

    // Fills buffer[from, to) from the same places of the file; the bytes actually read.
    std::size_t ReadAt(unsigned char* buffer, std::size_t from, std::size_t to) const
    {
        std::size_t at = from;
        while (at < to) {
            const ssize_t n = ::pread(Handle, buffer + at, to - at, static_cast<off_t>(at));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                break;
            at += static_cast<std::size_t>(n);
        }
        return at;
    }

    int Handle = -1;
    std::size_t Size = 0;   // 0 unless a regular, non-empty file
};

} // namespace

bool PathExists(const std::string& fileName)
{
    struct stat st {};
    return !fileName.empty() && ::stat(fileName.c_str(), &st) == 0;
}

bool WithFileHead(const std::string& fileName, std::size_t first,
                  const std::function<std::size_t(const unsigned char*, std::size_t)>& more,
                  std::size_t limit, const std::function<bool(const THeadBytes&)>& use)
{
    const OpenFile file(fileName);
    if (file.Size == 0)
        return false;
    // Kept per thread: probing thousands of files allocates once.
    thread_local std::vector<unsigned char> buffer;
    const std::size_t want = std::min(std::max<std::size_t>(first, 1), file.Size);
    if (buffer.size() < want)
        buffer.resize(want);
    std::size_t have = file.ReadAt(buffer.data(), 0, want);
    if (have == want && have < file.Size && more) {
        const std::size_t need = std::min({more(buffer.data(), have), MaxHeadBytes, file.Size});
        if (need > have) {
            if (buffer.size() < need)
                buffer.resize(need);
            have = file.ReadAt(buffer.data(), have, need);
        }
    }
    if (have == 0)
        return false;
    if (use(THeadBytes{buffer.data(), have, have == file.Size, have == file.Size}) || have == file.Size)
        return true;
    // The reader ran out: on through the same handle to the whole file or its first `limit`
    // bytes, in a buffer that goes with this call.
    const std::size_t length = std::min(std::max<std::size_t>(limit, 1), file.Size);
    std::unique_ptr<unsigned char[]> record(new (std::nothrow) unsigned char[length]);
    if (!record)
        return false;
    const std::size_t kept = std::min(have, length);
    std::memcpy(record.get(), buffer.data(), kept);
    if (file.ReadAt(record.get(), kept, length) != length)
        return false;
    use(THeadBytes{record.get(), length, length == file.Size, true});
    return true;
}
