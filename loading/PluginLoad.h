#pragma once
// Where the loader finds its decoder plug-ins, and its plug-in branch. The dialog that lets
// the user change the folder is dialogs/Spisetting.h.
#include "loading/BmpReader.h"
#include "loading/Bmpmagbase.h"
#include "loading/SpiHost.h"

#include <QString>

// The folder of the plug-ins that ship with the program when it exists, else the empty text.
// Looked for beside the executable (build tree: <build>/plugins) and in the installed layout
// (<prefix>/bin/../lib/velumira/plugins).
QString DefaultPluginFolder();
QString DefaultPluginFolder(const QString& executableFolder);

// The loader's plug-in branch: true when a plug-in delivered and picture took it over (tag
// pfDevice, shown as "(24)"; a JPEG preview the plug-in names is decoded by the program's
// own decoder, tag pf24bit); false on no host, no plug-in, or any failure, and the caller
// then reads the file with its built-in reader. ".EMF" reaches the built-in reader here too.
// The plug-in's Exif block, when it gives one, becomes the picture's summary (FInfo). A
// picture too large for the memory available throws std::bad_alloc.
bool TryPluginLoad(TSpiHost* host, const QString& fileName, TBitmapMAGBase& picture);
