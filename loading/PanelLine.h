#pragma once
// The line a viewer panel shows above its picture: the size and the shooting summary, or
// the size and the bits per pixel when the file gave no summary. velumira-info prints the
// same line for a probed file, so it says what the window would show.
#include "loading/Bmpmagbase.h"
#include "loading/PictureProbe.h"

#include <QString>
#include <string>

// "W×H summary", or "W×H (bits)" without a summary (UTF-8).
std::string PanelText(int width, int height, const std::string& info, TPixelFormat format);

// Inline, so that velumira-info, which never holds a picture, links no picture code.
inline QString PanelText(const TBitmapMAGBase& picture)
{
    return QString::fromStdString(
        PanelText(picture.Width(), picture.Height(), picture.FInfo.toStdString(), picture.PixelFormat()));
}

inline std::string PanelText(const TPictureProbe& probe)
{
    return PanelText(probe.Size.width(), probe.Size.height(), probe.Info, probe.PixelFormat);
}
