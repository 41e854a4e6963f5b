#pragma once
// One of the four picture places of the main window: its group box, text line and image
// control, the picture it shows and the screen-sized display image the picture draws into.
#include <QGroupBox>
#include <QImage>
#include <QPixmap>
#include <QSize>
#include <QString>
#include <QWidget>
#include <exception>
#include <memory>
#include <optional>

class QLineEdit;
class QMouseEvent;
class QPainter;
class TBitmapMAGBase;
class TSpiHost;

// Top of the text line inside its group box; the caption (the file name) lives above it.
inline constexpr int kTextLineTop = 16;

// A panel's group box. Its caption is drawn on a tight line that ends where the text line
// begins, so the file name's underscores and descenders are never covered by it.
class TPanelGroup : public QGroupBox {
public:
    using QGroupBox::QGroupBox;
    // The caption's baseline in the box's coordinates.
    int CaptionBaseline() const;

protected:
    void paintEvent(QPaintEvent* event) override;
};

// The image control: paints its panel's display image unscaled from the top-left corner
// and reports the mouse to the window, which handles all four controls alike.
class TPanelImage : public QWidget {
    Q_OBJECT
public:
    TPanelImage(int index, QWidget* parent);
    int Index() const { return FIndex; }
    void SetDisplay(const QImage* display) { FDisplay = display; }
    // The sharpness figure shown in the top-right corner of the picture, none when empty;
    // the sharpest panel's is drawn in yellow. right: where the picture ends, in the
    // control's units, so the figure sits on the picture when it is narrower than the control.
    void SetFigure(std::optional<int> figure, bool best);
    void SetPictureRight(int right);
    // The control's size and mouse positions in device pixels, the units of the display
    // image and of every offset: on a scaled screen one unit is one screen pixel.
    QSize DeviceSize() const;
    QPoint DevicePoint(const QMouseEvent* event) const;

signals:
    void MouseDown(int panel, Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y);
    void MouseMove(int panel, Qt::KeyboardModifiers shift, int x, int y);
    void MouseUp(int panel, Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void PaintFigure(QPainter& painter) const;

    int FIndex;
    const QImage* FDisplay = nullptr;
    std::optional<int> FFigure;
    bool FBest = false;
    QPixmap FBadge;  // the figure as drawn, made when it changes
    int FPictureRight = 0;
};

// One file made ready for a panel away from any widget: the picture and its display image,
// or what the decode threw (no picture then).
struct TDecodedPicture {
    std::unique_ptr<TBitmapMAGBase> Picture;
    QImage Display;
    std::exception_ptr Failure;
    // The panel line, when made before the picture was turned; empty: made from the picture.
    QString Line;
};

class TViewPanel {
public:
    TViewPanel();
    ~TViewPanel();
    TViewPanel(const TViewPanel&) = delete;
    TViewPanel& operator=(const TViewPanel&) = delete;

    // Binds the controls once; screenSize is the size of every display image.
    void Bind(QGroupBox* group, QLineEdit* textLine, TPanelImage* image, QSize screenSize);
    void SetPluginHost(TSpiHost* host) { FSpiHost = host; }

    // Decode, then Take: what a load does in one step.
    bool Load(const QString& path);
    // Reads the file into a fresh picture with a display image of screenSize. Touches no
    // widget and, without a host, nothing shared, so any thread may run it; with a host only
    // the UI thread (the host keeps the file being loaded, and plug-ins are not known to be
    // reentrant).
    static TDecodedPicture Decode(const QString& path, TSpiHost* host, QSize screenSize);
    // Shows a decoded file in place of whatever the panel held; false, with the panel empty,
    // when the decode failed. A failure that is no std::exception is thrown on, as from a load.
    bool Take(const QString& path, TDecodedPicture decoded);
    TSpiHost* PluginHost() const { return FSpiHost; }
    // The size of a display image in device pixels: the screen's at its scale.
    QSize ScreenSize() const;
    void Clear();
    void SetMagnification(float magnification, bool force);
    void Draw(int x, int y);
    void Place(int left, int top, int width, int height);
    void Hide();

    bool Shown = false;
    QGroupBox* Group = nullptr;
    QLineEdit* TextLine = nullptr;
    TPanelImage* Image = nullptr;
    std::unique_ptr<TBitmapMAGBase> Picture;
    QString Path;
    unsigned char State = 0;  // 0 empty, 1 loaded, 2 magnification applied
    int Draws = 0;            // draws since the last load, so a wheel burst's redraws can be counted

    const QImage& Display() const { return FDisplay; }

private:
    QImage FDisplay;  // Format_RGB32, screen-sized, made once per loaded file
    QSize FScreenSize;
    TSpiHost* FSpiHost = nullptr;
};
