#pragma once
// The shared magnification, the wheel zoom, the synchronised drag and the Ctrl cursor, apart
// from any widget: the window hands its panels, its magnification box and the screen cursor
// over as a TPanZoomView and forwards its handlers here.
#include "viewer/ViewState.h"

#include <QPoint>
#include <QSize>
#include <QString>
#include <array>
#include <optional>

class Prompter;

class TPanZoomView {
public:
    virtual ~TPanZoomView() = default;

    // The loaded panels, 0 .. PanelCount() - 1.
    virtual int PanelCount() const = 0;
    virtual QSize PictureSize(int panel) const = 0;  // as turned now; empty without a picture
    virtual QSize ImageControlSize() const = 0;      // every placed image control has this size
    virtual void SetMagnification(int panel, float magnification, bool force) = 0;
    virtual void Draw(int panel, int x, int y) = 0;  // the view whose top-left corner is x, y
    virtual void FocusPanel(int panel) = 0;          // the keyboard focus goes to its text line

    // The magnification box: its text is what every applied magnification comes from.
    virtual QString MagnificationText() const = 0;
    virtual void WriteMagnificationText(const QString& text) = 0;

    // The application-wide screen cursor.
    virtual void PushCrossCursor() = 0;
    virtual bool CrossCursorOnTop() const = 0;
    virtual void PopCursor() = 0;
};

class TPanZoomController {
public:
    TPanZoomController(TPanZoomView& view, Prompter& prompter);
    ~TPanZoomController();
    TPanZoomController(const TPanZoomController&) = delete;
    TPanZoomController& operator=(const TPanZoomController&) = delete;

    const TViewState& State() const { return FState; }
    bool Dragging() const { return FDragging; }
    bool ZoomPending() const { return FZoomPending; }

    // Magnification. The box's text is written without applying it; Apply reads it back.
    void SetMagnificationText(const QString& text);
    void FitMagnification();  // fit into the box, offsets to 0, nothing applied
    void Apply();             // apply the box's text, or show why it cannot be
    void Fit();               // fit and apply, when pictures are loaded
    void OneToOne();
    // 等倍 with each panel placed so that its point (picture pixels) is in its middle: the
    // shared offset from the first panel's, the panel offsets from the others'. A panel
    // without a point shows what the first does; without a first point the shared offset stays.
    void OneToOneAt(const std::array<std::optional<QPoint>, kPanelMax>& centres);
    // Fits and applies the shown value after a load or a turn; force makes every reduced copy
    // again even when the value stays.
    void ApplyFit(bool force);
    void ResetOffsets();
    // Applies the magnification and offsets as they stand to pictures that replaced the
    // shown ones (a step through a burst), making every reduced copy again.
    void Reapply();
    void Origin();  // offsets to 0 and every panel redrawn
    void RedrawPanels();

    // The user's edits in the box: each text that is a magnification applies at once, one
    // that is not yet waits quietly and is refused only when committed.
    void TextEdited();
    void TextCommitted();
    void ItemChosen();

    // The wheel edits the text only; the next Tick applies it once.
    void Wheel(int angleDelta);  // eighths of a degree; partial notches add up
    void WheelAway();
    void WheelToward();
    void Tick();

    // Drag on panel image controls, in the pressed control's coordinates.
    void MouseDown(int panel, Qt::MouseButton button, int x, int y);
    void MouseMove(int panel, Qt::KeyboardModifiers shift, int x, int y);
    void MouseUp(Qt::MouseButton button);
    void EndDrag();

    // Ctrl shows the cross, the one-picture drag mode's only sign.
    void KeyDown(int key, Qt::KeyboardModifiers shift);
    void KeyUp(int key, Qt::KeyboardModifiers shift);
    void MouseMoveElsewhere(Qt::KeyboardModifiers shift);

private:
    void ShowCrossCursor(bool on);
    void ApplyOrThrow();
    void WheelStep(bool awayFromUser);

    TPanZoomView& FView;
    Prompter& FPrompter;
    TViewState FState;
    bool FDragging = false;
    int FLastX = 0;
    int FLastY = 0;
    bool FZoomPending = false;
    int FWheelRemainder = 0;         // partial wheel turns (high-resolution wheels, touchpads)
    bool FTextUnapplied = false;     // the user's text in the box is not a magnification yet
    bool FCrossCursor = false;       // our cross cursor is on the override stack
};
