#include "dialogs/Dirselform.h"

#include "dialogs/CentreOnScreen.h"
#include "dialogs/FolderTree.h"
#include "dialogs/Places.h"
#include "ui/DialogFont.h"
#include "ui/Prompter.h"

#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>

TDirSel::TDirSel(Prompter& prompter, QWidget* parent)
    : QDialog(parent), FPrompter(prompter)
{
    setWindowTitle(QStringLiteral("ディレクトリの選択"));
    ApplyFormFont(*this);
    setFixedSize(592, 392);
    CentreOnScreenWhenShown(*this);

    Panel1 = new QLabel(this);
    Panel1->setGeometry(16, 8, 313, 33);
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Raised);
    Panel1->setAlignment(Qt::AlignCenter);

    Dirlst = new TFolderTree(this);
    Dirlst->setGeometry(8, 48, 569, 297);
    Drive = new TPlacesBox(Dirlst, this);
    Drive->setGeometry(344, 16, 233, 21);
    setTabOrder(Drive, Dirlst);

    Button1 = new QPushButton(QStringLiteral("選択(&O)"), this);
    Button1->setGeometry(376, 360, 83, 25);
    Button1->setDefault(true);
    Button2 = new QPushButton(QStringLiteral("キャンセル"), this);
    Button2->setGeometry(472, 360, 83, 25);

    connect(Button1, &QPushButton::clicked, this, &TDirSel::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &QDialog::reject);
}

int TDirSel::Execute()
{
    FormShow();
    return FPrompter.ShowModal(*this);
}

void TDirSel::FormShow()
{
    Panel1->setText(Prompt);
    SetCurrentFolder(SelectedDir);
}

void TDirSel::Button1Click()
{
    SelectedDir = CurrentFolder();
    accept();
}

QString TDirSel::CurrentFolder() const
{
    const QString folder = Dirlst->CurrentFolder();
    return folder.isEmpty() ? FStartFolder : folder;
}

void TDirSel::SetCurrentFolder(const QString& folder)
{
    FStartFolder = NearestExistingFolder(folder);
    if (!Drive->ShowFolder(FStartFolder))
        Dirlst->setCurrentIndex(QModelIndex());
}

QString TDirSel::NearestExistingFolder(const QString& folder)
{
    if (folder.isEmpty()) return QDir::homePath();
    QString path = QDir::cleanPath(QDir::current().absoluteFilePath(folder));
    while (!QFileInfo(path).isDir()) {
        const QString parent = QFileInfo(path).path();
        if (parent == path) return QDir::rootPath();
        path = parent;
    }
    return path;
}
