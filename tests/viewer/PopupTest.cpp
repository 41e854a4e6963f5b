#include "MainFormFixture.h"

#include "dialogs/Appdialog.h"
#include "dialogs/Dirselform.h"

#include <QAction>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QThread>
#include <QTreeWidget>

namespace {

class Popup : public MainFormTest {
protected:
    // Two pictures side by side; the destination is a folder of the test's own.
    void TwoPictures(const QByteArray& settings = {})
    {
        if (!settings.isEmpty())
            WriteSettingsText(settings);
        MakeForm();
        ShowWithClient(QSize(600, 400));
        QDir().mkpath(folder.Path("dest"));
        Control<QLabel>("LbDistnation")->setText(folder.Path("dest"));
        Load({Picture("a.bmp", QSize(40, 30)), Picture("b.bmp", QSize(50, 30), Qt::blue)});
        ASSERT_EQ(form->LoadedPanels(), 2);
    }
    // A right click where the user would make it, in the image control's coordinates.
    void RightClick(int panel, QPoint at)
    {
        QTest::mouseClick(form->Panel(panel).Image, Qt::RightButton, Qt::NoModifier, at);
    }
    QStringList Captions() const
    {
        QStringList c;
        for (QAction* item : form->Popup().ApplicationItems())
            c << item->text();
        return c;
    }
    std::vector<bool> Enabled() const
    {
        std::vector<bool> e;
        for (QAction* item : form->Popup().ApplicationItems())
            e.push_back(item->isEnabled());
        return e;
    }
    // A program that writes its arguments, one a line, into record.
    QString Recorder(const QString& record)
    {
        const QString path = folder.Write(
            "recorder.sh",
            QStringLiteral("#!/bin/sh\n{ for a in \"$0\" \"$@\"; do printf '%s\\n' \"$a\"; done; } > '%1.part'\n"
                           "mv '%1.part' '%1'\n")
                .arg(record)
                .toUtf8());
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        return path;
    }
    static QStringList WaitForLines(const QString& record)
    {
        QDeadlineTimer deadline(30000);
        while (!QFile::exists(record) && !deadline.hasExpired())
            QThread::msleep(20);
        QFile f(record);
        if (!f.open(QIODevice::ReadOnly))
            return {};
        return QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }
    static QByteArray Read(const QString& path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }
};

TEST_F(Popup, ItemsInMenuOrder)
{
    MakeForm();
    const struct {
        const char* name;
        const char* caption;  // nullptr: separator
    } expected[] = {
        {"N3", "ﾌｧｲﾙｺﾋﾟｰ(&C)"}, {"M1", "移動(&M)"}, {"N4", nullptr}, {"N5", "削除"},  {"N6", nullptr},
        {"N11", "(&1)"},        {"N21", "(&2)"},    {"N31", "(&3)"}, {"N41", "(&4)"}, {"N51", "(&5)"},
        {"N61", "(&6)"},        {"N71", "(&7)"},    {"N81", "(&8)"}, {"N7", nullptr},  {"N8", "キャンセル"},
    };
    const QList<QAction*> actions = Control<QMenu>("PopupOp")->actions();
    ASSERT_EQ(actions.size(), int(std::size(expected)));
    for (int i = 0; i < actions.size(); ++i) {
        EXPECT_EQ(actions[i]->objectName(), QString::fromLatin1(expected[i].name)) << i;
        if (expected[i].caption)
            EXPECT_EQ(actions[i]->text(), QString::fromUtf8(expected[i].caption)) << i;
        else
            EXPECT_TRUE(actions[i]->isSeparator()) << i;
    }
}

TEST_F(Popup, OpensAtThePicturesCornerWhereverTheClickWas)
{
    TwoPictures();
    for (QPoint at : {QPoint(form->Panel(1).Image->width() - 1, form->Panel(1).Image->height() - 1), QPoint(100, 7)}) {
        popups.clear();
        RightClick(1, at);
        ASSERT_EQ(popups.size(), 1u);
        EXPECT_EQ(popups[0], form->Panel(1).Image->mapToGlobal(QPoint(4, 4)));
        const QPoint client = form->Panel(1).Group->pos() + QPoint(8 + 4, 48 + 4);
        EXPECT_EQ(popups[0], Control<QWidget>("Client")->mapToGlobal(client));
        EXPECT_EQ(form->Popup().File(), form->Panel(1).Path);
    }
}

TEST_F(Popup, OnlyTheRightButtonOnALoadedPanelOpensIt)
{
    TwoPictures();
    QTest::mouseClick(form->Panel(0).Image, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
    EXPECT_TRUE(popups.empty());
    form->Image1MouseDown(2, Qt::RightButton, Qt::NoModifier, 5, 5);  // an empty panel
    EXPECT_TRUE(popups.empty());
    EXPECT_TRUE(form->Popup().File().isEmpty());
}

TEST_F(Popup, CopyMoveAndDeleteThroughTheMenu)
{
    TwoPictures();
    const QString source = form->Panel(0).Path;
    const QString target = folder.Path("dest/a.bmp");
    RightClick(0, QPoint(10, 10));

    Control<QAction>("N3")->trigger();
    EXPECT_EQ(Read(target), Read(source));
    EXPECT_TRUE(prompter.shown.empty()) << "nothing to ask on a first copy";

    QFile::remove(target);
    folder.Write("dest/a.bmp", "older");
    prompter.answers = {false};
    Control<QAction>("N3")->trigger();
    EXPECT_EQ(Read(target), QByteArray("older")) << "No keeps the file";
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].text,
              QStringLiteral("同名のファイル(%1)が既に存在しますが、上書きしてよろしいですか？").arg(target));
    EXPECT_EQ(prompter.shown[0].title, QStringLiteral("確認"));

    prompter.shown.clear();
    prompter.answers = {true};
    Control<QAction>("N5")->trigger();
    EXPECT_FALSE(QFile::exists(target));
    EXPECT_TRUE(QFile::exists(source)) << "the panel's own file is never deleted";
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].text, QStringLiteral("ファイル(%1)を削除してもよろしいですか？").arg(target));

    prompter.shown.clear();
    Control<QAction>("N5")->trigger();
    EXPECT_EQ(ShownMessages(), QStringList{QStringLiteral("エラー: 削除するファイルが見つかりません。")});

    prompter.shown.clear();
    Control<QAction>("M1")->trigger();
    EXPECT_TRUE(QFile::exists(target));
    EXPECT_FALSE(QFile::exists(source));
    EXPECT_EQ(form->LoadedPanels(), 2) << "the panels stay as they were";
    EXPECT_EQ(form->Panel(0).Path, source);
    // The picture left its folder: moving it again is asked about and then fails, and the
    // file already in the destination stays.
    prompter.answers = {true};
    Control<QAction>("M1")->trigger();
    EXPECT_EQ(ShownMessages(), QStringList{QStringLiteral("エラー: ファイルの移動に失敗しました。")});
    EXPECT_TRUE(QFile::exists(target));
}

TEST_F(Popup, TheMenuWorksOnThePanelItWasOpenedOn)
{
    TwoPictures();
    RightClick(1, QPoint(3, 3));
    Control<QAction>("N3")->trigger();
    EXPECT_TRUE(QFile::exists(folder.Path("dest/b.bmp")));
    EXPECT_FALSE(QFile::exists(folder.Path("dest/a.bmp")));
}

TEST_F(Popup, DestinationChosenInTheFolderDialog)
{
    TwoPictures();
    const QString before = Control<QLabel>("LbDistnation")->text();
    QDir().mkpath(folder.Path("other"));
    QString prompt, start;
    prompter.modalHandlers.push_back([&](QDialog& d) {
        auto& dirSel = dynamic_cast<TDirSel&>(d);
        prompt = dirSel.Prompt;
        start = dirSel.SelectedDir;
        dirSel.SetCurrentFolder(folder.Path("other"));
        return int(Prompter::mrCancel);
    });
    Control<QPushButton>("Button1")->click();
    EXPECT_EQ(prompt, QStringLiteral("整理先の変更"));
    EXPECT_EQ(start, before);
    EXPECT_EQ(Control<QLabel>("LbDistnation")->text(), before) << "Cancel changes nothing";

    prompter.modalHandlers.push_back([&](QDialog& d) {
        auto& dirSel = dynamic_cast<TDirSel&>(d);
        dirSel.SetCurrentFolder(folder.Path("other"));
        dirSel.Button1Click();
        return int(Prompter::mrOk);
    });
    Control<QPushButton>("Button1")->click();
    EXPECT_EQ(QDir(Control<QLabel>("LbDistnation")->text()), QDir(folder.Path("other")));
    RightClick(0, QPoint(3, 3));
    Control<QAction>("N3")->trigger();
    EXPECT_TRUE(QFile::exists(folder.Path("other/a.bmp"))) << "commands use the new destination";
}

TEST_F(Popup, ApplicationItemsFollowTheSettings)
{
    TwoPictures("[APPLICATIONS]\nNAME3=Editor\nPATH3=/opt/tools/ed\nNAME5=No path\nPATH5=\n"
                "NAME8=Viewer\nPATH8=/usr/bin/viewer\nNAME2=Freed\nPATH2=-\n");
    RightClick(0, QPoint(3, 3));
    EXPECT_EQ(Captions(), (QStringList{"(&1)", "(&2)", "(&3) Editor", "(&4)", "(&5) No path", "(&6)", "(&7)",
                                       "(&8) Viewer"}));
    EXPECT_EQ(Enabled(), (std::vector<bool>{false, false, true, false, true, false, false, true}));
}

TEST_F(Popup, WithoutSettingsEveryApplicationItemIsDisabled)
{
    TwoPictures();
    RightClick(0, QPoint(3, 3));
    EXPECT_EQ(Captions(), (QStringList{"(&1)", "(&2)", "(&3)", "(&4)", "(&5)", "(&6)", "(&7)", "(&8)"}));
    EXPECT_EQ(Enabled(), std::vector<bool>(8, false));
}

TEST_F(Popup, ChosenApplicationGetsThePanelsPicture)
{
    const QString record = folder.Path("args.txt");
    const QString program = Recorder(record);
    TwoPictures(QStringLiteral("[APPLICATIONS]\nNAME2=Recorder\nPATH2=%1\nNAME4=Gone\nPATH4=%2\n")
                    .arg(program, folder.Path("missing-program"))
                    .toUtf8());
    RightClick(1, QPoint(3, 3));
    Control<QAction>("N21")->trigger();
    EXPECT_EQ(WaitForLines(record), (QStringList{program, form->Panel(1).Path}));
    EXPECT_TRUE(prompter.shown.empty());

    Control<QAction>("N41")->trigger();
    EXPECT_EQ(ShownMessages(), QStringList{QStringLiteral("エラー: プログラムが起動できません。")});

    prompter.shown.clear();
    form->Popup().Nx1Click(Control<QAction>("N11"));  // a free slot: its item is disabled
    EXPECT_TRUE(prompter.shown.empty());
}

TEST_F(Popup, RegistrationRefreshesTheItemsOnOkAndAtTheNextOpening)
{
    TwoPictures();
    RightClick(0, QPoint(3, 3));
    auto editRow = [](int row, const char* name, const char* path) {
        return [=](QDialog& d) {
            auto& list = dynamic_cast<TTAppDialog&>(d);
            list.List->topLevelItem(row)->setText(1, QString::fromUtf8(name));
            list.List->topLevelItem(row)->setText(2, QString::fromUtf8(path));
            return int(Prompter::mrCancel);
        };
    };
    // Cancel keeps the edit in the table, and the menu shows it when it next opens.
    prompter.modalHandlers.push_back(editRow(0, "Kept", "/bin/kept"));
    Control<QAction>("R1")->trigger();
    EXPECT_EQ(Dialog<TTAppDialog>()->AppNames[0], QStringLiteral("Kept"));
    EXPECT_EQ(Control<QAction>("N11")->text(), QStringLiteral("(&1)"));
    RightClick(0, QPoint(3, 3));
    EXPECT_EQ(Control<QAction>("N11")->text(), QStringLiteral("(&1) Kept"));
    EXPECT_TRUE(Control<QAction>("N11")->isEnabled());

    prompter.modalHandlers.push_back([inner = editRow(6, "Seven", "/bin/seven")](QDialog& d) {
        inner(d);
        return int(Prompter::mrOk);
    });
    Control<QAction>("R1")->trigger();
    EXPECT_EQ(Control<QAction>("N71")->text(), QStringLiteral("(&7) Seven")) << "OK refreshes at once";
    EXPECT_TRUE(Control<QAction>("N71")->isEnabled());
}

}  // namespace
