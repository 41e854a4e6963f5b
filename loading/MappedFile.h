#pragma once
// A file's bytes made readable in place for readers that walk a picture file and hand a
// part of it to the JPEG decoder. They are read (pread) into a buffer the record owns, never
// mapped: a mapped file that shrinks or whose medium goes away (an SD card pulled, a share
// dropped, an editor rewriting it) kills the program with SIGBUS, a read merely fails.
// Only the first bytes need be read; further ranges are read on request.
#include <QString>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

struct TMappedFile {
    int FileHandle = -1;                   // the open file, -1 when none
    const unsigned char* View = nullptr;   // byte 0 of the file while "mapped"
    std::size_t Length = 0;                // bytes read so far, readable at View
    std::size_t Size = 0;                  // the file's size when it was opened
    std::unique_ptr<unsigned char[]> Bytes;   // owns what View shows

    TMappedFile() = default;
    ~TMappedFile();
    TMappedFile(const TMappedFile&) = delete;
    TMappedFile& operator=(const TMappedFile&) = delete;
};

// Opens the file and reads its first `first` bytes (by default all of it) to View; nullptr
// (and the record back in its empty state) when the file is missing, not a regular file,
// empty, cannot be opened, or the read fails or comes short. Read-only files are accepted.
// Raises nothing.
// fileName is the path's bytes (UTF-8); the QString form is for callers that hold one.
const unsigned char* MapFile(TMappedFile& record, const std::string& fileName,
                             std::size_t first = SIZE_MAX);
inline const unsigned char* MapFile(TMappedFile& record, const QString& fileName,
                                    std::size_t first = SIZE_MAX)
{
    return MapFile(record, fileName.toStdString(), first);
}

// Reads on so that the first `length` bytes (at most Size) are at View, which may move:
// addresses taken from the old View are stale. False when the read fails or comes short.
bool MapMore(TMappedFile& record, std::size_t length);

// Copies `length` bytes from `offset` of the file to `into`, from View where they were
// read already; false when they lie past Size or the read fails or comes short.
bool ReadFileRange(const TMappedFile& record, std::size_t offset, std::size_t length,
                   unsigned char* into);

// Releases the bytes and the file; any number of calls, a call with nothing open does nothing.
void UnmapFile(TMappedFile& record);

// Test seam: runs with the open file once its size is known and before anything is read
// (a test truncates the file there, or makes it unreadable). Empty in the program.
extern std::function<void(int fileHandle)> AfterFileSized;
