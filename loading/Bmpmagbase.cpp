#include "loading/Bmpmagbase.h"

#include "exif/AfAreas.h"
#include "exif/Exifana.h"

#include "loading/BmpReader.h"
#include "loading/JpegDecoder.h"
#include "loading/JpegFile.h"
#include "loading/LoadErrors.h"
#include "loading/PefPreview.h"
#include "loading/PictureName.h"
#include "loading/PluginLoad.h"

#include <cmath>
#include <cstring>
#include <vector>

TBitmapMAGBase::TBitmapMAGBase() = default;
TBitmapMAGBase::~TBitmapMAGBase() = default;

void TBitmapMAGBase::Assign(QImage image, TPixelFormat format)
{
    FImage = std::move(image);
    FPixelFormat = format;
    ClearFocusOverlay();
    FAfAreas.clear();
}

void TBitmapMAGBase::ReadAfAreasFrom(const unsigned char* tiff, std::size_t length)
{
    FAfAreas.clear();
    for (const TAfArea& a : ReadAfAreas(tiff, length, Width(), Height()))
        FAfAreas.emplace_back(a.X, a.Y, a.Width, a.Height);
}

void TBitmapMAGBase::SetFocusOverlay(std::shared_ptr<const TFocusMap> map, TPeakLevels levels)
{
    FFocusLevels = levels;
    if (map == FFocusMap)
        return;
    FFocusMap = std::move(map);
    MakeReducedFocus();
}

void TBitmapMAGBase::ClearFocusOverlay()
{
    FFocusMap.reset();
    FFocusLevels = TPeakLevels();
    FReducedFocus = TFocusMap();
}

void TBitmapMAGBase::MakeReducedFocus()
{
    FReducedFocus = TFocusMap();
    if (FFocusMap && FReduced)
        FReducedFocus = ReduceFocusMap(*FFocusMap, FMagnification);
}


void TBitmapMAGBase::LoadFromFile(const QString& fileName)
{
    const TPictureType type = ClassifyPicture(fileName);
    FInfo.clear();
    ClearFocusOverlay();
    FAfAreas.clear();
    switch (type) {
    case TPictureType::Jpeg:
        LoadJpegFile(fileName);
        break;
    case TPictureType::Pef:
        LoadPefFile(*this, fileName);
        break;
    case TPictureType::Bmp:      // the host itself hands these to the built-in reader
    case TPictureType::Camera:
    case TPictureType::Shipped:
    case TPictureType::Plugin:
    case TPictureType::None:     // a name without extension is offered to the plug-ins too
        if (!TryPluginLoad(FSpiHost, fileName, *this)) {
            // No plug-in took the file (or none is loaded): the built-in reader answers,
            // and its failure is the one the user sees.
            ReadBmpFile(fileName, FImage, FPixelFormat);
        }
        break;
    }
}

void TBitmapMAGBase::LoadJpegFile(const QString& fileName)
{
    FImage = QImage();
    // The summary is set before decoding, so it stays when decoding fails.
    std::string info = FInfo.toStdString();
    try {
        WithJpegFile(fileName.toStdString(), info, [this](const unsigned char* data, std::size_t length) {
            FImage = DecodeJpegBest(data, length);   // straight into the picture, no copy
            FPixelFormat = TPixelFormat::pf24bit;
            if (const unsigned char* tiff = FindExifBlock(data, length))
                ReadAfAreasFrom(tiff, length - static_cast<std::size_t>(tiff - data));
        });
    } catch (...) {
        FInfo = QString::fromStdString(info);
        FImage = QImage();
        throw;
    }
    FInfo = QString::fromStdString(info);
}

void TBitmapMAGBase::SetMagnification(float magnification, bool force)
{
    if (magnification != FMagnification || force) {
        FMagnification = magnification;
        FInvMagnification = 1.0f / magnification;
        MakeReducedCopy();
    }
}

void TBitmapMAGBase::MakeReducedCopy()
{
    FReduced.reset();
    if (FMagnification < 1.0f)
        FReduced = CreateScaledCopy(&FImage, FMagnification);
    MakeReducedFocus();
}

std::unique_ptr<QImage> CreateScaledCopy(const QImage* graphic, float factor)
{
    if (graphic == nullptr)
        return nullptr;
    const int sw = graphic->width(), sh = graphic->height();
    const int w = static_cast<int>(std::trunc(static_cast<double>(sw) * factor));
    const int h = static_cast<int>(std::trunc(static_cast<double>(sh) * factor));
    auto result = std::make_unique<QImage>();
    if (w <= 0 || h <= 0 || sw <= 0 || sh <= 0)
        return result;
    *result = QImage(w, h, QImage::Format_BGR888);
    if (result->isNull())
        throw std::bad_alloc();
    std::vector<int> columns(static_cast<std::size_t>(w));
    for (int x = 0; x < w; ++x)
        columns[x] = static_cast<int>(static_cast<long long>(x) * sw / w);
    const bool direct = graphic->format() == QImage::Format_BGR888;
    for (int y = 0; y < h; ++y) {
        const int sy = static_cast<int>(static_cast<long long>(y) * sh / h);
        uchar* dst = result->scanLine(y);
        if (direct) {
            const uchar* src = graphic->constScanLine(sy);
            for (int x = 0; x < w; ++x)
                std::memcpy(dst + 3 * x, src + 3 * columns[x], 3);
        } else {
            for (int x = 0; x < w; ++x) {
                const QRgb c = graphic->pixel(columns[x], sy);
                dst[3 * x] = static_cast<uchar>(qBlue(c));
                dst[3 * x + 1] = static_cast<uchar>(qGreen(c));
                dst[3 * x + 2] = static_cast<uchar>(qRed(c));
            }
        }
    }
    return result;
}

namespace {

enum class Turn { Right, Left, Half };

// Builds the turned picture from a table of source rows, three bytes per pixel.
void TurnPicture(TBitmapMAGBase& bitmap, Turn turn)
{
    if (bitmap.Empty())
        return;
    QImage& image = bitmap.Image();
    if (image.format() != QImage::Format_BGR888) {
        image.convertTo(QImage::Format_BGR888);
        if (image.isNull())
            throw std::bad_alloc();
    }
    const int w = image.width(), h = image.height();
    const bool quarter = turn != Turn::Half;
    QImage result(quarter ? h : w, quarter ? w : h, QImage::Format_BGR888);
    if (result.isNull())
        throw std::bad_alloc();
    std::vector<const uchar*> rows(static_cast<std::size_t>(h));
    for (int y = 0; y < h; ++y)
        rows[y] = image.constScanLine(y);
    const int rw = result.width(), rh = result.height();
    for (int ry = 0; ry < rh; ++ry) {
        uchar* dst = result.scanLine(ry);
        for (int rx = 0; rx < rw; ++rx) {
            const uchar* src;
            switch (turn) {
            case Turn::Right: src = rows[h - 1 - rx] + 3 * ry; break;
            case Turn::Left: src = rows[rx] + 3 * (w - 1 - ry); break;
            default: src = rows[h - 1 - ry] + 3 * (w - 1 - rx); break;
            }
            dst[3 * rx] = src[0];
            dst[3 * rx + 1] = src[1];
            dst[3 * rx + 2] = src[2];
        }
    }
    // The overlay's map turns with the picture: the same pixels, so nothing is computed again.
    // The AF areas turn alike: a pixel (x, y) goes to (h-1-y, x) on a right turn, to
    // (y, w-1-x) on a left one and to (w-1-x, h-1-y) on a half.
    std::vector<QRect> areas;
    for (const QRect& a : bitmap.AfAreas()) {
        switch (turn) {
        case Turn::Right: areas.emplace_back(h - a.y() - a.height(), a.x(), a.height(), a.width()); break;
        case Turn::Left: areas.emplace_back(a.y(), w - a.x() - a.width(), a.height(), a.width()); break;
        default: areas.emplace_back(w - a.x() - a.width(), h - a.y() - a.height(), a.width(), a.height()); break;
        }
    }
    const std::shared_ptr<const TFocusMap> map = bitmap.FocusOverlayMap();
    const TPeakLevels levels = bitmap.FocusOverlayLevels();
    std::shared_ptr<const TFocusMap> turned;
    if (map)
        turned = std::make_shared<const TFocusMap>(TurnFocusMap(
            *map, turn == Turn::Right ? TFocusTurn::Right : turn == Turn::Left ? TFocusTurn::Left : TFocusTurn::Half));
    bitmap.Assign(std::move(result), TPixelFormat::pf24bit);
    bitmap.SetAfAreas(std::move(areas));
    if (turned)
        bitmap.SetFocusOverlay(std::move(turned), levels);
}

} // namespace

void TBitmapMAGBase::RotateRight(TBitmapMAGBase& bitmap) { TurnPicture(bitmap, Turn::Right); }
void TBitmapMAGBase::RotateLeft(TBitmapMAGBase& bitmap) { TurnPicture(bitmap, Turn::Left); }
void TBitmapMAGBase::Rotate180(TBitmapMAGBase& bitmap) { TurnPicture(bitmap, Turn::Half); }
