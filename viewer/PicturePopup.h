#pragma once
// The picture popup: copy, move or delete the panel's file in the organise destination, and
// hand the picture to one of the registered outside programs; with it the choice of the
// organise destination (整理先). The window opens it on a panel and forwards the items.
#include <QObject>
#include <QPoint>
#include <QString>
#include <array>
#include <functional>

class Prompter;
class QAction;
class QLabel;
class QMenu;
class QWidget;
class TDirSel;
class TTAppDialog;

class TPicturePopup : public QObject {
public:
    // stillShown: whether a file is still the one its panel was decoded from.
    TPicturePopup(QWidget& window, Prompter& prompter, std::function<bool(const QString&)> stillShown);
    // The window's dialogs and destination label, made after the menu.
    void Bind(TTAppDialog& apps, TDirSel& dirSel, QLabel& destination);

    // Opens the popup for file at a screen point, with the application items brought up to date.
    void Open(const QString& file, const QPoint& screenPoint);
    // How the popup opens without waiting for it; tests record the point instead.
    void SetOpener(std::function<void(const QPoint& screenPoint)> open) { FOpen = std::move(open); }
    // The file of the panel whose popup was opened last.
    const QString& File() const { return FFile; }
    // N11 .. N81 in slot order.
    std::array<QAction*, 8> ApplicationItems() const { return FApps; }
    void UpdateApplicationMenu();

    void N3Click();
    void M1Click();
    void N5Click();
    void Nx1Click(QObject* sender);
    void R1Click();       // the main menu's item that edits the registered programs
    void Button1Click();  // the strip's 整理先 button

private:
    Prompter& FPrompter;
    std::function<bool(const QString&)> FStillShown;
    std::function<void(const QPoint&)> FOpen;
    QString FFile;
    QMenu* FMenu = nullptr;
    std::array<QAction*, 8> FApps{};
    TTAppDialog* FAppDialog = nullptr;
    TDirSel* FDirSel = nullptr;
    QLabel* FDestination = nullptr;
};
