#include "loading/PictureName.h"

QString PictureExtension(const QString& fileName)
{
    const qsizetype slash = fileName.lastIndexOf(QLatin1Char('/'));
    const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
    if (dot < 0 || dot < slash)
        return QString();
    return fileName.mid(dot).toUpper();
}

TPictureType ClassifyPicture(const QString& name)
{
    const QString ext = PictureExtension(name);
    if (ext.isEmpty())
        return TPictureType::None;
    if (ext == QLatin1String(".JPEG") || ext == QLatin1String(".JPG"))
        return TPictureType::Jpeg;
    if (ext == QLatin1String(".PEF"))
        return TPictureType::Pef;
    if (ext == QLatin1String(".BMP") || ext == QLatin1String(".ICO") || ext == QLatin1String(".WMF") ||
        ext == QLatin1String(".EMF"))
        return TPictureType::Bmp;
    return TPictureType::Plugin;
}
