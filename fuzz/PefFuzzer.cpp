// Feeds arbitrary bytes to the PEF branch of the loader as a file on disk: the input is
// written to an in-memory file and loaded through its /proc path, so reading, the TIFF
// walk, the summary and the preview decode all run as for a real file.
#include "loading/Bmpmagbase.h"
#include "loading/LoadErrors.h"
#include "loading/PefPreview.h"

#include <QString>

#include <cstddef>
#include <cstdint>
#include <sys/mman.h>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    static const int fd = memfd_create("velumira-fuzz-pef", 0);
    if (fd < 0 || ftruncate(fd, 0) != 0)
        return 0;
    if (size > 0 && pwrite(fd, data, size, 0) != static_cast<ssize_t>(size))
        return 0;
    static const QString name = QStringLiteral("/proc/self/fd/%1").arg(fd);
    TBitmapMAGBase picture;
    try {
        LoadPefFile(picture, name);
    } catch (const EStreamError&) {
        // a refusal is the expected answer to most inputs
    }
    return 0;
}
