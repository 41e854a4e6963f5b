#include "dialogs/Dirselform.h"

#include "dialogs/CentreOnScreen.h"
#include "dialogs/DialogFont.h"
#include "platform/Prompter.h"

#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeView>

TDirSel::TDirSel(Prompter& prompter, QWidget* parent)
    : QDialog(parent), prompter_(prompter)
{
    setWindowTitle(QStringLiteral("ディレクトリの選択"));
    ApplyFormFont(*this);
    setFixedSize(592, 392);
    CentreOnScreenWhenShown(*this);

    Panel1 = new QLabel(this);
    Panel1->setGeometry(16, 8, 313, 33);
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Raised);
    Panel1->setAlignment(Qt::AlignCenter);

    model_ = new QFileSystemModel(this);
    model_->setReadOnly(true);
    model_->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Drives);
    model_->setRootPath(QDir::rootPath());

    Dirlst = new QTreeView(this);
    Dirlst->setGeometry(8, 48, 569, 297);
    Dirlst->setModel(model_);
    Dirlst->setHeaderHidden(true);
    for (int column = 1; column < model_->columnCount(); ++column) Dirlst->hideColumn(column);
    Dirlst->setSelectionMode(QAbstractItemView::SingleSelection);
    Dirlst->setSortingEnabled(true);
    Dirlst->sortByColumn(0, Qt::AscendingOrder);

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
    return prompter_.ShowModal(*this);
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
    const QModelIndex index = Dirlst->currentIndex();
    return index.isValid() ? model_->filePath(index) : startFolder_;
}

void TDirSel::SetCurrentFolder(const QString& folder)
{
    startFolder_ = NearestExistingFolder(folder);
    QModelIndex index = model_->index(startFolder_);
    if (!index.isValid() && !(model_->filter() & QDir::Hidden)) {
        // The folder lies under a hidden one: show hidden folders rather than lose the place.
        model_->setFilter(model_->filter() | QDir::Hidden);
        index = model_->index(startFolder_);
    }
    if (!index.isValid()) {
        Dirlst->setCurrentIndex(QModelIndex());
        return;
    }
    for (QModelIndex up = index.parent(); up.isValid(); up = up.parent()) Dirlst->expand(up);
    Dirlst->setCurrentIndex(index);
    Dirlst->scrollTo(index);
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
