#include "loading/JpegFile.h"

#include "loading/FileHead.h"
#include "loading/JpegDecoder.h"
#include "loading/LoadErrors.h"
#include "loading/MappedFile.h"
#include "loading/ShotSummary.h"

#include <algorithm>

EFOpenError MissingJpeg(const std::string& fileName)
{
    return EFOpenError("JPEG : \"" + fileName + "\" が見つかりません");
}

namespace {

EReadError UndecodableJpeg(const std::string& fileName)
{
    return EReadError("JPEG : \"" + fileName + "\" の展開に失敗しました");
}

// Read on past a segment that runs beyond the first bytes, for the tables after it.
constexpr std::size_t TablesMargin = 8 * 1024;

} // namespace

std::size_t JpegBytesNeeded(const unsigned char* head, std::size_t headLength, std::size_t available)
{
    if (available <= headLength)
        return available;
    try {
        const QSize frame = ReadJpegSize(head, headLength);
        // Four components at two bytes a pixel is more than any encoder spends.
        const std::size_t data = 8 * static_cast<std::size_t>(frame.width()) * static_cast<std::size_t>(frame.height());
        return std::min(available, std::max(headLength, JpegMetadataRoom + data));
    } catch (const EJpegError&) {
        return headLength;   // no frame in reach: the decoder fails on what was read
    }
}

bool ReadJpegBytes(const TMappedFile& file, std::size_t offset, std::size_t length,
                   std::vector<unsigned char>& into)
{
    if (offset > file.Size || length > file.Size - offset)
        return false;
    try {
        std::size_t have = std::min(length, JpegMetadataRoom);
        into.resize(have);
        if (!ReadFileRange(file, offset, have, into.data()))
            return false;
        const std::size_t need = JpegBytesNeeded(into.data(), have, length);
        if (need > have) {
            into.resize(need);
            return ReadFileRange(file, offset + have, need - have, into.data() + have);
        }
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

std::size_t JpegHeadExtent(const unsigned char* data, std::size_t length)
{
    if (length < 2 || data[0] != 0xFF || data[1] != 0xD8)
        return 0;
    std::size_t pos = 2;
    while (pos + 4 <= length) {
        if (data[pos] != 0xFF)
            return 0;   // not a marker where one belongs: the decoder will say what it is
        const unsigned char marker = data[pos + 1];
        if (marker == 0xFF) {   // fill byte
            ++pos;
            continue;
        }
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD8)) {   // no length
            pos += 2;
            continue;
        }
        const std::size_t end = pos + 2 + (std::size_t(data[pos + 2]) << 8 | data[pos + 3]);
        if (marker == 0xDA)
            return end;
        pos = end;
    }
    return pos + TablesMargin;
}

void ProbeJpegFile(const std::string& fileName, QSize& size, std::string& info)
{
    try {
        const bool opened = WithFileHead(fileName, FileHeadBytes, JpegHeadExtent, JpegMetadataRoom,
                                         [&](const THeadBytes& b) {
            bool ranPastEnd = false;
            std::string summary = JpegShotSummary(b.Data, b.Length, &ranPastEnd);
            if (b.Whole || b.Final) {
                info = std::move(summary);
                size = ReadJpegSize(b.Data, b.Length);
                return true;
            }
            if (ranPastEnd)
                return false;
            try {
                // Cut short, the header reader fails on running out of bytes; the whole
                // file then decides.
                size = ReadJpegSize(b.Data, b.Length);
            } catch (const EJpegError&) {
                return false;
            }
            info = std::move(summary);
            return true;
        });
        if (!opened) {
            if (!PathExists(fileName))
                throw MissingJpeg(fileName);
            throw EJpegError("cannot read");
        }
    } catch (const EFOpenError&) {
        throw;
    } catch (...) {
        throw UndecodableJpeg(fileName);
    }
}

void WithJpegFile(const std::string& fileName, std::string& info,
                  const std::function<void(const unsigned char*, std::size_t)>& use)
{
    try {
        TMappedFile file;
        if (MapFile(file, fileName, JpegMetadataRoom) == nullptr) {
            if (!PathExists(fileName))
                throw MissingJpeg(fileName);
            throw EJpegError("cannot read");   // a folder, a socket, unreadable, empty
        }
        // A file bigger than its frame can need (a hole of zeros, data appended) is read only
        // as far as the frame reaches; the decoder stops at its end marker before that.
        if (!MapMore(file, JpegBytesNeeded(file.View, file.Length, file.Size)))
            throw EJpegError("cannot read");
        info = JpegShotSummary(file.View, file.Length);   // before decoding: it stays if decoding fails
        use(file.View, file.Length);
    } catch (const EFOpenError&) {
        throw;
    } catch (...) {
        throw UndecodableJpeg(fileName);
    }
}
