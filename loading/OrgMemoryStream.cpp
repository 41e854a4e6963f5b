#include "loading/OrgMemoryStream.h"

#include <cstring>

std::int64_t TOrgMemoryStream::Read(void* buffer, std::int64_t count)
{
    if (FPosition < 0 || count < 0 || FPosition >= FSize)
        return 0;
    std::int64_t n = FSize - FPosition;
    if (n > count)
        n = count;
    if (n > 0)
        std::memcpy(buffer, FMemory + FPosition, static_cast<std::size_t>(n));
    FPosition += n;
    return n;
}

std::int64_t TOrgMemoryStream::Seek(std::int64_t offset, TSeekOrigin origin)
{
    switch (origin) {
    case TSeekOrigin::soBeginning: FPosition = offset; break;
    case TSeekOrigin::soCurrent: FPosition += offset; break;
    case TSeekOrigin::soEnd: FPosition = FSize + offset; break;
    }
    return FPosition;
}
