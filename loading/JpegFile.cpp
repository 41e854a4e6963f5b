#include "loading/JpegFile.h"

#include "loading/FileHead.h"
#include "loading/JpegDecoder.h"
#include "loading/LoadErrors.h"
#include "loading/ShotSummary.h"

#include <QFile>
#include <QFileInfo>

EFOpenError MissingJpeg(const QString& fileName)
{
    return EFOpenError(QStringLiteral("JPEG : \"%1\" が見つかりません").arg(fileName));
}

namespace {

EReadError UndecodableJpeg(const QString& fileName)
{
    return EReadError(QStringLiteral("JPEG : \"%1\" の展開に失敗しました").arg(fileName));
}

// First read of a probe: the Exif block and the tables of nearly every camera file.
constexpr std::size_t FirstHeadBytes = 16 * 1024;
// Read on past a segment that runs beyond the first bytes, for the tables after it.
constexpr std::size_t TablesMargin = 8 * 1024;

} // namespace

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

void ProbeJpegFile(const QString& fileName, QSize& size, QString& info)
{
    try {
        const bool opened = WithFileHead(fileName, FirstHeadBytes, JpegHeadExtent, [&](const THeadBytes& b) {
            bool ranPastEnd = false;
            const QString summary = JpegShotSummary(b.Data, b.Length, &ranPastEnd);
            if (b.Whole) {
                info = summary;
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
            info = summary;
            return true;
        });
        if (!opened) {
            if (!QFileInfo::exists(fileName))
                throw MissingJpeg(fileName);
            throw EJpegError("cannot read");
        }
    } catch (const EFOpenError&) {
        throw;
    } catch (...) {
        throw UndecodableJpeg(fileName);
    }
}

void WithJpegFile(const QString& fileName, QString& info,
                  const std::function<void(const unsigned char*, std::size_t)>& use)
{
    try {
        const QFileInfo entry(fileName);
        if (!entry.exists())
            throw MissingJpeg(fileName);
        // A named pipe would block the window in open(), a device be read without end.
        if (!entry.isFile())
            throw EJpegError("not a regular file");
        QByteArray bytes;
        {
            QFile file(fileName);
            if (!file.open(QIODevice::ReadOnly))
                throw EJpegError("cannot open");
            bytes = file.readAll();
            if (file.error() != QFileDevice::NoError)
                throw EJpegError("cannot read");
        }
        const auto* data = reinterpret_cast<const unsigned char*>(bytes.constData());
        const auto length = static_cast<std::size_t>(bytes.size());
        info = JpegShotSummary(data, length);   // before decoding: it stays if decoding fails
        use(data, length);
    } catch (const EFOpenError&) {
        throw;
    } catch (...) {
        throw UndecodableJpeg(fileName);
    }
}
