#include "viewer/Organise.h"

#include "dialogs/Dirselform.h"
#include "platform/FileOperations.h"
#include "ui/Prompter.h"

#include <QFileInfo>

namespace organise {
namespace {

const QString kErrorTitle = QStringLiteral("エラー");
const QString kConfirmTitle = QStringLiteral("確認");

bool ConfirmOverwrite(Prompter& prompter, const QString& target)
{
    return prompter.Ask(QStringLiteral("同名のファイル(%1)が既に存在しますが、上書きしてよろしいですか？").arg(target),
                        kConfirmTitle);
}

}  // namespace

QString TargetPath(const QString& destination, const QString& currentFile)
{
    const QString name = QFileInfo(currentFile).fileName();
    if (destination.endsWith(QLatin1Char('/'))) return destination + name;
    return destination + QLatin1Char('/') + name;
}

Outcome CopyToDestination(Prompter& prompter, const QString& destination, const QString& currentFile,
                          bool unchanged)
{
    const QString failed = QStringLiteral("ファイルコピーに失敗しました。");
    const QString target = TargetPath(destination, currentFile);
    // Copying a file onto itself would truncate the only copy: refuse before asking.
    if (!unchanged || fileops::SameFile(currentFile, target)) {
        prompter.Message(failed, kErrorTitle);
        return Outcome::Failed;
    }
    if (fileops::Exists(target) && !ConfirmOverwrite(prompter, target)) return Outcome::Declined;
    if (!fileops::CopyFileReplacing(currentFile, target)) {
        prompter.Message(failed, kErrorTitle);
        return Outcome::Failed;
    }
    return Outcome::Done;
}

Outcome MoveToDestination(Prompter& prompter, const QString& destination, const QString& currentFile,
                          bool unchanged)
{
    const QString failed = QStringLiteral("ファイルの移動に失敗しました。");
    const QString target = TargetPath(destination, currentFile);
    // "Delete the existing target first" would delete the file itself.
    if (!unchanged || fileops::SameFile(currentFile, target)) {
        prompter.Message(failed, kErrorTitle);
        return Outcome::Failed;
    }
    bool moved;
    if (fileops::Exists(target)) {
        if (!ConfirmOverwrite(prompter, target)) return Outcome::Declined;
        // The old target goes only in the step that puts the picture in its place.
        moved = fileops::MoveFileReplacing(currentFile, target);
    } else {
        moved = fileops::MoveFileNoReplace(currentFile, target);
    }
    if (!moved) {
        prompter.Message(failed, kErrorTitle);
        return Outcome::Failed;
    }
    return Outcome::Done;
}

Outcome DeleteFromDestination(Prompter& prompter, const QString& destination, const QString& currentFile,
                              bool unchanged)
{
    const QString target = TargetPath(destination, currentFile);
    const QString failed = QStringLiteral("ファイルの削除に失敗しました。");
    // The organise folder is the picture's own folder under some name: the target is the
    // panel's own file. A hard link elsewhere is another entry and may go.
    if (!unchanged || fileops::SameEntry(currentFile, target)) {
        prompter.Message(failed, kErrorTitle);
        return Outcome::Failed;
    }
    if (!fileops::Exists(target)) {
        prompter.Message(QStringLiteral("削除するファイルが見つかりません。"), kErrorTitle);
        return Outcome::Failed;
    }
    if (!prompter.Ask(QStringLiteral("ファイル(%1)を削除してもよろしいですか？").arg(target), kConfirmTitle))
        return Outcome::Declined;
    if (!fileops::DeleteFile(target)) {
        prompter.Message(failed, kErrorTitle);
        return Outcome::Failed;
    }
    return Outcome::Done;
}

std::optional<QString> ChooseDestination(TDirSel& dirSel, const QString& destination)
{
    dirSel.Prompt = QStringLiteral("整理先の変更");
    dirSel.SelectedDir = destination;
    if (dirSel.Execute() != Prompter::mrOk) return std::nullopt;
    return dirSel.SelectedDir;
}

}  // namespace organise
