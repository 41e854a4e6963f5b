#include "viewer/PanZoom.h"

#include "ui/Guard.h"
#include "ui/Prompter.h"

#include <QList>
#include <cmath>
#include <stdexcept>

namespace {

float MagnificationValue(const QString& text)
{
    const std::optional<double> value = ParseMagnificationText(text);
    if (!value)
        throw std::runtime_error(ConversionErrorMessage(text).toStdString());
    return float(*value);
}

bool IsPanel(int panel)
{
    return panel >= 0 && panel < kPanelMax;
}

}  // namespace

TPanZoomController::TPanZoomController(TPanZoomView& view, Prompter& prompter) : FView(view), FPrompter(prompter) {}

TPanZoomController::~TPanZoomController()
{
    if (FCrossCursor)
        FView.PopCursor();
}

void TPanZoomController::SetMagnificationText(const QString& text)
{
    FView.WriteMagnificationText(text);
    FTextUnapplied = false;  // the user's unfinished text is gone
}

void TPanZoomController::FitMagnification()
{
    const int count = FView.PanelCount();
    if (count == 0)
        return;
    QList<QSize> sizes;
    for (int i = 0; i < count; ++i)
        if (const QSize size = FView.PictureSize(i); !size.isEmpty())
            sizes << size;
    const float m = ::FitMagnification(sizes, FView.ImageControlSize());
    FState.ResetOffsets();
    SetMagnificationText(FormatMagnification(m));
}

void TPanZoomController::ApplyOrThrow()
{
    const QString text = FView.MagnificationText();
    const float m = MagnificationValue(text);
    // A picture cannot be shown at zero or a negative size: refuse and keep everything.
    if (!(m > 0.0f) || !std::isfinite(m))
        throw std::runtime_error(
            QStringLiteral("'%1' は倍率にできません(0より大きい値を入れてください)").arg(text).toStdString());
    FState.ChangeMagnification(m);
    for (int i = 0, count = FView.PanelCount(); i < count; ++i) {
        FView.SetMagnification(i, m, false);
        FView.Draw(i, FState.ViewX(i), FState.ViewY(i));
    }
}

void TPanZoomController::Apply()
{
    RunGuarded(FPrompter, [this] { ApplyOrThrow(); });
}

void TPanZoomController::Fit()
{
    if (FView.PanelCount() == 0)
        return;
    FitMagnification();
    Apply();
}

void TPanZoomController::OneToOne()
{
    SetMagnificationText(QStringLiteral("1.0"));
    Apply();
}

void TPanZoomController::OneToOneAt(const std::array<std::optional<QPoint>, kPanelMax>& centres)
{
    const int count = FView.PanelCount();
    if (count == 0)
        return;
    SetMagnificationText(QStringLiteral("1.0"));
    FState.ChangeMagnification(1.0f);
    const QSize control = FView.ImageControlSize();
    const auto corner = [&](const QPoint& centre) {
        return QPoint(centre.x() - control.width() / 2, centre.y() - control.height() / 2);
    };
    if (centres[0]) {
        FState.OffsetX = corner(*centres[0]).x();
        FState.OffsetY = corner(*centres[0]).y();
    }
    for (int i = 0; i < count && i < kPanelMax; ++i) {
        FState.PanelOffsetX[i] = i > 0 && centres[i] ? corner(*centres[i]).x() - FState.OffsetX : 0;
        FState.PanelOffsetY[i] = i > 0 && centres[i] ? corner(*centres[i]).y() - FState.OffsetY : 0;
        FView.SetMagnification(i, 1.0f, false);
        FView.Draw(i, FState.ViewX(i), FState.ViewY(i));
    }
}

void TPanZoomController::ApplyFit(bool force)
{
    const int count = FView.PanelCount();
    if (count == 0)
        return;
    FitMagnification();
    // The fit as the box shows it, to four decimals; the fit always writes a number.
    FState.Magnification = float(ParseMagnificationText(FView.MagnificationText()).value_or(1.0));
    for (int i = 0; i < count; ++i) {
        FView.SetMagnification(i, FState.Magnification, force);
        FView.Draw(i, FState.ViewX(i), FState.ViewY(i));
    }
}

void TPanZoomController::Reapply()
{
    if (!(FState.Magnification > 0.0f)) {
        ApplyFit(true);
        return;
    }
    for (int i = 0, count = FView.PanelCount(); i < count; ++i) {
        FView.SetMagnification(i, FState.Magnification, true);
        FView.Draw(i, FState.ViewX(i), FState.ViewY(i));
    }
}

void TPanZoomController::ResetOffsets()
{
    FState.ResetOffsets();
}

void TPanZoomController::Origin()
{
    FState.ResetOffsets();
    RedrawPanels();
}

void TPanZoomController::RedrawPanels()
{
    for (int i = 0, count = FView.PanelCount(); i < count; ++i)
        FView.Draw(i, FState.ViewX(i), FState.ViewY(i));
}

void TPanZoomController::TextEdited()
{
    // The same rule ApplyOrThrow enforces, without its error box.
    const std::optional<double> value = ParseMagnificationText(FView.MagnificationText());
    const float m = value ? float(*value) : 0.0f;
    if (!(m > 0.0f) || !std::isfinite(m)) {
        FTextUnapplied = true;
        return;
    }
    FTextUnapplied = false;
    Apply();
}

void TPanZoomController::TextCommitted()
{
    if (!FTextUnapplied)
        return;
    // Cleared first: the error box takes the focus, which would commit the text again.
    FTextUnapplied = false;
    Apply();
}

void TPanZoomController::ItemChosen()
{
    FTextUnapplied = false;
    Apply();
}

void TPanZoomController::Wheel(int angleDelta)
{
    // One step per notch; smaller deltas of fine-grained wheels add up to a notch.
    FWheelRemainder += angleDelta;
    while (FWheelRemainder >= 120) {
        FWheelRemainder -= 120;
        WheelAway();
    }
    while (FWheelRemainder <= -120) {
        FWheelRemainder += 120;
        WheelToward();
    }
}

void TPanZoomController::WheelStep(bool awayFromUser)
{
    RunGuarded(FPrompter, [&] {
        const float value = MagnificationValue(FView.MagnificationText());
        const float m = awayFromUser ? WheelAwayStep(value) : WheelTowardStep(value);
        SetMagnificationText(FormatMagnification(m));
        FZoomPending = true;
    });
}

void TPanZoomController::WheelAway()
{
    WheelStep(true);
}

void TPanZoomController::WheelToward()
{
    WheelStep(false);
}

void TPanZoomController::Tick()
{
    if (!FZoomPending)
        return;
    // Cleared first: a value the box refuses is reported once, not on every tick.
    FZoomPending = false;
    Apply();
}

void TPanZoomController::MouseDown(int panel, Qt::MouseButton button, int x, int y)
{
    if (!IsPanel(panel))
        return;
    if (button == Qt::LeftButton) {
        FLastX = x;
        FLastY = y;
        FDragging = true;
        FView.FocusPanel(panel);
    } else if (button == Qt::RightButton) {
        ShowCrossCursor(false);  // the popup takes over
    }
}

void TPanZoomController::MouseMove(int panel, Qt::KeyboardModifiers shift, int x, int y)
{
    if (!IsPanel(panel))
        return;
    const bool ctrl = shift.testFlag(Qt::ControlModifier);
    if (FDragging) {
        const int dx = FLastX - x;
        const int dy = FLastY - y;
        if (ctrl) {
            FState.MovePanel(panel, dx, dy);
            FView.Draw(panel, FState.ViewX(panel), FState.ViewY(panel));
        } else {
            FState.MoveShared(dx, dy);
            RedrawPanels();
        }
        FLastX = x;
        FLastY = y;
    }
    if (!ctrl)
        ShowCrossCursor(false);
}

void TPanZoomController::MouseUp(Qt::MouseButton button)
{
    if (button == Qt::LeftButton)
        FDragging = false;
}

void TPanZoomController::EndDrag()
{
    FDragging = false;
}

void TPanZoomController::ShowCrossCursor(bool on)
{
    if (on) {
        if (!FCrossCursor) {
            FView.PushCrossCursor();
            FCrossCursor = true;
        }
        return;
    }
    // Only our own cross, and only while it is on top (a wait cursor may cover it).
    if (FCrossCursor && FView.CrossCursorOnTop()) {
        FView.PopCursor();
        FCrossCursor = false;
    }
}

void TPanZoomController::KeyDown(int key, Qt::KeyboardModifiers shift)
{
    ShowCrossCursor(key == Qt::Key_Control || shift.testFlag(Qt::ControlModifier));
}

void TPanZoomController::KeyUp(int key, Qt::KeyboardModifiers shift)
{
    // Releasing Ctrl itself may still report the modifier on some platforms.
    const bool ctrl = key != Qt::Key_Control && shift.testFlag(Qt::ControlModifier);
    if (!ctrl)
        ShowCrossCursor(false);
}

void TPanZoomController::MouseMoveElsewhere(Qt::KeyboardModifiers shift)
{
    if (!shift.testFlag(Qt::ControlModifier))
        ShowCrossCursor(false);
}
