#pragma once
// The AF areas on every panel. "AF点表示(&A)" outlines each picture's areas; "AF点へ移動(&J)"
// sets 等倍 and places each panel so that its own picture's first area is in its middle. The
// window hands its panels over as a TAfPointsView and tells this when its pictures change;
// this owns the two menu items.
#include "viewer/ViewState.h"

#include <QObject>
#include <QPoint>
#include <array>
#include <optional>

class QAction;
class QMenu;
class TBitmapMAGBase;
class TPanZoomController;

class TAfPointsView {
public:
    virtual ~TAfPointsView() = default;
    virtual int PanelCount() const = 0;
    virtual TBitmapMAGBase* Picture(int panel) const = 0;
    virtual void RedrawPanels() = 0;
};

class TAfPoints : public QObject {
public:
    TAfPoints(TAfPointsView& view, TPanZoomController& panZoom);

    // Adds the two items at the end of `menu`; both are disabled until a picture records an area.
    void AddActions(QMenu* menu);
    QAction* ShowItem() const { return FShow; }
    QAction* GoItem() const { return FGo; }

    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool on);  // the check mark, every picture's outlines, a redraw
    // After a load or a step, before the panels draw: the new pictures show the outlines as
    // chosen, and the items follow whether any of them records an area.
    void PicturesChanged();
    bool Available() const;
    // Each panel's first area's centre in picture pixels, none where the picture records none.
    std::array<std::optional<QPoint>, kPanelMax> FirstCentres() const;
    void GoToAreas();

private:
    void UpdateItems();

    TAfPointsView& FView;
    TPanZoomController& FPanZoom;
    bool FEnabled = false;
    QAction* FShow = nullptr;
    QAction* FGo = nullptr;
};
