#include "dialogs/Appsetting.h"

#include "dialogs/CentreOnScreen.h"
#include "ui/DialogFont.h"

#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

TAppSetDlg::TAppSetDlg(Prompter& prompter, QWidget* parent)
    : QDialog(parent), FPrompter(prompter)
{
    setWindowTitle(QStringLiteral("ｱﾌﾟﾘｹｰｼｮﾝの設定"));
    ApplyFormFont(*this);
    setFixedSize(492, 114);
    CentreOnScreenWhenShown(*this);

    Label1 = new QLabel(QStringLiteral("名前"), this);
    Label1->move(8, 10);
    EdName = new QLineEdit(this);
    EdName->setGeometry(72, 8, 329, EdName->sizeHint().height());
    Label2 = new QLabel(QStringLiteral("実行パス"), this);
    Label2->move(8, 42);
    EdPath = new QLineEdit(this);
    EdPath->setGeometry(72, 40, 329, EdPath->sizeHint().height());

    Button1 = new QPushButton(QStringLiteral("選択"), this);
    Button1->setGeometry(408, 40, 75, 25);
    Button1->setAutoDefault(false);  // Enter in a field confirms rather than opening the file dialog
    Button2 = new QPushButton(QStringLiteral("OK(&O)"), this);
    Button2->setGeometry(320, 80, 75, 25);
    Button2->setDefault(true);
    Button3 = new QPushButton(QStringLiteral("ｷｬﾝｾﾙ(&C)"), this);
    Button3->setGeometry(408, 80, 75, 25);

    // Programs here carry no extension, so both filters take every file; the first names the intent.
    OpenDialog1.title = QStringLiteral("実行ファイルの選択");
    OpenDialog1.filters = {QStringLiteral("実行ファイル (*)"), QStringLiteral("全ファイル (*)")};
    OpenDialog1.multiple = false;

    connect(Button1, &QPushButton::clicked, this, &TAppSetDlg::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &QDialog::accept);
    connect(Button3, &QPushButton::clicked, this, &QDialog::reject);
}

int TAppSetDlg::Execute() { return FPrompter.ShowModal(*this); }

QString TAppSetDlg::InitialFileName(const QString& path)
{
    return path.startsWith(QLatin1Char('-')) ? QStringLiteral("*") : path;
}

void TAppSetDlg::Button1Click()
{
    OpenFilesRequest request = OpenDialog1;
    request.initialName = InitialFileName(EdPath->text());
    const QStringList picked = FPrompter.OpenFiles(request);
    if (picked.isEmpty()) return;
    const QFileInfo program(picked.front());
    EdPath->setText(program.absoluteFilePath());
    EdName->setText(program.fileName());
}
