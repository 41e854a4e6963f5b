// Every way pictures arrive ends in LoadPictures, which replaces the whole set.
#include "viewer/Mainunit.h"
#include "viewer/ShownSet.h"

#include "chooser/ChooserRoute.h"
#include "handoff/HandoffChannel.h"
#include "loading/Bmpmagbase.h"
#include "loading/PictureName.h"
#include "ui/Guard.h"
#include "ui/Prompter.h"

#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <utility>

namespace {

constexpr int kMaxDroppedNameLength = 4095;

const QString kTooManyText = QStringLiteral("4個を超えたファイルはロードされませんでした。");
const QString kTooManyTitle = QStringLiteral("警告");
const QString kNotLoadedText = QStringLiteral("ロードできないファイルがありました。");
const QString kNotLoadedTitle = QStringLiteral("エラー");

}  // namespace

void TMainForm::LoadPictures(const QStringList& names)
{
    // The files decode on the runner while the old pictures stay on screen; the panels take
    // the new set, in name order, once it is ready.
    FShown->Load(names);
}

void TMainForm::N1Click()
{
    RunGuarded(*FPrompter, [this] {
        OpenFilesRequest request;
        request.title = QStringLiteral("画像ファイルを開く(複数選択化)");
        request.filters = {
            QStringLiteral("基本対応画像形式 (*.jpeg *.jpg *.pef *.bmp)"),
            QStringLiteral("PEFファイル (*.pef)"),
            QStringLiteral("JPEGファイル (*.jpeg *.jpg)"),
            QStringLiteral("ビットマップ (*.bmp)"),
            QStringLiteral("アイコンファイル (*.ico)"),
            QStringLiteral("全ファイル (*)"),
        };
        request.initialName = QStringLiteral("*.jpeg;*.jpg;*.pef;*.bmp");
        request.defaultSuffix = QStringLiteral("bmp");
        request.multiple = true;
        const QStringList names = FPrompter->OpenFiles(request);
        if (names.isEmpty())
            return;
        FShown->Load(names, [this, count = names.size()](int shown) {
            if (count != shown) {
                if (count > kPanelMax)
                    FPrompter->Message(kTooManyText, kTooManyTitle);
                else
                    FPrompter->Message(kNotLoadedText, kNotLoadedTitle);
            }
        });
    });
}

void TMainForm::O1Click()
{
    RunGuarded(*FPrompter, [this] {
        RunChooserRoute(*PictSelectDialog, *FPrompter,
                        [this](const QStringList& names, std::function<void(int)> shown) {
                            FShown->Load(names, std::move(shown));
                        });
    });
}

void TMainForm::WMDropFiles(const QStringList& dropped)
{
    if (FHandlingDrop)
        return;
    FHandlingDrop = true;
    const bool accepting = acceptDrops();
    setAcceptDrops(false);
    RunGuarded(*FPrompter, [&] {
        raise();
        activateWindow();
        QStringList names;
        for (const QString& name : dropped) {
            // A name cut to the length limit would name another file: leave it out.
            if (name.size() <= 4 || name.size() > kMaxDroppedNameLength)
                continue;
            names << name;
        }
        if (!names.isEmpty())
            LoadPictures(names);
    });
    setAcceptDrops(accepting);
    FHandlingDrop = false;
}

void TMainForm::dragEnterEvent(QDragEnterEvent* e)
{
    if (!FHandlingDrop && e->mimeData()->hasUrls())
        e->acceptProposedAction();
}

void TMainForm::dropEvent(QDropEvent* e)
{
    QStringList names;
    for (const QUrl& url : e->mimeData()->urls())
        if (url.isLocalFile())
            names << url.toLocalFile();
    e->acceptProposedAction();
    WMDropFiles(names);
}

void TMainForm::WMUserArguments()
{
    RunGuarded(*FPrompter, [this] {
        raise();
        activateWindow();
        if (!FEnv.handoff)
            return;
        // Names come absolute from the sender; a bare one would be looked up in this
        // window's folder, where it names another file or none, so it is not loaded.
        QStringList names = FEnv.handoff->ReadArguments();
        names.removeIf([](const QString& name) { return !name.startsWith(QLatin1Char('/')); });
        // The sender waits only until the names are read: a plug-in's file, decoded on this
        // thread, must not make it give up on this window and open a second one.
        QMetaObject::invokeMethod(
            this, [this, names] { RunGuarded(*FPrompter, [this, &names] { FShown->Load(names); }); },
            Qt::QueuedConnection);
    });
}
