#include "loading/MappedFile.h"

#include <QFile>
#include <cstdint>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

TMappedFile::~TMappedFile()
{
    UnmapFile(*this);
}

const unsigned char* MapFile(TMappedFile& record, const QString& fileName)
{
    UnmapFile(record);
    if (fileName.isEmpty())
        return nullptr;
    const QByteArray path = QFile::encodeName(fileName);
    // O_NONBLOCK: a FIFO named like a picture must not hang the open; fstat refuses it below.
    record.FileHandle = ::open(path.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (record.FileHandle >= 0) {
        struct stat st {};
        if (::fstat(record.FileHandle, &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0 &&
            static_cast<unsigned long long>(st.st_size) <= SIZE_MAX) {
            const auto size = static_cast<std::size_t>(st.st_size);
            void* view = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE, record.FileHandle, 0);
            if (view != MAP_FAILED) {
                record.View = static_cast<const unsigned char*>(view);
                record.Size = size;
            }
        }
    }
    if (record.View == nullptr)
        UnmapFile(record);
    return record.View;
}

void UnmapFile(TMappedFile& record)
{
    if (record.View != nullptr) {
        ::munmap(const_cast<unsigned char*>(record.View), record.Size);
        record.View = nullptr;
        record.Size = 0;
    }
    if (record.FileHandle >= 0) {
        ::close(record.FileHandle);
        record.FileHandle = -1;
    }
}
