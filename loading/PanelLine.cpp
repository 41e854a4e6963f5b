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

std::string PanelText(int width, int height, const std::string& info, TPixelFormat format)
{
    std::string line = std::to_string(width) + "×" + std::to_string(height);
    if (!info.empty())
        return line + ' ' + info;
    return line + " (" + std::to_string(PixelFormatBits(format)) + ')';
}
