#pragma once
// TMainForm: the comparison window. Up to four pictures in panels under a strip of
// controls, one shared magnification, views panned together.
#include "viewer/ViewPanel.h"
#include "viewer/ViewState.h"

#include <QMainWindow>
#include <QRect>
#include <QSize>
#include <QStringList>
#include <array>
#include <vector>

class HandoffChannel;
class Prompter;
class QAction;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;

struct TMainFormEnv {
    Prompter* prompter;
    QString settingsPath;
    QSize screenSize;
    HandoffChannel* handoff = nullptr;
    QStringList startupArguments;
};

class TMainForm : public QMainWindow {
    Q_OBJECT
public:
    explicit TMainForm(const TMainFormEnv& env);
    ~TMainForm() override;

    // The caption a second start looks for (it begins with the product title).
    static QString Caption();
    static constexpr QRect kDesignBounds{192, 120, 640, 454};
    static constexpr QSize kMinimumOuter{480, 200};

    // Panels and layout.
    void ArrangePanels(int n);
    void RedrawPanels();
    void FormCanResize(int& newWidth, int& newHeight) const;
    void FormResize();
    void StyleTateClick();
    void X1Click();

    // Magnification and panning.
    void FitMagnification();
    void CBMagChange();
    void BtnFitClick();
    void BtnX1Click();
    void Button2Click();
    void FormMouseWheelUp();
    void FormMouseWheelDown();
    void Timer1Timer();
    void Image1MouseDown(int panel, Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y);
    void Image1MouseMove(int panel, Qt::KeyboardModifiers shift, int x, int y);
    void Image1MouseUp(int panel, Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y);
    void FormKeyDown(int key, Qt::KeyboardModifiers shift);
    void FormKeyUp(int key, Qt::KeyboardModifiers shift);
    void FormMouseMove(Qt::KeyboardModifiers shift);

    // Opening pictures.
    void LoadPictures(const QStringList& names);
    void N1Click();
    void O1Click();
    void WMDropFiles(const QStringList& names);
    void WMUserArguments();

    // Settings: read at the first show, written at every close.
    void FormShow();
    void FormClose();

    // Commands whose work comes with later features; the controls exist already.
    void BtnRightRClick(QObject* sender);
    void Button1Click();
    void R1Click();
    void Susie1Click();

    // Window bounds including the frame, as the settings file keeps them.
    QRect OuterBounds() const;
    void SetOuterBounds(const QRect& bounds);
    QSize ClientSize() const;
    QString MagnificationText() const;
    void SetMagnificationText(const QString& text);  // as the program writes it: no CBMagChange

    // State.
    std::array<TViewPanel, kPanelMax> Panels;
    int PanelCount = 0;
    bool ShownOnce = false;
    bool Dragging = false;
    bool ZoomPending = false;
    int LastX = 0;
    int LastY = 0;
    TViewState View;
    QString CurrentFile;
    QStringList AppNames;  // registered applications; "-" marks a free entry
    QStringList AppPaths;

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
    QAction* C1 = nullptr;
    QAction* N90R1 = nullptr;
    QAction* N90L1 = nullptr;
    QAction* N180D1 = nullptr;
    QAction* S1 = nullptr;
    QAction* R1 = nullptr;
    QAction* StyleTate = nullptr;
    QAction* Susie1 = nullptr;

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void CreateControls();
    void CreatePanels();
    void CreateMainMenu();
    void ApplyMinimumSize();
    QMargins FrameMargins() const;
    void ApplyMagnificationText();
    void WheelStep(bool awayFromUser);
    void ShowCrossCursor(bool on);
    bool IsOwnWidget(QObject* object) const;
    void ReadSettings();
    void WriteSettings();

    Prompter* FPrompter;
    TMainFormEnv FEnv;
    QRect FPendingOuter;          // bounds to re-apply once the window frame is known
    bool FCrossCursor = false;    // our cross cursor is on the override stack
    bool FHandlingDrop = false;
    int FWheelRemainder = 0;      // partial wheel turns (high-resolution wheels, touchpads)
    struct KeptSetting {
        QString section, key, value;
    };
    std::vector<KeptSetting> FKeptSettings;  // values whose owners come later: written back unchanged
};
