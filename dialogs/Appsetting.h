#pragma once
// Edits the name and program path of one registration slot; used only by TTAppDialog.
#include "ui/Prompter.h"

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

class TAppSetDlg : public QDialog {
    Q_OBJECT
public:
    explicit TAppSetDlg(Prompter& prompter, QWidget* parent = nullptr);

    QLabel* Label1;
    QLineEdit* EdName;
    QLabel* Label2;
    QLineEdit* EdPath;
    QPushButton* Button1;
    QPushButton* Button2;
    QPushButton* Button3;
    // The program file dialog's fixed settings; Button1Click adds the starting name.
    OpenFilesRequest OpenDialog1;

    // The modal run through the prompter; Prompter::mrOk or mrCancel.
    int Execute();

    void Button1Click();

    // The file dialog's starting name for a path text: any file while the slot is free, else the path.
    static QString InitialFileName(const QString& path);

private:
    Prompter& FPrompter;
};
