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
#include <cmath>
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
    // The display image is in device pixels (its ratio set), so each of its pixels lands on
    // one pixel of a dense screen; the event's rectangle is in the control's own units.
    const qreal ratio = FDisplay && !FDisplay->isNull() ? FDisplay->devicePixelRatio() : 1.0;
    const QRect display = FDisplay && !FDisplay->isNull() ? FDisplay->rect() : QRect();
    const QRect wanted = event->rect();
    const QRect deviceWanted(QPoint(int(std::floor(wanted.left() * ratio)), int(std::floor(wanted.top() * ratio))),
                             QPoint(int(std::ceil((wanted.right() + 1) * ratio)) - 1,
                                    int(std::ceil((wanted.bottom() + 1) * ratio)) - 1));
    // Only the part the control shows; both are RGB32, so this is a plain copy.
    const QRect area = deviceWanted & display;
    if (!area.isEmpty())
        painter.drawImage(QPointF(area.left() / ratio, area.top() / ratio), *FDisplay, area);
    // Whatever the display image does not cover shows the window background.
    const QRect covered(0, 0, int(std::floor(display.width() / ratio)), int(std::floor(display.height() / ratio)));
    const QRegion rest = QRegion(wanted) - QRegion(covered);
    for (const QRect& r : rest)
        painter.fillRect(r, palette().window());
    if (FFigure && !FBadge.isNull())
        PaintFigure(painter);
}

void TPanelImage::SetFigure(std::optional<int> figure, bool best)
{
    if (figure == FFigure && best == FBest)
        return;
    FFigure = figure;
    FBest = best;
    // Made once per figure: every redraw of a drag paints it, and laying out text each
    // time would cost more than the overlay itself.
    FBadge = QPixmap();
    if (figure) {
        const QString text = QStringLiteral("鮮鋭度 %1").arg(*figure);
        QFont font = FormFont(13);
        font.setBold(true);
        const QFontMetrics metrics(font);
        const int margin = 4;
        const qreal ratio = devicePixelRatioF();
        const QSize size(metrics.horizontalAdvance(text) + 2 * margin, metrics.height() + margin);
        FBadge = QPixmap(size * ratio);
        FBadge.setDevicePixelRatio(ratio);
        FBadge.fill(Qt::transparent);
        QPainter painter(&FBadge);
        painter.fillRect(QRect(QPoint(0, 0), size), QColor(0, 0, 0, 170));
        painter.setFont(font);
        painter.setPen(best ? QColor(255, 255, 0) : QColor(255, 255, 255));
        painter.drawText(QRect(QPoint(0, 0), size), Qt::AlignCenter, text);
    }
    update();
}

void TPanelImage::SetPictureRight(int right)
{
    if (right == FPictureRight)
        return;
    FPictureRight = right;
    if (FFigure)
        update();
}

void TPanelImage::PaintFigure(QPainter& painter) const
{
    const int margin = 4;
    const QSize size = FBadge.deviceIndependentSize().toSize();
    const int right = std::clamp(FPictureRight, size.width() + margin, width());
    painter.drawPixmap(right - margin - size.width(), margin, FBadge);
}

QSize TPanelImage::DeviceSize() const
{
    const qreal ratio = devicePixelRatioF();
    return QSize(int(std::lround(width() * ratio)), int(std::lround(height() * ratio)));
}

QPoint TPanelImage::DevicePoint(const QMouseEvent* event) const
{
    const QPointF p = event->position() * devicePixelRatioF();
    return QPoint(int(std::floor(p.x())), int(std::floor(p.y())));
}

void TPanelImage::mousePressEvent(QMouseEvent* event)
{
    const QPoint p = DevicePoint(event);
    emit MouseDown(FIndex, event->button(), event->modifiers(), p.x(), p.y());
}

void TPanelImage::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint p = DevicePoint(event);
    emit MouseMove(FIndex, event->modifiers(), p.x(), p.y());
}

void TPanelImage::mouseReleaseEvent(QMouseEvent* event)
{
    const QPoint p = DevicePoint(event);
    emit MouseUp(FIndex, event->button(), event->modifiers(), p.x(), p.y());
}

TViewPanel::TViewPanel() = default;
TViewPanel::~TViewPanel() = default;

QSize TViewPanel::ScreenSize() const
{
    const qreal ratio = Image ? Image->devicePixelRatioF() : 1.0;
    return QSize(int(std::lround(FScreenSize.width() * ratio)), int(std::lround(FScreenSize.height() * ratio)));
}

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
    return Take(path, Decode(path, FSpiHost, ScreenSize()));
}

TDecodedPicture TViewPanel::Decode(const QString& path, TSpiHost* host, QSize screenSize)
{
    TDecodedPicture result;
    try {
        auto picture = std::make_unique<TBitmapMAGBase>();
        if (host)
            picture->SetPluginHost(host);
        picture->LoadFromFile(path);
        // Only a file that loaded gets its screen-sized display image: a long list of names
        // that fail (a hand-off of hundreds) must not fill one each.
        result.Display = QImage(screenSize, QImage::Format_RGB32);
        if (result.Display.isNull())
            throw std::bad_alloc();
        result.Display.fill(QColor(0x80, 0x80, 0x80));
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
    // The display image is in device pixels: on a scaled screen the picture at 1 is true size.
    FDisplay.setDevicePixelRatio(Image->devicePixelRatioF());

    TextLine->setText(decoded.Line.isEmpty() ? PanelText(*Picture) : decoded.Line);
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
    const QSize control = Image->DeviceSize();
    const int w = std::min(control.width(), FDisplay.width());
    const int h = std::min(control.height(), FDisplay.height());
    if (w > 0 && h > 0)
        Picture->DrawView(FDisplay, w, h, x, y);
    const double pictureRight = std::floor(double(Picture->Width()) * Picture->FMagnification) - x;
    Image->SetPictureRight(int(std::clamp(pictureRight, 0.0, double(control.width())) / FDisplay.devicePixelRatio()));
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
