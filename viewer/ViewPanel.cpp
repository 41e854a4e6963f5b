#include "viewer/ViewPanel.h"

#include "loading/Bmpmagbase.h"
#include "loading/PanelLine.h"
#include "ui/DialogFont.h"

#include <QFileInfo>
#include <QGroupBox>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QStyleOptionGroupBox>
#include <QStylePainter>
#include <algorithm>
#include <exception>
#include <new>

int TPanelGroup::CaptionBaseline() const
{
    const QFontMetrics metrics(font());
    return TightBaseline(metrics, 0, kTextLineTop);
}

void TPanelGroup::paintEvent(QPaintEvent*)
{
    QStylePainter painter(this);
    QStyleOptionGroupBox option;
    initStyleOption(&option);
    // The style draws the frame where it always does; the caption goes on its own line.
    const QRect label = style()->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxLabel, this);
    option.subControls &= ~QStyle::SC_GroupBoxLabel;
    painter.drawComplexControl(QStyle::CC_GroupBox, option);
    if (title().isEmpty())
        return;
    const QFontMetrics metrics(font());
    painter.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText));
    painter.drawText(label.left(), CaptionBaseline(), metrics.elidedText(title(), Qt::ElideRight, width() - label.left()));
}

TPanelImage::TPanelImage(int index, QWidget* parent) : QWidget(parent), FIndex(index)
{
    setMouseTracking(true);
    // The control paints every pixel itself: nothing under it needs painting first, which
    // would double the work of every redraw during a drag.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void TPanelImage::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    const QRect display = FDisplay && !FDisplay->isNull() ? FDisplay->rect() : QRect();
    // Only the part the control shows; both are RGB32, so this is a plain copy.
    const QRect area = event->rect() & display;
    if (!area.isEmpty())
        painter.drawImage(area.topLeft(), *FDisplay, area);
    // Whatever the display image does not cover shows the window background.
    const QRegion rest = QRegion(event->rect()) - QRegion(area);
    for (const QRect& r : rest)
        painter.fillRect(r, palette().window());
}

void TPanelImage::mousePressEvent(QMouseEvent* event)
{
    const QPoint p = event->position().toPoint();
    emit MouseDown(FIndex, event->button(), event->modifiers(), p.x(), p.y());
}

void TPanelImage::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint p = event->position().toPoint();
    emit MouseMove(FIndex, event->modifiers(), p.x(), p.y());
}

void TPanelImage::mouseReleaseEvent(QMouseEvent* event)
{
    const QPoint p = event->position().toPoint();
    emit MouseUp(FIndex, event->button(), event->modifiers(), p.x(), p.y());
}

TViewPanel::TViewPanel() = default;
TViewPanel::~TViewPanel() = default;

void TViewPanel::Bind(QGroupBox* group, QLineEdit* textLine, TPanelImage* image, QSize screenSize)
{
    Group = group;
    TextLine = textLine;
    Image = image;
    FScreenSize = screenSize;
    Image->SetDisplay(&FDisplay);
}

void TViewPanel::Hide()
{
    if (Shown) {
        Group->hide();
        Shown = false;
    }
}

void TViewPanel::Clear()
{
    Hide();
    Picture.reset();
    TextLine->clear();
    Group->setTitle(QString());
}

bool TViewPanel::Load(const QString& path)
{
    return Take(path, Decode(path, FSpiHost, FScreenSize));
}

TDecodedPicture TViewPanel::Decode(const QString& path, TSpiHost* host, QSize screenSize)
{
    TDecodedPicture result;
    try {
        auto picture = std::make_unique<TBitmapMAGBase>();
        if (host)
            picture->SetPluginHost(host);
        result.Display = QImage(screenSize, QImage::Format_RGB32);
        if (result.Display.isNull())
            throw std::bad_alloc();
        result.Display.fill(QColor(0x80, 0x80, 0x80));
        picture->LoadFromFile(path);
        result.Picture = std::move(picture);
    } catch (...) {
        result.Display = QImage();
        result.Failure = std::current_exception();
    }
    return result;
}

bool TViewPanel::Take(const QString& path, TDecodedPicture decoded)
{
    Hide();
    State = 0;
    TextLine->clear();
    Group->setTitle(QString());
    Picture.reset();
    FDisplay = QImage();
    Draws = 0;

    if (decoded.Failure) {
        try {
            std::rethrow_exception(decoded.Failure);
        } catch (const std::exception&) {
            // The caller decides whether to report; nothing of the failed file stays.
            return false;
        }
    }
    Picture = std::move(decoded.Picture);
    // A file decoded away from the UI thread had no host; the picture keeps the panel's.
    if (FSpiHost)
        Picture->SetPluginHost(FSpiHost);
    FDisplay = std::move(decoded.Display);

    TextLine->setText(PanelText(*Picture));
    TextLine->setCursorPosition(0);
    Group->setTitle(QFileInfo(path).fileName());
    State = 1;
    Path = path;
    return true;
}

void TViewPanel::SetMagnification(float magnification, bool force)
{
    if (!Picture)
        return;
    Picture->SetMagnification(magnification, force);
    State = 2;
}

void TViewPanel::Draw(int x, int y)
{
    if (!Picture)
        return;
    // A control larger than the screen shows the display image and background beyond it.
    const int w = std::min(Image->width(), FDisplay.width());
    const int h = std::min(Image->height(), FDisplay.height());
    if (w > 0 && h > 0)
        Picture->DrawView(FDisplay, w, h, x, y);
    ++Draws;
    Image->update();
    if (!Shown) {
        Shown = true;
        Group->show();
    }
}

void TViewPanel::Place(int left, int top, int width, int height)
{
    Hide();
    Group->setGeometry(left, top, width, height);
    TextLine->setGeometry(8, kTextLineTop, width - 16, 21);
    Image->setGeometry(8, 48, width - 16, height - 56);
}
