#include "dialogs/Appdialog.h"

#include "dialogs/Appsetting.h"
#include "dialogs/CentreOnScreen.h"
#include "ui/DialogFont.h"
#include "ui/Guard.h"
#include "ui/Prompter.h"

#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>

namespace {
constexpr int kNameColumn = 1;
constexpr int kPathColumn = 2;
}  // namespace

TTAppDialog::TTAppDialog(Prompter& prompter, TAppSetDlg& appSetDlg, QWidget* parent)
    : QDialog(parent), FPrompter(prompter), FAppSetDlg(appSetDlg)
{
    setWindowTitle(QStringLiteral("起動アプリケーションの設定"));
    ApplyFormFont(*this);
    setFixedSize(489, 222);
    CentreOnScreenWhenShown(*this);

    List = new QTreeWidget(this);
    List->setGeometry(8, 8, 473, 177);
    List->setColumnCount(3);
    List->setHeaderLabels({QStringLiteral("#"), QStringLiteral("名前"), QStringLiteral("パス指定")});
    List->setColumnWidth(0, 50);  // the list view's customary default, so the three columns fit
    List->setColumnWidth(kNameColumn, 140);
    List->setColumnWidth(kPathColumn, 270);
    List->setRootIsDecorated(false);
    List->setSelectionBehavior(QAbstractItemView::SelectRows);
    List->setSelectionMode(QAbstractItemView::SingleSelection);
    List->setEditTriggers(QAbstractItemView::NoEditTriggers);
    List->header()->setStretchLastSection(false);
    // Rows share what the header leaves of the list, so all eight slots show at once.
    List->header()->setFont(font());
    const int rowHeight =
        (List->height() - 2 * List->frameWidth() - List->header()->sizeHint().height()) / kAppSlotCount;
    List->setItemDelegate(new TFittedRowDelegate(rowHeight, List));
    List->setUniformRowHeights(true);
    List->setFont(TightFittedFont(font().pixelSize(), rowHeight));
    for (int slot = 1; slot <= kAppSlotCount; ++slot)
        new QTreeWidgetItem(List, {QString::number(slot), QStringLiteral("-"), QStringLiteral("-")});

    Button1 = new QPushButton(QStringLiteral("Ok(&O)"), this);
    Button1->setGeometry(320, 192, 75, 25);
    Button1->setDefault(true);
    Button2 = new QPushButton(QStringLiteral("ｷｬﾝｾﾙ(&C)"), this);
    Button2->setGeometry(408, 192, 75, 25);

    connect(Button1, &QPushButton::clicked, this, &QDialog::accept);
    connect(Button2, &QPushButton::clicked, this, &QDialog::reject);
    connect(List, &QTreeWidget::itemDoubleClicked, this,
            [this] { RunGuarded(FPrompter, [this] { ListDblClick(); }); });
}

int TTAppDialog::Execute()
{
    FormShow();
    const int result = FPrompter.ShowModal(*this);
    FormClose();
    return result;
}

void TTAppDialog::FormShow()
{
    for (int row = 0; row < kAppSlotCount; ++row) {
        QTreeWidgetItem* item = List->topLevelItem(row);
        item->setText(kNameColumn, AppNames[row]);
        item->setText(kPathColumn, AppPaths[row]);
    }
}

void TTAppDialog::ListDblClick()
{
    const QList<QTreeWidgetItem*> selected = List->selectedItems();
    if (selected.isEmpty()) return;
    QTreeWidgetItem* item = selected.front();
    FAppSetDlg.EdName->setText(item->text(kNameColumn));
    FAppSetDlg.EdPath->setText(item->text(kPathColumn));
    if (FAppSetDlg.Execute() != Prompter::mrOk) return;
    item->setText(kNameColumn, FAppSetDlg.EdName->text());
    item->setText(kPathColumn, FAppSetDlg.EdPath->text());
}

void TTAppDialog::FormClose()
{
    for (int row = 0; row < kAppSlotCount; ++row) {
        AppNames[row] = RowName(row);
        AppPaths[row] = RowPath(row);
    }
}

QString TTAppDialog::RowName(int row) const { return List->topLevelItem(row)->text(kNameColumn); }

QString TTAppDialog::RowPath(int row) const { return List->topLevelItem(row)->text(kPathColumn); }
