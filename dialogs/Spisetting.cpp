#include "dialogs/Spisetting.h"

#include "dialogs/CentreOnScreen.h"
#include "dialogs/Dirselform.h"
#include "loading/PluginLoad.h"
#include "loading/SpiHost.h"
#include "ui/DialogFont.h"
#include "ui/Prompter.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

TSpiSetDlg::TSpiSetDlg(Prompter& prompter, TDirSel* dirSel, QWidget* parent)
    : QDialog(parent), FPrompter(prompter), FDirSel(dirSel)
{
    setWindowTitle(QStringLiteral("Susieプラグインの設定"));
    setFont(FormFont(15));
    setFixedSize(452, 120);
    CentreOnScreenWhenShown(*this);

    Label1 = new QLabel(QStringLiteral("Susieプラグインのあるディレクトリ"), this);
    Label1->setGeometry(8, 18, 180, 13);
    Label1->setFont(FittedFont(13, Label1->height()));

    EdSPIPath = new QLineEdit(this);
    EdSPIPath->setReadOnly(true);
    EdSPIPath->setGeometry(8, 40, 433, 23);

    const auto makeButton = [this](const QString& caption, int left, int top) {
        auto* button = new QPushButton(caption, this);
        button->setFont(FittedFont(13, FramedTextHeight(21)));
        button->setGeometry(left, top, 75, 21);
        button->setAutoDefault(false);
        return button;
    };
    Button1 = makeButton(QStringLiteral("自動設定"), 272, 14);
    Button2 = makeButton(QStringLiteral("手動設定"), 366, 14);
    Button3 = makeButton(QStringLiteral("Ok(&O)"), 104, 86);
    Button4 = makeButton(QStringLiteral("ｷｬﾝｾﾙ(&C)"), 248, 86);

    setTabOrder(EdSPIPath, Button1);
    setTabOrder(Button1, Button2);
    setTabOrder(Button2, Button3);
    setTabOrder(Button3, Button4);

    connect(Button1, &QPushButton::clicked, this, &TSpiSetDlg::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &TSpiSetDlg::Button2Click);
    connect(Button3, &QPushButton::clicked, this, &QDialog::accept);
    connect(Button4, &QPushButton::clicked, this, &QDialog::reject);
}

void TSpiSetDlg::Button1Click()
{
    EdSPIPath->setText(DefaultPluginFolder());
}

void TSpiSetDlg::Button2Click()
{
    if (!FDirSel) return;
    FDirSel->Prompt = QStringLiteral("Susieプラグイン格納ディレクトリ設定の変更");
    FDirSel->SelectedDir = EdSPIPath->text();
    if (FDirSel->Execute() == Prompter::mrOk) EdSPIPath->setText(FDirSel->SelectedDir);
}

int TSpiSetDlg::Execute(const QString& folder)
{
    EdSPIPath->setText(folder);
    return FPrompter.ShowModal(*this);
}

bool ChangePluginFolder(TSpiSetDlg& dialog, QString& spiDirectory, TSpiHost& host)
{
    if (dialog.Execute(spiDirectory) != Prompter::mrOk) return false;
    spiDirectory = dialog.EdSPIPath->text();
    LoadPlugins(host, spiDirectory);
    return true;
}
