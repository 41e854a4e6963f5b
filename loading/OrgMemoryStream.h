#pragma once
// A read stream over memory that belongs to the caller (a mapped file's view): it never
// frees, grows or moves that memory. The position is not clamped; reading past the
// end copies nothing.
#include <cstdint>

enum class TSeekOrigin { soBeginning, soCurrent, soEnd };

class TOrgMemoryStream {
public:
    TOrgMemoryStream() = default;
    TOrgMemoryStream(const TOrgMemoryStream&) = delete;
    TOrgMemoryStream& operator=(const TOrgMemoryStream&) = delete;

    // Reads size bytes at memory from now on; the position stays where it was.
    void SetPointer(const void* memory, std::int64_t size)
    {
        FMemory = static_cast<const unsigned char*>(memory);
        FSize = size;
    }

    // Copies min(count, Size - Position) bytes when the position and count are not
    // negative and the position lies below the size; answers the bytes copied.
    std::int64_t Read(void* buffer, std::int64_t count);
    std::int64_t Seek(std::int64_t offset, TSeekOrigin origin);

    std::int64_t Position() const { return FPosition; }
    void SetPosition(std::int64_t position) { FPosition = position; }
    std::int64_t Size() const { return FSize; }
    const unsigned char* Memory() const { return FMemory; }

private:
    const unsigned char* FMemory = nullptr;
    std::int64_t FSize = 0;
    std::int64_t FPosition = 0;
};
