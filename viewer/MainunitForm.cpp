// The main window's controls, panels and dialogs, made once with the window.
#include "chooser/Pictselectdlg.h"
#include "dialogs/Appdialog.h"
#include "dialogs/Appsetting.h"
#include "dialogs/Dirselform.h"
#include "dialogs/Spisetting.h"
#include "ui/DialogFont.h"
#include "viewer/Mainunit.h"

#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QStyleOptionComboBox>

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
    FPanZoom->SetMagnificationText(QStringLiteral("0.125"));

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
    connect(BtnFit, &QPushButton::clicked, this, [this] { FPanZoom->Fit(); });
    connect(BtnX1, &QPushButton::clicked, this, [this] { FPanZoom->OneToOne(); });
    connect(Button2, &QPushButton::clicked, this, [this] { FPanZoom->Origin(); });
    connect(BtnLeftR, &QPushButton::clicked, this, [this] { BtnRightRClick(BtnLeftR); });
    connect(BtnRightR, &QPushButton::clicked, this, [this] { BtnRightRClick(BtnRightR); });
    connect(Button1, &QPushButton::clicked, FPopup, &TPicturePopup::Button1Click);
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
        connect(Image[i], &TPanelImage::MouseMove, this,
                [this](int panel, Qt::KeyboardModifiers shift, int x, int y) { FPanZoom->MouseMove(panel, shift, x, y); });
        connect(Image[i], &TPanelImage::MouseUp, this,
                [this](int, Qt::MouseButton button, Qt::KeyboardModifiers, int, int) { FPanZoom->MouseUp(button); });
        Grp[i]->hide();
        Panels[i].Bind(Grp[i], EdText[i], Image[i], FEnv.screenSize);
    }
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
