#include "loading/PictureProbe.h"

#include "loading/BmpReader.h"
#include "loading/JpegFile.h"
#include "loading/PefPreview.h"
#include "loading/PictureName.h"

TPictureProbe ProbePictureFile(const std::string& fileName)
{
    TPictureProbe probe;
    switch (ClassifyPicture(fileName)) {
    case TPictureType::Jpeg:
        ProbeJpegFile(fileName, probe.Size, probe.Info);
        break;
    case TPictureType::Pef:
        ProbePefFile(fileName, probe.Size, probe.Info);
        break;
    case TPictureType::Bmp:
    case TPictureType::Plugin:
    case TPictureType::None:
        // No plug-ins here: every other name gets what the built-in reader makes of it.
        probe.Size = ReadBmpFileSize(fileName, probe.PixelFormat);
        break;
    }
    return probe;
}
