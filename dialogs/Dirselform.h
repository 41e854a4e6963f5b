#pragma once
// The one folder chooser: the caller sets Prompt and SelectedDir, runs Execute(), and reads
// SelectedDir back when it ends with OK.
#include <QDialog>
#include <QString>

class Prompter;
class QLabel;
class QPushButton;
class TFolderTree;
class TPlacesBox;

class TDirSel : public QDialog {
    Q_OBJECT
public:
    explicit TDirSel(Prompter& prompter, QWidget* parent = nullptr);

    QString Prompt;       // shown in Panel1
    QString SelectedDir;  // on entry the starting folder, on OK the chosen one

    QLabel* Panel1;
    TPlacesBox* Drive;   // the places: home, pictures, mounted cards and disks, "/"
    TFolderTree* Dirlst;  // folders only, rooted at the place chosen in Drive
    QPushButton* Button1;
    QPushButton* Button2;

    // FormShow, then the modal run through the prompter; Prompter::mrOk or mrCancel.
    int Execute();

    void FormShow();
    void Button1Click();

    // The folder the tree holds now, and moving it as the user would.
    QString CurrentFolder() const;
    void SetCurrentFolder(const QString& folder);

    // The folder itself when it exists, else its nearest existing parent; the home folder for
    // an empty text.
    static QString NearestExistingFolder(const QString& folder);

private:
    Prompter& FPrompter;
    QString FStartFolder;
};
