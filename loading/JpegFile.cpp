#include "loading/JpegFile.h"

#include "loading/JpegDecoder.h"
#include "loading/LoadErrors.h"
#include "loading/MappedFile.h"
#include "loading/ShotSummary.h"

#include <QFile>
#include <QFileInfo>

void WithJpegFile(const QString& fileName, QString& info,
                  const std::function<void(const unsigned char*, std::size_t)>& use, JpegBytes how)
{
    const auto missing = [&] {
        return EFOpenError(QStringLiteral("JPEG : \"%1\" が見つかりません").arg(fileName));
    };
    try {
        if (how == JpegBytes::Mapped) {
            // Mapping first spares probes a separate existence test per file.
            TMappedFile record;
            if (MapFile(record, fileName) == nullptr) {
                if (!QFileInfo::exists(fileName))
                    throw missing();
                throw EJpegError("cannot map");
            }
            info = JpegShotSummary(record.View, record.Size);
            use(record.View, record.Size);
            return;
        }
        const QFileInfo entry(fileName);
        if (!entry.exists())
            throw missing();
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
        throw EReadError(QStringLiteral("JPEG : \"%1\" の展開に失敗しました").arg(fileName));
    }
}
