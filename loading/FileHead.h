#pragma once
// The first bytes of a file, for readers that need only its headers. Over many files one
// pread into a buffer kept across calls costs a fraction of reading each file into a
// buffer of its own; a reader that finds those bytes were not enough is handed the whole
// file (or its first `limit` bytes), read.
#include <cstddef>
#include <functional>
#include <string>

struct THeadBytes {
    const unsigned char* Data = nullptr;
    std::size_t Length = 0;   // bytes at Data: the first bytes of the file
    bool Whole = false;       // Length is the whole file
    bool Final = false;       // no more bytes will be given
};

// The first read of a probe, one pread into a buffer kept across files: the Exif block
// and the tables of nearly every camera file. A file with more ahead of its frame header
// is read on once (`more`). A bigger first read measured slower over a thousand camera
// files (68 KB by 7 %, 128 KB by 17 %): copying bytes nobody looks at costs more than the
// rare second read saves.
constexpr std::size_t FileHeadBytes = 16 * 1024;

// The longest head read on request of `more`; a reader needing more gets the whole file.
constexpr std::size_t MaxHeadBytes = 256 * 1024;

// Reads the first `first` bytes of a regular, non-empty file (all of it when smaller).
// `more` (may be empty) looks at them and names how many the reader will need in all;
// up to MaxHeadBytes are then read on, once. use() gets the bytes and returns false when
// they ran out before it had what it needed: it is then called once more (Final set) with
// the whole file read, or its first `limit` bytes, and that call's answer is not asked
// for again. False when the file is missing, not a regular file, empty, or cannot be read.
// The file is opened once; every read is a pread into a buffer kept per thread, the whole
// file's into one of its own.
// fileName is the path's bytes (UTF-8, as QFile::encodeName gives them).
bool WithFileHead(const std::string& fileName, std::size_t first,
                  const std::function<std::size_t(const unsigned char*, std::size_t)>& more,
                  std::size_t limit, const std::function<bool(const THeadBytes&)>& use);

// Whether the path names something (a dangling link does not), as QFileInfo::exists.
bool PathExists(const std::string& fileName);
