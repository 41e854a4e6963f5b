#pragma once
// TMainForm: the comparison window. Up to four pictures in panels under a strip of
// controls, one shared magnification, views panned together.
#include "chooser/PictFileRead.h"
#include "dialogs/OuterBounds.h"
#include "viewer/AfPoints.h"
#include "viewer/Burst.h"
#include "viewer/FocusAids.h"
#include "viewer/MainSettings.h"
#include "viewer/PanZoom.h"
#include "viewer/PicturePopup.h"
#include "viewer/ShownSet.h"
#include "viewer/ViewPanel.h"

#include <QMainWindow>
#include <QRect>
#include <QSize>
#include <QStringList>
#include <array>
#include <functional>
#include <memory>

class HandoffChannel;
class Prompter;
class QAction;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QTimer;
class TAppSetDlg;
class TDirSel;
class TPictSelectDialog;
class TSpiHost;
class TSpiSetDlg;
class TTAppDialog;

struct TMainFormEnv {
    Prompter* prompter;
    QString settingsPath;
    QSize screenSize;
    HandoffChannel* handoff = nullptr;
    QStringList startupArguments;
    // The chooser's 30 ms timer and its reader's work per file; tests turn the timer off
    // and script the reader. An empty job reads thumbnails from the files.
    bool chooserTimer = true;
    TReadJob chooserJob = {};
};

class TMainForm : public QMainWindow {
    Q_OBJECT
public:
    explicit TMainForm(const TMainFormEnv& env);
    ~TMainForm() override;

    // The caption a second start looks for (it begins with the product title).
    static QString Caption();
    static constexpr QRect kDesignBounds = TMainSettings::kDesignBounds;
    static constexpr QSize kMinimumOuter{480, 200};

    // Panels and layout.
    void ArrangePanels(int n);
    void FormCanResize(int& newWidth, int& newHeight) const;

    // Magnification and panning are the controller's (PanZoom()); a press on a panel also
    // opens the picture popup with the right button.
    void Image1MouseDown(int panel, Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y);

    // Opening pictures: the load runs on; Shown() tells when it is done.
    void LoadPictures(const QStringList& names);
    void N1Click();
    void O1Click();
    void WMDropFiles(const QStringList& names);
    void WMUserArguments();

    // The shown set: loads and steps through a burst under way, the group decoded ahead.
    const TShownSet& Shown() const { return *FShown; }

    // The focus aids: peaking over every picture and a sharpness figure per panel.
    TFocusAids& FocusAids() const { return *FFocusAids; }

    // Turning all pictures: the sender tells the direction.
    void BtnRightRClick(QObject* sender);

    // The picture popup (file organisation, outside programs) and the organise destination.
    TPicturePopup& Popup() const { return *FPopup; }
    // The plug-in folder dialog.
    void Susie1Click();
    // Seam: called with each name of a load, in order, before its file is decoded; the old
    // pictures are still on screen then. A load fails on its own only when memory runs out,
    // which a test cannot bring about at will; tests throw from here.
    void SetBeforePanelLoad(std::function<void(const QString& name)> call) { FBeforePanelLoad = std::move(call); }
    // Seam: called on the decoding thread as each file's decode begins (tests count them).
    void SetDecodeWatch(std::function<void(const QString& name)> call) { FDecodeWatch = std::move(call); }

    // Window bounds including the frame, as the settings file keeps them.
    QRect OuterBounds() const;
    void SetOuterBounds(const QRect& bounds);
    QString MagnificationText() const;  // the magnification box's text
    // Magnification, offsets, the drag and the pending wheel zoom; the strip's buttons, the
    // box, the wheel, the keys and the timer go to it.
    TPanZoomController& PanZoom() const { return *FPanZoom; }

    // What the window shows and keeps, read-only.
    const TViewPanel& Panel(int index) const { return Panels[index]; }
    int LoadedPanels() const { return PanelCount; }
    bool WasShown() const { return ShownOnce; }
    const QString& PluginFolder() const { return SpiDirectory; }
    const TSpiHost* PluginHost() const { return SpiHost.get(); }

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    std::array<TViewPanel, kPanelMax> Panels;
    int PanelCount = 0;
    bool ShownOnce = false;
    QString SpiDirectory;       // folder of the decoder plug-ins
    std::unique_ptr<TSpiHost> SpiHost;  // made at the first show, kept to the end

    // The dialogs, made with the window and owned by it. TAppDialog holds the table of
    // registered applications.
    TTAppDialog* TAppDialog = nullptr;
    TAppSetDlg* AppSetDlg = nullptr;
    TDirSel* DirSel = nullptr;
    TSpiSetDlg* SpiSetDlg = nullptr;
    TPictSelectDialog* PictSelectDialog = nullptr;

    // Controls.
    QWidget* Client = nullptr;
    QPushButton* BtnFit = nullptr;
    QPushButton* BtnX1 = nullptr;
    QComboBox* CBMag = nullptr;
    QPushButton* Button2 = nullptr;
    QPushButton* BtnLeftR = nullptr;
    QPushButton* BtnRightR = nullptr;
    QPushButton* Button1 = nullptr;
    QLabel* LbDistnation = nullptr;
    QWidget* Bevel1 = nullptr;
    QTimer* Timer1 = nullptr;
    std::array<QGroupBox*, kPanelMax> Grp{};
    std::array<QLineEdit*, kPanelMax> EdText{};
    std::array<TPanelImage*, kPanelMax> Image{};

    // Main menu.
    QAction* F1 = nullptr;
    QAction* O1 = nullptr;
    QAction* N1 = nullptr;
    QAction* N2 = nullptr;
    QAction* X1 = nullptr;
    QAction* NextGroup = nullptr;
    QAction* PrevGroup = nullptr;
    QAction* C1 = nullptr;
    QAction* N90R1 = nullptr;
    QAction* N90L1 = nullptr;
    QAction* N180D1 = nullptr;
    QAction* FocusAid = nullptr;
    QAction* S1 = nullptr;
    QAction* R1 = nullptr;
    QAction* StyleTate = nullptr;
    QAction* Susie1 = nullptr;

    void CreateControls();
    void CreatePanels();
    void CreateMainMenu();
    void CreateDialogs();
    // The controller of magnification and panning, the focus aids, the shown set and the
    // popup, each with the view of the window it sees.
    void CreateHelpers();
    void ReadSettings();
    void WriteSettings();

    Prompter* FPrompter;
    TMainFormEnv FEnv;
    class TFormPanZoomView;
    std::unique_ptr<TPanZoomView> FPanZoomView;       // made before the controller, gone after it
    std::unique_ptr<TPanZoomController> FPanZoom;
    TOuterBounds FBounds{*this, kMinimumOuter};
    bool FHandlingDrop = false;
    std::function<void(const QString&)> FBeforePanelLoad;
    std::function<void(const QString&)> FDecodeWatch;
    TMainSettings FSettings;         // as read at the first show; the close collects and writes it
    class TFormFocusView;
    std::unique_ptr<TFocusAidsView> FFocusView;       // made before the aids, gone after them
    std::unique_ptr<TFocusAids> FFocusAids;
    class TFormAfView;
    std::unique_ptr<TAfPointsView> FAfView;           // made before the AF points, gone after them
    std::unique_ptr<TAfPoints> FAfPoints;
    class TFormShownView;
    std::unique_ptr<TShownSetView> FShownView;        // made before the shown set, gone after it
    std::unique_ptr<TShownSet> FShown;
    TPicturePopup* FPopup = nullptr;  // a child of the window
};
