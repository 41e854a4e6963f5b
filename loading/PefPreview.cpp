#include "loading/PefPreview.h"

#include "exif/Exifana.h"
#include "loading/Bmpmagbase.h"
#include "loading/JpegDecoder.h"
#include "loading/JpegFile.h"
#include "loading/LoadErrors.h"
#include "loading/MappedFile.h"

#include <algorithm>
#include <vector>

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

EFOpenError UnopenablePef(const std::string& fileName)
{
    return EFOpenError("PEF : \"" + fileName + "\" が開けません");
}

bool ParseFileTiff(TMappedFile& file, TExifRoot& reader, const std::function<void()>& walk)
{
    for (;;) {
        reader.Parse(file.View, file.Length, 8);
        walk();
        // Read on only for what lies within reach (an offset past it is taken as absent,
        // so a bogus one does not make us read a huge file); at least twice as many bytes,
        // so a far directory costs a few reads.
        if (!reader.RanPastEnd || file.Length >= file.Size ||
            reader.NeededLength > std::min(file.Size, TiffWalkLimit))
            return true;
        const std::size_t twice = file.Length > file.Size / 2 ? file.Size : 2 * file.Length;
        if (!MapMore(file, std::max(reader.NeededLength, twice)))
            return false;
    }
}

void WithPefPreview(const std::string& fileName, std::string& info,
                    const std::function<void(const TMappedFile&, std::size_t, std::size_t)>& use)
{
    TMappedFile record;
    if (MapFile(record, fileName, TiffHeadBytes) == nullptr)
        throw UnopenablePef(fileName);

    TExifRootPENTAXistD reader;
    std::size_t offset = 0, length = 0;
    std::string summary;
    if (!ParseFileTiff(record, reader, [&] {
            ReadPreviewTags(reader, offset, length);
            summary = offset != 0 && length != 0 ? MakeSummaryText(reader) : std::string();
        }))
        throw UnopenablePef(fileName);
    if (offset == 0 || length == 0)
        return;
    info = std::move(summary);
    try {
        // The preview must lie inside the file; the decoder never reads outside it.
        if (offset > record.Size || length > record.Size - offset)
            throw EJpegError("preview outside the file");
        use(record, offset, length);
    } catch (...) {
        throw EReadError("PEF : \"" + fileName + "\" の展開に失敗しました");
    }
}

void ProbePefFile(const std::string& fileName, QSize& size, std::string& info)
{
    size = QSize(0, 0);
    WithPefPreview(fileName, info, [&](const TMappedFile& file, std::size_t offset, std::size_t length) {
        // The preview's header is near its start; the whole preview only when it is not.
        std::vector<unsigned char> bytes(std::min<std::size_t>(length, 64 * 1024));
        if (ReadFileRange(file, offset, bytes.size(), bytes.data())) {
            try {
                size = ReadJpegSize(bytes.data(), bytes.size());
                return;
            } catch (const EJpegError&) {
            }
        }
        if (!ReadJpegBytes(file, offset, length, bytes))
            throw EJpegError("cannot read");
        size = ReadJpegSize(bytes.data(), bytes.size());
    });
}
