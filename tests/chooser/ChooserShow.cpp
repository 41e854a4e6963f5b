// Shows the chooser on a folder, for looking at it by eye (e.g. under Xvfb):
//   chooser_show FOLDER [SECONDS] [MARKS]
// After SECONDS (default 4) the first MARKS entries are marked, the second entry is made
// current, the window is grabbed to chooser.png beside the folder, and the program ends.
#include "chooser/Pictselectdlg.h"

#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QTimer>
#include <cstdio>

namespace {

class BoxPrompter : public Prompter {
public:
    void Message(const QString& text, const QString& title) override
    {
        std::printf("%s: %s\n", qPrintable(title), qPrintable(text));
    }
    bool Ask(const QString&, const QString&) override { return false; }
    void ShowError(const QString& message) override { std::printf("error: %s\n", qPrintable(message)); }
    QStringList OpenFiles(const OpenFilesRequest&) override { return {}; }
    int ShowModal(QDialog& dialog) override { return dialog.exec() == QDialog::Accepted ? mrOk : mrCancel; }
};

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: chooser_show FOLDER [SECONDS] [MARKS]\n");
        return 2;
    }
    const int seconds = argc > 2 ? std::atoi(argv[2]) : 4;
    const int marks = argc > 3 ? std::atoi(argv[3]) : 2;
    BoxPrompter prompter;
    TPictSelectDialog dialog(prompter);
    dialog.setWindowTitle(QStringLiteral("画像の選択(JPEG/PEF 最大4個)"));
    dialog.SetMaxSelect(4);
    dialog.Directory = QString::fromLocal8Bit(argv[1]);
    QTimer::singleShot(seconds * 1000, &dialog, [&] {
        for (int i = 0; i < marks && i < dialog.Core.ViewList.Count(); ++i)
            dialog.Core.ToggleMark(i);
        if (dialog.Core.ViewList.Count() > 1)
            dialog.ScFviewMouseDown(Qt::LeftButton, 112 + 50, 40);
        dialog.DrawGrid();
        QTimer::singleShot(300, &dialog, [&] {
            std::printf("entries %d, read cursor %d\n", dialog.Core.ViewList.Count(), dialog.Core.ReadCursor());
            dialog.grab().save(QStringLiteral("chooser.png"));
            dialog.reject();
        });
    });
    dialog.show();
    return dialog.exec() == QDialog::Accepted ? 0 : 1;
}
