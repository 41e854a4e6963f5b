// The PEF branch of the loader: the preview found by the shared walk, read on its own and
// decoded into the picture.
#include "loading/PefPreview.h"

#include "loading/Bmpmagbase.h"
#include "loading/JpegDecoder.h"
#include "loading/JpegFile.h"
#include "loading/OrgMemoryStream.h"

#include <vector>

void LoadPefFile(TBitmapMAGBase& picture, const QString& fileName)
{
    WithPefPreview(fileName, picture.FInfo, [&](const TMappedFile& file, std::size_t offset, std::size_t length) {
        std::vector<unsigned char> bytes;
        if (!ReadJpegBytes(file, offset, length, bytes))
            throw EJpegError("cannot read the preview");
        TOrgMemoryStream stream;
        stream.SetPointer(bytes.data(), static_cast<std::int64_t>(bytes.size()));
        picture.Assign(DecodeJpegBest(stream.Memory(), static_cast<std::size_t>(stream.Size())),
                       TPixelFormat::pf24bit);
    });
}
