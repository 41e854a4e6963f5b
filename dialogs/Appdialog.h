#pragma once
// The eight registration slots of outside programs, and the list dialog that edits them.
// AppNames/AppPaths are the program's one in-memory copy of the registrations.
#include <QDialog>
#include <QString>
#include <array>

class Prompter;
class QPushButton;
class QTreeWidget;
class TAppSetDlg;

inline constexpr int kAppSlotCount = 8;
using AppTexts = std::array<QString, kAppSlotCount>;

class TTAppDialog : public QDialog {
    Q_OBJECT
public:
    TTAppDialog(Prompter& prompter, TAppSetDlg& appSetDlg, QWidget* parent = nullptr);

    AppTexts AppNames;  // slot 1 at index 0
    AppTexts AppPaths;  // a path beginning with "-" marks a free slot

    QTreeWidget* List;  // columns "#", "名前", "パス指定"; one row per slot, never reordered
    QPushButton* Button1;
    QPushButton* Button2;

    // Refills the rows, runs the dialog through the prompter, then copies the rows back
    // whichever button closed it. Prompter::mrOk or mrCancel.
    int Execute();

    // Rows from the table; only when the dialog is shown, so edits made during one showing
    // survive the edit dialog closing.
    void FormShow();
    // Edits the selected row through TAppSetDlg; OK takes both texts as typed.
    void ListDblClick();
    // The table from the rows.
    void FormClose();

    QString RowName(int row) const;
    QString RowPath(int row) const;

private:
    Prompter& FPrompter;
    TAppSetDlg& FAppSetDlg;
};
