// The pan and zoom controller against panels, a box and a cursor stack kept in memory.
#include "support/FakePrompter.h"
#include "viewer/PanZoom.h"

#include <gtest/gtest.h>
#include <memory>
#include <vector>

namespace {

struct Drawn {
    int panel, x, y;
    bool operator==(const Drawn&) const = default;
};

class FakeView : public TPanZoomView {
public:
    int PanelCount() const override { return int(pictures.size()); }
    QSize PictureSize(int panel) const override { return pictures[panel]; }
    QSize ImageControlSize() const override { return control; }
    void SetMagnification(int panel, float m, bool force) override { applied.push_back({panel, m, force}); }
    void Draw(int panel, int x, int y) override { drawn.push_back({panel, x, y}); }
    void FocusPanel(int panel) override { focused = panel; }
    QString MagnificationText() const override { return text; }
    void WriteMagnificationText(const QString& t) override { text = t; }
    void PushCrossCursor() override { cursors.push_back(Qt::CrossCursor); }
    bool CrossCursorOnTop() const override { return !cursors.empty() && cursors.back() == Qt::CrossCursor; }
    void PopCursor() override { cursors.pop_back(); }

    struct Applied {
        int panel;
        float m;
        bool force;
    };
    std::vector<QSize> pictures;
    QSize control{284, 312};
    std::vector<Applied> applied;
    std::vector<Drawn> drawn;
    int focused = -1;
    QString text = QStringLiteral("1.0");
    std::vector<Qt::CursorShape> cursors;
};

class PanZoom : public ::testing::Test {
protected:
    void SetUp() override
    {
        view.pictures = {QSize(300, 200), QSize(300, 200)};
        pz.Apply();
        view.drawn.clear();
    }
    void Drag(int panel, int fromX, int toX, Qt::KeyboardModifiers shift = Qt::NoModifier)
    {
        pz.MouseDown(panel, Qt::LeftButton, fromX, 0);
        pz.MouseMove(panel, shift, toX, 0);
    }
    int Errors() const { return int(prompter.shown.size()); }

    FakeView view;
    FakePrompter prompter;
    TPanZoomController pz{view, prompter};
};

TEST_F(PanZoom, FitSkipsEmptyPanelsResetsOffsetsAndAppliesTheShownValue)
{
    view.pictures = {QSize(3008, 2008), QSize(), QSize(2008, 3008)};
    Drag(0, 50, 0);
    pz.FitMagnification();
    EXPECT_EQ(view.text, QStringLiteral("  0.0944"));
    EXPECT_EQ(pz.State().OffsetX, 0);
    EXPECT_EQ(pz.State().Magnification, 1.0f) << "the fit alone applies nothing";
    view.drawn.clear();
    pz.Fit();
    EXPECT_EQ(pz.State().Magnification, 0.0944f);
    EXPECT_EQ(view.drawn, (std::vector<Drawn>{{0, 0, 0}, {1, 0, 0}, {2, 0, 0}}));
}

TEST_F(PanZoom, ApplyFitPassesTheForceToEveryPanel)
{
    Drag(1, 0, 10, Qt::ControlModifier);
    view.applied.clear();
    pz.ApplyFit(true);
    ASSERT_EQ(view.applied.size(), 2u);
    for (const FakeView::Applied& a : view.applied) {
        EXPECT_TRUE(a.force);
        EXPECT_EQ(a.m, 0.9467f);
    }
    EXPECT_EQ(pz.State().ViewX(1), 0);
}

struct WheelCase {
    const char* name;
    std::vector<int> deltas;
    const char* shown;
};
// Keeps test names short in the runner's listing.
inline void PrintTo(const WheelCase& c, std::ostream* os) { *os << c.name; }

class WheelTurns : public PanZoom, public ::testing::WithParamInterface<WheelCase> {};

TEST_P(WheelTurns, NotchesAddUpAndApplyAtTheNextTick)
{
    for (int delta : GetParam().deltas)
        pz.Wheel(delta);
    EXPECT_EQ(view.text, QString::fromLatin1(GetParam().shown));
    EXPECT_TRUE(view.drawn.empty()) << "the wheel only edits the text";
    const bool stepped = view.text != QStringLiteral("1.0");
    EXPECT_EQ(pz.ZoomPending(), stepped);
    pz.Tick();
    pz.Tick();
    EXPECT_FALSE(pz.ZoomPending());
    EXPECT_EQ(view.drawn.size(), stepped ? 2u : 0u) << "one redraw per panel, however many steps";
}

INSTANTIATE_TEST_SUITE_P(
    PanZoom, WheelTurns,
    ::testing::Values(WheelCase{"OneNotchAway", {120}, "  0.9500"}, WheelCase{"TwoHalfNotches", {60, 60}, "  0.9500"},
                      WheelCase{"OneNotchToward", {-120}, "  1.0500"},
                      WheelCase{"TwoNotchesAtOnce", {240}, "  0.9025"},
                      WheelCase{"PartialTurnsCancel", {90, -30, -60}, "1.0"},
                      WheelCase{"RemainderCarriesOver", {50, 50, 50}, "  0.9500"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(PanZoom, SharedDragDrawsEveryPanelAndCtrlDragOnlyItsOwn)
{
    Drag(0, 100, 130);
    EXPECT_EQ(view.focused, 0);
    EXPECT_EQ(pz.State().OffsetX, -30);
    EXPECT_EQ(view.drawn, (std::vector<Drawn>{{0, -30, 0}, {1, -30, 0}}));
    view.drawn.clear();
    pz.MouseMove(1, Qt::ControlModifier, 120, 0);  // Ctrl pressed halfway: one picture from here on
    EXPECT_EQ(view.drawn, (std::vector<Drawn>{{1, -20, 0}}));
    pz.MouseUp(Qt::RightButton);
    EXPECT_TRUE(pz.Dragging()) << "only the left button ends a drag";
    pz.MouseUp(Qt::LeftButton);
    view.drawn.clear();
    pz.MouseMove(0, Qt::NoModifier, 0, 0);
    pz.MouseDown(kPanelMax, Qt::LeftButton, 0, 0);
    EXPECT_FALSE(pz.Dragging());
    EXPECT_TRUE(view.drawn.empty());
}

TEST_F(PanZoom, UnfinishedTextWaitsAndIsRefusedOnceWhenCommitted)
{
    view.text = QStringLiteral("1e");
    pz.TextEdited();
    EXPECT_EQ(Errors(), 0);
    pz.TextCommitted();
    pz.TextCommitted();
    EXPECT_EQ(Errors(), 1);
    view.text = QStringLiteral("2");
    pz.TextEdited();
    EXPECT_EQ(pz.State().Magnification, 2.0f);
    pz.TextCommitted();
    EXPECT_EQ(Errors(), 1) << "an applied text is not applied again";
}

TEST_F(PanZoom, CrossIsPushedOnceAndPoppedOnlyFromTheTop)
{
    pz.KeyDown(Qt::Key_Control, Qt::ControlModifier);
    pz.KeyDown(Qt::Key_Control, Qt::ControlModifier);
    EXPECT_EQ(view.cursors, std::vector<Qt::CursorShape>{Qt::CrossCursor});
    view.cursors.push_back(Qt::WaitCursor);  // a load's hourglass over it
    pz.KeyUp(Qt::Key_Control, Qt::NoModifier);
    EXPECT_EQ(view.cursors.size(), 2u) << "someone else's cursor stays";
    view.cursors.pop_back();
    pz.MouseDown(0, Qt::RightButton, 0, 0);
    EXPECT_TRUE(view.cursors.empty()) << "the popup takes the cross away";

    pz.KeyDown(Qt::Key_A, Qt::ControlModifier);
    {
        TPanZoomController other(view, prompter);
        other.KeyDown(Qt::Key_Control, Qt::ControlModifier);
        EXPECT_EQ(view.cursors.size(), 2u);
    }
    EXPECT_EQ(view.cursors.size(), 1u) << "a controller gives its cross back when it goes";
}

}  // namespace
