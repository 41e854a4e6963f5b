#include "loading/MappedFile.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

std::function<void(int)> AfterFileSized;

namespace {

// Fills `into` with `length` bytes from `offset`; false on an error or end of file first.
bool ReadFully(int handle, std::size_t offset, std::size_t length, unsigned char* into)
{
    while (length > 0) {
        const ssize_t n = ::pread(handle, into, length, static_cast<off_t>(offset));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        into += n;
        offset += static_cast<std::size_t>(n);
        length -= static_cast<std::size_t>(n);
    }
    return true;
}

} // namespace

TMappedFile::~TMappedFile()
{
    UnmapFile(*this);
}

const unsigned char* MapFile(TMappedFile& record, const std::string& fileName, std::size_t first)
{
    UnmapFile(record);
    if (fileName.empty())
        return nullptr;
    // O_NONBLOCK: a FIFO named like a picture must not hang the open; fstat refuses it below.
    record.FileHandle = ::open(fileName.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    struct stat st {};
    if (record.FileHandle >= 0 && ::fstat(record.FileHandle, &st) == 0 && S_ISREG(st.st_mode) &&
        st.st_size > 0 && static_cast<unsigned long long>(st.st_size) <= SIZE_MAX / 2) {
        record.Size = static_cast<std::size_t>(st.st_size);
        if (AfterFileSized)
            AfterFileSized(record.FileHandle);
        if (MapMore(record, std::max<std::size_t>(first, 1)))
            return record.View;
    }
    UnmapFile(record);
    return nullptr;
}

bool MapMore(TMappedFile& record, std::size_t length)
{
    length = std::min(length, record.Size);
    if (record.FileHandle < 0)
        return false;
    if (length <= record.Length)
        return true;
    // Not zero-filled: the read overwrites every byte, and a picture file may be large.
    std::unique_ptr<unsigned char[]> bytes(new (std::nothrow) unsigned char[length]);
    if (!bytes)
        return false;
    if (record.Length > 0)
        std::memcpy(bytes.get(), record.View, record.Length);
    if (!ReadFully(record.FileHandle, record.Length, length - record.Length, bytes.get() + record.Length))
        return false;
    record.Bytes = std::move(bytes);
    record.View = record.Bytes.get();
    record.Length = length;
    return true;
}

bool ReadFileRange(const TMappedFile& record, std::size_t offset, std::size_t length,
                   unsigned char* into)
{
    if (record.FileHandle < 0 || offset > record.Size || length > record.Size - offset)
        return false;
    if (offset < record.Length) {
        const std::size_t there = std::min(length, record.Length - offset);
        std::memcpy(into, record.View + offset, there);
        into += there;
        offset += there;
        length -= there;
    }
    return ReadFully(record.FileHandle, offset, length, into);
}

void UnmapFile(TMappedFile& record)
{
    record.View = nullptr;
    record.Length = 0;
    record.Size = 0;
    record.Bytes.reset();
    if (record.FileHandle >= 0) {
        ::close(record.FileHandle);
        record.FileHandle = -1;
    }
}
