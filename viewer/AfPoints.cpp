#include "viewer/AfPoints.h"

#include "loading/Bmpmagbase.h"
#include "viewer/PanZoom.h"

#include <QAction>
#include <QMenu>

TAfPoints::TAfPoints(TAfPointsView& view, TPanZoomController& panZoom) : FView(view), FPanZoom(panZoom) {}

void TAfPoints::AddActions(QMenu* menu)
{
    FShow = menu->addAction(QStringLiteral("AF点表示(&A)"));
    FShow->setObjectName(QStringLiteral("AfPointsShow"));
    FShow->setCheckable(true);
    FShow->setChecked(FEnabled);
    FShow->setShortcut(QKeySequence(Qt::Key_A));
    FGo = menu->addAction(QStringLiteral("AF点へ移動(&J)"));
    FGo->setObjectName(QStringLiteral("AfPointsGo"));
    FGo->setShortcut(QKeySequence(Qt::Key_J));
    connect(FShow, &QAction::triggered, this, [this](bool on) { SetEnabled(on); });
    connect(FGo, &QAction::triggered, this, &TAfPoints::GoToAreas);
    // A load that showed nothing draws no panel: the menu looks again when it opens.
    connect(menu, &QMenu::aboutToShow, this, &TAfPoints::UpdateItems);
    UpdateItems();
}

void TAfPoints::SetEnabled(bool on)
{
    FEnabled = on;
    if (FShow)
        FShow->setChecked(on);
    for (int i = 0, count = FView.PanelCount(); i < count; ++i)
        if (TBitmapMAGBase* picture = FView.Picture(i))
            picture->ShowAfAreas(on);
    FView.RedrawPanels();
}

void TAfPoints::PicturesChanged()
{
    for (int i = 0, count = FView.PanelCount(); i < count; ++i)
        if (TBitmapMAGBase* picture = FView.Picture(i))
            picture->ShowAfAreas(FEnabled);
    UpdateItems();
}

bool TAfPoints::Available() const
{
    for (const std::optional<QPoint>& centre : FirstCentres())
        if (centre)
            return true;
    return false;
}

std::array<std::optional<QPoint>, kPanelMax> TAfPoints::FirstCentres() const
{
    std::array<std::optional<QPoint>, kPanelMax> centres;
    for (int i = 0, count = std::min(FView.PanelCount(), kPanelMax); i < count; ++i) {
        const TBitmapMAGBase* picture = FView.Picture(i);
        if (picture && !picture->AfAreas().empty()) {
            const QRect& a = picture->AfAreas().front();
            centres[i] = QPoint(a.x() + a.width() / 2, a.y() + a.height() / 2);
        }
    }
    return centres;
}

void TAfPoints::GoToAreas()
{
    if (Available())
        FPanZoom.OneToOneAt(FirstCentres());
}

void TAfPoints::UpdateItems()
{
    const bool available = Available();
    if (FShow)
        FShow->setEnabled(available);
    if (FGo)
        FGo->setEnabled(available);
}
