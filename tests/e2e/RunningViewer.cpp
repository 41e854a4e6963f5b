#include "e2e/RunningViewer.h"

#include <QDir>
#include <QFile>

#include <utility>

namespace {

QStringList Lines(const QString& text)
{
    return text.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

QString Number(int n)
{
    return QString::number(n);
}

}  // namespace

RunningViewer::RunningViewer(const XSession& x, QString executable, QString folder)
    : FX(x), FExecutable(std::move(executable)), FFolder(std::move(folder))
{
    // The channel folder is left to the program: it accepts only a folder it made private.
    QDir().mkpath(FFolder);
}

RunningViewer::~RunningViewer()
{
    if (FProcess && FProcess->state() != QProcess::NotRunning) {
        FProcess->kill();
        FProcess->waitForFinished(-1);
    }
}

QString RunningViewer::SettingsPath() const
{
    return FFolder + QStringLiteral("/velumira.INI");
}

void RunningViewer::WriteSettings(const QByteArray& text) const
{
    QFile file(SettingsPath());
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(text);
}

QProcessEnvironment RunningViewer::Environment() const
{
    QProcessEnvironment env = FX.Environment();
    env.insert(QStringLiteral("VELUMIRA_HANDOFF_DIR"), FFolder + QStringLiteral("/channel"));
    env.insert(QStringLiteral("VELUMIRA_SETTINGS"), SettingsPath());
    env.insert(QStringLiteral("VELUMIRA_TEST_LOG"), QStringLiteral("1"));
    env.insert(FExtraEnvironment);
    return env;
}

bool RunningViewer::Start(const QStringList& names, QString* error)
{
    FProcess = std::make_unique<QProcess>();
    FProcess->setProcessEnvironment(Environment());
    FProcess->setStandardErrorFile(FFolder + QStringLiteral("/window.log"));
    FProcess->setStandardOutputFile(QProcess::nullDevice());
    FProcess->start(FExecutable, names);
    if (!FProcess->waitForStarted(10000)) {
        *error = QStringLiteral("velumira did not start: ") + FProcess->errorString();
        return false;
    }
    const QString pid = Number(static_cast<int>(FProcess->processId()));
    const bool mapped = PollUntil(
        [&] {
            if (FProcess->state() == QProcess::NotRunning)
                return true;
            const QStringList ids = Lines(FX.Xdotool({QStringLiteral("search"), QStringLiteral("--all"),
                                                      QStringLiteral("--onlyvisible"), QStringLiteral("--pid"), pid,
                                                      QStringLiteral("--name"), kMainWindowPattern})
                                              .out);
            if (ids.isEmpty())
                return false;
            FWindow = ids.first();
            return true;
        },
        30000);
    if (!mapped || FWindow.isEmpty()) {
        *error = QStringLiteral("no main window appeared; log:\n") + LogLines().join(QLatin1Char('\n'));
        return false;
    }
    return true;
}

ToolResult RunningViewer::SecondStart(const QStringList& names) const
{
    QProcess p;
    p.setProcessEnvironment(Environment());
    p.start(FExecutable, names);
    return FinishProcess(p, 30000);
}

bool RunningViewer::WaitForExit(int deadlineMs, int* exitCode)
{
    if (!FProcess || !FProcess->waitForFinished(deadlineMs))
        return false;
    *exitCode = FProcess->exitStatus() == QProcess::NormalExit ? FProcess->exitCode() : -1;
    return true;
}

QStringList RunningViewer::LogLines() const
{
    QFile file(FFolder + QStringLiteral("/window.log"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return Lines(QString::fromUtf8(file.readAll()));
}

QRect RunningViewer::Geometry() const
{
    // --shell prints WINDOW=, X=, Y=, WIDTH=, HEIGHT=, SCREEN= lines.
    QRect r;
    for (const QString& line : Lines(FX.Xdotool({QStringLiteral("getwindowgeometry"), QStringLiteral("--shell"), FWindow}).out)) {
        const QString key = line.section(QLatin1Char('='), 0, 0);
        const int value = line.section(QLatin1Char('='), 1).toInt();
        if (key == QLatin1String("X"))
            r.moveLeft(value);
        else if (key == QLatin1String("Y"))
            r.moveTop(value);
        else if (key == QLatin1String("WIDTH"))
            r.setWidth(value);
        else if (key == QLatin1String("HEIGHT"))
            r.setHeight(value);
    }
    return r;
}

QStringList RunningViewer::MainWindows() const
{
    return Lines(FX.Xdotool({QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--name"),
                             kMainWindowPattern})
                     .out);
}

int RunningViewer::VisibleWindowCount() const
{
    if (!FProcess)
        return 0;
    return static_cast<int>(Lines(FX.Xdotool({QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                                              QStringLiteral("--pid"), Number(static_cast<int>(FProcess->processId()))})
                                      .out)
                                .size());
}

void RunningViewer::Focus() const
{
    // No window manager runs on the test server, so the focus is given directly.
    FX.Xdotool({QStringLiteral("windowfocus"), QStringLiteral("--sync"), FWindow});
}

void RunningViewer::MoveMouse(int x, int y) const
{
    FX.Xdotool({QStringLiteral("mousemove"), QStringLiteral("--sync"), Number(x), Number(y)});
}

void RunningViewer::Click(int button) const
{
    FX.Xdotool({QStringLiteral("click"), Number(button)});
}

void RunningViewer::Drag(QPoint from, QPoint to, int steps) const
{
    MoveMouse(from.x(), from.y());
    FX.Xdotool({QStringLiteral("mousedown"), QStringLiteral("1")});
    for (int i = 1; i <= steps; ++i) {
        const QPoint p = from + (to - from) * i / steps;
        MoveMouse(p.x(), p.y());
    }
    FX.Xdotool({QStringLiteral("mouseup"), QStringLiteral("1")});
}

void RunningViewer::Keys(const QStringList& keys) const
{
    FX.Xdotool(QStringList{QStringLiteral("key")} + keys);
}
