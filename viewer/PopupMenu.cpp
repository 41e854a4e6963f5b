// The picture popup: copy, move or delete the panel's file in the organise destination,
// and hand the picture to one of the registered outside programs.
#include "viewer/Mainunit.h"

#include "dialogs/Appdialog.h"
#include "ui/Guard.h"
#include "viewer/AppLaunch.h"
#include "viewer/Organise.h"

#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>

namespace {

QAction* PopupItem(QMenu* menu, const char* name, const QString& caption)
{
    QAction* action = menu->addAction(caption);
    action->setObjectName(QString::fromLatin1(name));
    return action;
}

QAction* PopupSeparator(QMenu* menu, const char* name)
{
    QAction* action = menu->addSeparator();
    action->setObjectName(QString::fromLatin1(name));
    return action;
}

}  // namespace

void TMainForm::CreatePopupMenu()
{
    PopupOp = new QMenu(this);
    PopupOp->setObjectName(QStringLiteral("PopupOp"));
    N3 = PopupItem(PopupOp, "N3", QStringLiteral("ﾌｧｲﾙｺﾋﾟｰ(&C)"));
    M1 = PopupItem(PopupOp, "M1", QStringLiteral("移動(&M)"));
    N4 = PopupSeparator(PopupOp, "N4");
    N5 = PopupItem(PopupOp, "N5", QStringLiteral("削除"));
    N6 = PopupSeparator(PopupOp, "N6");
    const char* const appNames[] = {"N11", "N21", "N31", "N41", "N51", "N61", "N71", "N81"};
    QAction** appItems[] = {&N11, &N21, &N31, &N41, &N51, &N61, &N71, &N81};
    for (int slot = 0; slot < kAppSlotCount; ++slot) {
        QAction* item = PopupItem(PopupOp, appNames[slot], QStringLiteral("(&%1)").arg(slot + 1));
        item->setEnabled(false);
        *appItems[slot] = item;
        connect(item, &QAction::triggered, this, [this, item] { Nx1Click(item); });
    }
    N7 = PopupSeparator(PopupOp, "N7");
    N8 = PopupItem(PopupOp, "N8", QStringLiteral("キャンセル"));

    connect(N3, &QAction::triggered, this, &TMainForm::N3Click);
    connect(M1, &QAction::triggered, this, &TMainForm::M1Click);
    connect(N5, &QAction::triggered, this, &TMainForm::N5Click);

    // The window carries on while the menu is up; the chosen item's handler runs later.
    FOpenPopup = [this](const QPoint& screenPoint) { PopupOp->popup(screenPoint); };
}

std::array<QAction*, 8> TMainForm::ApplicationItems() const
{
    return {N11, N21, N31, N41, N51, N61, N71, N81};
}

QPoint TMainForm::PopupPosition(int panel) const
{
    // The picture's top-left corner, not the mouse: the menu never covers the picture's
    // first pixels, wherever the click was.
    const QPoint client = Grp[panel]->pos() + Image[panel]->pos() + QPoint(4, 4);
    return Client->mapToGlobal(client);
}

void TMainForm::N3Click()
{
    RunGuarded(*FPrompter, [this] { organise::CopyToDestination(*FPrompter, LbDistnation->text(), CurrentFile, FShown->StillShown(CurrentFile)); });
}

void TMainForm::M1Click()
{
    RunGuarded(*FPrompter, [this] { organise::MoveToDestination(*FPrompter, LbDistnation->text(), CurrentFile, FShown->StillShown(CurrentFile)); });
}

void TMainForm::N5Click()
{
    RunGuarded(*FPrompter,
               [this] {
                   organise::DeleteFromDestination(*FPrompter, LbDistnation->text(), CurrentFile,
                                                   FShown->StillShown(CurrentFile));
               });
}

void TMainForm::Button1Click()
{
    RunGuarded(*FPrompter, [this] {
        if (const std::optional<QString> chosen = organise::ChooseDestination(*DirSel, LbDistnation->text()))
            LbDistnation->setText(*chosen);
    });
}

void TMainForm::UpdateApplicationMenu()
{
    const applaunch::Menu menu = applaunch::UpdateApplicationMenu(TAppDialog->AppNames, TAppDialog->AppPaths);
    const std::array<QAction*, 8> items = ApplicationItems();
    for (int slot = 0; slot < kAppSlotCount; ++slot) {
        items[slot]->setText(menu[slot].caption);
        items[slot]->setEnabled(menu[slot].enabled);
    }
}

void TMainForm::Nx1Click(QObject* sender)
{
    const std::array<QAction*, 8> items = ApplicationItems();
    for (int slot = 0; slot < kAppSlotCount; ++slot) {
        if (items[slot] != sender)
            continue;
        if (!items[slot]->isEnabled())
            return;
        RunGuarded(*FPrompter, [&] {
            applaunch::LaunchApplication(*FPrompter, TAppDialog->AppPaths, slot + 1, CurrentFile);
        });
        return;
    }
}

void TMainForm::R1Click()
{
    RunGuarded(*FPrompter, [this] {
        if (applaunch::EditRegistrations(*TAppDialog))
            UpdateApplicationMenu();
    });
}
