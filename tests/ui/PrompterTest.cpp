// The real boxes run a modal loop; a zero-delay timer inspects the box that is up and
// answers it, so no test waits on a person.
#include "ui/Prompter.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QMessageBox>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>

namespace {

struct BoxSeen {
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::Warning;
    QList<QMessageBox::StandardButton> buttons;
};

// Answers the next modal box with the given button and records what it showed.
void AnswerNextBox(BoxSeen& seen, QMessageBox::StandardButton answer)
{
    QTimer::singleShot(0, [&seen, answer] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        seen.title = box->windowTitle();
        seen.text = box->text();
        seen.icon = box->icon();
        for (QAbstractButton* b : box->buttons())
            seen.buttons.append(box->standardButton(b));
        box->button(answer)->click();
    });
}

TEST(QtPrompter, MessageIsAnOkBoxWithoutIcon)
{
    QtPrompter prompter;
    BoxSeen seen;
    AnswerNextBox(seen, QMessageBox::Ok);
    prompter.Message(QString::fromUtf8("多重起動チェックオフです"), QString::fromUtf8("確認"));
    EXPECT_EQ(seen.title, QString::fromUtf8("確認"));
    EXPECT_EQ(seen.text, QString::fromUtf8("多重起動チェックオフです"));
    EXPECT_EQ(seen.icon, QMessageBox::NoIcon);
    EXPECT_EQ(seen.buttons, QList<QMessageBox::StandardButton>{QMessageBox::Ok});
}

TEST(QtPrompter, AskHasYesAndNoAndReportsTheAnswer)
{
    QtPrompter prompter;
    for (auto [answer, expected] : {std::pair{QMessageBox::Yes, true}, std::pair{QMessageBox::No, false}}) {
        BoxSeen seen;
        AnswerNextBox(seen, answer);
        EXPECT_EQ(prompter.Ask("delete?", QString::fromUtf8("確認")), expected);
        EXPECT_EQ(seen.icon, QMessageBox::NoIcon);
        EXPECT_EQ(seen.buttons.size(), 2);
        EXPECT_TRUE(seen.buttons.contains(QMessageBox::Yes));
        EXPECT_TRUE(seen.buttons.contains(QMessageBox::No));
    }
}

TEST(QtPrompter, ErrorBoxCarriesTheProgramNameAndTheMessage)
{
    QtPrompter prompter;
    BoxSeen seen;
    AnswerNextBox(seen, QMessageBox::Ok);
    prompter.ShowError("cannot write");
    EXPECT_EQ(seen.title, "Velumira");
    EXPECT_EQ(seen.text, "cannot write");
    EXPECT_EQ(seen.buttons, QList<QMessageBox::StandardButton>{QMessageBox::Ok});
}

TEST(QtPrompter, OpenDialogTakesExistingFilesWithTheFirstFilterSelected)
{
    QtPrompter prompter;
    OpenFilesRequest request;
    request.title = QString::fromUtf8("画像を開く");
    request.filters = {"JPEG (*.jpg *.jpeg)", "PEF (*.pef)", "All (*)"};
    request.directory = QDir::tempPath();
    QString title, selectedFilter;
    QStringList filters;
    QFileDialog::FileMode mode = QFileDialog::AnyFile;
    bool resizable = false;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        title = dialog->windowTitle();
        filters = dialog->nameFilters();
        selectedFilter = dialog->selectedNameFilter();
        mode = dialog->fileMode();
        resizable = dialog->isSizeGripEnabled();
        dialog->reject();
    });
    EXPECT_TRUE(prompter.OpenFiles(request).isEmpty());
    EXPECT_EQ(title, request.title);
    EXPECT_EQ(filters, request.filters);
    EXPECT_EQ(selectedFilter, "JPEG") << "the first filter, shown without its patterns";
    EXPECT_EQ(mode, QFileDialog::ExistingFiles);
    EXPECT_TRUE(resizable);
}

TEST(QtPrompter, ShowModalMapsAcceptAndRejectToOkAndCancel)
{
    QtPrompter prompter;
    QDialog dialog;
    QTimer::singleShot(0, &dialog, &QDialog::accept);
    EXPECT_EQ(prompter.ShowModal(dialog), Prompter::mrOk);
    QTimer::singleShot(0, &dialog, &QDialog::reject);
    EXPECT_EQ(prompter.ShowModal(dialog), Prompter::mrCancel);
}

}  // namespace
