#pragma once
// TBitmapMAGBase: one picture of a viewer panel. Fills itself from a file by the type its
// name gives (loading/PictureName.h), keeps the file's one-line shooting summary, and draws any part of itself
// at one magnification into a panel's display image.
#include <QImage>
#include <QString>
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
    void LoadJpegFile(const QString& fileName);

    QImage FImage;
    TPixelFormat FPixelFormat = TPixelFormat::pf24bit;
    // DrawView's source index per panel column (byte offset or pixel index) and row;
    // kept between draws so that drawing allocates nothing once they are large enough.
    std::vector<int> FColumnTable;
    std::vector<int> FRowTable;
};

// Nearest-pixel copy of the whole picture at factor (sizes truncated toward zero); 24-bit.
std::unique_ptr<QImage> CreateScaledCopy(const QImage* graphic, float factor);
