#include "MainFormFixture.h"

#include "loading/Bmpmagbase.h"
#include "viewer/ViewPanel.h"

#include <QGroupBox>
#include <QImage>
#include <QLineEdit>

namespace {

// A panel over widgets of its own, as the window binds its four.
class ViewPanelLoad : public MainFormTest {
protected:
    TViewPanel& MakePanel()
    {
        auto* group = new TPanelGroup(&host);
        auto* line = new QLineEdit(group);
        auto* image = new TPanelImage(0, group);
        group->hide();  // hidden until it first draws, as the window makes them
        panel.Bind(group, line, image, QSize(1280, 1024));
        return panel;
    }
    QWidget host;
    TViewPanel panel;
};

TEST_F(ViewPanelLoad, EightBitBmpShowsItsDepthAndFileName)
{
    QImage indexed(640, 480, QImage::Format_Indexed8);
    indexed.setColorCount(256);
    for (int i = 0; i < 256; ++i)
        indexed.setColor(i, qRgb(i, i, i));
    indexed.fill(7);
    const QString path = folder.Path("grey.bmp");
    ASSERT_TRUE(indexed.save(path));

    MakePanel();
    ASSERT_TRUE(panel.Load(path));
    EXPECT_EQ(panel.TextLine->text(), QString::fromUtf8("640\xC3\x97" "480 (8)"));
    EXPECT_EQ(panel.Group->title(), QStringLiteral("grey.bmp"));
    EXPECT_EQ(panel.State, 1);
    EXPECT_EQ(panel.Path, path);
    EXPECT_TRUE(panel.Group->isHidden()) << "a panel shows only after its first draw";
    EXPECT_EQ(panel.Display().size(), QSize(1280, 1024));
    EXPECT_EQ(panel.Display().format(), QImage::Format_RGB32);
}

TEST_F(ViewPanelLoad, FailedLoadLeavesNothingOfTheOldPicture)
{
    MakePanel();
    ASSERT_TRUE(panel.Load(Picture("a.bmp", QSize(40, 30))));
    panel.SetMagnification(1.0f, false);
    panel.Draw(0, 0);
    EXPECT_FALSE(panel.Group->isHidden());

    EXPECT_FALSE(panel.Load(NotAPicture("b.jpg")));
    EXPECT_FALSE(panel.Picture);
    EXPECT_EQ(panel.State, 0);
    EXPECT_TRUE(panel.TextLine->text().isEmpty());
    EXPECT_TRUE(panel.Group->title().isEmpty());
    EXPECT_TRUE(panel.Group->isHidden());
    panel.Draw(0, 0);
    EXPECT_TRUE(panel.Group->isHidden()) << "an empty panel never shows";
}

TEST_F(ViewPanelLoad, DrawPaintsTheViewAndPlaceHidesUntilTheNextDraw)
{
    MakePanel();
    ASSERT_TRUE(panel.Load(Picture("red.bmp", QSize(50, 40), QColor(255, 0, 0))));
    panel.Place(0, 32, 216, 156);
    EXPECT_EQ(panel.TextLine->geometry(), QRect(8, 16, 200, 21));
    EXPECT_EQ(panel.Image->geometry(), QRect(8, 48, 200, 100));
    panel.SetMagnification(1.0f, false);
    EXPECT_EQ(panel.State, 2);
    panel.Draw(-10, 0);
    EXPECT_FALSE(panel.Group->isHidden());
    // Ten grey columns left of the picture, then the picture.
    EXPECT_EQ(panel.Display().pixel(5, 5) & 0xFFFFFF, 0x808080u);
    EXPECT_EQ(panel.Display().pixel(15, 5) & 0xFFFFFF, 0xFF0000u);
    const uchar* before = panel.Display().constBits();
    panel.Place(0, 32, 300, 200);
    EXPECT_TRUE(panel.Group->isHidden());
    panel.Draw(0, 0);
    EXPECT_EQ(panel.Display().constBits(), before) << "resizing must not make a new display image";
}

}  // namespace

namespace {

TEST_F(ViewPanelLoad, CameraFileShowsSizeAndShootingSummary)
{
    const QString dir = RealFixturesFolder();
    if (dir.isEmpty())
        GTEST_SKIP() << "no camera files beside the project";
    MakePanel();
    ASSERT_TRUE(panel.Load(dir + "/pentax-k10d-no-makernote.jpg"));
    EXPECT_EQ(panel.TextLine->text(),
              QString::fromUtf8("100×72 1/180 F11.0 90.0mm \"PENTAX K10D        \" ISO200 EV±0 Av 多分割 F非発光 "));
    EXPECT_EQ(panel.Group->title(), QStringLiteral("pentax-k10d-no-makernote.jpg"));
}

// The control paints all of itself (nothing is painted under it first): the display image
// where it reaches, the window background beyond it, and the background when there is none.
TEST(PanelImagePaint, CoversTheWholeControl)
{
    QWidget parent;
    parent.setAutoFillBackground(true);
    QPalette palette = parent.palette();
    palette.setColor(QPalette::Window, QColor(10, 20, 30));
    parent.setPalette(palette);
    TPanelImage image(0, &parent);
    image.setGeometry(0, 0, 20, 12);
    QImage display(10, 8, QImage::Format_RGB32);
    display.fill(QColor(200, 100, 0));

    const struct {
        const char* name;
        const QImage* display;
        QPoint at;
        QRgb expected;
    } cases[] = {
        {"inside the display image", &display, {3, 3}, qRgb(200, 100, 0)},
        {"right of it", &display, {15, 3}, qRgb(10, 20, 30)},
        {"below it", &display, {3, 10}, qRgb(10, 20, 30)},
        {"no display image", nullptr, {3, 3}, qRgb(10, 20, 30)},
    };
    for (const auto& c : cases) {
        image.SetDisplay(c.display);
        const QImage shot = image.grab().toImage();
        EXPECT_EQ(shot.pixel(c.at), c.expected) << c.name;
    }
}

}  // namespace
