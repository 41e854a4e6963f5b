#pragma once
// The focus aids: every panel's sharp edges painted over its picture, and a sharpness figure
// of what each panel shows, relative to the sharpest. Maps and figures are made on the
// program's runner, one job per panel's map and one for the figures, a newer request
// dropping the older; the window hands its panels over as a TFocusAidsView, tells this
// when pictures or the view change, and forwards its menu item.
#include "focus/FocusMap.h"
#include "viewer/UiJobs.h"

#include <QObject>
#include <QRect>
#include <QTimer>
#include <array>
#include <memory>
#include <optional>
#include <vector>

class TBitmapMAGBase;

class TFocusAidsView {
public:
    virtual ~TFocusAidsView() = default;
    virtual int PanelCount() const = 0;
    virtual TBitmapMAGBase* Picture(int panel) const = 0;
    // The part of the picture the panel shows, in picture pixels.
    virtual QRect VisibleRegion(int panel) const = 0;
    virtual void RedrawPanels() = 0;
    // "鮮鋭度 NN" in the panel's corner, drawn as the sharpest when best; none without a figure.
    virtual void ShowFigure(int panel, std::optional<int> figure, bool best) = 0;
};

class TFocusAids : public QObject {
public:
    static constexpr int kMaxPanels = 4;
    // How long the view must rest before the figures are measured again.
    static constexpr int kSettleMs = 100;

    explicit TFocusAids(TFocusAidsView& view);
    ~TFocusAids() override;

    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool on);
    // Other pictures in the panels (a load, a step): their maps are made anew.
    void PicturesChanged();
    // The pictures turned: the maps shown turned with them; maps put aside are dropped.
    void PicturesTurned();
    // Panned or zoomed: the figures follow once the view has rested.
    void ViewChanged();

    // Runs the event loop until the work under way has brought its results (tests and
    // benchmarks; it never blocks the loop).
    void Settle();
    // Work posted whose results have not come back.
    bool Busy() const { return FJobs.Busy() || FSettle.isActive(); }
    // The last figures shown, -1 where none.
    std::array<int, kMaxPanels> Figures() const { return FFigures; }
    TPeakLevels Levels() const { return FLevels; }

private:
    void StartMaps();
    void MapReady(int panel, unsigned serial, std::shared_ptr<const TFocusMap> map);
    void ApplyLevels();
    void MeasureFigures();
    void FiguresReady(unsigned serial, std::vector<double> figures);
    void ShowNoFigures();

    TFocusAidsView& FView;
    bool FEnabled = false;
    // Each change of pictures or view makes work under way for the old ones stale.
    unsigned FPictureSerial = 0;
    unsigned FFigureSerial = 0;
    std::array<bool, kMaxPanels> FPending{};
    // Maps kept while the aids are off, so that turning them on again costs nothing.
    std::array<std::shared_ptr<const TFocusMap>, kMaxPanels> FKept;
    TPeakLevels FLevels;
    std::array<int, kMaxPanels> FFigures;
    QTimer FSettle;
    TUiJobs FJobs;
};
