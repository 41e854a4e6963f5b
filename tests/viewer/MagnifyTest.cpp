#include "MainFormFixture.h"

#include "loading/Bmpmagbase.h"

#include <QApplication>
#include <QComboBox>
#include <QCursor>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTest>
#include <QResizeEvent>
#include <QWheelEvent>
#include <algorithm>

namespace {

class Magnify : public MainFormTest {
protected:
    // Two pictures at magnification 1 in a 600 x 400 client (image controls 284 x 312).
    void TwoPicturesAtOne()
    {
        MakeForm();
        ShowWithClient(QSize(600, 400));
        Load({Picture("a.bmp", QSize(300, 200)), Picture("b.bmp", QSize(300, 200))});
        ASSERT_EQ(form->LoadedPanels(), 2);
        form->PanZoom().OneToOne();
        ASSERT_EQ(form->PanZoom().State().Magnification, 1.0f);
    }
    QRgb Pixel(int panel, int x, int y) const { return form->Panel(panel).Display().pixel(x, y) & 0xFFFFFF; }
    void TypeInBox(const QString& text)
    {
        Control<QComboBox>("CBMag")->lineEdit()->selectAll();
        QTest::keyClicks(Control<QComboBox>("CBMag")->lineEdit(), text);
    }
};

TEST_F(Magnify, LoadFitsLandscapeAndPortraitAndAppliesTheShownValue)
{
    MakeForm();
    ShowWithClient(QSize(600, 400));
    Load({Picture("wide.jpg", QSize(3008, 2008)), Picture("tall.jpg", QSize(2008, 3008))});
    ASSERT_EQ(form->LoadedPanels(), 2);
    EXPECT_EQ(form->MagnificationText(), QStringLiteral("  0.0944"));
    EXPECT_EQ(form->PanZoom().State().Magnification, 0.0944f) << "the four-decimal text, not the exact ratio";
    EXPECT_EQ(form->Panel(1).Picture->FMagnification, 0.0944f);
    EXPECT_EQ(form->Panel(1).State, 2);
}

TEST_F(Magnify, FitButtonResetsEveryOffset)
{
    TwoPicturesAtOne();
    Pan(0, 50, 0);
    Pan(1, 0, 7, true);
    form->PanZoom().Fit();
    EXPECT_EQ(form->MagnificationText(), QStringLiteral("  0.9467"));  // 284 / 300
    EXPECT_EQ(form->PanZoom().State().Magnification, 0.9467f);
    EXPECT_EQ(form->PanZoom().State().OffsetX, 0);
    EXPECT_EQ(form->PanZoom().State().PanelOffsetY[1], 0);
}

TEST_F(Magnify, TypedValueRescalesSharedOffsetsOnly)
{
    TwoPicturesAtOne();
    Pan(0, 101, 0);
    Pan(1, 4, 0, true);
    TypeInBox(QStringLiteral("2"));
    EXPECT_EQ(form->PanZoom().State().Magnification, 2.0f);
    EXPECT_EQ(form->PanZoom().State().OffsetX, 202);
    EXPECT_EQ(form->PanZoom().State().PanelOffsetX[1], 4);
    EXPECT_EQ(form->Panel(0).Picture->FMagnification, 2.0f);
    EXPECT_EQ(Errors(), 0);
}

TEST_F(Magnify, ChoosingFromTheListApplies)
{
    TwoPicturesAtOne();
    Pan(0, -7, 0);
    Control<QComboBox>("CBMag")->setCurrentIndex(3);  // "0.5"
    EXPECT_EQ(form->PanZoom().State().Magnification, 1.0f) << "the program's own writes do not apply";
    emit Control<QComboBox>("CBMag")->activated(3);
    EXPECT_EQ(form->PanZoom().State().Magnification, 0.5f);
    EXPECT_EQ(form->PanZoom().State().OffsetX, -3);
}

TEST_F(Magnify, ProgramWrittenTextIsNotApplied)
{
    TwoPicturesAtOne();
    form->PanZoom().SetMagnificationText(QStringLiteral("4.0"));
    EXPECT_EQ(form->PanZoom().State().Magnification, 1.0f);
    EXPECT_EQ(form->Panel(0).Picture->FMagnification, 1.0f);
}

struct RefusedCase {
    const char* name;
    const char* text;
    const char* message;
};
// Keeps test names short in the runner's listing.
inline void PrintTo(const RefusedCase& c, std::ostream* os) { *os << c.name; }


class RefusedText : public Magnify, public ::testing::WithParamInterface<RefusedCase> {};

TEST_P(RefusedText, ShowsTheErrorAndChangesNothing)
{
    TwoPicturesAtOne();
    Pan(0, 33, 0);
    const int draws = form->Panel(0).Draws;
    form->PanZoom().SetMagnificationText(QString::fromUtf8(GetParam().text));
    form->PanZoom().Apply();
    ASSERT_EQ(Errors(), 1);
    EXPECT_EQ(prompter.shown.back().text, QString::fromUtf8(GetParam().message));
    EXPECT_EQ(form->PanZoom().State().Magnification, 1.0f);
    EXPECT_EQ(form->PanZoom().State().OffsetX, 33);
    EXPECT_EQ(form->Panel(0).Picture->FMagnification, 1.0f);
    EXPECT_EQ(form->Panel(0).Draws, draws);
}

INSTANTIATE_TEST_SUITE_P(
    Magnify, RefusedText,
    ::testing::Values(RefusedCase{"Letters", "abc", "'abc' is not a valid floating point value"},
                      RefusedCase{"Empty", "", "'' is not a valid floating point value"},
                      RefusedCase{"Zero", "0", "'0' は倍率にできません(0より大きい値を入れてください)"},
                      RefusedCase{"Negative", " -1.5", "' -1.5' は倍率にできません(0より大きい値を入れてください)"}),
    [](const auto& info) { return std::string(info.param.name); });

// Typing over the selected text: every keystroke that leaves a magnification applies it,
// the texts in between wait without a word.
struct TypingCase {
    const char* name;
    const char* typed;
    float applied;  // the magnification afterwards
};
// Keeps test names short in the runner's listing.
inline void PrintTo(const TypingCase& c, std::ostream* os) { *os << c.name; }


class TypingTable : public Magnify, public ::testing::WithParamInterface<TypingCase> {};

TEST_P(TypingTable, ValidTextAppliesWhileTyping)
{
    TwoPicturesAtOne();
    std::vector<QString> seen;
    QObject::connect(Control<QComboBox>("CBMag")->lineEdit(), &QLineEdit::textEdited, form.get(),
                     [&](const QString& t) { seen.push_back(t); });
    TypeInBox(QString::fromUtf8(GetParam().typed));
    EXPECT_EQ(Errors(), 0) << "no box while typing";
    EXPECT_EQ(form->PanZoom().State().Magnification, GetParam().applied);
    EXPECT_EQ(form->Panel(0).Picture->FMagnification, GetParam().applied);
    EXPECT_FALSE(seen.empty());
}

INSTANTIATE_TEST_SUITE_P(Magnify, TypingTable,
                         ::testing::Values(TypingCase{"Half", "0.5", 0.5f}, TypingCase{"Three", "3", 3.0f},
                                           TypingCase{"Exponent", "2e-1", 0.2f},
                                           TypingCase{"NegativeStaysUnapplied", "-2", 1.0f},
                                           TypingCase{"ZeroStaysUnapplied", "0.00", 1.0f},
                                           TypingCase{"LetterAfterNumber", "1x", 1.0f}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(Magnify, EmptyTextWaitsUntilTheNextDigit)
{
    TwoPicturesAtOne();
    Control<QComboBox>("CBMag")->lineEdit()->selectAll();
    QTest::keyClick(Control<QComboBox>("CBMag")->lineEdit(), Qt::Key_Backspace);
    EXPECT_EQ(form->MagnificationText(), QString());
    EXPECT_EQ(Errors(), 0);
    QTest::keyClicks(Control<QComboBox>("CBMag")->lineEdit(), QStringLiteral("2"));
    EXPECT_EQ(form->PanZoom().State().Magnification, 2.0f);
    EXPECT_EQ(Errors(), 0);
}

TEST_F(Magnify, CommittingAnUnfinishedTextReportsItOnce)
{
    TwoPicturesAtOne();
    for (const char* text : {"-", "1e", "abc", "0"}) {
        prompter.shown.clear();
        TypeInBox(QString::fromUtf8(text));
        ASSERT_EQ(Errors(), 0) << text;
        QTest::keyClick(Control<QComboBox>("CBMag")->lineEdit(), Qt::Key_Return);
        EXPECT_EQ(Errors(), 1) << "Enter commits " << text;
        QTest::keyClick(Control<QComboBox>("CBMag")->lineEdit(), Qt::Key_Return);
        EXPECT_EQ(Errors(), 1) << "reported once, not on every commit";
        EXPECT_EQ(form->PanZoom().State().Magnification, 1.0f);
    }
}

TEST_F(Magnify, LeavingTheBoxCommitsTheText)
{
    TwoPicturesAtOne();
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    Control<QComboBox>("CBMag")->setFocus();
    TypeInBox(QStringLiteral("1e"));
    ASSERT_EQ(Errors(), 0);
    form->Panel(0).TextLine->setFocus();
    EXPECT_EQ(Errors(), 1);
    EXPECT_EQ(form->PanZoom().State().Magnification, 1.0f);
}

TEST_F(Magnify, CommittingAnAppliedTextShowsNothing)
{
    TwoPicturesAtOne();
    TypeInBox(QStringLiteral("0.75"));
    const int draws = form->Panel(0).Draws;
    QTest::keyClick(Control<QComboBox>("CBMag")->lineEdit(), Qt::Key_Return);
    EXPECT_EQ(Errors(), 0);
    EXPECT_EQ(form->PanZoom().State().Magnification, 0.75f);
    EXPECT_LE(form->Panel(0).Draws, draws + 1);
}

TEST_F(Magnify, ChangingTheBoxWithoutPicturesOnlySetsTheMagnification)
{
    MakeForm();
    TypeInBox(QStringLiteral("3"));
    EXPECT_EQ(form->PanZoom().State().Magnification, 3.0f);
    EXPECT_EQ(form->PanZoom().State().OffsetX, 0);
    EXPECT_EQ(form->PanZoom().State().OffsetY, 0);
}

TEST_F(Magnify, TwentyWheelStepsRedrawOnceAtTheAccumulatedValue)
{
    TwoPicturesAtOne();
    const int draws0 = form->Panel(0).Draws;
    const int draws1 = form->Panel(1).Draws;
    float expected = 1.0f;
    for (int i = 0; i < 20; ++i) {
        form->PanZoom().WheelToward();
        expected = WheelTowardStep(ParseMagnificationText(FormatMagnification(expected)).value());
    }
    EXPECT_TRUE(form->PanZoom().ZoomPending());
    EXPECT_EQ(form->MagnificationText(), FormatMagnification(expected));
    EXPECT_EQ(form->Panel(0).Draws, draws0) << "the wheel only edits the text";
    EXPECT_EQ(form->PanZoom().State().Magnification, 1.0f);

    form->PanZoom().Tick();
    EXPECT_FALSE(form->PanZoom().ZoomPending());
    EXPECT_EQ(form->PanZoom().State().Magnification, float(ParseMagnificationText(FormatMagnification(expected)).value()));
    EXPECT_EQ(form->Panel(0).Draws, draws0 + 1);
    EXPECT_EQ(form->Panel(1).Draws, draws1 + 1);
    form->PanZoom().Tick();
    EXPECT_EQ(form->Panel(0).Draws, draws0 + 1) << "nothing pending, nothing drawn";
}

TEST_F(Magnify, WheelEventsZoomAlsoOverTheBox)
{
    TwoPicturesAtOne();
    auto wheel = [](QWidget* target, int delta) {
        QWheelEvent e(QPointF(5, 5), target->mapToGlobal(QPointF(5, 5)), QPoint(), QPoint(0, delta), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(target, &e);
    };
    // Wheel events that no control takes reach the window.
    wheel(form.get(), 120);  // away from the user: zoom out
    EXPECT_EQ(form->MagnificationText(), QStringLiteral("  0.9500"));
    const int index = Control<QComboBox>("CBMag")->currentIndex();
    wheel(Control<QComboBox>("CBMag"), -120);  // toward the user: zoom in
    EXPECT_EQ(form->MagnificationText(), FormatMagnification(WheelTowardStep(0.95f)));
    EXPECT_EQ(Control<QComboBox>("CBMag")->currentIndex(), index) << "the box must not step through its list";
    wheel(form.get(), 60);
    wheel(form.get(), 60);  // two half notches make one step
    EXPECT_EQ(form->MagnificationText(), FormatMagnification(WheelAwayStep(0.9975f)));
}

TEST_F(Magnify, RefusedValueFromTheWheelIsReportedOnce)
{
    TwoPicturesAtOne();
    form->PanZoom().SetMagnificationText(QStringLiteral("-1"));
    form->PanZoom().WheelToward();  // -1.05: written, refused when applied
    form->PanZoom().Tick();
    form->PanZoom().Tick();
    EXPECT_EQ(Errors(), 1);
    EXPECT_FALSE(form->PanZoom().ZoomPending());
    EXPECT_EQ(form->PanZoom().State().Magnification, 1.0f);

    form->PanZoom().SetMagnificationText(QStringLiteral("x"));
    form->PanZoom().WheelAway();
    EXPECT_EQ(Errors(), 2);
    EXPECT_EQ(form->MagnificationText(), QStringLiteral("x"));
}

TEST_F(Magnify, DragMovesEveryViewAndCtrlDragOnlyOne)
{
    TwoPicturesAtOne();
    QWidget* image = form->Panel(0).Image;
    QTest::mousePress(image, Qt::LeftButton, Qt::NoModifier, QPoint(100, 100));
    EXPECT_TRUE(form->PanZoom().Dragging());
    EXPECT_EQ(form->focusWidget(), form->Panel(0).TextLine);
    QTest::mouseMove(image, QPoint(130, 100));
    EXPECT_EQ(form->PanZoom().State().OffsetX, -30) << "the picture follows the mouse";
    EXPECT_EQ(form->PanZoom().State().OffsetY, 0);
    // Both views start 30 display pixels further left: grey there now.
    EXPECT_EQ(Pixel(0, 10, 10), 0x808080u);
    EXPECT_EQ(Pixel(1, 10, 10), 0x808080u);
    EXPECT_NE(Pixel(1, 40, 10), 0x808080u);

    const int otherDraws = form->Panel(1).Draws;
    QMouseEvent ctrlMove(QEvent::MouseMove, QPointF(130, 90), image->mapToGlobal(QPointF(130, 90)), Qt::NoButton,
                         Qt::LeftButton, Qt::ControlModifier);
    QApplication::sendEvent(image, &ctrlMove);
    EXPECT_EQ(form->PanZoom().State().OffsetY, 0);
    EXPECT_EQ(form->PanZoom().State().PanelOffsetY[0], 10);
    EXPECT_EQ(form->PanZoom().State().PanelOffsetY[1], 0);
    EXPECT_EQ(form->Panel(1).Draws, otherDraws) << "a Ctrl drag draws its own panel only";

    QTest::mouseRelease(image, Qt::LeftButton, Qt::NoModifier, QPoint(130, 90));
    EXPECT_FALSE(form->PanZoom().Dragging());
    QTest::mouseMove(image, QPoint(10, 10));
    EXPECT_EQ(form->PanZoom().State().OffsetX, -30) << "no drag after the release";
}

TEST_F(Magnify, MoveWithTheButtonUpEndsADragWhoseReleaseWasLost)
{
    // A box opened by the press (the magnification box committing a bad text as it loses
    // the focus) takes the release with it; the views must not follow the bare mouse.
    TwoPicturesAtOne();
    QTest::mousePress(form->Panel(0).Image, Qt::LeftButton, Qt::NoModifier, QPoint(100, 100));
    ASSERT_TRUE(form->PanZoom().Dragging());
    for (QWidget* image : {form->Panel(0).Image, form->Panel(1).Image}) {
        QMouseEvent bareMove(QEvent::MouseMove, QPointF(140, 120), image->mapToGlobal(QPointF(140, 120)),
                             Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(image, &bareMove);
        EXPECT_FALSE(form->PanZoom().Dragging());
        EXPECT_EQ(form->PanZoom().State().OffsetX, 0);
        EXPECT_EQ(form->PanZoom().State().OffsetY, 0);
    }
}

TEST_F(Magnify, RightButtonStartsNoDrag)
{
    TwoPicturesAtOne();
    QTest::mousePress(form->Panel(1).Image, Qt::RightButton, Qt::NoModifier, QPoint(10, 10));
    EXPECT_FALSE(form->PanZoom().Dragging());
}

TEST_F(Magnify, OriginPutsEveryPanelBackInStep)
{
    TwoPicturesAtOne();
    Pan(0, 12, 0);
    Pan(0, 5, 0, true);
    Pan(1, 0, -8, true);
    ASSERT_EQ(form->PanZoom().State().ViewX(0), 17);
    form->PanZoom().Origin();
    EXPECT_EQ(form->PanZoom().State().ViewX(0), 0);
    EXPECT_EQ(form->PanZoom().State().ViewY(1), 0);
    EXPECT_EQ(form->PanZoom().State().Magnification, 1.0f);
    EXPECT_NE(Pixel(0, 0, 0), 0x808080u);
    EXPECT_NE(Pixel(1, 0, 0), 0x808080u);
}

TEST_F(Magnify, CtrlShowsTheCrossUntilReleased)
{
    MakeForm();
    form->show();
    Settle();
    auto cursorIsCross = [] {
        const QCursor* c = QApplication::overrideCursor();
        return c && c->shape() == Qt::CrossCursor;
    };
    QTest::keyPress(form.get(), Qt::Key_Control, Qt::ControlModifier);
    EXPECT_TRUE(cursorIsCross());
    QTest::keyPress(form.get(), Qt::Key_Control, Qt::ControlModifier);  // repeat: still one cross
    QTest::keyRelease(form.get(), Qt::Key_Control, Qt::NoModifier);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);

    form->PanZoom().KeyDown(Qt::Key_A, Qt::ControlModifier);
    EXPECT_TRUE(cursorIsCross());
    form->PanZoom().MouseMoveElsewhere(Qt::ControlModifier);
    EXPECT_TRUE(cursorIsCross());
    form->PanZoom().MouseMoveElsewhere(Qt::NoModifier);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);

    form->PanZoom().KeyDown(Qt::Key_Control, Qt::ControlModifier);
    form->PanZoom().MouseMove(0, Qt::NoModifier, 1, 1);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

}  // namespace

namespace {

// Remembers every object whose events pass through the window's filter.
class TWatchingForm : public TMainForm {
public:
    using TMainForm::TMainForm;
    std::vector<QObject*> Watched;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        Watched.push_back(watched);
        return TMainForm::eventFilter(watched, event);
    }
};

TEST_F(Magnify, CtrlShowsTheCrossWhileTheBoxHasTheFocus)
{
    MakeForm();
    form->show();
    Settle();
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    Control<QComboBox>("CBMag")->setFocus();
    QWidget* focus = QApplication::focusWidget();
    ASSERT_TRUE(focus == Control<QComboBox>("CBMag") || focus == Control<QComboBox>("CBMag")->lineEdit());
    QTest::keyPress(focus, Qt::Key_Control, Qt::ControlModifier);
    const QCursor* c = QApplication::overrideCursor();
    EXPECT_TRUE(c && c->shape() == Qt::CrossCursor);
    QTest::keyRelease(focus, Qt::Key_Control, Qt::NoModifier);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(Magnify, OtherWindowsEventsDoNotPassThroughTheWindow)
{
    TMainFormEnv env{&prompter, SettingsPath(), QSize(1280, 1024), nullptr, {}};
    env.chooserTimer = false;
    auto* watching = new TWatchingForm(env);
    form.reset(watching);
    QWidget dialog(form.get(), Qt::Dialog);
    QWidget stranger;
    for (QWidget* target : {&dialog, &stranger}) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Control, Qt::ControlModifier);
        QApplication::sendEvent(target, &press);
        QResizeEvent resize(QSize(10, 10), QSize(5, 5));
        QApplication::sendEvent(target, &resize);
    }
    EXPECT_EQ(std::count(watching->Watched.begin(), watching->Watched.end(), &dialog), 0);
    EXPECT_EQ(std::count(watching->Watched.begin(), watching->Watched.end(), &stranger), 0);
    // The window's own widgets are still watched.
    QResizeEvent resize(QSize(10, 10), QSize(5, 5));
    QApplication::sendEvent(Control<QWidget>("Client"), &resize);
    EXPECT_EQ(std::count(watching->Watched.begin(), watching->Watched.end(), Control<QWidget>("Client")), 1);
}

}  // namespace
