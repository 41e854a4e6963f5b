#include "loading/PictureProbe.h"

#include "loading/BmpReader.h"
#include "loading/JpegFile.h"
#include "loading/PefPreview.h"

TPictureProbe ProbePictureFile(const QString& fileName)
{
    TPictureProbe probe;
    const QString ext = PictureExtension(fileName);
    if (ext == QLatin1String(".JPEG") || ext == QLatin1String(".JPG")) {
        ProbeJpegFile(fileName, probe.Size, probe.Info);
    } else if (ext == QLatin1String(".PEF")) {
        ProbePefFile(fileName, probe.Size, probe.Info);
    } else {
        probe.Size = ReadBmpFileSize(fileName, probe.PixelFormat);
    }
    return probe;
}

QString PanelText(int width, int height, const QString& info, TPixelFormat format)
{
    if (!info.isEmpty())
        return QStringLiteral("%1×%2 %3").arg(width).arg(height).arg(info);
    return QStringLiteral("%1×%2 (%3)").arg(width).arg(height).arg(PixelFormatBits(format));
}
