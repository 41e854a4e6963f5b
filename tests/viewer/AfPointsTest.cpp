// The AF areas in the window, as a user meets them: A outlines where each camera focused,
// following the view; J brings every panel's area to its middle at 等倍.
#include "MainFormFixture.h"

#include "loading/Bmpmagbase.h"
#include "support/JpegBuilder.h"
#include "support/TiffBuilder.h"

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QTest>
#include <optional>

namespace {

class AfPointsWindow : public MainFormTest {
protected:
    // A grey 600 x 400 frame; `point`: the PENTAX makernote's selected point of 11.
    QString Frame(const QString& name, std::optional<uint16_t> point)
    {
        QImage grey(600, 400, QImage::Format_RGB888);
        grey.fill(QColor(128, 128, 128));
        QByteArray jpeg = JpegBuilder::Encode(grey);
        if (point) {
            ExifSpec spec = PhotoLikeSpec();
            spec.pentaxAfPoint = point;
            jpeg = JpegBuilder::InsertApp1(jpeg, JpegBuilder::ExifBody(ToQByteArray(BuildExifTiff(spec))));
        }
        return folder.Write(name, jpeg);
    }
    void Key(QWidget* to, Qt::Key key)
    {
        QTest::keyClick(to, key);
        QApplication::processEvents();
    }
    // The red outline's centre in the panel's display image, none without red.
    std::optional<QPoint> Outline(int panel) const
    {
        const QImage& display = form->Panel(panel).Display();
        QRect box;
        for (int y = 0; y < display.height(); ++y)
            for (int x = 0; x < display.width(); ++x)
                if ((display.pixel(x, y) & 0xFFFFFF) == 0xFF0000)
                    box |= QRect(x, y, 1, 1);
        return box.isEmpty() ? std::nullopt : std::optional<QPoint>(box.center());
    }
    // Where a picture point lands in a panel's display image now.
    QPoint Shown(int panel, QPoint picture) const
    {
        const TViewState& s = form->PanZoom().State();
        return QPoint(int(picture.x() * s.Magnification) - s.ViewX(panel),
                      int(picture.y() * s.Magnification) - s.ViewY(panel));
    }
};

void ExpectNear(std::optional<QPoint> got, QPoint want)
{
    ASSERT_TRUE(got);
    EXPECT_LE((*got - want).manhattanLength(), 3) << got->x() << "," << got->y() << " for " << want.x() << ","
                                                  << want.y();
}

TEST_F(AfPointsWindow, KeyAOutlinesTheAreasAndJBringsThemToTheMiddle)
{
    // Upper-right and lower-left of the 11 points, and a frame that records none.
    const QString upperRight = Frame("a.jpg", 3), lowerLeft = Frame("b.jpg", 9), none = Frame("c.jpg", {});
    const QPoint upperRightCentre(372, 144), lowerLeftCentre(228, 256);
    MakeForm();
    ShowWithClient(QSize(900, 600));
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    QAction* show = Control<QAction>("AfPointsShow");
    QAction* go = Control<QAction>("AfPointsGo");
    EXPECT_FALSE(show->isEnabled());
    Load({none});
    EXPECT_FALSE(go->isEnabled());
    Load({upperRight, lowerLeft, none});
    ASSERT_EQ(form->LoadedPanels(), 3);
    EXPECT_TRUE(show->isEnabled() && go->isEnabled());
    EXPECT_FALSE(Outline(0));

    // A in the magnification box is a letter.
    QLineEdit* box = Control<QComboBox>("CBMag")->lineEdit();
    box->setFocus();
    box->clear();
    Key(box, Qt::Key_A);
    EXPECT_EQ(box->text(), QStringLiteral("a"));
    EXPECT_FALSE(show->isChecked());

    form->Panel(0).TextLine->setFocus();
    Key(form->Panel(0).TextLine, Qt::Key_A);
    ASSERT_TRUE(show->isChecked());
    ExpectNear(Outline(0), Shown(0, upperRightCentre));
    ExpectNear(Outline(1), Shown(1, lowerLeftCentre));
    EXPECT_FALSE(Outline(2));

    // The outline follows the panel's own drag.
    Pan(1, 30, -20, true);
    ExpectNear(Outline(1), Shown(1, lowerLeftCentre));

    Key(form->Panel(0).TextLine, Qt::Key_J);
    const TViewState& state = form->PanZoom().State();
    EXPECT_EQ(state.Magnification, 1.0f);
    EXPECT_EQ(form->MagnificationText(), QStringLiteral("1.0"));
    const QSize control = form->Panel(0).Image->DeviceSize();
    const QPoint middle(control.width() / 2, control.height() / 2);
    ExpectNear(Outline(0), middle);
    ExpectNear(Outline(1), middle);
    // The frame without an area shows what the first panel shows.
    EXPECT_EQ(QPoint(state.ViewX(2), state.ViewY(2)), QPoint(state.ViewX(0), state.ViewY(0)));

    // A turn takes the areas with the pictures: the upper-right point comes to the lower right.
    form->BtnRightRClick(Control<QAction>("N90R1"));
    ExpectNear(Outline(0), Shown(0, QPoint(400 - upperRightCentre.y(), upperRightCentre.x())));

    form->close();
    EXPECT_TRUE(ReadSettingsText().contains("AFPOINTS=1"));
}

}  // namespace
