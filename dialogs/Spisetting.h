#pragma once
// The dialog that sets the folder of the decoder plug-ins (loading/SpiHost.h).
#include <QDialog>
#include <QString>

class Prompter;
class TDirSel;
class QLabel;
class QLineEdit;
class QPushButton;
class TSpiHost;

class TSpiSetDlg : public QDialog {
    Q_OBJECT
public:
    // dirSel is the program's one folder chooser, used by "手動設定"; not owned.
    TSpiSetDlg(Prompter& prompter, TDirSel* dirSel, QWidget* parent = nullptr);

    QLabel* Label1;
    QLineEdit* EdSPIPath;   // read-only: only the two buttons change it
    QPushButton* Button1;   // "自動設定"
    QPushButton* Button2;   // "手動設定"
    QPushButton* Button3;   // OK
    QPushButton* Button4;   // Cancel

    void Button1Click();
    void Button2Click();

    // Puts folder into EdSPIPath and runs the dialog through the prompter: mrOk or mrCancel.
    int Execute(const QString& folder);

private:
    Prompter& FPrompter;
    TDirSel* FDirSel;
};

// The main window's menu command: shows the dialog with spiDirectory; on OK stores the
// field's text and rescans the host (also when nothing changed). Cancel changes nothing.
// Answers whether it ended with OK.
bool ChangePluginFolder(TSpiSetDlg& dialog, QString& spiDirectory, TSpiHost& host);
