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
    : x_(x), executable_(std::move(executable)), folder_(std::move(folder))
{
    // The channel folder is left to the program: it accepts only a folder it made private.
    QDir().mkpath(folder_);
}

RunningViewer::~RunningViewer()
{
    if (process_ && process_->state() != QProcess::NotRunning) {
        process_->kill();
        process_->waitForFinished(-1);
    }
}

QString RunningViewer::SettingsPath() const
{
    return folder_ + QStringLiteral("/velumira.INI");
}

void RunningViewer::WriteSettings(const QByteArray& text) const
{
    QFile file(SettingsPath());
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(text);
}

QProcessEnvironment RunningViewer::Environment() const
{
    QProcessEnvironment env = x_.Environment();
    env.insert(QStringLiteral("VELUMIRA_HANDOFF_DIR"), folder_ + QStringLiteral("/channel"));
    env.insert(QStringLiteral("VELUMIRA_SETTINGS"), SettingsPath());
    env.insert(QStringLiteral("VELUMIRA_TEST_LOG"), QStringLiteral("1"));
    return env;
}

bool RunningViewer::Start(const QStringList& names, QString* error)
{
    process_ = std::make_unique<QProcess>();
    process_->setProcessEnvironment(Environment());
    process_->setStandardErrorFile(folder_ + QStringLiteral("/window.log"));
    process_->setStandardOutputFile(QProcess::nullDevice());
    process_->start(executable_, names);
    if (!process_->waitForStarted(10000)) {
        *error = QStringLiteral("velumira did not start: ") + process_->errorString();
        return false;
    }
    const QString pid = Number(static_cast<int>(process_->processId()));
    const bool mapped = PollUntil(
        [&] {
            if (process_->state() == QProcess::NotRunning)
                return true;
            const QStringList ids = Lines(x_.Xdotool({QStringLiteral("search"), QStringLiteral("--all"),
                                                      QStringLiteral("--onlyvisible"), QStringLiteral("--pid"), pid,
                                                      QStringLiteral("--name"), kMainWindowPattern})
                                              .out);
            if (ids.isEmpty())
                return false;
            window_ = ids.first();
            return true;
        },
        30000);
    if (!mapped || window_.isEmpty()) {
        *error = QStringLiteral("no main window appeared; log:\n") + LogLines().join(QLatin1Char('\n'));
        return false;
    }
    return true;
}

ToolResult RunningViewer::SecondStart(const QStringList& names) const
{
    QProcess p;
    p.setProcessEnvironment(Environment());
    p.start(executable_, names);
    return FinishProcess(p, 30000);
}

bool RunningViewer::WaitForExit(int deadlineMs, int* exitCode)
{
    if (!process_ || !process_->waitForFinished(deadlineMs))
        return false;
    *exitCode = process_->exitStatus() == QProcess::NormalExit ? process_->exitCode() : -1;
    return true;
}

QStringList RunningViewer::LogLines() const
{
    QFile file(folder_ + QStringLiteral("/window.log"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return Lines(QString::fromUtf8(file.readAll()));
}

QRect RunningViewer::Geometry() const
{
    // --shell prints WINDOW=, X=, Y=, WIDTH=, HEIGHT=, SCREEN= lines.
    QRect r;
    for (const QString& line : Lines(x_.Xdotool({QStringLiteral("getwindowgeometry"), QStringLiteral("--shell"), window_}).out)) {
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
    return Lines(x_.Xdotool({QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--name"),
                             kMainWindowPattern})
                     .out);
}

int RunningViewer::VisibleWindowCount() const
{
    if (!process_)
        return 0;
    return static_cast<int>(Lines(x_.Xdotool({QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                                              QStringLiteral("--pid"), Number(static_cast<int>(process_->processId()))})
                                      .out)
                                .size());
}

void RunningViewer::Focus() const
{
    // No window manager runs on the test server, so the focus is given directly.
    x_.Xdotool({QStringLiteral("windowfocus"), QStringLiteral("--sync"), window_});
}

void RunningViewer::MoveMouse(int x, int y) const
{
    x_.Xdotool({QStringLiteral("mousemove"), QStringLiteral("--sync"), Number(x), Number(y)});
}

void RunningViewer::Click(int button) const
{
    x_.Xdotool({QStringLiteral("click"), Number(button)});
}

void RunningViewer::Drag(QPoint from, QPoint to, int steps) const
{
    MoveMouse(from.x(), from.y());
    x_.Xdotool({QStringLiteral("mousedown"), QStringLiteral("1")});
    for (int i = 1; i <= steps; ++i) {
        const QPoint p = from + (to - from) * i / steps;
        MoveMouse(p.x(), p.y());
    }
    x_.Xdotool({QStringLiteral("mouseup"), QStringLiteral("1")});
}

void RunningViewer::Keys(const QStringList& keys) const
{
    x_.Xdotool(QStringList{QStringLiteral("key")} + keys);
}
