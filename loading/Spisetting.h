#pragma once
// The decoder plug-in host (loading/SpiHost.h) and the dialog that sets its folder.
#include "loading/Bmpmagbase.h"
#include "loading/BmpReader.h"
#include "loading/SpiHost.h"

#include <QDialog>
#include <QString>
#include <utility>

class Prompter;
class TDirSel;
class QLabel;
class QLineEdit;
class QPushButton;

// The folder of the plug-ins that ship with the program when it exists, else the empty text.
// Looked for beside the executable (build tree: <build>/plugins) and in the installed layout
// (<prefix>/bin/../lib/velumira/plugins).
QString DefaultPluginFolder();
QString DefaultPluginFolder(const QString& executableFolder);

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
    Prompter& prompter_;
    TDirSel* dirSel_;
};

// The main window's menu command: shows the dialog with spiDirectory; on OK stores the
// field's text and rescans the host (also when nothing changed). Cancel changes nothing.
// Answers whether it ended with OK.
bool ChangePluginFolder(TSpiSetDlg& dialog, QString& spiDirectory, TSpiHost& host);

// The loader's plug-in branch: true when a plug-in delivered and picture took it over (tag
// pfDevice, shown as "(24)"); false on no host, no plug-in, or any failure, and the caller
// then reads the file with its built-in reader. ".EMF" reaches the built-in reader here too.
inline bool TryPluginLoad(TSpiHost* host, const QString& fileName, TBitmapMAGBase& picture)
{
    if (host && !host->BuiltinReader) host->BuiltinReader = ReadBmpFile;
    QImage image;
    TPixelFormat format = TPixelFormat::pfDevice;
    if (!TryPluginDecode(host, fileName, image, format)) return false;
    try {
        picture.Assign(std::move(image), format);
    } catch (...) {
        return false;
    }
    return true;
}
