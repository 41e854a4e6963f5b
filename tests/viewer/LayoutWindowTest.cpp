#include "MainFormFixture.h"

#include "chooser/Pictselectdlg.h"
#include "dialogs/Appdialog.h"
#include "dialogs/Appsetting.h"
#include "dialogs/Dirselform.h"
#include "dialogs/Spisetting.h"
#include "ui/DialogFont.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QStyleOptionButton>
#include <QStyleOptionFrame>
#include <QTableView>
#include <QTimer>
#include <QTreeWidget>

namespace {

using LayoutWindow = MainFormTest;

// The plug-in folder, folder choice and registration dialogs open in the middle of the
// screen, not over the window, at every showing.
TEST_F(LayoutWindow, DialogsOpenInTheMiddleOfTheScreen)
{
    MakeForm();
    form->show();
    Settle();
    const QPoint middle = QGuiApplication::primaryScreen()->availableGeometry().center();
    ASSERT_GT((form->frameGeometry().center() - middle).manhattanLength(), 50) << "the window is off the middle";
    for (QDialog* dialog : {static_cast<QDialog*>(Dialog<TSpiSetDlg>()), static_cast<QDialog*>(Dialog<TDirSel>()),
                            static_cast<QDialog*>(Dialog<TTAppDialog>()), static_cast<QDialog*>(Dialog<TAppSetDlg>())}) {
        SCOPED_TRACE(dialog->windowTitle().toStdString());
        for (int showing = 0; showing < 2; ++showing) {
            dialog->show();
            EXPECT_LE((dialog->frameGeometry().center() - middle).manhattanLength(), 2);
            dialog->move(0, 0);
            dialog->hide();
        }
    }
}

// Rows of area that hold text ink (pixels far darker than the window's face).
int InkRows(const QImage& image, QRect area)
{
    int rows = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (qGray(image.pixel(x, y)) < 100) {
                ++rows;
                break;
            }
    return rows;
}

// Height a line edit gives its text: inside the frame the style draws.
int LineEditTextHeight(const QLineEdit& edit)
{
    QStyleOptionFrame frame;
    frame.initFrom(&edit);
    frame.lineWidth = edit.hasFrame() ? edit.style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &frame, &edit) : 0;
    return edit.style()->subElementRect(QStyle::SE_LineEditContents, &frame, &edit).height();
}

TEST_F(LayoutWindow, PanelCaptionAndTextLineShowWhole)
{
    MakeForm();
    ShowWithClient(QSize(600, 400));
    Load({Picture("d_jpg_Canon_EOS_350D_gjpqy.jpg", QSize(64, 48))});
    ASSERT_EQ(form->LoadedPanels(), 1);
    auto* group = static_cast<TPanelGroup*>(form->Panel(0).Group);
    const QLineEdit* line = form->Panel(0).TextLine;
    const QFontMetrics caption(group->font());

    // The caption drawn on its own shows as many inked rows as it shows above the text line.
    QImage alone(caption.horizontalAdvance(group->title()) + 8, 3 * caption.height(), QImage::Format_RGB32);
    alone.fill(group->palette().window().color());
    QPainter painter(&alone);
    painter.setFont(group->font());
    painter.drawText(0, 2 * caption.height(), group->title());
    painter.end();
    const QImage shown = group->grab().toImage();
    EXPECT_EQ(InkRows(shown, QRect(0, 0, alone.width(), line->y())), InkRows(alone, alone.rect()));

    // And by the metrics: the full descent, underline included, ends above the text line.
    const int baseline = group->CaptionBaseline();
    EXPECT_GE(baseline + caption.tightBoundingRect(group->title()).top(), 0);
    EXPECT_LE(baseline + caption.descent(), line->y());
    EXPECT_LT(baseline + caption.underlinePos(), line->y());
    EXPECT_LE(line->fontMetrics().height(), LineEditTextHeight(*line)) << "the text line's whole line";
}

TEST_F(LayoutWindow, CaptionControlStripAndDesignBounds)
{
    MakeForm();
    EXPECT_EQ(form->windowTitle(), QString::fromUtf8("Velumira(PENTAX *ist D RAW 対応)\xE3\x80\x80Version 0.23"));
    EXPECT_EQ(form->OuterBounds(), QRect(192, 120, 640, 454));

    struct Expected {
        QWidget* widget;
        QRect bounds;
        QString caption;
    };
    const Expected controls[] = {
        {Control<QPushButton>("BtnFit"), QRect(0, 4, 81, 21), QStringLiteral("自動調整(&A)")},
        {Control<QPushButton>("BtnX1"), QRect(80, 4, 57, 21), QStringLiteral("等倍(&1)")},
        {Control<QPushButton>("Button2"), QRect(224, 4, 57, 21), QStringLiteral("原点(&R)")},
        {Control<QPushButton>("BtnLeftR"), QRect(288, 4, 21, 21), QString()},
        {Control<QPushButton>("BtnRightR"), QRect(312, 4, 21, 21), QString()},
        {Control<QPushButton>("Button1"), QRect(344, 4, 65, 21), QStringLiteral("整理先(&P)")},
    };
    for (const Expected& c : controls) {
        SCOPED_TRACE(c.widget->objectName().toStdString());
        EXPECT_EQ(c.widget->geometry(), c.bounds);
        EXPECT_EQ(static_cast<QPushButton*>(c.widget)->text(), c.caption);
        EXPECT_EQ(c.widget->font().pixelSize(), 13);
    }
    EXPECT_FALSE(Control<QPushButton>("BtnLeftR")->icon().isNull());
    EXPECT_FALSE(Control<QPushButton>("BtnRightR")->icon().isNull());
    EXPECT_EQ(Control<QComboBox>("CBMag")->geometry().topLeft(), QPoint(142, 4));
    EXPECT_EQ(Control<QComboBox>("CBMag")->width(), 73);
    EXPECT_TRUE(Control<QComboBox>("CBMag")->isEditable());
    EXPECT_EQ(Control<QComboBox>("CBMag")->currentText(), QStringLiteral("0.125"));
    EXPECT_EQ(Control<QComboBox>("CBMag")->count(), 14);
    EXPECT_EQ(Control<QComboBox>("CBMag")->itemText(0), QStringLiteral("0.0625"));
    EXPECT_EQ(Control<QComboBox>("CBMag")->itemText(13), QStringLiteral("16.0"));
    EXPECT_EQ(Control<QLabel>("LbDistnation")->geometry().topLeft(), QPoint(416, 8));
    EXPECT_EQ(form->font().pixelSize(), 15);
    EXPECT_TRUE(Control<QTimer>("Timer1")->isActive());
    EXPECT_EQ(Control<QTimer>("Timer1")->interval(), 100);
    for (QGroupBox* g : Groups())
        EXPECT_TRUE(g->isHidden());
}

TEST_F(LayoutWindow, EveryTextFitsItsBoxInEveryWindow)
{
    MakeForm();
    // The main window's own controls only: the dialogs are its children too.
    const std::pair<const char*, QWidget*> windows[] = {
        {"main", form->centralWidget()}, {"chooser", Dialog<TPictSelectDialog>()}, {"folder", Dialog<TDirSel>()},
        {"apps", Dialog<TTAppDialog>()}, {"app", Dialog<TAppSetDlg>()}, {"plug-ins", Dialog<TSpiSetDlg>()}};
    for (const auto& [name, window] : windows) {
        window->window()->show();
        QApplication::processEvents();
        for (QPushButton* b : window->findChildren<QPushButton*>()) {
            SCOPED_TRACE(std::string(name) + " button " + b->text().toStdString());
            QStyleOptionButton option;
            option.initFrom(b);
            const QRect box = b->style()->subElementRect(QStyle::SE_PushButtonContents, &option, b);
            EXPECT_LE(b->fontMetrics().height(), box.height());
            EXPECT_LE(b->fontMetrics().horizontalAdvance(QString(b->text()).remove(u'&')), box.width());
        }
        for (QLabel* l : window->findChildren<QLabel*>()) {
            if (l->text().isEmpty() || l->wordWrap())
                continue;
            SCOPED_TRACE(std::string(name) + " label " + l->text().toStdString());
            EXPECT_LE(l->fontMetrics().height(), l->contentsRect().height());
            EXPECT_LE(l->fontMetrics().horizontalAdvance(l->text()), l->contentsRect().width());
        }
        for (QLineEdit* e : window->findChildren<QLineEdit*>())
            EXPECT_LE(e->fontMetrics().height(), LineEditTextHeight(*e)) << name << " edit";
        for (QAbstractItemView* v : window->findChildren<QAbstractItemView*>()) {
            const auto* rows = dynamic_cast<TFittedRowDelegate*>(v->itemDelegate());
            const auto* table = qobject_cast<QTableView*>(v);
            if (rows) {  // the others' rows are as high as their font's line
                EXPECT_LE(TightLineHeight(v->font()), rows->RowHeight() - (table && table->showGrid() ? 1 : 0)) << name;
            }
        }
        for (QStatusBar* s : window->findChildren<QStatusBar*>())
            EXPECT_LE(s->fontMetrics().height(), s->height()) << name;
        window->window()->hide();
    }
    // Every slot of the application list shows without scrolling.
    QTreeWidget* apps = Dialog<TTAppDialog>()->List;
    EXPECT_LE(apps->visualItemRect(apps->topLevelItem(apps->topLevelItemCount() - 1)).bottom(),
              apps->viewport()->height() - 1);
}

TEST_F(LayoutWindow, MainMenuItemsInOrder)
{
    MakeForm();
    const QList<QAction*> top = form->menuBar()->actions();
    ASSERT_EQ(top.size(), 3);
    const QStringList expected[] = {
        {"ファイル(&F)", "ｻﾑﾈｲﾙを見て開く(&O)", "標準ﾀﾞｲｱﾛｸﾞで開く", "次の組(&N)", "前の組(&B)", "", "終了(&X)"},
        {"操作(&C)", "右90度回転(&R)", "左90度回転(&L)", "180度回転(&D)", "", "ピント表示(&F)", "AF点表示(&A)",
         "AF点へ移動(&J)"},
        {"設定(&S)", "ｱﾌﾟﾘｹｰｼｮﾝ登録(&R)", "上下配置優先(&S)", "Susieプラグイン設定(&P)"},
    };
    for (int m = 0; m < 3; ++m) {
        QStringList shown{top[m]->text()};
        for (QAction* a : top[m]->menu()->actions())
            shown << (a->isSeparator() ? QString() : a->text());
        EXPECT_EQ(shown, expected[m]);
    }
    EXPECT_TRUE(Control<QAction>("StyleTate")->isCheckable());
    EXPECT_FALSE(Control<QAction>("StyleTate")->isChecked());
    EXPECT_TRUE(Control<QAction>("N2")->isSeparator());
}

TEST_F(LayoutWindow, TwoPicturesSideBySideThenStacked)
{
    MakeForm();
    ShowWithClient(QSize(600, 400));
    ASSERT_EQ(form->centralWidget()->size(), QSize(600, 400));
    Load({Picture("a.bmp", QSize(300, 200)), Picture("b.bmp", QSize(200, 300))});
    ASSERT_EQ(form->LoadedPanels(), 2);
    EXPECT_EQ(VisiblePanels(), (std::vector<QRect>{QRect(0, 32, 300, 368), QRect(299, 32, 300, 368)}));
    EXPECT_EQ(form->Panel(0).Image->size(), QSize(284, 312));
    EXPECT_EQ(form->Panel(1).TextLine->geometry(), QRect(8, 16, 284, 21));

    Pan(0, 17, 0);
    Pan(1, 0, 5, true);
    const float magnification = form->PanZoom().State().Magnification;
    Control<QAction>("StyleTate")->trigger();
    EXPECT_TRUE(Control<QAction>("StyleTate")->isChecked());
    EXPECT_EQ(VisiblePanels(), (std::vector<QRect>{QRect(0, 32, 600, 184), QRect(0, 215, 600, 184)}));
    EXPECT_EQ(form->PanZoom().State().OffsetX, 17) << "the layout style keeps the views";
    EXPECT_EQ(form->PanZoom().State().PanelOffsetY[1], 5);
    EXPECT_EQ(form->PanZoom().State().Magnification, magnification);
}

TEST_F(LayoutWindow, ThreePicturesLeaveTheFourthCellEmpty)
{
    MakeForm();
    ShowWithClient(QSize(600, 400));
    Load({Picture("a.bmp", QSize(30, 20)), Picture("b.bmp", QSize(30, 20)),
                        Picture("c.bmp", QSize(30, 20))});
    EXPECT_EQ(VisiblePanels(),
              (std::vector<QRect>{QRect(0, 32, 300, 184), QRect(299, 32, 300, 184), QRect(0, 215, 300, 184)}));
    EXPECT_TRUE(form->Panel(3).Group->isHidden());
}

TEST_F(LayoutWindow, StyleWithOnePictureChangesNothing)
{
    MakeForm();
    ShowWithClient(QSize(600, 400));
    Load({Picture("a.bmp", QSize(30, 20))});
    const std::vector<QRect> before = VisiblePanels();
    Control<QAction>("StyleTate")->trigger();
    EXPECT_EQ(VisiblePanels(), before);
    Control<QAction>("StyleTate")->trigger();
    EXPECT_FALSE(Control<QAction>("StyleTate")->isChecked());
}

TEST_F(LayoutWindow, ResizingRearrangesWithoutNewDisplayImages)
{
    MakeForm();
    ShowWithClient(QSize(600, 400));
    Load({Picture("a.bmp", QSize(300, 200)), Picture("b.bmp", QSize(300, 200))});
    const uchar* bits = form->Panel(0).Display().constBits();
    Pan(0, 9, 0);
    ShowWithClient(QSize(800, 500));
    EXPECT_EQ(VisiblePanels(), (std::vector<QRect>{QRect(0, 32, 400, 468), QRect(399, 32, 400, 468)}));
    EXPECT_EQ(form->Panel(0).Display().constBits(), bits);
    EXPECT_EQ(form->PanZoom().State().OffsetX, 9);
    EXPECT_EQ(Control<QWidget>("Bevel1")->width(), 800);
}

TEST_F(LayoutWindow, OneResizeRedrawsEachPanelOnce)
{
    MakeForm();
    ShowWithClient(QSize(600, 400));
    Load({Picture("a.bmp", QSize(300, 200)), Picture("b.bmp", QSize(300, 200))});
    const int draws0 = form->Panel(0).Draws;
    const int draws1 = form->Panel(1).Draws;
    form->resize(form->size() + QSize(120, 60));
    QApplication::processEvents();
    EXPECT_EQ(form->Panel(0).Draws, draws0 + 1);
    EXPECT_EQ(form->Panel(1).Draws, draws1 + 1);
}

TEST_F(LayoutWindow, WindowStopsAtItsMinimumSize)
{
    MakeForm();
    int w = 300, h = 100;
    form->FormCanResize(w, h);
    EXPECT_EQ(w, 480);
    EXPECT_EQ(h, 200);
    w = 481;
    h = 201;
    form->FormCanResize(w, h);
    EXPECT_EQ(w, 481);
    EXPECT_EQ(h, 201);

    form->show();
    Settle();
    form->SetOuterBounds(QRect(10, 10, 100, 50));
    EXPECT_EQ(form->OuterBounds().size(), QSize(480, 200));
}

TEST_F(LayoutWindow, ExitEndsADragEmptiesTheCountAndSaves)
{
    MakeForm();
    form->show();
    Settle();
    Load({Picture("a.bmp", QSize(30, 20))});
    form->Image1MouseDown(0, Qt::LeftButton, Qt::NoModifier, 5, 5);
    ASSERT_TRUE(form->PanZoom().Dragging());
    Control<QAction>("X1")->trigger();
    EXPECT_FALSE(form->PanZoom().Dragging());
    EXPECT_EQ(form->LoadedPanels(), 0);
    EXPECT_FALSE(form->isVisible());
    EXPECT_TRUE(QFileInfo::exists(SettingsPath()));
}

}  // namespace
