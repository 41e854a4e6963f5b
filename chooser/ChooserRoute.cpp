#include "chooser/ChooserRoute.h"

#include "chooser/Pictselectdlg.h"
#include "ui/Prompter.h"

bool RunChooserRoute(TPictSelectDialog& dialog, Prompter& prompter,
                     const std::function<void(const QStringList&, std::function<void(int shown)>)>& loadPictures)
{
    dialog.setWindowTitle(QStringLiteral("画像の選択(JPEG/PEF 最大4個)"));
    dialog.SetMaxSelect(4);
    if (prompter.ShowModal(dialog) != Prompter::mrOk)
        return false;
    dialog.KeepList = true;
    const QStringList chosen = dialog.ResultList();
    loadPictures(chosen, [&prompter, count = chosen.size()](int shown) {
        if (count != shown) {
            if (count > 4)
                prompter.Message(QStringLiteral("4個を超えたファイルはロードされませんでした。"), QStringLiteral("警告"));
            else
                prompter.Message(QStringLiteral("ロードできないファイルがありました。"), QStringLiteral("エラー"));
        }
    });
    return true;
}
