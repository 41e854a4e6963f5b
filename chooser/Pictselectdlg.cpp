// The chooser window's listing, grid, selection and information handlers.
#include "chooser/Pictselectdlg.h"

#include "chooser/ChooserWidgets.h"
#include "chooser/Histogram.h"

#include <QScrollBar>
#include <QStatusBar>
#include <QTableWidget>
#include <QTimer>
#include <algorithm>

void TPictSelectDialog::ListFolder(bool setFolderControls, bool relist)
{
    if (Listing)
        return;
    Listing = true;
    struct ClearListing {
        bool& flag;
        ~ClearListing() { flag = false; }
    } clearListing{Listing};

    Core.BeginListing(Directory, relist);
    if (relist) {
        LVFileInf->setRowCount(0);
        MainStatusBar->showMessage(QString());
    }
    // Moving the tree reports a folder change; its own listing returns at once (Listing).
    if (setFolderControls)
        SetDirListBox(Core.FolderPath);
    if (relist)
        Core.EnumerateFolder();
    Core.RestartReading();
    LayoutGrid();
    DrawGrid();
    // The first request goes out now rather than at the next tick.
    QueueHandOver();
}

void TPictSelectDialog::Timer1Timer()
{
    if (Core.Timer1Timer()) {
        FRepaintTimer->stop();
        RepaintReadEntries();
    }
}

void TPictSelectDialog::HandOver()
{
    if (Core.HandOver())
        ScheduleRepaint();
}

void TPictSelectDialog::ScheduleRepaint()
{
    if (FRepaintTimer->isActive())
        return;
    const qint64 since = FLastRepaint.isValid() ? FLastRepaint.elapsed() : RepaintSpacingMs;
    FRepaintTimer->start(static_cast<int>(std::max<qint64>(0, RepaintSpacingMs - since)));
}

void TPictSelectDialog::RepaintReadEntries()
{
    Core.RedrawTicks = 0;
    DrawGrid();
    ScrollBox3->update();
    FLastRepaint.start();
}

void TPictSelectDialog::LayoutGrid()
{
    Grid.LayoutGrid(ScFview->width(), ScFview->height(), Core.ViewList.Count(), Core.CurrentIndex);
    if (!Grid.ScrollEnabled) {
        ScFscroll->setValue(0);
        ScFscroll->setEnabled(false);
    } else {
        ScFscroll->setRange(0, Grid.ScrollMax);
        ScFscroll->setPageStep(Grid.ScrollPage);
        ScFscroll->setSingleStep(1);
        ScFscroll->setValue(Grid.ScrollPosition);
        ScFscroll->setEnabled(true);
    }
}

void TPictSelectDialog::DrawGrid()
{
    if (ScFview->Picture.isNull())
        return;
    Grid.DrawGrid(ScFview->Picture, Core.ViewList);
    ScFview->update();
}

int TPictSelectDialog::HitTest(int x, int y) const
{
    return Grid.HitTest(x, y, ScFview->width(), ScFview->height(), Core.ViewList.Count());
}

void TPictSelectDialog::ScFlistResize()
{
    const QSize size = ScFview->size();
    ScFview->Picture = size.isEmpty() ? QImage() : QImage(size, QImage::Format_RGB32);
    LayoutGrid();
    DrawGrid();
}

void TPictSelectDialog::ScFscrollChange()
{
    Grid.TopRow = ScFscroll->value();
    Core.JumpTo(Grid.TopRow * Grid.Columns);
    DrawGrid();
}

void TPictSelectDialog::ScFlistMouseWheel(int delta)
{
    if (!ScFscroll->isEnabled())
        return;
    for (int notches = delta / 120; notches > 0; --notches)
        if (ScFscroll->value() > 0)
            ScFscroll->setValue(ScFscroll->value() - 1);
    for (int notches = -delta / 120; notches > 0; --notches)
        if (ScFscroll->value() < ScFscroll->maximum())
            ScFscroll->setValue(ScFscroll->value() + 1);
}

void TPictSelectDialog::ScFviewMouseDown(Qt::MouseButton button, int x, int y)
{
    const int index = HitTest(x, y);
    if (index < 0)
        return;
    if (button == Qt::LeftButton)
        ShowEntryInfo(index);
    else if (button == Qt::RightButton)
        Core.ToggleMark(index);
    Core.RedrawTicks = 1;
}

void TPictSelectDialog::ScFviewClick()
{
    ScFlist->setFocus();
}

void TPictSelectDialog::ScFviewDblClick()
{
    Button4Click();
}

void TPictSelectDialog::Button4Click()
{
    const TOkAnswer answer = Core.Ok();
    if (answer.Outcome == TOkOutcome::TooMany) {
        FPrompter.Message(QStringLiteral("選択の最大数は%1個です。\n現在%2個選択されています。")
                              .arg(Core.MaxSelect)
                              .arg(answer.Count),
                          QStringLiteral("エラー"));
        return;
    }
    if (answer.Outcome == TOkOutcome::NoneChosen) {
        FPrompter.Message(QStringLiteral("画像が選択されていません"), QStringLiteral("エラー"));
        return;
    }
    ModalResult = Prompter::mrOk;
    accept();
}

void TPictSelectDialog::Button3Click()
{
    Core.Cancel();
    ModalResult = Prompter::mrCancel;
    reject();
}

void TPictSelectDialog::BtnClearClick()
{
    Core.ClearMarks();
    DrawGrid();
}

void TPictSelectDialog::ShowEntryInfo(int index)
{
    MainStatusBar->showMessage(QString());
    if (!Core.MakeCurrent(index))
        return;
    const TPictEntry& entry = *Core.ViewList.Entry(index);

    const std::vector<TInfoRow> rows = EntryInfoRows(entry, StatusText);
    LVFileInf->setRowCount(0);
    LVFileInf->setRowCount(static_cast<int>(rows.size()));
    for (int r = 0; r < static_cast<int>(rows.size()); ++r) {
        LVFileInf->setItem(r, 0, new QTableWidgetItem(rows[r].Label));
        LVFileInf->setItem(r, 1, new QTableWidgetItem(rows[r].Value));
    }
    MainStatusBar->showMessage(StatusText);

    // Without a histogram yet the images go back to the empty grid rather than keep
    // another entry's bars.
    const std::array<int32_t, 256> none{};
    const bool has = entry.HasHistogram;
    DrawHistogram(HistB->Picture, HistB->width(), HistColorB, has ? entry.PeakB : 0, has ? entry.CountB : none,
                  HistB->height());
    DrawHistogram(HistG->Picture, HistG->width(), HistColorG, has ? entry.PeakG : 0, has ? entry.CountG : none,
                  HistG->height());
    DrawHistogram(HistR->Picture, HistR->width(), HistColorR, has ? entry.PeakR : 0, has ? entry.CountR : none,
                  HistR->height());
    HistB->update();
    HistG->update();
    HistR->update();
}
