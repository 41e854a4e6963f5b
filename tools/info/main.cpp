// velumira-info FILE...            path, tab, the viewer panel's text line
// velumira-info --chooser FILE...  path, tab, the chooser's date, exposure and camera texts
// velumira-info --focus FILE...    path, tab, the sharpness figure of the whole picture
// Sizes come from the headers; no pixels are decoded where the header tells the size.
#include "exif/Exifana.h"
#include "focus/FocusMap.h"
#include "loading/Bmpmagbase.h"
#include "loading/FileHead.h"
#include "loading/JpegFile.h"
#include "loading/LoadErrors.h"
#include "loading/MappedFile.h"
#include "loading/PanelLine.h"
#include "loading/PefPreview.h"
#include "loading/PictureName.h"
#include "loading/PictureProbe.h"

#include <QStringList>
#include <cstdio>

namespace {

// A PEF keeps its shooting directories near the start; the preview and raw data follow.
constexpr std::size_t PefHeadBytes = 64 * 1024;

void Print(std::FILE* out, const QString& line)
{
    const QByteArray bytes = line.toUtf8();
    std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), out);
    std::fputc('\n', out);
}

bool PanelLine(const QString& path)
{
    try {
        Print(stdout, path + '\t' + PanelText(ProbePictureFile(path)));
        return true;
    } catch (const EStreamError& e) {
        Print(stderr, path + '\t' + e.Message());
        return false;
    }
}

// As the chooser's reader: the Exif block of a JPEG, or the PEF file's own TIFF structure.
bool ChooserLine(const QString& path)
{
    const TPictureType type = ClassifyPicture(path);
    const bool jpeg = type == TPictureType::Jpeg;
    const bool pef = type == TPictureType::Pef;
    if (!jpeg && !pef) {
        Print(stdout, path);
        return true;
    }
    // The texts come from the first bytes where those hold the whole Exif structure; a
    // JPEG's Exif block lies among its first segments, a PEF's directories are read on
    // only as far as they point inside the file.
    bool hasTexts = false;
    TChooserTexts t;
    bool opened = true;
    if (pef) {
        TMappedFile file;
        TExifRootPENTAXistD reader;
        opened = MapFile(file, path, PefHeadBytes) != nullptr &&
                 ParseFileTiff(file, reader, [&] { t = MakeChooserTexts(reader); });
        hasTexts = opened;
    } else {
        opened = WithFileHead(path, FileHeadBytes, JpegHeadExtent, JpegMetadataRoom, [&](const THeadBytes& b) {
            const unsigned char* tiff = FindExifBlock(b.Data, b.Length);
            hasTexts = tiff != nullptr;
            if (!hasTexts)
                return true;
            TExifRootPENTAXistD reader;
            reader.Parse(tiff, b.Length - static_cast<std::size_t>(tiff - b.Data), 8);
            t = MakeChooserTexts(reader);
            return b.Final || !reader.RanPastEnd;
        });
    }
    if (!opened) {
        Print(stderr, path + '\t' +
                          (jpeg ? MissingJpeg(path) : UnopenablePef(path)).Message());
        return false;
    }
    if (!hasTexts) {
        Print(stdout, path);
        return true;
    }
    Print(stdout, path + '\t' + QString::fromStdString(t.ShotDate) + '\t' +
                      QString::fromStdString(t.ShotExposure) + '\t' + QString::fromStdString(t.ShotCamera));
    return true;
}

// The picture decoded as the viewer loads it; the figure is the strongest 1 % of its
// gradients (higher is sharper).
bool FocusLine(const QString& path)
{
    try {
        TBitmapMAGBase picture;
        picture.LoadFromFile(path);
        const double figure = SharpnessFigure(ComputeFocusMap(picture.Image()));
        Print(stdout, path + '\t' + QString::number(figure, 'f', 1));
        return true;
    } catch (const EStreamError& e) {
        Print(stderr, path + '\t' + e.Message());
        return false;
    }
}

enum class TMode { Panel, Chooser, Focus };

} // namespace

int main(int argc, char** argv)
{
    // No application object: a tool run over thousands of files should start at once.
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    TMode mode = TMode::Panel;
    if (!args.isEmpty() && args.first() == QLatin1String("--chooser")) {
        mode = TMode::Chooser;
        args.removeFirst();
    } else if (!args.isEmpty() && args.first() == QLatin1String("--focus")) {
        mode = TMode::Focus;
        args.removeFirst();
    }
    if (args.isEmpty()) {
        Print(stderr, QStringLiteral("usage: velumira-info [--chooser | --focus] FILE..."));
        return 2;
    }
    bool ok = true;
    for (const QString& path : args) {
        const bool done = mode == TMode::Chooser ? ChooserLine(path) : mode == TMode::Focus ? FocusLine(path) : PanelLine(path);
        ok = done && ok;
    }
    return ok ? 0 : 1;
}
