// Velumira's entry point: a second start hands its names to the running window and ends;
// otherwise the main window opens with the names given on the command line.
#include "handoff/HandoffChannel.h"
#include "shell/Startup.h"
#include "ui/Guard.h"
#include "ui/Prompter.h"
#include "viewer/Mainunit.h"

#include <QApplication>
#include <QScreen>
#include <exception>
#include <memory>

namespace {

QSize ScreenSize()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->size() : QSize(1024, 768);
}

// The boxes belong to the main window while it lives, and to nobody after it.
class BoxOwner {
public:
    BoxOwner(Prompter& prompter, QWidget* owner) : FBoxes(dynamic_cast<QtPrompter*>(&prompter))
    {
        if (FBoxes)
            FBoxes->SetOwner(owner);
    }
    ~BoxOwner()
    {
        if (FBoxes)
            FBoxes->SetOwner(nullptr);
    }
    BoxOwner(const BoxOwner&) = delete;
    BoxOwner& operator=(const BoxOwner&) = delete;

private:
    QtPrompter* FBoxes;
};

void RunNormalStart(QApplication& app, Prompter& prompter, HandoffChannel& channel, const QString& settingsPath,
                    const QStringList& names)
{
    TMainFormEnv env{&prompter, settingsPath, ScreenSize(), &channel, names};
    TMainForm form(env);
    const BoxOwner owner(prompter, &form);
    channel.Register([&form] { return form.windowTitle().toUtf8(); },
                     [&form, &prompter, &channel] {
                         RunGuarded(prompter, [&form, &channel] {
                             for (const QString& name : channel.ReadArguments())
                                 TestLog(QStringLiteral("HANDOFF ") + name);
                             form.WMUserArguments();
                         });
                     });
    form.show();
    TestLog(QStringLiteral("WINDOW ") + form.windowTitle());
    app.exec();
}

}  // namespace

int main(int argc, char** argv)
{
    // Every argument is a picture name. The toolkit sees only the program path, so that it
    // neither takes a name such as "-style" or "-platform" for its own option nor ends the
    // program over one.
    const QStringList names = StartupArgumentsFrom(argc, argv);
    int toolkitArgc = argc > 0 ? 1 : 0;
    QApplication app(toolkitArgc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("velumira"));
    InstallToolkitTranslation(app);
    const std::unique_ptr<Prompter> prompter = MakeStartupPrompter();
    HandoffChannel channel(StartupHandoffFolder());
    try {
        const QString settingsPath = StartupSettingsPath(QCoreApplication::applicationFilePath());
        if (HandOffOrContinue(channel, *prompter, settingsPath, names) == StartPath::Ended)
            return 0;
        RunNormalStart(app, *prompter, channel, settingsPath, names);
    } catch (const std::exception& e) {
        prompter->ShowError(QString::fromUtf8(e.what()));
    } catch (...) {
        prompter->ShowError(QString());
    }
    return 0;
}
