#include "MainFormFixture.h"

#include "chooser/Pictselectdlg.h"
#include "dialogs/Appdialog.h"
#include "dialogs/Dirselform.h"
#include "dialogs/Spisetting.h"
#include "loading/PluginLoad.h"
#include "platform/ProfileFile.h"
#include "support/FileAccess.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QTreeWidget>
#include <sys/stat.h>

namespace {

class Settings : public MainFormTest {
protected:
    // Shows a window over the current settings file and closes it again.
    QRect OpenBounds(QSize screen)
    {
        MakeForm(screen);
        form->show();
        Settle();
        return form->OuterBounds();
    }
    QString Value(const char* section, const char* key) const
    {
        return ProfileFile(SettingsPath()).ReadString(QString::fromLatin1(section), QString::fromLatin1(key),
                                                       QStringLiteral("<absent>"));
    }
};

TEST_F(Settings, NoFileGivesTheDesignAndIsWrittenAtClose)
{
    EXPECT_EQ(OpenBounds(QSize(1280, 1024)), QRect(192, 120, 640, 454));
    EXPECT_EQ(Control<QLabel>("LbDistnation")->text(), QDir::homePath());
    EXPECT_FALSE(Control<QAction>("StyleTate")->isChecked());
    for (int slot = 0; slot < kAppSlotCount; ++slot) {
        EXPECT_EQ(Dialog<TTAppDialog>()->AppNames[slot], QStringLiteral("-"));
        EXPECT_EQ(Dialog<TTAppDialog>()->AppPaths[slot], QStringLiteral("-"));
    }
    form->close();
    ASSERT_TRUE(QFileInfo::exists(SettingsPath()));
    EXPECT_EQ(Value("WINDOW", "LEFT"), QStringLiteral("192"));
    EXPECT_EQ(Value("WINDOW", "HEIGHT"), QStringLiteral("454"));
    EXPECT_EQ(Value("APPLICATIONS", "NAME8"), QStringLiteral("-"));
    EXPECT_EQ(Value("APPLICATIONS", "PATH1"), QStringLiteral("-"));
    EXPECT_EQ(Value("STYLE", "TATE"), QStringLiteral("0"));
    EXPECT_EQ(Value("OTHER", "DISTPATH"), QDir::homePath());
    EXPECT_EQ(Value("SUSIE", "SPIDIR"), DefaultPluginFolder()) << "the shipped plug-ins by default";
    EXPECT_EQ(Value("PIC_SELECT", "Left"), QStringLiteral("200")) << "the chooser's design bounds";
    EXPECT_EQ(Value("PIC_SELECT", "Directory"), QDir::homePath());
}

TEST_F(Settings, SmallWindowIsSavedAsIsAndReopensAtTheDesignSize)
{
    OpenBounds(QSize(1280, 1024));
    form->SetOuterBounds(QRect(100, 90, 500, 300));
    form->close();
    EXPECT_EQ(Value("WINDOW", "WIDTH"), QStringLiteral("500"));
    EXPECT_EQ(Value("WINDOW", "HEIGHT"), QStringLiteral("300"));
    EXPECT_EQ(OpenBounds(QSize(1280, 1024)), QRect(100, 90, 640, 454));
}

TEST_F(Settings, EveryOtherValueSurvivesTheRoundTrip)
{
    WriteSettingsText("; kept comment\n"
                      "[DEBUG]\nMULTICHECK=0\n"
                      "[APPLICATIONS]\nNAME1=Editor\nPATH1=/usr/bin/editor\nNAME3=Viewer\nPATH3=/opt/v\n"
                      "[STYLE]\nTATE=2\n"
                      "[SUSIE]\nSPIDIR=/opt/spi\n"
                      "[PIC_SELECT]\nLeft=-5\nTop=7\nWidth=601\nHeight=521\nSplitHpos=186\nSplitVpos=154\n"
                      "Directory=/home/x/Pictures\n"
                      "[OTHER]\nDISTPATH=/srv/sorted\nUNKNOWN=kept\n"
                      "[MINE]\nanything=1\n");
    OpenBounds(QSize(1280, 1024));
    EXPECT_EQ(Control<QLabel>("LbDistnation")->text(), QStringLiteral("/srv/sorted"));
    EXPECT_EQ(Dialog<TTAppDialog>()->AppNames[0], QStringLiteral("Editor"));
    EXPECT_EQ(Dialog<TTAppDialog>()->AppPaths[2], QStringLiteral("/opt/v"));
    EXPECT_EQ(Dialog<TTAppDialog>()->AppNames[1], QStringLiteral("-"));
    EXPECT_EQ(form->PluginFolder(), QStringLiteral("/opt/spi"));
    EXPECT_TRUE(Control<QAction>("StyleTate")->isChecked());
    EXPECT_EQ(Dialog<TPictSelectDialog>()->Directory, QStringLiteral("/home/x/Pictures"));
    EXPECT_EQ(Dialog<TPictSelectDialog>()->SplitHpos(), 186);
    Dialog<TTAppDialog>()->AppNames[1] = QStringLiteral("Other");
    form->close();

    const struct {
        const char* section;
        const char* key;
        const char* value;
    } expected[] = {
        {"APPLICATIONS", "NAME1", "Editor"},  {"APPLICATIONS", "PATH1", "/usr/bin/editor"},
        {"APPLICATIONS", "NAME2", "Other"},   {"APPLICATIONS", "PATH2", "-"},
        {"APPLICATIONS", "NAME3", "Viewer"},  {"SUSIE", "SPIDIR", "/opt/spi"},
        {"STYLE", "TATE", "1"},
        {"PIC_SELECT", "Left", "0"},          {"PIC_SELECT", "Top", "7"},
        {"PIC_SELECT", "Width", "601"},       {"PIC_SELECT", "Height", "521"},
        {"PIC_SELECT", "SplitHpos", "186"},   {"PIC_SELECT", "SplitVpos", "154"},
        {"PIC_SELECT", "Directory", "/home/x/Pictures"}, {"OTHER", "DISTPATH", "/srv/sorted"},
        {"OTHER", "UNKNOWN", "kept"},         {"MINE", "anything", "1"},
        {"DEBUG", "MULTICHECK", "0"},
    };
    for (const auto& e : expected)
        EXPECT_EQ(Value(e.section, e.key), QString::fromUtf8(e.value)) << e.section << "/" << e.key;
    EXPECT_TRUE(ReadSettingsText().contains(QStringLiteral("; kept comment")));
}

TEST_F(Settings, ChangesMadeInTheWindowSurviveARestart)
{
    OpenBounds(QSize(1280, 1024));
    QDir().mkpath(folder.Path("sorted"));
    QDir().mkpath(folder.Path("pictures"));
    prompter.modalHandlers.push_back([](QDialog& d) {  // registration list
        auto& list = dynamic_cast<TTAppDialog&>(d);
        list.List->topLevelItem(1)->setText(1, QStringLiteral("Editor"));
        list.List->topLevelItem(1)->setText(2, QStringLiteral("/opt/ed"));
        return int(Prompter::mrOk);
    });
    form->Popup().R1Click();
    prompter.modalHandlers.push_back([this](QDialog& d) {  // organise destination
        auto& dirSel = dynamic_cast<TDirSel&>(d);
        dirSel.SetCurrentFolder(folder.Path("sorted"));
        dirSel.Button1Click();
        return int(Prompter::mrOk);
    });
    form->Popup().Button1Click();
    prompter.modalHandlers.push_back([this](QDialog& d) {  // plug-in folder
        dynamic_cast<TSpiSetDlg&>(d).EdSPIPath->setText(folder.Path("spi"));
        return int(Prompter::mrOk);
    });
    form->Susie1Click();
    Dialog<TPictSelectDialog>()->setGeometry(250, 140, 700, 560);
    Dialog<TPictSelectDialog>()->SetDirListBox(folder.Path("pictures"));
    form->close();
    EXPECT_EQ(Value("APPLICATIONS", "NAME2"), QStringLiteral("Editor"));
    EXPECT_EQ(Value("SUSIE", "SPIDIR"), folder.Path("spi"));

    OpenBounds(QSize(1280, 1024));
    EXPECT_EQ(Dialog<TTAppDialog>()->AppNames[1], QStringLiteral("Editor"));
    EXPECT_EQ(Dialog<TTAppDialog>()->AppPaths[1], QStringLiteral("/opt/ed"));
    EXPECT_EQ(Dialog<TTAppDialog>()->AppPaths[0], QStringLiteral("-"));
    EXPECT_EQ(QDir(Control<QLabel>("LbDistnation")->text()), QDir(folder.Path("sorted")));
    EXPECT_EQ(form->PluginFolder(), folder.Path("spi"));
    EXPECT_EQ(form->PluginHost()->Folder, folder.Path("spi")) << "the host scans the stored folder";
    EXPECT_EQ(Dialog<TPictSelectDialog>()->geometry(), QRect(250, 140, 700, 560));
    EXPECT_EQ(QDir(Dialog<TPictSelectDialog>()->Directory), QDir(folder.Path("pictures")));
}

TEST_F(Settings, WindowNeverShownWritesNothing)
{
    WriteSettingsText("[APPLICATIONS]\nNAME1=Editor\n");
    MakeForm();
    form->close();
    EXPECT_EQ(ReadSettingsText(), QStringLiteral("[APPLICATIONS]\nNAME1=Editor\n"));
}

TEST_F(Settings, RefusedWriteIsReportedAndTheWindowStillCloses)
{
    // A plain file where the settings folder should be: nothing can be written there.
    folder.Write("blocker", "x");
    TMainFormEnv env{&prompter, folder.Path("blocker/velumira.INI"), QSize(1280, 1024), nullptr, {}};
    form = std::make_unique<TMainForm>(env);
    form->show();
    Settle();
    form->close();
    EXPECT_FALSE(form->isVisible());
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].kind, FakePrompter::Shown::Error);
    EXPECT_FALSE(prompter.shown[0].text.isEmpty());
}

TEST_F(Settings, FileThatCouldNotBeReadIsKeptAndTheCloseSaysSo)
{
    const QByteArray text = "[STYLE]\nTATE=1\n[OTHER]\nDISTPATH=/srv/sorted\n";
    WriteSettingsText(text);
    ::chmod(QFile::encodeName(SettingsPath()).constData(), 0);
    ::chmod(QFile::encodeName(folder.Path()).constData(), 0755);  // nobody may look inside
    MakeForm();
    {
        const FileAccessAsNobody nobody;
        ASSERT_TRUE(nobody.Active());
        form->show();
        Settle();
    }
    EXPECT_EQ(Control<QLabel>("LbDistnation")->text(), QDir::homePath()) << "the defaults";
    // Readable again by the close: it still must not put the defaults over the file.
    ::chmod(QFile::encodeName(SettingsPath()).constData(), 0644);
    form->close();
    ASSERT_EQ(Errors(), 1);
    EXPECT_TRUE(prompter.shown.back().text.startsWith(QStringLiteral("設定ファイル \"%1\" に書き込めません: ").arg(SettingsPath())));
    EXPECT_EQ(ReadSettingsText().toUtf8(), text);
}

}  // namespace
