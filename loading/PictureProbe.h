#pragma once
// What a picture file would show in a viewer panel, read from its headers without
// decoding pixels where the header tells the size. Same branches, failures and
// messages as TBitmapMAGBase::LoadFromFile; the line itself is PanelText (PanelLine.h).
// Plain strings (the path's bytes, a UTF-8 summary): velumira-info links it without Qt.
#include "loading/Bmpmagbase.h"

#include <QSize>
#include <string>

struct TPictureProbe {
    QSize Size{0, 0};
    TPixelFormat PixelFormat = TPixelFormat::pf24bit;
    std::string Info;
};

TPictureProbe ProbePictureFile(const std::string& fileName);
