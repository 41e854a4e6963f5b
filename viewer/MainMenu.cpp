// The main menu and the turn glyphs of the control strip.
#include "viewer/Mainunit.h"

#include <QAction>
#include <QIcon>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QShortcut>
#include <cmath>

namespace {

// A circular arrow turning clockwise; the left turn is its mirror image.
QPixmap TurnPixmap(bool clockwise, QColor colour)
{
    QImage image(16, 16, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        const QRectF circle(3, 3, 10, 10);
        const double startDegrees = 120.0;
        const double sweepDegrees = -270.0;
        QPainterPath arc;
        arc.arcMoveTo(circle, startDegrees);
        arc.arcTo(circle, startDegrees, sweepDegrees);
        p.setPen(QPen(colour, 1.6, Qt::SolidLine, Qt::FlatCap));
        p.drawPath(arc);

        // Arrow head at the end of the arc, pointing along the turn.
        const double end = (startDegrees + sweepDegrees) * M_PI / 180.0;
        const QPointF c = circle.center();
        const double r = circle.width() / 2.0;
        const QPointF tip = c + QPointF(r * std::cos(end), -r * std::sin(end));
        const QPointF dir(std::sin(end), std::cos(end));  // clockwise on screen
        const QPointF normal(-dir.y(), dir.x());
        QPolygonF head;
        head << tip + dir * 3.5 << tip + normal * 3.0 << tip - normal * 3.0;
        p.setPen(Qt::NoPen);
        p.setBrush(colour);
        p.drawPolygon(head);
    }
    if (!clockwise)
        image = image.mirrored(true, false);
    return QPixmap::fromImage(image);
}

QIcon TurnGlyph(bool clockwise)
{
    QIcon icon;
    icon.addPixmap(TurnPixmap(clockwise, QColor(0, 0, 128)), QIcon::Normal);
    icon.addPixmap(TurnPixmap(clockwise, QColor(160, 160, 160)), QIcon::Disabled);
    return icon;
}

QAction* NamedAction(QMenu* menu, const char* name, const QString& caption)
{
    QAction* action = menu->addAction(caption);
    action->setObjectName(QString::fromLatin1(name));
    return action;
}

}  // namespace

void TMainForm::CreateMainMenu()
{
    BtnLeftR->setIcon(TurnGlyph(false));
    BtnRightR->setIcon(TurnGlyph(true));
    BtnLeftR->setIconSize(QSize(16, 16));
    BtnRightR->setIconSize(QSize(16, 16));

    QMenu* file = menuBar()->addMenu(QStringLiteral("ファイル(&F)"));
    F1 = file->menuAction();
    F1->setObjectName(QStringLiteral("F1"));
    O1 = NamedAction(file, "O1", QStringLiteral("ｻﾑﾈｲﾙを見て開く(&O)"));
    N1 = NamedAction(file, "N1", QStringLiteral("標準ﾀﾞｲｱﾛｸﾞで開く"));
    NextGroup = NamedAction(file, "NextGroup", QStringLiteral("次の組(&N)"));
    NextGroup->setShortcut(QKeySequence(Qt::Key_PageDown));
    PrevGroup = NamedAction(file, "PrevGroup", QStringLiteral("前の組(&B)"));
    PrevGroup->setShortcut(QKeySequence(Qt::Key_PageUp));
    N2 = file->addSeparator();
    N2->setObjectName(QStringLiteral("N2"));
    X1 = NamedAction(file, "X1", QStringLiteral("終了(&X)"));

    QMenu* operate = menuBar()->addMenu(QStringLiteral("操作(&C)"));
    C1 = operate->menuAction();
    C1->setObjectName(QStringLiteral("C1"));
    N90R1 = NamedAction(operate, "N90R1", QStringLiteral("右90度回転(&R)"));
    N90L1 = NamedAction(operate, "N90L1", QStringLiteral("左90度回転(&L)"));
    N180D1 = NamedAction(operate, "N180D1", QStringLiteral("180度回転(&D)"));
    operate->addSeparator();
    FocusAid = NamedAction(operate, "FocusAid", QStringLiteral("ピント表示(&F)"));
    FocusAid->setCheckable(true);
    FocusAid->setShortcut(QKeySequence(Qt::Key_F));
    FAfPoints->AddActions(operate);

    QMenu* settings = menuBar()->addMenu(QStringLiteral("設定(&S)"));
    S1 = settings->menuAction();
    S1->setObjectName(QStringLiteral("S1"));
    R1 = NamedAction(settings, "R1", QStringLiteral("ｱﾌﾟﾘｹｰｼｮﾝ登録(&R)"));
    StyleTate = NamedAction(settings, "StyleTate", QStringLiteral("上下配置優先(&S)"));
    StyleTate->setCheckable(true);
    Susie1 = NamedAction(settings, "Susie1", QStringLiteral("Susieプラグイン設定(&P)"));

    connect(O1, &QAction::triggered, this, &TMainForm::O1Click);
    connect(N1, &QAction::triggered, this, &TMainForm::N1Click);
    connect(X1, &QAction::triggered, this, [this] {
        FPanZoom->EndDrag();
        PanelCount = 0;
        close();
    });
    connect(NextGroup, &QAction::triggered, this, [this] { FShown->Step(true, true); });
    connect(PrevGroup, &QAction::triggered, this, [this] { FShown->Step(false, true); });
    // One file at a time: frames 2-5 after 1-4.
    connect(new QShortcut(QKeySequence(Qt::SHIFT | Qt::Key_PageDown), this), &QShortcut::activated, this,
            [this] { FShown->Step(true, false); });
    connect(new QShortcut(QKeySequence(Qt::SHIFT | Qt::Key_PageUp), this), &QShortcut::activated, this,
            [this] { FShown->Step(false, false); });
    connect(N90R1, &QAction::triggered, this, [this] { BtnRightRClick(N90R1); });
    connect(N90L1, &QAction::triggered, this, [this] { BtnRightRClick(N90L1); });
    connect(N180D1, &QAction::triggered, this, [this] { BtnRightRClick(N180D1); });
    connect(FocusAid, &QAction::triggered, this, [this] { FFocusAids->SetEnabled(FocusAid->isChecked()); });
    connect(R1, &QAction::triggered, FPopup, &TPicturePopup::R1Click);
    connect(StyleTate, &QAction::triggered, this, [this] {
        ArrangePanels(PanelCount);
        FPanZoom->RedrawPanels();
    });
    connect(Susie1, &QAction::triggered, this, &TMainForm::Susie1Click);
}

