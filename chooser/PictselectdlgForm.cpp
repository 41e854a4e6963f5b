// The chooser window's controls, its showing and closing, and its settings.
#include "chooser/ChooserWidgets.h"
#include "chooser/Histogram.h"
#include "chooser/Pictselectdlg.h"
#include "chooser/ReadThumbSource.h"
#include "dialogs/FolderTree.h"
#include "dialogs/Places.h"
#include "platform/ProfileFile.h"
#include "ui/DialogFont.h"
#include "ui/Guard.h"

#include <QFileInfo>
#include <QFileSystemModel>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QScrollBar>
#include <QShowEvent>
#include <QSplitter>
#include <QStatusBar>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

namespace {

constexpr int HistWidth = 130;
constexpr int HistHeight = 60;

} // namespace

template <typename Handler>
void TPictSelectDialog::Guarded(Handler&& handler)
{
    RunGuarded(FPrompter, std::forward<Handler>(handler));
}

TPictSelectDialog::TPictSelectDialog(Prompter& prompter, QWidget* parent, bool runTimer, TReadJob job)
    : QDialog(parent), Core(job ? std::move(job) : TReadJob(ReadThumbSource)), Directory(QDir::homePath()),
      FPrompter(prompter)
{
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMaximizeButtonHint |
                   Qt::WindowCloseButtonHint);
    setFont(FormFont(15));
    BuildControls();
    SetOuterBounds(QRect(200, 130, 600, 520));

    FRepaintTimer = new QTimer(this);
    FRepaintTimer->setSingleShot(true);
    connect(FRepaintTimer, &QTimer::timeout, this, [this] { Guarded([this] { RepaintReadEntries(); }); });
    // Each job's end queues its hand-over on this thread; the timer only backs that up.
    Timer1 = new QTimer(this);
    Timer1->setInterval(30);
    connect(Timer1, &QTimer::timeout, this, [this] { Guarded([this] { Timer1Timer(); }); });
    if (runTimer) {
        FQueueHandOvers = true;
        Core.SetJobEnded([this] { QueueHandOver(); });
        Timer1->start();
    }
}

void TPictSelectDialog::QueueHandOver()
{
    if (FQueueHandOvers)
        QMetaObject::invokeMethod(this, [this] { Guarded([this] { HandOver(); }); }, Qt::QueuedConnection);
}

TPictSelectDialog::~TPictSelectDialog()
{
    // No hand-over is queued from here on; one already queued dies with the window.
    Core.SetJobEnded({});
    Timer1->stop();
}

void TPictSelectDialog::BuildControls()
{
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);

    SplitterH = new QSplitter(Qt::Horizontal, this);
    SplitterH->setHandleWidth(3);
    SplitterH->setChildrenCollapsible(false);
    outer->addWidget(SplitterH, 1);

    // The folder side.
    ScrollBox1 = new QWidget(SplitterH);
    ScrollBox1->setMinimumWidth(185);
    auto* folderLayout = new QVBoxLayout(ScrollBox1);
    folderLayout->setContentsMargins(8, 8, 8, 8);
    folderLayout->setSpacing(40 - 8 - 21);   // the tree starts at 40, below the places box
    DirListBox = new TFolderTree(ScrollBox1);
    DirModel = DirListBox->Model();
    DirListBox->setItemDelegate(new TFittedRowDelegate(16, DirListBox));
    DirListBox->setUniformRowHeights(true);
    DirListBox->setFont(TightFittedFont(15, 16));
    DriveBox = new TPlacesBox(DirListBox, ScrollBox1);
    DriveBox->setFixedHeight(21);
    setTabOrder(DriveBox, DirListBox);
    folderLayout->addWidget(DriveBox);
    folderLayout->addWidget(DirListBox);
    // The model fills folders in the background: keep the chosen folder in view as they come.
    connect(DirModel, &QFileSystemModel::directoryLoaded, this, [this] {
        if (DirListBox->currentIndex().isValid())
            DirListBox->scrollTo(DirListBox->currentIndex());
    });
    connect(DirListBox->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this] { Guarded([this] { DirListBoxChange(); }); });

    // The picture side.
    ScrollBox2 = new QWidget(SplitterH);
    auto* pictureLayout = new QVBoxLayout(ScrollBox2);
    pictureLayout->setContentsMargins(0, 0, 0, 0);
    SplitterV = new QSplitter(Qt::Vertical, ScrollBox2);
    SplitterV->setHandleWidth(3);
    SplitterV->setChildrenCollapsible(false);
    pictureLayout->addWidget(SplitterV);

    ScrollBox3 = new TChooserWidget(SplitterV);
    ScrollBox3->setMinimumHeight(80);
    ScrollBox5 = new QWidget(ScrollBox3);
    auto* infoLayout = new QVBoxLayout(ScrollBox5);
    infoLayout->setContentsMargins(0, 0, 0, 0);
    LVFileInf = new QTableWidget(0, 2, ScrollBox5);
    LVFileInf->setHorizontalHeaderLabels({QStringLiteral("項目名"), QStringLiteral("データ")});
    LVFileInf->horizontalHeader()->hide();
    LVFileInf->verticalHeader()->hide();
    LVFileInf->setColumnWidth(0, 100);
    LVFileInf->setColumnWidth(1, 800);
    LVFileInf->setShowGrid(true);
    LVFileInf->setSelectionBehavior(QAbstractItemView::SelectRows);
    LVFileInf->setEditTriggers(QAbstractItemView::NoEditTriggers);
    LVFileInf->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // Five rows in the pane's 77 pixels, as designed: the header's font-based minimum
    // would otherwise make every row 23 pixels and hide the shooting rows. The grid line
    // takes the last pixel of each row.
    constexpr int kInfoRowHeight = 15;
    LVFileInf->verticalHeader()->setMinimumSectionSize(kInfoRowHeight);
    LVFileInf->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    LVFileInf->verticalHeader()->setDefaultSectionSize(kInfoRowHeight);
    LVFileInf->setItemDelegate(new TFittedRowDelegate(kInfoRowHeight, LVFileInf));
    LVFileInf->setFont(TightFittedFont(13, kInfoRowHeight - 1));
    infoLayout->addWidget(LVFileInf);
    auto makeHist = [this] {
        auto* h = new TChooserWidget(ScrollBox3);
        h->setFixedSize(HistWidth, HistHeight);
        h->Picture = QImage(HistWidth, HistHeight, QImage::Format_RGB32);
        const std::array<int32_t, 256> none{};
        DrawHistogram(h->Picture, HistWidth, Qt::black, 0, none, HistHeight);
        return h;
    };
    HistB = makeHist();
    HistR = makeHist();
    HistG = makeHist();
    ScrollBox3->OnResize = [this] { PlaceInfoPane(); };

    ScrollBox4 = new QWidget(SplitterV);
    auto* gridLayout = new QVBoxLayout(ScrollBox4);
    gridLayout->setContentsMargins(0, 0, 0, 8);
    gridLayout->setSpacing(8);
    ScFlist = new TChooserWidget(ScrollBox4);
    ScFlist->setFocusPolicy(Qt::ClickFocus);
    ScFlist->setAutoFillBackground(true);
    QPalette grey = ScFlist->palette();
    grey.setColor(QPalette::Window, QColor(128, 128, 128));
    ScFlist->setPalette(grey);
    auto* listLayout = new QHBoxLayout(ScFlist);
    listLayout->setContentsMargins(0, 0, 0, 0);
    listLayout->setSpacing(0);
    ScFview = new TChooserWidget(ScFlist);
    ScFscroll = new QScrollBar(Qt::Vertical, ScFlist);
    ScFscroll->setFixedWidth(20);
    ScFscroll->setEnabled(false);
    listLayout->addWidget(ScFview, 1);
    listLayout->addWidget(ScFscroll);
    gridLayout->addWidget(ScFlist, 1);

    ScFview->OnResize = [this] { Guarded([this] { ScFlistResize(); }); };
    ScFview->OnMouseDown = [this](Qt::MouseButton b, int x, int y) {
        Guarded([&] { ScFviewMouseDown(b, x, y); });
    };
    ScFview->OnClick = [this] { Guarded([this] { ScFviewClick(); }); };
    ScFview->OnDblClick = [this] { Guarded([this] { ScFviewDblClick(); }); };
    ScFlist->OnWheel = [this](int delta) { Guarded([&] { ScFlistMouseWheel(delta); }); };
    connect(ScFscroll, &QScrollBar::valueChanged, this, [this] { Guarded([this] { ScFscrollChange(); }); });

    auto* buttons = new QHBoxLayout;
    buttons->setContentsMargins(8, 0, 20, 0);
    auto makeButton = [this](const QString& text, int width) {
        auto* b = new QPushButton(text, ScrollBox4);
        b->setFont(FittedFont(13, FramedTextHeight(21)));
        b->setFixedSize(width, 21);
        b->setAutoDefault(false);
        return b;
    };
    BtnRefresh = makeButton(QStringLiteral("最新に更新(&R)"), 97);
    BtnClear = makeButton(QStringLiteral("全選択解除(&L)"), 97);
    Button4 = makeButton(QStringLiteral("Ok(&O)"), 75);
    Button3 = makeButton(QStringLiteral("ｷｬﾝｾﾙ(&C)"), 75);
    buttons->addWidget(BtnRefresh);
    buttons->addSpacing(7);
    buttons->addWidget(BtnClear);
    buttons->addStretch(1);
    buttons->addWidget(Button4);
    buttons->addSpacing(5);
    buttons->addWidget(Button3);
    gridLayout->addLayout(buttons);
    connect(BtnRefresh, &QPushButton::clicked, this, [this] { Guarded([this] { BtnRefreshClick(); }); });
    connect(BtnClear, &QPushButton::clicked, this, [this] { Guarded([this] { BtnClearClick(); }); });
    connect(Button4, &QPushButton::clicked, this, [this] { Guarded([this] { Button4Click(); }); });
    connect(Button3, &QPushButton::clicked, this, [this] { Guarded([this] { Button3Click(); }); });

    SplitterV->setStretchFactor(0, 0);
    SplitterV->setStretchFactor(1, 1);
    SplitterH->setStretchFactor(0, 0);
    SplitterH->setStretchFactor(1, 1);

    MainStatusBar = new QStatusBar(this);
    MainStatusBar->setFixedHeight(19);
    MainStatusBar->setFont(FittedFont(15, MainStatusBar->height()));
    MainStatusBar->setSizeGripEnabled(false);
    outer->addWidget(MainStatusBar);
    ApplySplitters();
}

void TPictSelectDialog::PlaceInfoPane()
{
    // The list fills the pane above the histograms; the histograms keep to its bottom.
    const int h = ScrollBox3->height();
    ScrollBox5->setGeometry(0, 0, ScrollBox3->width(), std::max(h - 76, 0));
    const int y = h - (153 - 84);
    HistB->move(2, y);
    HistR->move(136, y);
    HistG->move(270, y);
}

void TPictSelectDialog::ApplySplitters()
{
    SplitterH->setSizes({FSplitHpos, std::max(width() - FSplitHpos - 3, 1)});
    SplitterV->setSizes({FSplitVpos, std::max(SplitterV->height() - FSplitVpos - 3, 1)});
}

QSize TPictSelectDialog::FormCanResize(int width, int height)
{
    return QSize(std::max(width, 600), std::max(height, 400));
}

void TPictSelectDialog::SetOuterBounds(const QRect& bounds)
{
    FBounds.Set(bounds);
}

bool TPictSelectDialog::event(QEvent* e)
{
    const bool result = QDialog::event(e);
    FBounds.WindowEvent(*e);
    return result;
}

int TPictSelectDialog::SplitHpos() const
{
    return isVisible() ? SplitterH->sizes().value(0, FSplitHpos) : FSplitHpos;
}

int TPictSelectDialog::SplitVpos() const
{
    return isVisible() ? SplitterV->sizes().value(0, FSplitVpos) : FSplitVpos;
}

void TPictSelectDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (event->spontaneous())
        return;
    ApplySplitters();
    Guarded([this] { FormShow(); });
}

void TPictSelectDialog::hideEvent(QHideEvent* event)
{
    // Keep the dividers as they were shown, for the next showing and the settings.
    FSplitHpos = SplitterH->sizes().value(0, FSplitHpos);
    FSplitVpos = SplitterV->sizes().value(0, FSplitVpos);
    QDialog::hideEvent(event);
    if (event->spontaneous())
        return;
    Guarded([this] { FormClose(); });
}

void TPictSelectDialog::FormShow()
{
    ModalResult = 0;
    ListFolder(true, !KeepList);
}

void TPictSelectDialog::FormClose()
{
    StopReader(true);
}

QString TPictSelectDialog::DirListBoxDirectory() const
{
    const QString current = DirListBox->CurrentFolder();
    return current.isEmpty() ? Directory : current;
}

void TPictSelectDialog::SetDirListBox(const QString& folder)
{
    // A folder that is gone leaves the tree where it was; the listing shows it empty.
    if (QFileInfo(folder).isDir())
        DriveBox->ShowFolder(folder);
}

void TPictSelectDialog::DirListBoxChange()
{
    // Re-rooting the tree passes through no current folder on its way to the new one.
    if (!isVisible() || DirListBox->CurrentFolder().isEmpty())
        return;
    Directory = DirListBoxDirectory();
    StopReader(true);
    Grid.TopRow = 0;
    ListFolder(false, true);
}

void TPictSelectDialog::BtnRefreshClick()
{
    StopReader(true);
    ListFolder(false, true);
}

void TPictSelectDialog::LoadSettings(ProfileFile& file, const QString& section)
{
    // The bounds asked for so far, also when the window frame is not known yet.
    const QRect current = FBounds.Current();
    const int left = std::max(file.ReadInteger(section, QStringLiteral("Left"), current.x()), 0);
    const int top = std::max(file.ReadInteger(section, QStringLiteral("Top"), current.y()), 0);
    const QSize size = FormCanResize(file.ReadInteger(section, QStringLiteral("Width"), current.width()),
                                     file.ReadInteger(section, QStringLiteral("Height"), current.height()));
    SetOuterBounds(QRect(QPoint(left, top), size));
    // The panes never show narrower than their minimum, so a smaller value is not kept either.
    FSplitHpos = std::max(file.ReadInteger(section, QStringLiteral("SplitHpos"), FSplitHpos),
                          ScrollBox1->minimumWidth());
    FSplitVpos = std::max(file.ReadInteger(section, QStringLiteral("SplitVpos"), FSplitVpos),
                          ScrollBox3->minimumHeight());
    ApplySplitters();
    Directory = file.ReadString(section, QStringLiteral("Directory"), QDir::homePath());
    SetDirListBox(Directory);
}

void TPictSelectDialog::SaveSettings(ProfileFile& file, const QString& section)
{
    const QRect bounds = OuterBounds();
    file.WriteInteger(section, QStringLiteral("Left"), bounds.x());
    file.WriteInteger(section, QStringLiteral("Top"), bounds.y());
    file.WriteInteger(section, QStringLiteral("Width"), bounds.width());
    file.WriteInteger(section, QStringLiteral("Height"), bounds.height());
    file.WriteInteger(section, QStringLiteral("SplitHpos"), SplitHpos());
    file.WriteInteger(section, QStringLiteral("SplitVpos"), SplitVpos());
    file.WriteString(section, QStringLiteral("Directory"), DirListBoxDirectory());
}
