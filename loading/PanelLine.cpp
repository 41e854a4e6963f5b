#include "loading/PanelLine.h"

int PixelFormatBits(TPixelFormat format)
{
    switch (format) {
    case TPixelFormat::pf1bit: return 1;
    case TPixelFormat::pf4bit: return 4;
    case TPixelFormat::pf8bit: return 8;
    case TPixelFormat::pf15bit: return 15;
    case TPixelFormat::pf16bit: return 16;
    case TPixelFormat::pf32bit: return 32;
    default: return 24;
    }
}

QString PanelText(int width, int height, const QString& info, TPixelFormat format)
{
    if (!info.isEmpty())
        return QStringLiteral("%1×%2 %3").arg(width).arg(height).arg(info);
    return QStringLiteral("%1×%2 (%3)").arg(width).arg(height).arg(PixelFormatBits(format));
}
