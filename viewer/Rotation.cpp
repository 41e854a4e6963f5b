// Turning all loaded pictures together. Only the pictures in memory turn: the files, the
// text lines and the captions stay as loaded.
#include "viewer/Mainunit.h"

#include "loading/Bmpmagbase.h"
#include "ui/Guard.h"

#include <QAction>
#include <QPushButton>

void TMainForm::BtnRightRClick(QObject* sender)
{
    if (PanelCount == 0)
        return;
    void (*turn)(TBitmapMAGBase&) = nullptr;
    int quarters = 0;
    if (sender == BtnRightR || sender == N90R1)
        turn = &TBitmapMAGBase::RotateRight, quarters = 1;
    else if (sender == BtnLeftR || sender == N90L1)
        turn = &TBitmapMAGBase::RotateLeft, quarters = 3;
    else if (sender == N180D1)
        turn = &TBitmapMAGBase::Rotate180, quarters = 2;
    if (!turn)
        return;

    RunGuarded(*FPrompter, [&] {
        for (int i = 0; i < PanelCount; ++i)
            if (Panels[i].Picture)
                turn(*Panels[i].Picture);
        // Forced: the reduced copy must be made again from the turned picture even when
        // the magnification stays the same (a half turn).
        FFocusAids->PicturesTurned();
        FPanZoom->ApplyFit(true);
        FShown->Turned(quarters);
    });
}
