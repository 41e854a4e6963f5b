#include "ui/Prompter.h"

#include <QDialog>
#include <QFileDialog>
#include <QMessageBox>

void QtPrompter::Message(const QString& text, const QString& title)
{
    QMessageBox box(QMessageBox::NoIcon, title, text, QMessageBox::Ok, FOwner);
    box.exec();
}

bool QtPrompter::Ask(const QString& text, const QString& title)
{
    QMessageBox box(QMessageBox::NoIcon, title, text, QMessageBox::Yes | QMessageBox::No, FOwner);
    box.setDefaultButton(QMessageBox::Yes);
    box.setEscapeButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

void QtPrompter::ShowError(const QString& message)
{
    // The application's own error box: the program's name as title, no icon like every box.
    QMessageBox box(QMessageBox::NoIcon, QString::fromUtf8(kApplicationTitle), message, QMessageBox::Ok, FOwner);
    box.exec();
}

QStringList QtPrompter::OpenFiles(const OpenFilesRequest& request)
{
    QFileDialog dialog(FOwner, request.title, request.directory);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(request.multiple ? QFileDialog::ExistingFiles : QFileDialog::ExistingFile);
    // The labels alone, as designed; Qt would add the patterns after each.
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    if (!request.filters.isEmpty()) {
        dialog.setNameFilters(request.filters);
        dialog.selectNameFilter(request.filters.first());
    }
    if (!request.defaultSuffix.isEmpty())
        dialog.setDefaultSuffix(request.defaultSuffix);
    if (!request.initialName.isEmpty())
        dialog.selectFile(request.initialName);
    dialog.setSizeGripEnabled(true);
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return dialog.selectedFiles();
}

int QtPrompter::ShowModal(QDialog& dialog)
{
    return dialog.exec() == QDialog::Accepted ? mrOk : mrCancel;
}
