#include "chooser/ChooserRoute.h"

#include "chooser/Pictselectdlg.h"
#include "ui/Prompter.h"

bool RunChooserRoute(TPictSelectDialog& dialog, Prompter& prompter,
                     const std::function<int(const QStringList&)>& loadPictures)
{
    dialog.setWindowTitle(QStringLiteral("画像の選択(JPEG/PEF 最大4個)"));
    dialog.SetMaxSelect(4);
    if (prompter.ShowModal(dialog) != Prompter::mrOk)
        return false;
    dialog.KeepList = true;
    const QStringList chosen = dialog.ResultList();
    const int shown = loadPictures(chosen);
    if (chosen.size() != shown) {
        if (chosen.size() > 4)
            prompter.Message(QStringLiteral("4個を超えたファイルはロードされませんでした。"), QStringLiteral("警告"));
        else
            prompter.Message(QStringLiteral("ロードできないファイルがありました。"), QStringLiteral("エラー"));
    }
    return true;
}
