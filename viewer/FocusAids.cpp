#include "viewer/FocusAids.h"

#include "loading/Bmpmagbase.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QMetaObject>
#include <QPointer>
#include <algorithm>
#include <cmath>

TFocusAids::TFocusAids(TFocusAidsView& view) : FView(view)
{
    FFigures.fill(-1);
    FSettle.setSingleShot(true);
    FSettle.setInterval(kSettleMs);
    connect(&FSettle, &QTimer::timeout, this, [this] { MeasureFigures(); });
}

TFocusAids::~TFocusAids()
{
    // The jobs post back to this object: what runs ends first, what waits is dropped.
    FJobs.Close();
}

void TFocusAids::SetEnabled(bool on)
{
    if (on == FEnabled)
        return;
    FEnabled = on;
    const int count = std::min(FView.PanelCount(), kMaxPanels);
    if (on) {
        for (int i = 0; i < count; ++i)
            if (TBitmapMAGBase* picture = FView.Picture(i); picture && FKept[i])
                picture->SetFocusOverlay(std::move(FKept[i]), FLevels);
        StartMaps();
        ApplyLevels();
        return;
    }
    // Off: the window is as it is without the aids; the maps are put aside.
    ++FFigureSerial;
    FSettle.stop();
    for (int i = 0; i < count; ++i)
        if (TBitmapMAGBase* picture = FView.Picture(i)) {
            FKept[i] = picture->FocusOverlayMap();
            picture->ClearFocusOverlay();
        }
    ShowNoFigures();
    FView.RedrawPanels();
}

void TFocusAids::PicturesChanged()
{
    ++FPictureSerial;
    ++FFigureSerial;
    FPending.fill(false);
    for (auto& kept : FKept)
        kept.reset();
    FLevels = TPeakLevels();
    ShowNoFigures();
    if (FEnabled)
        StartMaps();
}

void TFocusAids::PicturesTurned()
{
    // Maps being made are of the pictures as they were, and kept ones too.
    ++FPictureSerial;
    for (auto& kept : FKept)
        kept.reset();
    FPending.fill(false);
    if (!FEnabled)
        return;
    StartMaps();
    ViewChanged();
}

void TFocusAids::ViewChanged()
{
    if (!FEnabled)
        return;
    ++FFigureSerial;
    FSettle.start();
}

void TFocusAids::StartMaps()
{
    const int count = std::min(FView.PanelCount(), kMaxPanels);
    for (int i = 0; i < count; ++i) {
        TBitmapMAGBase* picture = FView.Picture(i);
        if (!picture || picture->Empty() || picture->FocusOverlayMap() || FPending[i])
            continue;
        FPending[i] = true;
        // A shared copy: a turn meanwhile gives the picture new pixels and leaves these be.
        const QImage pixels = picture->Image();
        const unsigned serial = FPictureSerial;
        FJobs.Post("map" + std::to_string(i),
                   [pixels] { return std::make_shared<const TFocusMap>(ComputeFocusMap(pixels)); },
                   [this, i, serial](runner::TResult<std::shared_ptr<const TFocusMap>> map) {
                       MapReady(i, serial, map.Ok() ? *map.Value : nullptr);
                   });
    }
}

void TFocusAids::MapReady(int panel, unsigned serial, std::shared_ptr<const TFocusMap> map)
{
    if (serial != FPictureSerial || panel >= FView.PanelCount())
        return;
    FPending[panel] = false;
    // A map that could not be made (memory ran out) leaves the picture without peaking.
    if (!map)
        return;
    if (!FEnabled) {
        // Turned off meanwhile: kept, so that turning on shows it at once.
        FKept[panel] = std::move(map);
        return;
    }
    if (TBitmapMAGBase* picture = FView.Picture(panel))
        picture->SetFocusOverlay(std::move(map), FLevels);
    ApplyLevels();
}

void TFocusAids::ApplyLevels()
{
    // The levels come from every map shown, so one edge has one colour in every panel.
    const int count = std::min(FView.PanelCount(), kMaxPanels);
    std::vector<const TFocusMap*> maps;
    for (int i = 0; i < count; ++i)
        if (TBitmapMAGBase* picture = FView.Picture(i); picture && picture->FocusOverlayMap())
            maps.push_back(picture->FocusOverlayMap().get());
    if (maps.empty())
        return;
    FLevels = SharedPeakLevels(maps);
    for (int i = 0; i < count; ++i)
        if (TBitmapMAGBase* picture = FView.Picture(i); picture && picture->FocusOverlayMap())
            picture->SetFocusOverlay(picture->FocusOverlayMap(), FLevels);
    FView.RedrawPanels();
    ++FFigureSerial;
    MeasureFigures();
}

void TFocusAids::MeasureFigures()
{
    FSettle.stop();
    if (!FEnabled)
        return;
    const int count = std::min(FView.PanelCount(), kMaxPanels);
    std::vector<std::shared_ptr<const TFocusMap>> maps;
    std::vector<QRect> regions;
    for (int i = 0; i < count; ++i) {
        TBitmapMAGBase* picture = FView.Picture(i);
        maps.push_back(picture ? picture->FocusOverlayMap() : nullptr);
        regions.push_back(FView.VisibleRegion(i));
    }
    const unsigned serial = FFigureSerial;
    FJobs.Post("figures", [maps, regions] {
        std::vector<double> figures;
        for (size_t i = 0; i < maps.size(); ++i)
            figures.push_back(maps[i] ? SharpnessFigure(*maps[i], regions[i]) : -1.0);
        return figures;
    }, [this, serial](runner::TResult<std::vector<double>> figures) {
        if (figures.Ok())
            FiguresReady(serial, std::move(*figures.Value));
    });
}

void TFocusAids::FiguresReady(unsigned serial, std::vector<double> figures)
{
    if (serial != FFigureSerial || !FEnabled)
        return;
    const double best = figures.empty() ? 0.0 : *std::max_element(figures.begin(), figures.end());
    FFigures.fill(-1);
    const int count = std::min<int>(std::min(FView.PanelCount(), kMaxPanels), int(figures.size()));
    for (int i = 0; i < count; ++i) {
        if (figures[i] < 0.0) {
            FView.ShowFigure(i, std::nullopt, false);
            continue;
        }
        // Relative to the sharpest panel shown; a blank set reads 0 everywhere.
        const int figure = best > 0.0 ? int(std::lround(100.0 * figures[i] / best)) : 0;
        FFigures[i] = figure;
        FView.ShowFigure(i, figure, best > 0.0 && figures[i] == best);
    }
}

void TFocusAids::ShowNoFigures()
{
    FFigures.fill(-1);
    for (int i = 0; i < kMaxPanels; ++i)
        FView.ShowFigure(i, std::nullopt, false);
}

void TFocusAids::Settle()
{
    while (Busy()) {
        if (FSettle.isActive())
            MeasureFigures();
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
}
