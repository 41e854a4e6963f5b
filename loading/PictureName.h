#pragma once
// What kind of picture a file name promises. The name alone decides, never the file's
// content. The loader, the chooser's listing and reader and velumira-info all ask here;
// they differ only in what each does with the answer.
#include <QString>

enum class TPictureType {
    None,     // the file-name part has no dot
    Jpeg,     // ".JPEG", ".JPG"
    Pef,      // ".PEF": the JPEG preview inside a PENTAX raw file
    Bmp,      // ".BMP", ".ICO", ".WMF", ".EMF": the built-in bitmap reader's, ahead of any plug-in
    Plugin,   // any other extension: for the decoder plug-ins to claim
};

// name may be a bare file name or a full path; a dot in a folder name is no extension.
// Case does not matter (".jpg", ".Jpeg").
TPictureType ClassifyPicture(const QString& name);

// From the last dot of the file-name part to the end, dot included, upper-cased; empty
// when there is none.
QString PictureExtension(const QString& fileName);
