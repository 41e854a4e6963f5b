#pragma once
// What a picture file would show in a viewer panel, read from its headers without
// decoding pixels where the header tells the size. Same branches, failures and
// messages as TBitmapMAGBase::LoadFromFile; the line itself is PanelText (PanelLine.h).
#include "loading/Bmpmagbase.h"

#include <QSize>
#include <QString>

struct TPictureProbe {
    QSize Size{0, 0};
    TPixelFormat PixelFormat = TPixelFormat::pf24bit;
    QString Info;
};

TPictureProbe ProbePictureFile(const QString& fileName);
