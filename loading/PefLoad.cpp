// The PEF branch of the loader: the preview found by the shared walk, read on its own and
// decoded into the picture.
#include "loading/PefPreview.h"

#include "loading/Bmpmagbase.h"
#include "loading/JpegDecoder.h"
#include "loading/JpegFile.h"
#include "loading/MappedFile.h"
#include "loading/OrgMemoryStream.h"

#include <QScopeGuard>
#include <vector>

void LoadPefFile(TBitmapMAGBase& picture, const QString& fileName)
{
    // The summary is set before decoding, so it stays when decoding fails.
    std::string info = picture.FInfo.toStdString();
    const auto keepInfo = qScopeGuard([&] { picture.FInfo = QString::fromStdString(info); });
    WithPefPreview(fileName.toStdString(), info, [&](const TMappedFile& file, std::size_t offset, std::size_t length) {
        std::vector<unsigned char> bytes;
        if (!ReadJpegBytes(file, offset, length, bytes))
            throw EJpegError("cannot read the preview");
        TOrgMemoryStream stream;
        stream.SetPointer(bytes.data(), static_cast<std::int64_t>(bytes.size()));
        picture.Assign(DecodeJpegBest(stream.Memory(), static_cast<std::size_t>(stream.Size())),
                       TPixelFormat::pf24bit);
        // The file's own TIFF structure holds the makernote.
        picture.ReadAfAreasFrom(file.View, file.Length);
    });
}
