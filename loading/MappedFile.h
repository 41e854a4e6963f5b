#pragma once
// A whole file made readable in place (read-only mmap), for readers that walk a big
// file and hand a part of it to the JPEG decoder without copying it.
#include <QString>
#include <cstddef>

struct TMappedFile {
    int FileHandle = -1;                   // the open file, -1 when none
    const unsigned char* View = nullptr;   // byte 0 of the file while mapped
    std::size_t Size = 0;                  // bytes readable at View

    TMappedFile() = default;
    ~TMappedFile();
    TMappedFile(const TMappedFile&) = delete;
    TMappedFile& operator=(const TMappedFile&) = delete;
};

// Maps the whole file read-only; nullptr (and the record unmapped) when the file is
// missing, not a regular file, empty, or cannot be opened or mapped. Read-only files
// are accepted. Raises nothing.
const unsigned char* MapFile(TMappedFile& record, const QString& fileName);

// Releases the view and the file; any number of calls, a call with nothing open does nothing.
void UnmapFile(TMappedFile& record);
