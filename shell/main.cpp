// Velumira's entry point: a second start hands its names to the running window and ends;
// otherwise the main window opens with the names given on the command line.
#include "handoff/HandoffChannel.h"
#include "shell/Startup.h"
#include "ui/Guard.h"
#include "ui/Prompter.h"
#include "viewer/Mainunit.h"

#include <QApplication>
#include <QScreen>
#include <QTimer>
#include <ctime>
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

// Test log only: when the window has first painted every picture it loaded, as a time on
// the clock every process reads alike (CLOCK_MONOTONIC), so that a benchmark can time a
// start up to the pictures on the screen. The line is written once the paint is through.
class FirstPicturesLog : public QObject {
public:
    explicit FirstPicturesLog(const TMainForm& form) : FForm(form)
    {
        for (int i = 0; i < kPanelMax; ++i)
            FForm.Panel(i).Image->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* e) override
    {
        if (e->type() != QEvent::Paint || FDone)
            return false;
        const int loaded = FForm.LoadedPanels();
        for (int i = 0; i < loaded; ++i)
            if (FForm.Panel(i).Image == watched && FForm.Panel(i).Draws > 0)
                FPainted |= 1u << i;
        if (loaded > 0 && FPainted == (1u << loaded) - 1) {
            FDone = true;
            QTimer::singleShot(0, this, [] {
                timespec now{};
                clock_gettime(CLOCK_MONOTONIC, &now);
                TestLog(QStringLiteral("PICTURES %1").arg(qint64(now.tv_sec) * 1000000000 + now.tv_nsec));
            });
        }
        return false;
    }

private:
    const TMainForm& FForm;
    unsigned FPainted = 0;
    bool FDone = false;
};

void RunNormalStart(QApplication& app, Prompter& prompter, HandoffChannel& channel, const QString& settingsPath,
                    const QStringList& names)
{
    // The window starts decoding the names as soon as its panels are made; its first show
    // takes what was decoded.
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
    std::unique_ptr<FirstPicturesLog> picturesLog;
    if (TestLogEnabled())
        picturesLog = std::make_unique<FirstPicturesLog>(form);
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
