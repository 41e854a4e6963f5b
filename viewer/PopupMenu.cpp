#include "viewer/PicturePopup.h"

#include "dialogs/Appdialog.h"
#include "ui/Guard.h"
#include "viewer/AppLaunch.h"
#include "viewer/Organise.h"

#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QWidget>

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

TPicturePopup::TPicturePopup(QWidget& window, Prompter& prompter, std::function<bool(const QString&)> stillShown)
    : QObject(&window), FPrompter(prompter), FStillShown(std::move(stillShown))
{
    FMenu = new QMenu(&window);
    FMenu->setObjectName(QStringLiteral("PopupOp"));
    QAction* n3 = PopupItem(FMenu, "N3", QStringLiteral("ﾌｧｲﾙｺﾋﾟｰ(&C)"));
    QAction* m1 = PopupItem(FMenu, "M1", QStringLiteral("移動(&M)"));
    PopupSeparator(FMenu, "N4");
    QAction* n5 = PopupItem(FMenu, "N5", QStringLiteral("削除"));
    PopupSeparator(FMenu, "N6");
    const char* const appNames[] = {"N11", "N21", "N31", "N41", "N51", "N61", "N71", "N81"};
    for (int slot = 0; slot < kAppSlotCount; ++slot) {
        QAction* item = PopupItem(FMenu, appNames[slot], QStringLiteral("(&%1)").arg(slot + 1));
        item->setEnabled(false);
        FApps[slot] = item;
        connect(item, &QAction::triggered, this, [this, item] { Nx1Click(item); });
    }
    PopupSeparator(FMenu, "N7");
    PopupItem(FMenu, "N8", QStringLiteral("キャンセル"));

    connect(n3, &QAction::triggered, this, &TPicturePopup::N3Click);
    connect(m1, &QAction::triggered, this, &TPicturePopup::M1Click);
    connect(n5, &QAction::triggered, this, &TPicturePopup::N5Click);

    // The window carries on while the menu is up; the chosen item's handler runs later.
    FOpen = [this](const QPoint& screenPoint) { FMenu->popup(screenPoint); };
}

void TPicturePopup::Bind(TTAppDialog& apps, TDirSel& dirSel, QLabel& destination)
{
    FAppDialog = &apps;
    FDirSel = &dirSel;
    FDestination = &destination;
}

void TPicturePopup::Open(const QString& file, const QPoint& screenPoint)
{
    FFile = file;
    if (FOpen)
        FOpen(screenPoint);
}

void TPicturePopup::N3Click()
{
    RunGuarded(FPrompter, [this] {
        organise::CopyToDestination(FPrompter, FDestination->text(), FFile, FStillShown(FFile));
    });
}

void TPicturePopup::M1Click()
{
    RunGuarded(FPrompter, [this] {
        organise::MoveToDestination(FPrompter, FDestination->text(), FFile, FStillShown(FFile));
    });
}

void TPicturePopup::N5Click()
{
    RunGuarded(FPrompter, [this] {
        organise::DeleteFromDestination(FPrompter, FDestination->text(), FFile, FStillShown(FFile));
    });
}

void TPicturePopup::Button1Click()
{
    RunGuarded(FPrompter, [this] {
        if (const std::optional<QString> chosen = organise::ChooseDestination(*FDirSel, FDestination->text()))
            FDestination->setText(*chosen);
    });
}

void TPicturePopup::UpdateApplicationMenu()
{
    const applaunch::Menu menu = applaunch::UpdateApplicationMenu(FAppDialog->AppNames, FAppDialog->AppPaths);
    for (int slot = 0; slot < kAppSlotCount; ++slot) {
        FApps[slot]->setText(menu[slot].caption);
        FApps[slot]->setEnabled(menu[slot].enabled);
    }
}

void TPicturePopup::Nx1Click(QObject* sender)
{
    for (int slot = 0; slot < kAppSlotCount; ++slot) {
        if (FApps[slot] != sender)
            continue;
        if (!FApps[slot]->isEnabled())
            return;
        RunGuarded(FPrompter, [&] { applaunch::LaunchApplication(FPrompter, FAppDialog->AppPaths, slot + 1, FFile); });
        return;
    }
}

void TPicturePopup::R1Click()
{
    RunGuarded(FPrompter, [this] {
        if (applaunch::EditRegistrations(*FAppDialog))
            UpdateApplicationMenu();
    });
}
