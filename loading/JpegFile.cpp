#include "loading/JpegFile.h"

#include "loading/JpegDecoder.h"
#include "loading/LoadErrors.h"
#include "loading/ShotSummary.h"

#include <QFile>
#include <QFileInfo>

void WithJpegFile(const QString& fileName, QString& info,
                  const std::function<void(const unsigned char*, std::size_t)>& use)
{
    if (!QFileInfo::exists(fileName))
        throw EFOpenError(QStringLiteral("JPEG : \"%1\" が見つかりません").arg(fileName));
    try {
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
    } catch (...) {
        throw EReadError(QStringLiteral("JPEG : \"%1\" の展開に失敗しました").arg(fileName));
    }
}
