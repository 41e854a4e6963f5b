#pragma once
// TBitmapMAGBase: one picture of a viewer panel. Fills itself from a file by the type its
// name gives (loading/PictureName.h), keeps the file's one-line shooting summary, and draws any part of itself
// at one magnification into a panel's display image, with the focus overlay when one is set.
#include "focus/FocusMap.h"

#include <QImage>
#include <QRect>
#include <QString>
#include <cstddef>
#include <memory>
#include <vector>

class TSpiHost;

// The picture's pixel format tag, as shown in the panel's text line when there is no summary.
enum class TPixelFormat { pfDevice, pf1bit, pf4bit, pf8bit, pf15bit, pf16bit, pf24bit, pf32bit, pfCustom };

// Bits shown for a format: 24 for 24-bit, device-dependent and custom formats.
int PixelFormatBits(TPixelFormat format);

class TBitmapMAGBase {
public:
    TBitmapMAGBase();
    ~TBitmapMAGBase();
    TBitmapMAGBase(const TBitmapMAGBase&) = delete;
    TBitmapMAGBase& operator=(const TBitmapMAGBase&) = delete;

    void SetPluginHost(TSpiHost* host) { FSpiHost = host; }

    // Throws EFOpenError / EReadError / EInvalidGraphic with the exact user messages.
    void LoadFromFile(const QString& fileName);

    void SetMagnification(float magnification, bool force);

    // Draws the width x height view whose top-left corner is (left, top) in magnified
    // picture pixels into canvas (Format_RGB32, at least width x height). Grey 0x808080
    // where no picture is; nothing at all when the picture is empty. Allocates nothing.
    void DrawView(QImage& canvas, int width, int height, int left, int top);

    // Focus overlay: map is this picture's focus map (same size), levels the levels shared
    // by the panels shown. DrawView then paints the pixels at or above a level, opaque:
    // very sharp yellow, sharp green, a little sharp blue, at every magnification (below 1
    // from the map reduced by taking the maximum). Setting the same map again with new
    // levels costs nothing. Turns turn the map with the picture; a new picture (a load,
    // Assign) drops it.
    void SetFocusOverlay(std::shared_ptr<const TFocusMap> map, TPeakLevels levels);
    void ClearFocusOverlay();
    // The map as the picture now stands (turned with it), null without an overlay.
    const std::shared_ptr<const TFocusMap>& FocusOverlayMap() const { return FFocusMap; }
    TPeakLevels FocusOverlayLevels() const { return FFocusLevels; }

    // Where the camera focused, in this picture's pixels as it now stands (turned with it). A
    // load reads them from the file's makernote; a new picture (Assign) drops them. While
    // shown, DrawView outlines them in red, 2 display pixels wide, over the focus overlay.
    void SetAfAreas(std::vector<QRect> areas) { FAfAreas = std::move(areas); }
    // Reads them for the picture as it now stands from a TIFF structure (an Exif block).
    void ReadAfAreasFrom(const unsigned char* tiff, std::size_t length);
    const std::vector<QRect>& AfAreas() const { return FAfAreas; }
    void ShowAfAreas(bool on) { FShowAfAreas = on; }
    bool AfAreasShown() const { return FShowAfAreas; }

    // Quarter and half turns in place; a picture of another depth becomes 24-bit first.
    static void RotateRight(TBitmapMAGBase& bitmap);
    static void RotateLeft(TBitmapMAGBase& bitmap);
    static void Rotate180(TBitmapMAGBase& bitmap);

    int Width() const { return FImage.width(); }
    int Height() const { return FImage.height(); }
    bool Empty() const { return FImage.isNull() || FImage.width() == 0 || FImage.height() == 0; }
    TPixelFormat PixelFormat() const { return FPixelFormat; }

    // The picture: Format_BGR888 for 24-bit pictures; other Qt formats keep a BMP's depth.
    const QImage& Image() const { return FImage; }
    QImage& Image() { return FImage; }
    // Replaces the picture (plug-in delivery, tests); the tag is what the text line shows.
    void Assign(QImage image, TPixelFormat format);

    float FMagnification = 1.0f;
    float FInvMagnification = 1.0f;
    std::unique_ptr<QImage> FReduced;   // whole picture reduced by FMagnification, while it is < 1
    QString FInfo;                      // shooting summary of the last load, empty when none
    TSpiHost* FSpiHost = nullptr;       // not owned

private:
    void MakeReducedCopy();
    void MakeReducedFocus();
    void LoadJpegFile(const QString& fileName);
    void DrawAfOutlines(QImage& canvas, int width, int height, int left, int top) const;

    QImage FImage;
    TPixelFormat FPixelFormat = TPixelFormat::pf24bit;
    // DrawView's source index per panel column (byte offset or pixel index) and row;
    // kept between draws so that drawing allocates nothing once they are large enough.
    std::vector<int> FColumnTable;
    std::vector<int> FRowTable;
    // The focus overlay, and its map reduced as FReduced is (empty when not reduced).
    std::shared_ptr<const TFocusMap> FFocusMap;
    TPeakLevels FFocusLevels;
    TFocusMap FReducedFocus;
    std::vector<uchar> FCodeRow;   // DrawView's map codes of one magnified row
    std::vector<QRect> FAfAreas;
    bool FShowAfAreas = false;
};

// Nearest-pixel copy of the whole picture at factor (sizes truncated toward zero); 24-bit.
std::unique_ptr<QImage> CreateScaledCopy(const QImage* graphic, float factor);
