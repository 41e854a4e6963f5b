// The real velumira on a private X server, driven through X input and checked on
// screenshots and on the files it writes. Pictures are two solid colours split at their
// middle column, so what is checked never depends on fonts or themes.
#include "e2e/RunningViewer.h"
#include "e2e/ScreenProbe.h"
#include "e2e/XSession.h"
#include "support/BmpBuilder.h"
#include "support/TestFolder.h"

#include <QFile>
#include <QMap>
#include <QRegularExpression>

#include <array>
#include <cmath>
#include <gtest/gtest.h>
#include <memory>

namespace {

constexpr QSize kPictureSize(800, 600);

struct TwoColours {
    QRgb left;
    QRgb right;
};

// Far from the panel grey, from the window's light background and from each other.
constexpr std::array<TwoColours, 4> kFour{{
    {0xFFE02020, 0xFF20E0E0},
    {0xFF20C020, 0xFFC020C0},
    {0xFF2020E0, 0xFFE0E020},
    {0xFFE0A020, 0xFF6020A0},
}};
constexpr std::array<TwoColours, 2> kTwo{{
    {0xFF00FF80, 0xFF400000},
    {0xFFFF0080, 0xFF004040},
}};

QByteArray SplitPicture(TwoColours c)
{
    BmpSpec spec;
    spec.Width = kPictureSize.width();
    spec.Height = kPictureSize.height();
    spec.Bits = 24;
    spec.Pixels.resize(static_cast<size_t>(spec.Width) * spec.Height);
    for (int y = 0; y < spec.Height; ++y)
        for (int x = 0; x < spec.Width; ++x)
            spec.Pixels[static_cast<size_t>(y) * spec.Width + x] = (x < spec.Width / 2 ? c.left : c.right) & 0xFFFFFF;
    return BuildBmp(spec);
}

// The settings file as the program writes it: section -> key -> value.
QMap<QString, QMap<QString, QString>> ReadIni(const QString& path)
{
    QMap<QString, QMap<QString, QString>> ini;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return ini;
    QString section;
    for (const QString& raw : QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'))) {
        const QString line = raw.trimmed();
        if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']')))
            section = line.mid(1, line.size() - 2);
        else if (line.contains(QLatin1Char('=')))
            ini[section][line.section(QLatin1Char('='), 0, 0).trimmed()] = line.section(QLatin1Char('='), 1).trimmed();
    }
    return ini;
}

std::string Describe(const ColourRun& r)
{
    return "[" + std::to_string(r.begin) + ", " + std::to_string(r.end) + ")";
}

class ViewerE2E : public ::testing::Test {
protected:
    void SetUp() override
    {
        const QStringList missing = MissingTools();
        if (!missing.isEmpty())
            GTEST_SKIP() << "not installed: " << missing.join(QLatin1Char(' ')).toStdString();
        QString error;
        ASSERT_TRUE(FX.Start(&error)) << error.toStdString();
        FViewer = std::make_unique<RunningViewer>(FX, QStringLiteral(VELUMIRA_EXECUTABLE), FFolder.Path("viewer"));
        // A large window at a known place; without a window manager these are its X bounds.
        FViewer->WriteSettings("[WINDOW]\nLEFT=20\nTOP=10\nWIDTH=1000\nHEIGHT=800\n");
    }

    QString Picture(const QString& name, TwoColours c) { return FFolder.Write(name, SplitPicture(c)); }

    // Starts with the four split pictures and finds the client area once they show.
    void StartWithFour()
    {
        QStringList names;
        for (size_t i = 0; i < kFour.size(); ++i)
            names << Picture(QStringLiteral("four%1.bmp").arg(i + 1), kFour[i]);
        QString error;
        ASSERT_TRUE(FViewer->Start(names, &error)) << error.toStdString();
        const QRect window = FViewer->Geometry();
        ASSERT_EQ(window, QRect(20, 10, 1000, 800));
        ASSERT_TRUE(PollUntil(
            [&] {
                FClient = LocateClient(FX.Screenshot(), window, kFour[0].left);
                return !FClient.isNull();
            },
            15000))
            << "the first picture never showed under the window's top";
        // The menu bar lies between the window's top and the client area.
        ASSERT_GT(FClient.top(), window.top());
        ASSERT_LT(FClient.top(), window.top() + 80);
    }

    QRect ImageOnScreen(int n, int i) const { return ImageControlRect(FClient.size(), n, i).translated(FClient.topLeft()); }

    float FitOf(int n) const
    {
        return FitMagnification(ImageControlRect(FClient.size(), n, 0).size(), QList<QSize>(n, kPictureSize));
    }

    // The left colour's run on the row through the picture's middle, searched from just
    // left of the image control (so a frame that is the colour would show).
    ColourRun LeftColourRow(const QImage& shot, int n, int i, QRgb colour, float m, int dy = 0) const
    {
        const QRect r = ImageOnScreen(n, i);
        const int y = r.top() + dy + static_cast<int>(m * kPictureSize.height() / 2);
        return RowRun(shot, y, r.left() - 4, r.right(), colour);
    }

    ColourRun LeftColourColumn(const QImage& shot, int n, int i, QRgb colour, float m, int dx = 0) const
    {
        const QRect r = ImageOnScreen(n, i);
        const int x = r.left() + dx + static_cast<int>(m * kPictureSize.width() / 4);
        return ColumnRun(shot, x, r.top() - 4, r.bottom(), colour);
    }

    TestFolder FFolder;
    XSession FX;
    std::unique_ptr<RunningViewer> FViewer;
    QRect FClient;
};

// Each picture sits at the top-left corner of its panel's image control, at the fit
// magnification; the rest of the control is grey.
TEST_F(ViewerE2E, FourPicturesSideBySideAtTheirPlaces)
{
    StartWithFour();
    const float m = FitOf(4);
    const int half = static_cast<int>(std::lround(m * kPictureSize.width() / 2));
    const int full = static_cast<int>(std::lround(m * kPictureSize.width()));
    const int high = static_cast<int>(std::lround(m * kPictureSize.height()));
    const QImage shot = FX.Screenshot();
    ASSERT_FALSE(shot.isNull());
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE("panel " + std::to_string(i + 1));
        const QRect r = ImageOnScreen(4, i);
        const ColourRun left = LeftColourRow(shot, 4, i, kFour[i].left, m);
        EXPECT_EQ(left.begin, r.left()) << Describe(left);
        EXPECT_NEAR(left.end, r.left() + half, 2) << Describe(left);
        const ColourRun right = RowRun(shot, r.top() + high / 2, left.end, r.right(), kFour[i].right);
        EXPECT_NEAR(right.begin, r.left() + half, 2) << Describe(right);
        EXPECT_NEAR(right.end, r.left() + full, 2) << Describe(right);
        // Grey to the control's right edge: the control is exactly as wide as the rule says.
        const ColourRun grey = RowRun(shot, r.top() + high / 2, right.end, r.right() + 4, kPanelGrey);
        EXPECT_NEAR(grey.begin, r.left() + full, 2) << Describe(grey);
        EXPECT_EQ(grey.end, r.right() + 1) << Describe(grey);
        const ColourRun column = LeftColourColumn(shot, 4, i, kFour[i].left, m);
        EXPECT_EQ(column.begin, r.top()) << Describe(column);
        EXPECT_NEAR(column.end, r.top() + high, 2) << Describe(column);
        const ColourRun greyBelow = ColumnRun(shot, r.left() + half / 2, column.end, r.bottom() + 4, kPanelGrey);
        EXPECT_EQ(greyBelow.end, r.bottom() + 1) << Describe(greyBelow);
    }
    // The test log marks the first paint of all four pictures, once.
    const auto painted = [&] { return FViewer->LogLines().filter(QRegularExpression("^PICTURES \\d+$")).size(); };
    EXPECT_TRUE(PollUntil([&] { return painted() > 0; }, 5000)) << FViewer->LogLines().join('\n').toStdString();
    EXPECT_EQ(painted(), 1);
}

// One notch toward the user zooms every panel by the wheel's step, applied by the timer.
TEST_F(ViewerE2E, WheelNotchZoomsAllFour)
{
    StartWithFour();
    const float before = FitOf(4);
    const float after = WheelTowardMagnification(before);
    const QRect first = ImageOnScreen(4, 0);
    FViewer->MoveMouse(first.left() + 20, first.top() + 20);
    FViewer->Click(5);

    std::array<ColourRun, 4> rows;
    std::array<ColourRun, 4> columns;
    const auto zoomed = [&] {
        const QImage shot = FX.Screenshot();
        bool all = true;
        for (int i = 0; i < 4; ++i) {
            const QRect r = ImageOnScreen(4, i);
            rows[i] = LeftColourRow(shot, 4, i, kFour[i].left, after);
            columns[i] = LeftColourColumn(shot, 4, i, kFour[i].left, after);
            all = all && rows[i].begin == r.left() && std::abs(rows[i].end - r.left() - after * 400) <= 2
                && columns[i].begin == r.top()
                && std::abs(columns[i].end - r.top() - std::min(after * 600, static_cast<float>(r.height()))) <= 2;
        }
        return all;
    };
    const bool ok = PollUntil(zoomed, 10000);
    for (int i = 0; i < 4; ++i) {
        EXPECT_TRUE(ok) << "panel " << i + 1 << ": row " << Describe(rows[i]) << " column " << Describe(columns[i])
                        << ", image control at " << ImageOnScreen(4, i).left() << "," << ImageOnScreen(4, i).top()
                        << ", expected edges after " << after * 400 << " and " << after * 600 << " (before "
                        << before * 400 << ")";
    }
}

// A drag in one panel moves the view of every panel by the drag.
TEST_F(ViewerE2E, DragMovesAllFour)
{
    StartWithFour();
    const float m = FitOf(4);
    const QPoint drag(30, 12);
    const QRect second = ImageOnScreen(4, 1);
    const QPoint from = second.topLeft() + QPoint(40, 40);
    FViewer->Drag(from, from + drag, 3);

    std::array<ColourRun, 4> rows;
    std::array<ColourRun, 4> columns;
    const auto moved = [&] {
        const QImage shot = FX.Screenshot();
        bool all = true;
        for (int i = 0; i < 4; ++i) {
            const QRect r = ImageOnScreen(4, i);
            rows[i] = LeftColourRow(shot, 4, i, kFour[i].left, m, drag.y());
            columns[i] = LeftColourColumn(shot, 4, i, kFour[i].left, m, drag.x());
            const int edge = static_cast<int>(m * 400);
            all = all && rows[i].begin == r.left() + drag.x() && std::abs(rows[i].end - (r.left() + drag.x() + edge)) <= 2
                && columns[i].begin == r.top() + drag.y();
        }
        return all;
    };
    const bool ok = PollUntil(moved, 10000);
    for (int i = 0; i < 4; ++i) {
        const QRect r = ImageOnScreen(4, i);
        EXPECT_TRUE(ok) << "panel " << i + 1 << ": row " << Describe(rows[i]) << " column " << Describe(columns[i])
                        << ", expected the picture from " << r.left() + drag.x() << "," << r.top() + drag.y();
    }
}

// With Ctrl held, a drag moves the dragged panel's view alone.
TEST_F(ViewerE2E, CtrlDragMovesOnlyThatPanel)
{
    StartWithFour();
    const float m = FitOf(4);
    const QPoint drag(-24, 16);
    const int dragged = 2;
    const QPoint from = ImageOnScreen(4, dragged).topLeft() + QPoint(60, 40);
    FViewer->Focus();
    FX.Xdotool({QStringLiteral("keydown"), QStringLiteral("ctrl")});
    FViewer->Drag(from, from + drag, 3);
    FX.Xdotool({QStringLiteral("keyup"), QStringLiteral("ctrl")});

    // Dragged left and down: that picture's left colour now starts at the control's left
    // edge and ends 24 px sooner, under a grey band of 16 px; the others stay at the fit.
    std::array<ColourRun, 4> columns;
    std::array<ColourRun, 4> rows;
    const auto onlyOne = [&] {
        const QImage shot = FX.Screenshot();
        bool all = true;
        for (int i = 0; i < 4; ++i) {
            const QRect r = ImageOnScreen(4, i);
            const QPoint moved = i == dragged ? drag : QPoint();
            columns[i] = LeftColourColumn(shot, 4, i, kFour[i].left, m);
            rows[i] = LeftColourRow(shot, 4, i, kFour[i].left, m, moved.y());
            all = all && columns[i].begin == r.top() + moved.y() && rows[i].begin == r.left()
                && std::abs(rows[i].end - (r.left() + static_cast<int>(m * 400) + moved.x())) <= 2;
        }
        return all;
    };
    const bool ok = PollUntil(onlyOne, 10000);
    for (int i = 0; i < 4; ++i) {
        EXPECT_TRUE(ok) << "panel " << i + 1 << ": row " << Describe(rows[i]) << " column " << Describe(columns[i])
                        << ", image control at " << ImageOnScreen(4, i).left() << "," << ImageOnScreen(4, i).top();
    }
}

// A second start hands its two names to the running window, which shows just those two
// side by side, and ends by itself; one window remains.
TEST_F(ViewerE2E, SecondStartReplacesPicturesAndEnds)
{
    StartWithFour();
    const QString fifth = Picture(QStringLiteral("fifth.bmp"), kTwo[0]);
    const QString sixth = Picture(QStringLiteral("sixth.bmp"), kTwo[1]);
    const ToolResult second = FViewer->SecondStart({fifth, sixth});
    ASSERT_TRUE(second.finished) << second.err.toStdString();
    EXPECT_EQ(second.exitCode, 0) << second.err.toStdString();

    const float m = FitOf(2);
    std::array<ColourRun, 2> rows;
    const auto replaced = [&] {
        const QImage shot = FX.Screenshot();
        bool all = true;
        for (int i = 0; i < 2; ++i) {
            rows[i] = LeftColourRow(shot, 2, i, kTwo[i].left, m);
            all = all && rows[i].begin == ImageOnScreen(2, i).left()
                && std::abs(rows[i].end - ImageOnScreen(2, i).left() - m * 400) <= 2;
        }
        return all;
    };
    const bool ok = PollUntil(replaced, 15000);
    EXPECT_TRUE(ok) << "left panel " << Describe(rows[0]) << ", right panel " << Describe(rows[1]);

    // Two full-height panels: the cell where the third picture was is now the first
    // panel's grey, down to the bottom of its control.
    const QImage shot = FX.Screenshot();
    const QRect tall = ImageOnScreen(2, 0);
    const QRect formerThird = ImageOnScreen(4, 2);
    EXPECT_TRUE(Near(shot.pixel(formerThird.center()), kPanelGrey))
        << std::hex << shot.pixel(formerThird.center());
    const ColourRun greyDown = ColumnRun(shot, tall.left() + 20, tall.top() + static_cast<int>(m * 600) + 3,
                                   tall.bottom() + 4, kPanelGrey);
    EXPECT_EQ(greyDown.end, tall.bottom() + 1) << Describe(greyDown);

    EXPECT_EQ(FViewer->MainWindows(), QStringList{FViewer->Window()});
    const QStringList log = FViewer->LogLines();
    EXPECT_TRUE(log.contains(QStringLiteral("HANDOFF ") + fifth)) << log.join('\n').toStdString();
    EXPECT_TRUE(log.contains(QStringLiteral("HANDOFF ") + sixth)) << log.join('\n').toStdString();
}

// The exit command of the file menu closes the window, which writes its bounds as they
// are at that moment (moved and resized from outside), and the program ends with 0.
// On a screen scaled by 2, magnification 1 puts one picture pixel on one screen pixel: a
// one-pixel checkerboard stays one pixel fine, while the window keeps its scaled size.
TEST_F(ViewerE2E, ScaledScreenShowsTruePixelsAtOne)
{
    constexpr QRgb kA = 0xFFE02020;
    constexpr QRgb kB = 0xFF20E0E0;
    BmpSpec spec;
    spec.Width = 120;
    spec.Height = 90;
    for (int y = 0; y < spec.Height; ++y)
        for (int x = 0; x < spec.Width; ++x)
            spec.Pixels.push_back(((x + y) % 2 ? kB : kA) & 0xFFFFFF);
    FViewer->SetEnvironment(QStringLiteral("QT_SCALE_FACTOR"), QStringLiteral("2"));
    FViewer->WriteSettings("[WINDOW]\nLEFT=0\nTOP=0\nWIDTH=640\nHEIGHT=454\n");
    QString error;
    ASSERT_TRUE(FViewer->Start({FFolder.Write(QStringLiteral("checker.bmp"), BuildBmp(spec))}, &error))
        << error.toStdString();
    EXPECT_EQ(FViewer->Geometry().size(), QSize(1280, 908));
    FViewer->Focus();
    FViewer->Keys({QStringLiteral("alt+1")});

    // The checkerboard's top-left pixel is kA; every row alternates pixel by pixel, and
    // each row begins with the other colour than the row above.
    QString why;
    const auto fine = [&] {
        const QImage shot = FX.Screenshot();
        QPoint corner(-1, -1);
        for (int y = 0; y < shot.height() && corner.x() < 0; ++y)
            for (int x = 0; x + 1 < shot.width(); ++x)
                if (Near(shot.pixel(x, y), kA) && Near(shot.pixel(x + 1, y), kB) && y + 1 < shot.height()
                    && Near(shot.pixel(x, y + 1), kB)) {
                    corner = QPoint(x, y);
                    break;
                }
        if (corner.x() < 0) {
            why = QStringLiteral("no checkerboard corner on the screen");
            return false;
        }
        for (int dy = 0; dy < 40; ++dy)
            for (int dx = 0; dx < 100; ++dx) {
                const QRgb want = (dx + dy) % 2 ? kB : kA;
                if (!Near(shot.pixel(corner.x() + dx, corner.y() + dy), want)) {
                    why = QStringLiteral("pixel %1,%2 from the corner at %3,%4 is not its square's colour")
                              .arg(dx).arg(dy).arg(corner.x()).arg(corner.y());
                    return false;
                }
            }
        return true;
    };
    EXPECT_TRUE(PollUntil(fine, 15000)) << why.toStdString();
}

// The window's own keys: F paints the sharp edge of every picture (the split between its two
// colours), PageDown replaces the frames with the next group of the folder.
TEST_F(ViewerE2E, FocusKeyPaintsEdgesAndPageDownStepsTheBurst)
{
    Picture(QStringLiteral("four5.bmp"), kTwo[0]);
    Picture(QStringLiteral("four6.bmp"), kTwo[1]);
    StartWithFour();
    const float m = FitOf(4);
    FViewer->Focus();
    FViewer->Keys({QStringLiteral("f")});
    const auto peaking = [&](int i) {
        const QImage shot = FX.Screenshot();
        const QRect r = ImageOnScreen(4, i);
        const int y = r.top() + static_cast<int>(m * kPictureSize.height() / 2);
        for (QRgb c : {0xFFFFFF00u, 0xFF00FF00u, 0xFF00A0FFu})
            if (RowRun(shot, y, r.left(), r.right(), c).begin >= 0)
                return true;
        return false;
    };
    EXPECT_TRUE(PollUntil([&] { return peaking(0) && peaking(3); }, 15000)) << "no peaking colour on the split";

    // Six files, four panels: the next group is the last whole one, frames 3 to 6.
    FViewer->Keys({QStringLiteral("Next")});
    const auto stepped = [&] {
        const QImage shot = FX.Screenshot();
        const QRect first = ImageOnScreen(4, 0);
        const QRect last = ImageOnScreen(4, 3);
        return Near(shot.pixel(first.left() + 2, first.top() + 2), kFour[2].left)
            && Near(shot.pixel(last.left() + 2, last.top() + 2), kTwo[1].left);
    };
    EXPECT_TRUE(PollUntil(stepped, 15000)) << "PageDown did not show frames 3 to 6";
}

TEST_F(ViewerE2E, ExitCommandWritesWindowBounds)
{
    QString error;
    ASSERT_TRUE(FViewer->Start({}, &error)) << error.toStdString();
    const QRect moved(40, 30, 900, 700);
    FX.Xdotool({QStringLiteral("windowmove"), FViewer->Window(), QString::number(moved.left()), QString::number(moved.top())});
    FX.Xdotool({QStringLiteral("windowsize"), FViewer->Window(), QString::number(moved.width()),
                QString::number(moved.height())});
    ASSERT_TRUE(PollUntil([&] { return FViewer->Geometry() == moved; }, 10000)) << "window stayed at "
                                                                                 << FViewer->Geometry().x();

    FViewer->Focus();
    FViewer->Keys({QStringLiteral("alt+f")});
    ASSERT_TRUE(PollUntil([&] { return FViewer->VisibleWindowCount() >= 2; }, 10000)) << "the file menu did not open";
    FViewer->Keys({QStringLiteral("x")});
    int exitCode = -1;
    ASSERT_TRUE(FViewer->WaitForExit(20000, &exitCode)) << "the exit command did not end the program";
    EXPECT_EQ(exitCode, 0);

    const auto ini = ReadIni(FViewer->SettingsPath());
    ASSERT_TRUE(ini.contains(QStringLiteral("WINDOW")));
    const auto& window = ini[QStringLiteral("WINDOW")];
    EXPECT_EQ(window.value(QStringLiteral("LEFT")), QString::number(moved.left()));
    EXPECT_EQ(window.value(QStringLiteral("TOP")), QString::number(moved.top()));
    EXPECT_EQ(window.value(QStringLiteral("WIDTH")), QString::number(moved.width()));
    EXPECT_EQ(window.value(QStringLiteral("HEIGHT")), QString::number(moved.height()));
}

}  // namespace
