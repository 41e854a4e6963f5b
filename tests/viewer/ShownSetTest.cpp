// The shown set's owner seen through the window: the burst position is its own, whatever
// decoded or still exists; frames decoded ahead are checked against their files; the focus
// aids come back after being turned off and on while their maps were made.
#include "MainFormFixture.h"

#include "loading/Bmpmagbase.h"
#include "loading/PanelLine.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QTest>

namespace {

class ShownSet : public MainFormTest {
protected:
    // Twelve frames of a burst; the broken ones are no pictures at all.
    QStringList Burst(std::initializer_list<int> broken = {}, const QString& sub = QStringLiteral("burst"))
    {
        QDir().mkpath(folder.Path(sub));
        QStringList frames;
        for (int i = 1; i <= 12; ++i) {
            const QString name = sub + QStringLiteral("/img%1.bmp").arg(i, 2, 10, QLatin1Char('0'));
            frames << (std::count(broken.begin(), broken.end(), i) ? NotAPicture(name)
                                                                    : Picture(name, QSize(60, 40), QColor(20 * i, 90, 30)));
        }
        return frames;
    }
    void Open(const QStringList& names)
    {
        MakeForm();
        ShowWithClient(QSize(600, 400));
        form->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
        Load(names);
    }
    QString Shown() const
    {
        QStringList names;
        for (int i = 0; i < form->LoadedPanels(); ++i)
            names << QFileInfo(form->Panel(i).Path).completeBaseName().mid(3);
        return names.join(',');
    }
    void Key(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QTest::keyClick(form.get(), Qt::Key(key), modifiers);
        Settle();
    }
};

struct StepCase {
    const char* Name;
    std::initializer_list<int> Broken;
    bool MoveFirstAway;
    std::vector<Qt::KeyboardModifiers> Steps;  // PageDown: none, a group; Shift, a frame
    const char* Expected;
    int Errors;
};

TEST_F(ShownSet, StepsFollowTheBurstPositionWhateverDecodedOrStillExists)
{
    const Qt::KeyboardModifiers group = Qt::NoModifier, frame = Qt::ShiftModifier;
    const StepCase cases[] = {
        {"the first panel's file moved away", {}, true, {group}, "05,06,07,08", 0},
        {"a broken frame shrinks the set, not the group", {6}, false, {group, group}, "09,10,11,12", 1},
        {"frame steps onto and past a broken frame", {5}, false, {frame, frame}, "03,04,06", 2},
        {"a group that fails whole keeps the pictures", {5, 6, 7, 8}, false, {group}, "01,02,03,04", 1},
        {"and stepping goes on past it", {5, 6, 7, 8}, false, {group, group}, "09,10,11,12", 1},
    };
    for (const StepCase& c : cases) {
        prompter.shown.clear();
        const QStringList frames = Burst(c.Broken, QString::fromLatin1(c.Name));
        Open(frames.mid(0, 4));
        if (c.MoveFirstAway) {
            ASSERT_TRUE(QFile::rename(frames[0], folder.Path("kept.bmp")));
        }
        for (Qt::KeyboardModifiers m : c.Steps)
            Key(Qt::Key_PageDown, m);
        EXPECT_EQ(Shown(), QString::fromLatin1(c.Expected)) << c.Name;
        EXPECT_EQ(ShownMessages().count(QStringLiteral("エラー: ロードできないファイルがありました。")), c.Errors) << c.Name;
        form.reset();
    }
}

// A frame decoded ahead whose file was replaced since is decoded again; a file replaced
// after it was shown is neither moved nor copied.
TEST_F(ShownSet, FramesAreCheckedAgainstTheirFiles)
{
    const QStringList frames = Burst();
    Open(frames.mid(0, 4));
    ASSERT_EQ(form->Shown().GroupAhead(), frames.mid(4, 4));
    QTest::qWait(20);  // a modification time the old one cannot have
    Picture("burst/img05.bmp", QSize(30, 20));
    Key(Qt::Key_PageDown);
    ASSERT_EQ(Shown(), "05,06,07,08");
    EXPECT_EQ(form->Panel(0).Picture->Width(), 30);
    EXPECT_TRUE(form->Panel(0).TextLine->text().startsWith(QStringLiteral("30×20")));

    QDir().mkpath(folder.Path("dest"));
    Control<QLabel>("LbDistnation")->setText(folder.Path("dest"));
    QTest::mouseClick(form->Panel(0).Image, Qt::RightButton, Qt::NoModifier, QPoint(5, 5));
    QTest::qWait(20);
    Picture("burst/img05.bmp", QSize(32, 20));
    for (const char* item : {"M1", "N3"})
        Control<QAction>(item)->trigger();
    EXPECT_EQ(ShownMessages(), (QStringList{QStringLiteral("エラー: ファイルの移動に失敗しました。"),
                                            QStringLiteral("エラー: ファイルコピーに失敗しました。")}));
    EXPECT_TRUE(QFile::exists(frames[4]));
    EXPECT_FALSE(QFile::exists(folder.Path("dest/img05.bmp")));
}

// After a step with a kept turn, a panel's line reads as its load would.
TEST_F(ShownSet, ATurnedFramesLineReadsAsItsLoad)
{
    const QStringList frames = Burst();
    Open(frames.mid(0, 4));
    Control<QAction>("N90R1")->trigger();
    Key(Qt::Key_PageDown);
    TBitmapMAGBase loaded;
    loaded.LoadFromFile(frames[4]);
    EXPECT_EQ(form->Panel(0).Picture->Width(), 40);
    EXPECT_EQ(form->Panel(0).TextLine->text(), PanelText(loaded));
}

// The aids turned off while the maps of new pictures are made, and on again: the maps made
// meanwhile are shown.
TEST_F(ShownSet, FocusAidsTurnedOffAndOnWhileMapsAreMadeShowThem)
{
    const QStringList frames = Burst();
    Open(frames.mid(0, 4));
    QAction* aids = Control<QAction>("FocusAid");
    aids->trigger();
    Settle();
    form->LoadPictures(frames.mid(4, 4));
    while (form->Shown().Busy())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    aids->trigger();
    Settle();
    aids->trigger();
    Settle();
    ASSERT_EQ(form->LoadedPanels(), 4);
    for (int i = 0; i < 4; ++i)
        EXPECT_TRUE(form->Panel(i).Picture->FocusOverlayMap()) << i;
}

}  // namespace
