#include "viewer/Mainunit.h"

#include "chooser/Pictselectdlg.h"
#include "dialogs/Appdialog.h"
#include "dialogs/Appsetting.h"
#include "dialogs/Dirselform.h"
#include "dialogs/Spisetting.h"
#include "loading/SpiHost.h"
#include "ui/DialogFont.h"
#include "ui/Guard.h"
#include "ui/Prompter.h"
#include "viewer/PanelLayout.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QComboBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QStyleOptionComboBox>
#include <QTimer>
#include <QWheelEvent>
#include <algorithm>

namespace {


// A sunken line along the top edge under the menu.
class TBevelLine : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.setPen(palette().color(QPalette::Dark));
        p.drawLine(0, 0, width() - 1, 0);
        p.setPen(palette().color(QPalette::Light));
        p.drawLine(0, 1, width() - 1, 1);
    }
};

}  // namespace

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

    CreatePanZoom();
    CreateControls();
    CreatePanels();
    CreateMainMenu();
    CreatePopupMenu();

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(100);
    connect(Timer1, &QTimer::timeout, this, &TMainForm::Timer1Timer);
    Timer1->start();

    // Key preview: the window sees key presses before the focused control. This one filter
    // also sees the client's resizes, the boxes' mouse moves and the magnification box's
    // wheel; a second filter on those widgets would handle each event twice.
    qApp->installEventFilter(this);

    SetOuterBounds(kDesignBounds);

    CreateDialogs();
}

void TMainForm::CreateDialogs()
{
    // The list dialog keeps a reference to its edit dialog, so that one has to exist first;
    // the others follow in their usual order. All live as long as the window.
    AppSetDlg = new TAppSetDlg(*FPrompter, this);
    TAppDialog = new TTAppDialog(*FPrompter, *AppSetDlg, this);
    for (int slot = 0; slot < kAppSlotCount; ++slot) {
        TAppDialog->AppNames[slot] = QStringLiteral("-");
        TAppDialog->AppPaths[slot] = QStringLiteral("-");
    }
    DirSel = new TDirSel(*FPrompter, this);
    SpiSetDlg = new TSpiSetDlg(*FPrompter, DirSel, this);
    PictSelectDialog = new TPictSelectDialog(*FPrompter, this, FEnv.chooserTimer, FEnv.chooserJob);
}

TMainForm::~TMainForm() = default;

namespace {

// Height of the text field inside an editable combo box of the given size.
int ComboEditHeight(const QComboBox& combo, QSize size)
{
    QStyleOptionComboBox option;
    option.initFrom(&combo);
    option.rect = QRect(QPoint(), size);
    option.editable = true;
    option.frame = true;
    return combo.style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, &combo).height();
}

}  // namespace

void TMainForm::CreateControls()
{
    const QFont controlFont = FittedFont(13, FramedTextHeight(21));
    auto button = [&](const char* name, const QString& caption, QRect bounds) {
        auto* b = new QPushButton(caption, Client);
        b->setObjectName(QString::fromLatin1(name));
        b->setFont(controlFont);
        b->setGeometry(bounds);
        return b;
    };

    Bevel1 = new TBevelLine(Client);
    Bevel1->setObjectName(QStringLiteral("Bevel1"));
    Bevel1->setGeometry(0, 0, 0, 17);

    BtnFit = button("BtnFit", QStringLiteral("自動調整(&A)"), QRect(0, 4, 81, 21));
    BtnX1 = button("BtnX1", QStringLiteral("等倍(&1)"), QRect(80, 4, 57, 21));

    CBMag = new QComboBox(Client);
    CBMag->setObjectName(QStringLiteral("CBMag"));
    CBMag->setEditable(true);
    CBMag->setFont(FittedFont(13, ComboEditHeight(*CBMag, QSize(73, 21))));
    CBMag->setInsertPolicy(QComboBox::NoInsert);
    CBMag->addItems({"0.0625", "0.125", "0.25", "0.5", "0.75", "1.0", "1.5", "2.0", "2.5", "3.0", "4.0",
                     "6.0", "8.0", "16.0"});
    CBMag->setGeometry(142, 4, 73, 21);
    SetMagnificationText(QStringLiteral("0.125"));

    Button2 = button("Button2", QStringLiteral("原点(&R)"), QRect(224, 4, 57, 21));
    BtnLeftR = button("BtnLeftR", QString(), QRect(288, 4, 21, 21));
    BtnRightR = button("BtnRightR", QString(), QRect(312, 4, 21, 21));
    Button1 = button("Button1", QStringLiteral("整理先(&P)"), QRect(344, 4, 65, 21));

    LbDistnation = new QLabel(Client);
    LbDistnation->setObjectName(QStringLiteral("LbDistnation"));
    LbDistnation->setFont(controlFont);
    // The label is as high as its text's line, like every label of the forms.
    LbDistnation->setGeometry(416, 8, 0, LbDistnation->fontMetrics().height());
    LbDistnation->setText(QDir::homePath());

    // The program writes the box's text without applying it; only the user's edits apply.
    // A typed text applies as soon as it is a magnification; one that is not yet (empty,
    // "0", "1e") waits quietly and is refused only when the user commits it.
    connect(CBMag->lineEdit(), &QLineEdit::textEdited, this, [this] { FPanZoom->TextEdited(); });
    connect(CBMag->lineEdit(), &QLineEdit::editingFinished, this, [this] { FPanZoom->TextCommitted(); });
    connect(CBMag, &QComboBox::activated, this, [this] { FPanZoom->ItemChosen(); });
    connect(BtnFit, &QPushButton::clicked, this, &TMainForm::BtnFitClick);
    connect(BtnX1, &QPushButton::clicked, this, &TMainForm::BtnX1Click);
    connect(Button2, &QPushButton::clicked, this, &TMainForm::Button2Click);
    connect(BtnLeftR, &QPushButton::clicked, this, [this] { BtnRightRClick(BtnLeftR); });
    connect(BtnRightR, &QPushButton::clicked, this, [this] { BtnRightRClick(BtnRightR); });
    connect(Button1, &QPushButton::clicked, this, &TMainForm::Button1Click);
}

void TMainForm::CreatePanels()
{
    // The caption has the strip above the text line; the text line its own 21 pixels.
    const QFont captionFont = TightFittedFont(13, kTextLineTop);
    const QFont textLineFont = FittedFont(13, FramedTextHeight(21));
    for (int i = 0; i < kPanelMax; ++i) {
        const QString n = QString::number(i + 1);
        Grp[i] = new TPanelGroup(Client);
        Grp[i]->setObjectName(QStringLiteral("Grp") + n);
        Grp[i]->setFont(captionFont);
        Grp[i]->setMouseTracking(true);
        EdText[i] = new QLineEdit(Grp[i]);
        EdText[i]->setObjectName(QStringLiteral("EdText") + n);
        EdText[i]->setFont(textLineFont);
        EdText[i]->setReadOnly(true);
        EdText[i]->setGeometry(8, kTextLineTop, 0, 21);
        EdText[i]->setMouseTracking(true);
        Image[i] = new TPanelImage(i, Grp[i]);
        Image[i]->setObjectName(QStringLiteral("Image") + n);
        Image[i]->move(8, 48);
        connect(Image[i], &TPanelImage::MouseDown, this, &TMainForm::Image1MouseDown);
        connect(Image[i], &TPanelImage::MouseMove, this, &TMainForm::Image1MouseMove);
        connect(Image[i], &TPanelImage::MouseUp, this, &TMainForm::Image1MouseUp);
        Grp[i]->hide();
        Panels[i].Bind(Grp[i], EdText[i], Image[i], FEnv.screenSize);
    }
}

QRect TMainForm::OuterBounds() const
{
    return frameGeometry();
}

void TMainForm::SetOuterBounds(const QRect& bounds)
{
    FBounds.Set(bounds);
}

QSize TMainForm::ClientSize() const
{
    return Client->size();
}

bool TMainForm::event(QEvent* e)
{
    const bool result = QMainWindow::event(e);
    FBounds.WindowEvent(*e);
    return result;
}

bool TMainForm::IsOwnWidget(QObject* object) const
{
    auto* widget = qobject_cast<QWidget*>(object);
    return widget && widget->window() == this;
}

bool TMainForm::eventFilter(QObject* watched, QEvent* e)
{
    switch (e->type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease: {
        // Only the first receiver: a key that a control ignores travels on to its parents.
        QWidget* focus = QApplication::focusWidget();
        if (IsOwnWidget(watched) && (watched == focus || (!focus && watched == this))) {
            auto* key = static_cast<QKeyEvent*>(e);
            if (e->type() == QEvent::KeyPress)
                FormKeyDown(key->key(), key->modifiers());
            else if (!key->isAutoRepeat())
                FormKeyUp(key->key(), key->modifiers());
        }
        break;
    }
    case QEvent::MouseMove:
        // A release that never reached us (a box opened by the press took it) ends the drag
        // here, before the image control pans the views after a mouse whose button is up.
        if (!static_cast<QMouseEvent*>(e)->buttons().testFlag(Qt::LeftButton)
            && std::find(Image.begin(), Image.end(), watched) != Image.end())
            FPanZoom->EndDrag();
        if (watched == Client || std::find(Grp.begin(), Grp.end(), watched) != Grp.end()
            || std::find(EdText.begin(), EdText.end(), watched) != EdText.end())
            FormMouseMove(static_cast<QMouseEvent*>(e)->modifiers());
        break;
    case QEvent::Resize:
        if (watched == Client)
            FormResize();
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
    const QSize client = ClientSize();
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

void TMainForm::FormResize()
{
    const int w = ClientSize().width();
    Bevel1->setGeometry(0, 0, w, 17);
    LbDistnation->setGeometry(416, 8, std::max(0, w - 416), LbDistnation->height());
    ArrangePanels(PanelCount);
    RedrawPanels();
}

void TMainForm::StyleTateClick()
{
    // Triggering the check item inverts its mark; its triggered signal rearranges.
    StyleTate->trigger();
}

void TMainForm::X1Click()
{
    FPanZoom->EndDrag();
    PanelCount = 0;
    close();
}

void TMainForm::showEvent(QShowEvent* e)
{
    QMainWindow::showEvent(e);
    FormShow();
}

void TMainForm::closeEvent(QCloseEvent* e)
{
    FormClose();
    e->accept();
}
