#include "MainFormFixture.h"

#include "loading/Bmpmagbase.h"

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QRandomGenerator>
#include <QTest>

namespace {

// Dark blocks on a light ground, sharp or softened by repeated box blurs.
QImage Blocks(QSize size, int blurs)
{
    QImage image(size, QImage::Format_RGB888);
    image.fill(QColor(210, 210, 210));
    QRandomGenerator random(7);
    for (int n = 0; n < 40; ++n) {
        const QRect r(random.bounded(size.width()), random.bounded(size.height()), 4 + random.bounded(30),
                      4 + random.bounded(30));
        for (int y = r.top(); y <= std::min(r.bottom(), size.height() - 1); ++y)
            for (int x = r.left(); x <= std::min(r.right(), size.width() - 1); ++x)
                image.setPixel(x, y, qRgb(40, 40, 40));
    }
    for (int pass = 0; pass < blurs; ++pass) {
        const QImage from = image.copy();
        for (int y = 1; y < size.height() - 1; ++y)
            for (int x = 1; x < size.width() - 1; ++x) {
                int sum = 0;
                for (int dy = -1; dy <= 1; ++dy)
                    for (int dx = -1; dx <= 1; ++dx)
                        sum += qGreen(from.pixel(x + dx, y + dy));
                image.setPixel(x, y, qRgb(sum / 9, sum / 9, sum / 9));
            }
    }
    return image;
}

// Pixels of the panel's display image painted in each peaking colour: a little sharp, sharp,
// very sharp.
std::array<int, 3> Lit(const TViewPanel& panel)
{
    std::array<int, 3> lit{};
    const QImage& display = panel.Display();
    for (int y = 0; y < display.height(); ++y)
        for (int x = 0; x < display.width(); ++x) {
            const QRgb c = display.pixel(x, y) & 0xFFFFFF;
            lit[0] += c == 0x00A0FF;
            lit[1] += c == 0x00FF00;
            lit[2] += c == 0xFFFF00;
        }
    return lit;
}

class FocusAidsWindow : public MainFormTest {
protected:
    QString Save(const QString& name, const QImage& image)
    {
        const QString path = folder.Path(name);
        EXPECT_TRUE(image.save(path));
        return path;
    }
    void Key(QWidget* to, Qt::Key key)
    {
        QTest::keyClick(to, key);
        Settle();
    }
};

// F turns the aids on from a panel's text line: the sharp frame reads 100 and shows more
// sharp edges than the soft one; F in the magnification box is a letter; F again turns
// everything off and the pictures are drawn as before. The choice outlives the window.
TEST_F(FocusAidsWindow, KeyShowsPeakingAndFiguresAndTheChoiceIsKept)
{
    const QString sharp = Save(QStringLiteral("a.bmp"), Blocks(QSize(240, 160), 0));
    const QString soft = Save(QStringLiteral("b.bmp"), Blocks(QSize(240, 160), 3));
    MakeForm();
    ShowWithClient(QSize(600, 400));
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    Load({soft, sharp});
    ASSERT_EQ(form->LoadedPanels(), 2);
    const QImage plain = form->Panel(0).Display().copy();
    EXPECT_EQ(Lit(form->Panel(0)), (std::array<int, 3>{}));

    form->Panel(0).TextLine->setFocus();
    Key(form->Panel(0).TextLine, Qt::Key_F);
    ASSERT_TRUE(Control<QAction>("FocusAid")->isChecked());
    form->FocusAids().Settle();
    const auto figures = form->FocusAids().Figures();
    EXPECT_EQ(figures[1], 100);
    EXPECT_GE(figures[0], 0);
    EXPECT_LT(figures[0], 90);
    // The soft frame's wide edges light up, but hardly ever as very sharp, and in all less
    // than the sharp frame's, counting each colour by its level.
    const std::array<int, 3> blurred = Lit(form->Panel(0)), crisp = Lit(form->Panel(1));
    const auto weight = [](const std::array<int, 3>& lit) { return lit[0] + 2 * lit[1] + 3 * lit[2]; };
    EXPECT_LT(blurred[2] * 10, crisp[2]);
    EXPECT_LT(weight(blurred), weight(crisp));

    QLineEdit* box = Control<QComboBox>("CBMag")->lineEdit();
    box->setFocus();
    box->clear();
    Key(box, Qt::Key_F);
    EXPECT_EQ(box->text(), QStringLiteral("f"));
    EXPECT_TRUE(Control<QAction>("FocusAid")->isChecked());

    form->Panel(1).TextLine->setFocus();
    Key(form->Panel(1).TextLine, Qt::Key_F);
    EXPECT_FALSE(Control<QAction>("FocusAid")->isChecked());
    EXPECT_EQ(form->FocusAids().Figures()[1], -1);
    EXPECT_EQ(form->Panel(0).Display(), plain);

    Key(form->Panel(1).TextLine, Qt::Key_F);
    form->close();
    EXPECT_TRUE(ReadSettingsText().contains("[FOCUS]\nPEAKING=1"));
    form.reset();
    MakeForm();
    ShowWithClient(QSize(600, 400));
    EXPECT_TRUE(Control<QAction>("FocusAid")->isChecked());
}

// A window that never had the aids on writes no section for them.
TEST_F(FocusAidsWindow, SettingsWithoutTheChoiceStayWithoutIt)
{
    MakeForm();
    ShowWithClient(QSize(600, 400));
    form->close();
    EXPECT_FALSE(ReadSettingsText().contains("FOCUS"));
}

}  // namespace
