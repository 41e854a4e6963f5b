#include "MainFormFixture.h"

#include "loading/Bmpmagbase.h"

#include <QAction>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <functional>

namespace {

const QRgb kRed = 0xFF0000;
const QRgb kGreen = 0x00FF00;
const QRgb kBlue = 0x0000FF;
const QRgb kYellow = 0xFFFF00;

class Rotation : public MainFormTest {
protected:
    // A picture in four quadrants: red top-left, green top-right, blue bottom-left,
    // yellow bottom-right, so every turn puts another colour in the top-left corner.
    QString Quadrants(const QString& name, QSize size)
    {
        QImage image(size, QImage::Format_RGB888);
        const int hw = size.width() / 2, hh = size.height() / 2;
        for (int y = 0; y < size.height(); ++y)
            for (int x = 0; x < size.width(); ++x)
                image.setPixel(x, y, y < hh ? (x < hw ? kRed : kGreen) : (x < hw ? kBlue : kYellow));
        const QString path = folder.Path(name);
        if (!image.save(path))
            throw std::runtime_error("cannot write picture");
        return path;
    }
    void LoadTwo(QSize size, const char* ext = "bmp")
    {
        MakeForm();
        ShowWithClient(QSize(600, 400));  // image controls 284 x 312
        Load({Quadrants(QStringLiteral("a.") + ext, size), Quadrants(QStringLiteral("b.") + ext, size)});
        ASSERT_EQ(form->LoadedPanels(), 2);
    }
    QRgb TopLeft(int panel) const { return form->Panel(panel).Picture->Image().pixel(0, 0) & 0xFFFFFF; }
    QRgb Shown(int panel) const { return form->Panel(panel).Display().pixel(0, 0) & 0xFFFFFF; }
    void ExpectAtOrigin() const
    {
        EXPECT_EQ(form->PanZoom().State().OffsetX, 0);
        EXPECT_EQ(form->PanZoom().State().OffsetY, 0);
        for (int i = 0; i < kPanelMax; ++i) {
            EXPECT_EQ(form->PanZoom().State().PanelOffsetX[i], 0) << "panel " << i;
            EXPECT_EQ(form->PanZoom().State().PanelOffsetY[i], 0) << "panel " << i;
        }
    }
};

struct TurnCase {
    const char* name;
    std::function<void(TMainForm&)> command;  // as the user gives it: a button or a menu item
    QRgb topLeft;
    bool quarter;
};
// Keeps test names short in the runner's listing.
inline void PrintTo(const TurnCase& c, std::ostream* os) { *os << c.name; }


class TurnTable : public Rotation, public ::testing::WithParamInterface<TurnCase> {};

TEST_P(TurnTable, EveryControlTurnsEveryPictureItsWay)
{
    LoadTwo(QSize(60, 40));
    GetParam().command(*form);
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(TopLeft(i), GetParam().topLeft) << "panel " << i;
        EXPECT_EQ(Shown(i), GetParam().topLeft) << "the panel shows the turned picture, panel " << i;
        EXPECT_EQ(form->Panel(i).Picture->Width(), GetParam().quarter ? 40 : 60);
    }
    EXPECT_EQ(Errors(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Rotation, TurnTable,
    ::testing::Values(TurnCase{"RightButton", [](TMainForm& f) { f.findChild<QPushButton*>("BtnRightR")->click(); }, kBlue, true},
                      TurnCase{"RightMenuItem", [](TMainForm& f) { f.findChild<QAction*>("N90R1")->trigger(); }, kBlue, true},
                      TurnCase{"LeftButton", [](TMainForm& f) { f.findChild<QPushButton*>("BtnLeftR")->click(); }, kGreen, true},
                      TurnCase{"LeftMenuItem", [](TMainForm& f) { f.findChild<QAction*>("N90L1")->trigger(); }, kGreen, true},
                      TurnCase{"HalfTurnMenuItem", [](TMainForm& f) { f.findChild<QAction*>("N180D1")->trigger(); }, kYellow, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Rotation, QuarterTurnFitsTheUprightShapeAndKeepsTheTextLines)
{
    MakeForm();
    ShowWithClient(QSize(600, 400));
    Load({Picture("a.jpg", QSize(3008, 2008)), Picture("b.jpg", QSize(3008, 2008))});
    ASSERT_EQ(form->LoadedPanels(), 2);
    const QString text0 = form->Panel(0).TextLine->text();
    ASSERT_TRUE(text0.startsWith(QStringLiteral("3008×2008")));
    Pan(0, 40, 0);
    Pan(1, 0, -9, true);

    form->BtnRightRClick(Control<QPushButton>("BtnRightR"));

    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(form->Panel(i).Picture->Width(), 2008);
        EXPECT_EQ(form->Panel(i).Picture->Height(), 3008);
    }
    // 284 / 2008 = 0.1414 against 312 / 3008 = 0.1037: the upright height decides.
    EXPECT_EQ(form->MagnificationText(), QStringLiteral("  0.1037"));
    EXPECT_EQ(form->PanZoom().State().Magnification, 0.1037f);
    EXPECT_EQ(form->Panel(1).Picture->FMagnification, 0.1037f);
    ExpectAtOrigin();
    EXPECT_EQ(form->Panel(0).TextLine->text(), text0) << "the text line keeps the size as loaded";
    EXPECT_EQ(form->Panel(1).Group->title(), QStringLiteral("b.jpg"));
}

TEST_F(Rotation, FourTurnsGiveThePicturesAsLoaded)
{
    LoadTwo(QSize(600, 400));
    const QImage loaded = form->Panel(0).Picture->Image().copy();
    const QString fit = form->MagnificationText();
    for (int turn = 0; turn < 4; ++turn)
        form->BtnRightRClick(Control<QAction>("N90R1"));
    EXPECT_EQ(form->Panel(0).Picture->Image(), loaded);
    EXPECT_EQ(form->MagnificationText(), fit);
    EXPECT_EQ(Shown(0), kRed);
    ExpectAtOrigin();
}

TEST_F(Rotation, HalfTurnKeepsTheFitButResetsPanelAdjustments)
{
    LoadTwo(QSize(600, 400));  // reduced: the fit is below 1
    const QString fit = form->MagnificationText();
    ASSERT_LT(form->PanZoom().State().Magnification, 1.0f);
    Pan(0, 12, 0);
    Pan(1, 30, 0, true);
    Pan(0, 0, -5, true);

    form->BtnRightRClick(Control<QAction>("N180D1"));

    EXPECT_EQ(form->MagnificationText(), fit);
    ExpectAtOrigin();
    // The reduced copy is made again although the magnification did not change.
    ASSERT_TRUE(form->Panel(1).Picture->FReduced);
    EXPECT_EQ(form->Panel(1).Picture->FReduced->pixel(0, 0) & 0xFFFFFF, kYellow);
    EXPECT_EQ(Shown(1), kYellow);
}

TEST_F(Rotation, NothingHappensWithoutPictures)
{
    MakeForm();
    ShowWithClient(QSize(600, 400));
    for (QObject* sender : std::initializer_list<QObject*>{Control<QPushButton>("BtnRightR"), Control<QPushButton>("BtnLeftR"), Control<QAction>("N90R1"),
                                                            Control<QAction>("N90L1"), Control<QAction>("N180D1")})
        form->BtnRightRClick(sender);
    EXPECT_EQ(form->MagnificationText(), QStringLiteral("0.125"));
    EXPECT_EQ(form->PanZoom().State().Magnification, 0.0f);
    EXPECT_TRUE(VisiblePanels().empty());
    EXPECT_TRUE(prompter.shown.empty());
}

}  // namespace
