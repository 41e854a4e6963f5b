#include "loading/PefPreview.h"

#include "exif/Exifana.h"
#include "loading/Bmpmagbase.h"
#include "loading/JpegDecoder.h"
#include "loading/LoadErrors.h"
#include "loading/MappedFile.h"
#include "loading/OrgMemoryStream.h"

namespace {

constexpr uint16_t TagJpegOffset = 0x0201;
constexpr uint16_t TagJpegLength = 0x0202;

// Walks the third directory in stored order; a repeated tag's last value wins.
void ReadPreviewTags(const TExifRoot& reader, std::size_t& offset, std::size_t& length)
{
    offset = 0;
    length = 0;
    if (reader.DirectoryCount < 3)
        return;
    const TExifDirectory& dir = reader.Dirs[2];
    for (int i = 0; i < dir.Count; ++i) {
        const unsigned char* entry = dir.Entries[i];
        if (entry == nullptr)
            continue;
        const uint16_t tag = reader.EntryTag(entry);
        if (tag == TagJpegOffset)
            offset = reader.EntryValue(entry);
        else if (tag == TagJpegLength)
            length = reader.EntryValue(entry);
    }
}

} // namespace

bool FindPefPreview(const unsigned char* data, std::size_t size, std::size_t& offset,
                    std::size_t& length)
{
    TExifRootPENTAXistD reader;
    reader.Parse(data, size, 8);
    ReadPreviewTags(reader, offset, length);
    return offset != 0 && length != 0;
}

EFOpenError UnopenablePef(const QString& fileName)
{
    return EFOpenError(QStringLiteral("PEF : \"%1\" が開けません").arg(fileName));
}

void WithPefPreview(const QString& fileName, QString& info,
                   const std::function<void(const unsigned char*, std::size_t)>& use)
{
    TMappedFile record;
    if (MapFile(record, fileName) == nullptr)
        throw UnopenablePef(fileName);

    TExifRootPENTAXistD reader;
    reader.Parse(record.View, record.Size, 8);
    std::size_t offset = 0, length = 0;
    ReadPreviewTags(reader, offset, length);
    if (offset == 0 || length == 0) {
        UnmapFile(record);
        return;
    }
    info = QString::fromStdString(MakeSummaryText(reader));
    try {
        // The preview must lie inside the file; the decoder never reads outside it.
        if (offset > record.Size || length > record.Size - offset)
            throw EJpegError("preview outside the file");
        TOrgMemoryStream stream;
        stream.SetPointer(record.View + offset, static_cast<std::int64_t>(length));
        use(stream.Memory(), static_cast<std::size_t>(stream.Size()));
    } catch (...) {
        UnmapFile(record);
        throw EReadError(QStringLiteral("PEF : \"%1\" の展開に失敗しました").arg(fileName));
    }
    UnmapFile(record);
}

void ProbePefFile(const QString& fileName, QSize& size, QString& info)
{
    size = QSize(0, 0);
    WithPefPreview(fileName, info, [&](const unsigned char* data, std::size_t length) {
        size = ReadJpegSize(data, length);
    });
}
