#include "viewer/Mainunit.h"

#include "loading/SpiHost.h"
#include "ui/DialogFont.h"
#include "ui/Guard.h"
#include "ui/Prompter.h"
#include "viewer/PanelLayout.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>
#include <QTimer>
#include <QWheelEvent>
#include <algorithm>

QString TMainForm::Caption()
{
    return QStringLiteral("Velumira(PENTAX *ist D RAW 対応)\u3000Version 0.23");
}

TMainForm::TMainForm(const TMainFormEnv& env) : FPrompter(env.prompter), FEnv(env)
{
    if (!FEnv.screenSize.isValid() || FEnv.screenSize.isEmpty()) {
        const QScreen* screen = QGuiApplication::primaryScreen();
        FEnv.screenSize = screen ? screen->size() : QSize(1024, 768);
    }
    setWindowTitle(Caption());
    setFont(FormFont(15));
    setAcceptDrops(false);  // drops are taken from the end of the first show on

    Client = new QWidget(this);
    Client->setObjectName(QStringLiteral("Client"));
    Client->setMouseTracking(true);
    setCentralWidget(Client);

    CreateHelpers();
    CreateControls();
    CreatePanels();
    // The start-up's files decode while the rest of the window is made and shown.
    FShown->Prefetch(FEnv.startupArguments);
    CreateMainMenu();

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(100);
    connect(Timer1, &QTimer::timeout, this, [this] { FPanZoom->Tick(); });
    Timer1->start();

    // Key preview: the window sees key presses before the focused control, so every widget of
    // the window (any may hold the focus, the menu bar too in keyboard mode) and the window
    // itself are watched. The same filter sees the client's resizes, the boxes' mouse moves and
    // the magnification box's wheel. The dialogs, made after this, are windows of their own
    // and are not watched.
    installEventFilter(this);
    for (QWidget* widget : findChildren<QWidget*>())
        if (widget->window() == this)
            widget->installEventFilter(this);

    SetOuterBounds(kDesignBounds);

    CreateDialogs();
    FPopup->Bind(*TAppDialog, *DirSel, *LbDistnation);
}

TMainForm::~TMainForm()
{
    // The box gives up the focus as its widgets go, after the controller is gone; a commit
    // from it then would reach a controller that no longer exists.
    CBMag->lineEdit()->disconnect(this);
    CBMag->disconnect(this);
}

QRect TMainForm::OuterBounds() const
{
    return frameGeometry();
}

void TMainForm::SetOuterBounds(const QRect& bounds)
{
    FBounds.Set(bounds);
}

bool TMainForm::event(QEvent* e)
{
    const bool result = QMainWindow::event(e);
    FBounds.WindowEvent(*e);
    return result;
}

bool TMainForm::eventFilter(QObject* watched, QEvent* e)
{
    switch (e->type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease: {
        // Only the first receiver: a key that a control ignores travels on to its parents.
        QWidget* focus = QApplication::focusWidget();
        if (watched == focus || (!focus && watched == this)) {
            auto* key = static_cast<QKeyEvent*>(e);
            if (e->type() == QEvent::KeyPress)
                FPanZoom->KeyDown(key->key(), key->modifiers());
            else if (!key->isAutoRepeat())
                FPanZoom->KeyUp(key->key(), key->modifiers());
        }
        break;
    }
    case QEvent::ShortcutOverride:
        // A panel's text line is read-only: the focus aids' and AF areas' keys are the
        // window's there too.
        if (std::find(EdText.begin(), EdText.end(), watched) != EdText.end()) {
            const auto* key = static_cast<QKeyEvent*>(e);
            const int k = key->key();
            if ((k == Qt::Key_F || k == Qt::Key_A || k == Qt::Key_J) && key->modifiers() == Qt::NoModifier)
                return true;
        }
        break;
    case QEvent::MouseMove:
        // A release that never reached us (a box opened by the press took it) ends the drag
        // here, before the image control pans the views after a mouse whose button is up.
        if (!static_cast<QMouseEvent*>(e)->buttons().testFlag(Qt::LeftButton)
            && std::find(Image.begin(), Image.end(), watched) != Image.end())
            FPanZoom->EndDrag();
        if (watched == Client || std::find(Grp.begin(), Grp.end(), watched) != Grp.end()
            || std::find(EdText.begin(), EdText.end(), watched) != EdText.end())
            FPanZoom->MouseMoveElsewhere(static_cast<QMouseEvent*>(e)->modifiers());
        break;
    case QEvent::Resize:
        if (watched == Client) {
            const int w = Client->width();
            Bevel1->setGeometry(0, 0, w, 17);
            LbDistnation->setGeometry(416, 8, std::max(0, w - 416), LbDistnation->height());
            ArrangePanels(PanelCount);
            FPanZoom->RedrawPanels();
        }
        break;
    case QEvent::Wheel:
        if (watched == CBMag) {
            // The box would otherwise step through its list at the same time.
            wheelEvent(static_cast<QWheelEvent*>(e));
            return true;
        }
        break;
    default:
        break;
    }
    return QMainWindow::eventFilter(watched, e);
}

void TMainForm::wheelEvent(QWheelEvent* e)
{
    FPanZoom->Wheel(e->angleDelta().y());
    e->ignore();
}

void TMainForm::ArrangePanels(int n)
{
    for (TViewPanel& p : Panels)
        p.Hide();
    const QSize client = Client->size();
    const std::vector<QRect> rects = PanelRects(n, StyleTate->isChecked(), client.width(), client.height());
    for (size_t i = 0; i < rects.size(); ++i)
        Panels[i].Place(rects[i].left(), rects[i].top(), rects[i].width(), rects[i].height());
}

void TMainForm::FormCanResize(int& newWidth, int& newHeight) const
{
    if (newWidth < kMinimumOuter.width())
        newWidth = kMinimumOuter.width();
    if (newHeight < kMinimumOuter.height())
        newHeight = kMinimumOuter.height();
}

void TMainForm::showEvent(QShowEvent* e)
{
    QMainWindow::showEvent(e);
    // The settings are read at the first show; the start-up names load then.
    if (ShownOnce)
        return;
    RunGuarded(*FPrompter, [this] { ReadSettings(); });
    // Pictures of any format still open when the settings could not be read; they just
    // have no plug-ins then.
    if (!SpiHost) {
        SpiHost = std::make_unique<TSpiHost>();
        for (TViewPanel& panel : Panels)
            panel.SetPluginHost(SpiHost.get());
    }
    if (!FEnv.startupArguments.isEmpty())
        RunGuarded(*FPrompter, [this] { LoadPictures(FEnv.startupArguments); });
    setAcceptDrops(true);
    ShownOnce = true;
}

void TMainForm::closeEvent(QCloseEvent* e)
{
    // Without the first show nothing was read: writing the defaults would wipe the user's
    // registered programs and folders. A refused write is reported; the window closes all
    // the same.
    if (ShownOnce)
        RunGuarded(*FPrompter, [this] { WriteSettings(); });
    e->accept();
}
