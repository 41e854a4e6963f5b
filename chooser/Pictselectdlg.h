#pragma once
// TPictSelectDialog: the thumbnail chooser. Lists a folder's JPEG and PEF files as a grid
// of thumbnails read in the background, shows the current entry's histograms and
// shooting data, and hands the marked files (or the current one) to the caller.
#include "chooser/ChooserCore.h"
#include "chooser/ThumbGrid.h"
#include "dialogs/OuterBounds.h"
#include "ui/Prompter.h"

#include <QDialog>
#include <QElapsedTimer>
#include <QString>
#include <QStringList>

class ProfileFile;
class QFileSystemModel;
class QPushButton;
class QScrollBar;
class QSplitter;
class QStatusBar;
class QTableWidget;
class QTimer;
class TChooserWidget;
class TFolderTree;
class TPlacesBox;

class TPictSelectDialog : public QDialog {
    Q_OBJECT
public:
    // runTimer false leaves Timer1 stopped and queues no hand-over at a job's end, so that
    // a test calls Timer1Timer itself.
    // job replaces the reader's work on each file (tests); empty means ReadThumbSource.
    explicit TPictSelectDialog(Prompter& prompter, QWidget* parent = nullptr, bool runTimer = true,
                               TReadJob job = {});
    ~TPictSelectDialog() override;

    // Listing and reading.
    void ListFolder(bool setFolderControls, bool relist);
    void StopReader(bool cancel) { Core.StopReader(cancel); }
    void Timer1Timer();
    // The hand-over queued by the worker as a job ends; the grid repaints at most every
    // RepaintSpacingMs however fast thumbnails arrive.
    void HandOver();
    static constexpr int RepaintSpacingMs = 17;

    // The grid.
    void LayoutGrid();
    void DrawGrid();
    int HitTest(int x, int y) const;
    void ScFlistResize();
    void ScFscrollChange();
    void ScFlistMouseWheel(int delta);
    void ScFviewMouseDown(Qt::MouseButton button, int x, int y);
    void ScFviewClick();
    void ScFviewDblClick();
    void Button4Click();
    void Button3Click();
    void BtnClearClick();

    // The information panel.
    void ShowEntryInfo(int index);

    // The window.
    void FormShow();
    void FormClose();
    void DirListBoxChange();
    void BtnRefreshClick();
    void LoadSettings(ProfileFile& file, const QString& section);
    void SaveSettings(ProfileFile& file, const QString& section);
    static QSize FormCanResize(int width, int height);
    // The folder the tree shows, or Directory while it shows none.
    QString DirListBoxDirectory() const;
    void SetDirListBox(const QString& folder);
    // The dividers where the window shows them (while hidden: where it will show them).
    int SplitHpos() const;
    int SplitVpos() const;
    // The window's bounds with its frame, as the settings store them.
    QRect OuterBounds() const { return frameGeometry(); }
    void SetOuterBounds(const QRect& bounds);

    // Ok's answer for the caller, and the most files it accepts (0: any number).
    const QStringList& ResultList() const { return Core.ResultList; }
    int MaxSelect() const { return Core.MaxSelect; }
    void SetMaxSelect(int count) { Core.MaxSelect = count; }

    TChooserCore Core;   // the lists, the reader and the selection
    TThumbGrid Grid;
    QString Directory;   // the folder to list, as the settings keep it
    bool KeepList = false;
    bool Listing = false;
    QString StatusText;
    int ModalResult = 0;   // Prompter::mrOk or mrCancel once the dialog has ended

    // Controls.
    QWidget* ScrollBox1;
    TPlacesBox* DriveBox;
    TFolderTree* DirListBox;
    QFileSystemModel* DirModel;   // DirListBox's
    QSplitter* SplitterH;
    QWidget* ScrollBox2;
    TChooserWidget* ScrollBox3;
    QWidget* ScrollBox5;
    QTableWidget* LVFileInf;
    TChooserWidget* HistB;
    TChooserWidget* HistR;
    TChooserWidget* HistG;
    QSplitter* SplitterV;
    QWidget* ScrollBox4;
    TChooserWidget* ScFlist;
    QScrollBar* ScFscroll;
    TChooserWidget* ScFview;
    QPushButton* BtnRefresh;
    QPushButton* BtnClear;
    QPushButton* Button4;
    QPushButton* Button3;
    QStatusBar* MainStatusBar;
    QTimer* Timer1;

protected:
    bool event(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void BuildControls();
    void PlaceInfoPane();
    void ApplySplitters();
    void QueueHandOver();
    void ScheduleRepaint();
    void RepaintReadEntries();
    template <typename Handler> void Guarded(Handler&& handler);

    Prompter& FPrompter;
    bool FQueueHandOvers = false;
    QTimer* FRepaintTimer;
    QElapsedTimer FLastRepaint;
    int FSplitHpos = 185;
    int FSplitVpos = 153;
    TOuterBounds FBounds{*this, FormCanResize(0, 0)};
};
