#pragma once
// What kind of picture a file name promises. The name alone decides, never the file's
// content. The loader, the chooser's listing and reader and velumira-info all ask here;
// they differ only in what each does with the answer.
#include <QString>
#include <string_view>

enum class TPictureType {
    None,     // the file-name part has no dot
    Jpeg,     // ".JPEG", ".JPG"
    Pef,      // ".PEF": the JPEG preview inside a PENTAX raw file
    Bmp,      // ".BMP", ".ICO", ".WMF", ".EMF": the built-in bitmap reader's, ahead of any plug-in
    Camera,   // raw files of other makers (".CR2", ".NEF", ".ARW", ".DNG"...) and HEIC/HEIF:
              // what cameras and phones write; decoded by the plug-ins, listed by the chooser
    Shipped,  // ".TIF", ".TIFF", ".WEBP", ".PNG": the other formats of the shipped plug-ins
    Plugin,   // any other extension: for the decoder plug-ins to claim
};

// Whether the decoder plug-ins decode files of this type (the viewer then asks them on its
// user-interface thread only).
inline bool DecodedByPlugins(TPictureType type)
{
    return type == TPictureType::Camera || type == TPictureType::Shipped || type == TPictureType::Plugin;
}

// name may be a bare file name or a full path (its bytes, UTF-8); a dot in a folder name is
// no extension. Case does not matter (".jpg", ".Jpeg").
TPictureType ClassifyPicture(std::string_view name);

inline TPictureType ClassifyPicture(const QString& name)
{
    const QByteArray bytes = name.toUtf8();
    return ClassifyPicture(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
}

// From the last dot of the file-name part to the end, dot included, upper-cased; empty
// when there is none.
inline QString PictureExtension(const QString& fileName)
{
    const qsizetype slash = fileName.lastIndexOf(QLatin1Char('/'));
    const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
    if (dot < 0 || dot < slash)
        return QString();
    return fileName.mid(dot).toUpper();
}
