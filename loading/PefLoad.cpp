// The PEF branch of the loader: the preview found by the shared walk, decoded into the picture.
#include "loading/PefPreview.h"

#include "loading/Bmpmagbase.h"
#include "loading/JpegDecoder.h"

void LoadPefFile(TBitmapMAGBase& picture, const QString& fileName)
{
    WithPefPreview(fileName, picture.FInfo, [&](const unsigned char* data, std::size_t length) {
        picture.Assign(DecodeJpegBest(data, length), TPixelFormat::pf24bit);
    });
}
